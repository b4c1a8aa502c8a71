#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qarvex {

// The payload of every history node. A node always finds its entry through DocIndex,
// never through its caption.
struct TNodeData {
    std::int32_t Reserved = 0;
    std::int32_t DocIndex = -1;
};

class HistoryTree;

class HistoryNode {
public:
    HistoryNode(const HistoryNode&) = delete;
    HistoryNode& operator=(const HistoryNode&) = delete;

    const std::string& Caption() const { return m_caption; }
    int ImageIndex() const { return m_imageIndex; }
    // The trees never show a different picture for the selected state.
    int SelectedIndex() const { return m_imageIndex; }
    const TNodeData& Data() const { return m_data; }
    TNodeData& Data() { return m_data; }
    bool Expanded() const { return m_expanded; }

    // Null for a top-level node.
    HistoryNode* Parent() const { return m_parent; }
    int ChildCount() const { return static_cast<int>(m_children.size()); }
    HistoryNode* Child(int row) const;
    // The position among its siblings (top-level nodes count among the top level).
    int Row() const;

private:
    friend class HistoryTree;
    HistoryNode(HistoryTree* tree, HistoryNode* parent, std::string caption, int imageIndex,
                int docIndex);

    HistoryTree* m_tree;
    HistoryNode* m_parent;
    std::int64_t m_order = 0;  // top-level nodes: smaller comes first
    std::string m_caption;
    int m_imageIndex;
    TNodeData m_data;
    bool m_expanded = false;
    std::vector<std::unique_ptr<HistoryNode>> m_children;
};

// Told about every change so that a view model can follow the tree. Insertions and
// removals name the parent (null for the top level) and the row, the way an item model
// reports them; every change is announced before and after it happens.
class HistoryTreeObserver {
public:
    virtual ~HistoryTreeObserver() = default;
    virtual void NodeAboutToBeInserted(const HistoryNode* /*parent*/, int /*row*/) {}
    virtual void NodeInserted(const HistoryNode* /*parent*/, int /*row*/) {}
    virtual void NodeAboutToBeRemoved(const HistoryNode* /*parent*/, int /*row*/) {}
    virtual void NodeRemoved(const HistoryNode* /*parent*/, int /*row*/) {}
    virtual void AboutToReset() {}
    virtual void ResetDone() {}
    virtual void ExpansionChanged(const HistoryNode* /*node*/, bool /*expanded*/) {}
    virtual void CaptionChanged(const HistoryNode* /*node*/) {}
    // The view should scroll so that the node shows (its parents are already expanded).
    virtual void MakeVisible(const HistoryNode* /*node*/) {}
};

// One history tree: ordered top-level nodes with ordered children. Node addresses stay
// valid until the node is removed.
class HistoryTree {
public:
    HistoryTree() = default;
    HistoryTree(const HistoryTree&) = delete;
    HistoryTree& operator=(const HistoryTree&) = delete;

    void SetObserver(HistoryTreeObserver* observer) { m_observer = observer; }

    int TopLevelCount() const { return static_cast<int>(m_top.size()); }
    HistoryNode* TopLevel(int row) const;
    bool Empty() const { return m_top.empty(); }
    int NodeCount() const;

    HistoryNode* InsertFirst(std::string caption, int imageIndex, int docIndex);
    HistoryNode* AppendTopLevel(std::string caption, int imageIndex, int docIndex);
    HistoryNode* AppendChild(HistoryNode* parent, std::string caption, int imageIndex,
                             int docIndex);
    // At row among parent's children (null parent: the top level); a row out of range
    // appends.
    HistoryNode* InsertAt(HistoryNode* parent, int row, std::string caption, int imageIndex,
                          int docIndex);
    // Removes the node with its subtree; the node and its descendants are destroyed.
    void Remove(HistoryNode* node);
    void Clear();

    // Visits every node in display order: a node, then its children, then its next sibling.
    // The visitor returns false to stop the walk.
    void Walk(const std::function<bool(HistoryNode&)>& visitor) const;

    // The first top-level node in display order whose caption is text (ignoring ASCII case
    // when asked), or null; found without walking the top level.
    HistoryNode* FindTopLevel(std::string_view text, bool ignoreCase) const;

    void SetExpanded(HistoryNode* node, bool expanded);
    void SetCaption(HistoryNode* node, std::string caption);
    // Expands or collapses every node that has children.
    void ExpandAll();
    void CollapseAll();
    // Expands the node's parents and asks the view to scroll to it.
    void MakeVisible(HistoryNode* node);

private:
    std::vector<std::unique_ptr<HistoryNode>>& Siblings(HistoryNode* parent);
    HistoryNode* Insert(HistoryNode* parent, int row, std::string caption, int imageIndex,
                        int docIndex);
    void SetAllExpanded(bool expanded);
    static bool WalkNodes(const std::vector<std::unique_ptr<HistoryNode>>& nodes,
                          const std::function<bool(HistoryNode&)>& visitor);

    void IndexTopLevel(HistoryNode* node);
    void UnindexTopLevel(HistoryNode* node);

    std::vector<std::unique_ptr<HistoryNode>> m_top;
    HistoryTreeObserver* m_observer = nullptr;
    // Top-level nodes by lower-cased caption. Nodes go in at either end, so their order
    // numbers keep the display order; one put in between leaves only the plain walk.
    std::unordered_map<std::string, std::vector<HistoryNode*>> m_topByCaption;
    std::int64_t m_frontOrder = 0;
    std::int64_t m_backOrder = 0;
    bool m_ordered = true;
};

// The first node in display order whose caption equals text ignoring ASCII case, or null.
// With makeVisible, a found node's parents are expanded and the view scrolls to it.
HistoryNode* FindNodeByText(HistoryTree& tree, std::string_view text, bool makeVisible);

// The first top-level node whose caption equals text ignoring ASCII case, or null.
HistoryNode* FindTopLevelByText(HistoryTree& tree, std::string_view text, bool makeVisible);

}  // namespace qarvex
