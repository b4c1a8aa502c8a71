#include "store/history_tree.h"

#include <algorithm>
#include <utility>

#include "store/strings.h"

namespace qarvex {

HistoryNode::HistoryNode(HistoryTree* tree, HistoryNode* parent, std::string caption,
                         int imageIndex, int docIndex)
    : m_tree(tree),
      m_parent(parent),
      m_caption(std::move(caption)),
      m_imageIndex(imageIndex),
      m_data{0, docIndex} {}

HistoryNode* HistoryNode::Child(int row) const {
    if (row < 0 || row >= ChildCount()) {
        return nullptr;
    }
    return m_children[static_cast<std::size_t>(row)].get();
}

int HistoryNode::Row() const {
    if (m_parent == nullptr) {
        for (int row = 0; row < m_tree->TopLevelCount(); ++row) {
            if (m_tree->TopLevel(row) == this) {
                return row;
            }
        }
        return -1;
    }
    const auto& siblings = m_parent->m_children;
    for (std::size_t row = 0; row < siblings.size(); ++row) {
        if (siblings[row].get() == this) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

HistoryNode* HistoryTree::TopLevel(int row) const {
    if (row < 0 || row >= TopLevelCount()) {
        return nullptr;
    }
    return m_top[static_cast<std::size_t>(row)].get();
}

int HistoryTree::NodeCount() const {
    int count = 0;
    Walk([&count](HistoryNode&) {
        ++count;
        return true;
    });
    return count;
}

std::vector<std::unique_ptr<HistoryNode>>& HistoryTree::Siblings(HistoryNode* parent) {
    return parent == nullptr ? m_top : parent->m_children;
}

HistoryNode* HistoryTree::Insert(HistoryNode* parent, int row, std::string caption, int imageIndex,
                                 int docIndex) {
    auto& siblings = Siblings(parent);
    // Allocate before announcing, so that a failed allocation leaves the view in step.
    std::unique_ptr<HistoryNode> node(
        new HistoryNode(this, parent, std::move(caption), imageIndex, docIndex));
    if (siblings.size() == siblings.capacity()) {
        siblings.reserve(std::max<std::size_t>(8, siblings.size() * 2));
    }
    if (m_observer != nullptr) {
        m_observer->NodeAboutToBeInserted(parent, row);
    }
    HistoryNode* raw = node.get();
    if (parent == nullptr) {
        if (m_top.empty()) {
            m_frontOrder = m_backOrder = 0;
        } else if (row == 0) {
            raw->m_order = --m_frontOrder;
        } else if (row == TopLevelCount()) {
            raw->m_order = ++m_backOrder;
        } else {
            m_ordered = false;
        }
        IndexTopLevel(raw);
    }
    siblings.insert(siblings.begin() + row, std::move(node));
    if (m_observer != nullptr) {
        m_observer->NodeInserted(parent, row);
    }
    return raw;
}

void HistoryTree::IndexTopLevel(HistoryNode* node) {
    m_topByCaption[AsciiLower(node->m_caption)].push_back(node);
}

void HistoryTree::UnindexTopLevel(HistoryNode* node) {
    const auto found = m_topByCaption.find(AsciiLower(node->m_caption));
    if (found == m_topByCaption.end()) {
        return;
    }
    std::erase(found->second, node);
    if (found->second.empty()) {
        m_topByCaption.erase(found);
    }
}

HistoryNode* HistoryTree::FindTopLevel(std::string_view text, bool ignoreCase) const {
    const auto matches = [&](const HistoryNode& node) {
        return ignoreCase ? EqualsIgnoreAsciiCase(node.m_caption, text) : node.m_caption == text;
    };
    if (!m_ordered) {
        for (const auto& node : m_top) {
            if (matches(*node)) {
                return node.get();
            }
        }
        return nullptr;
    }
    const auto found = m_topByCaption.find(AsciiLower(text));
    if (found == m_topByCaption.end()) {
        return nullptr;
    }
    HistoryNode* first = nullptr;
    for (HistoryNode* node : found->second) {
        if (matches(*node) && (first == nullptr || node->m_order < first->m_order)) {
            first = node;
        }
    }
    return first;
}

HistoryNode* HistoryTree::InsertFirst(std::string caption, int imageIndex, int docIndex) {
    return Insert(nullptr, 0, std::move(caption), imageIndex, docIndex);
}

HistoryNode* HistoryTree::AppendTopLevel(std::string caption, int imageIndex, int docIndex) {
    return Insert(nullptr, TopLevelCount(), std::move(caption), imageIndex, docIndex);
}

HistoryNode* HistoryTree::AppendChild(HistoryNode* parent, std::string caption, int imageIndex,
                                      int docIndex) {
    if (parent == nullptr || parent->m_tree != this) {
        return nullptr;
    }
    return Insert(parent, parent->ChildCount(), std::move(caption), imageIndex, docIndex);
}

HistoryNode* HistoryTree::InsertAt(HistoryNode* parent, int row, std::string caption,
                                   int imageIndex, int docIndex) {
    if (parent != nullptr && parent->m_tree != this) {
        return nullptr;
    }
    const int count = parent == nullptr ? TopLevelCount() : parent->ChildCount();
    if (row < 0 || row > count) {
        row = count;
    }
    return Insert(parent, row, std::move(caption), imageIndex, docIndex);
}

void HistoryTree::Remove(HistoryNode* node) {
    if (node == nullptr || node->m_tree != this) {
        return;
    }
    const int row = node->Row();
    if (row < 0) {
        return;
    }
    HistoryNode* parent = node->m_parent;
    auto& siblings = Siblings(parent);
    if (m_observer != nullptr) {
        m_observer->NodeAboutToBeRemoved(parent, row);
    }
    // Keep the subtree alive until the view has let go of it.
    std::unique_ptr<HistoryNode> removed = std::move(siblings[static_cast<std::size_t>(row)]);
    siblings.erase(siblings.begin() + row);
    if (parent == nullptr) {
        UnindexTopLevel(removed.get());
    }
    if (m_observer != nullptr) {
        m_observer->NodeRemoved(parent, row);
    }
}

void HistoryTree::Clear() {
    if (m_observer != nullptr) {
        m_observer->AboutToReset();
    }
    std::vector<std::unique_ptr<HistoryNode>> removed;
    removed.swap(m_top);
    m_topByCaption.clear();
    m_ordered = true;
    if (m_observer != nullptr) {
        m_observer->ResetDone();
    }
}

bool HistoryTree::WalkNodes(const std::vector<std::unique_ptr<HistoryNode>>& nodes,
                            const std::function<bool(HistoryNode&)>& visitor) {
    for (const auto& node : nodes) {
        if (!visitor(*node) || !WalkNodes(node->m_children, visitor)) {
            return false;
        }
    }
    return true;
}

void HistoryTree::Walk(const std::function<bool(HistoryNode&)>& visitor) const {
    WalkNodes(m_top, visitor);
}

void HistoryTree::SetExpanded(HistoryNode* node, bool expanded) {
    if (node == nullptr || node->m_tree != this || node->m_expanded == expanded) {
        return;
    }
    node->m_expanded = expanded;
    if (m_observer != nullptr) {
        m_observer->ExpansionChanged(node, expanded);
    }
}

void HistoryTree::SetCaption(HistoryNode* node, std::string caption) {
    if (node == nullptr || node->m_tree != this || node->m_caption == caption) {
        return;
    }
    if (node->m_parent == nullptr) {
        UnindexTopLevel(node);
    }
    node->m_caption = std::move(caption);
    if (node->m_parent == nullptr) {
        IndexTopLevel(node);
    }
    if (m_observer != nullptr) {
        m_observer->CaptionChanged(node);
    }
}

void HistoryTree::SetAllExpanded(bool expanded) {
    Walk([this, expanded](HistoryNode& node) {
        if (node.ChildCount() > 0) {
            SetExpanded(&node, expanded);
        }
        return true;
    });
}

void HistoryTree::ExpandAll() {
    SetAllExpanded(true);
}

void HistoryTree::CollapseAll() {
    SetAllExpanded(false);
}

void HistoryTree::MakeVisible(HistoryNode* node) {
    if (node == nullptr || node->m_tree != this) {
        return;
    }
    // Outermost first, so that a view never sees a child expanded under a collapsed parent.
    std::vector<HistoryNode*> parents;
    for (HistoryNode* parent = node->m_parent; parent != nullptr; parent = parent->m_parent) {
        parents.push_back(parent);
    }
    for (auto it = parents.rbegin(); it != parents.rend(); ++it) {
        SetExpanded(*it, true);
    }
    if (m_observer != nullptr) {
        m_observer->MakeVisible(node);
    }
}

HistoryNode* FindNodeByText(HistoryTree& tree, std::string_view text, bool makeVisible) {
    HistoryNode* found = nullptr;
    tree.Walk([&found, text](HistoryNode& node) {
        if (EqualsIgnoreAsciiCase(node.Caption(), text)) {
            found = &node;
            return false;
        }
        return true;
    });
    if (found != nullptr && makeVisible) {
        tree.MakeVisible(found);
    }
    return found;
}

HistoryNode* FindTopLevelByText(HistoryTree& tree, std::string_view text, bool makeVisible) {
    HistoryNode* node = tree.FindTopLevel(text, true);
    if (node != nullptr && makeVisible) {
        tree.MakeVisible(node);
    }
    return node;
}

}  // namespace qarvex
