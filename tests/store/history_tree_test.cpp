#include "store/history_tree.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qarvex {
namespace {

// Records what a view model would be told, naming parents by caption.
class RecordingObserver : public HistoryTreeObserver {
public:
    std::vector<std::string> events;

    void NodeAboutToBeInserted(const HistoryNode* parent, int row) override {
        events.push_back("insert? " + Name(parent) + " " + std::to_string(row));
    }
    void NodeInserted(const HistoryNode* parent, int row) override {
        events.push_back("insert " + Name(parent) + " " + std::to_string(row));
    }
    void NodeAboutToBeRemoved(const HistoryNode* parent, int row) override {
        events.push_back("remove? " + Name(parent) + " " + std::to_string(row));
    }
    void NodeRemoved(const HistoryNode* parent, int row) override {
        events.push_back("remove " + Name(parent) + " " + std::to_string(row));
    }
    void AboutToReset() override { events.push_back("reset?"); }
    void ResetDone() override { events.push_back("reset"); }
    void ExpansionChanged(const HistoryNode* node, bool expanded) override {
        events.push_back((expanded ? "expand " : "collapse ") + node->Caption());
    }
    void MakeVisible(const HistoryNode* node) override {
        events.push_back("show " + node->Caption());
    }

private:
    static std::string Name(const HistoryNode* node) { return node ? node->Caption() : "-"; }
};

std::vector<std::string> Captions(const HistoryTree& tree) {
    std::vector<std::string> out;
    tree.Walk([&out](HistoryNode& node) {
        out.push_back((node.Parent() ? "  " : "") + node.Caption());
        return true;
    });
    return out;
}

class HistoryTreeTest : public ::testing::Test {
protected:
    void SetUp() override { tree.SetObserver(&observer); }

    HistoryTree tree;
    RecordingObserver observer;
};

TEST_F(HistoryTreeTest, InsertionsReportParentAndRowAndKeepDisplayOrder) {
    HistoryNode* a = tree.InsertFirst("a", 2, 0);
    HistoryNode* b = tree.InsertFirst("b", 0, 1);
    tree.AppendChild(a, "a1", 2, 2);
    tree.AppendChild(a, "a2", 2, 3);
    tree.AppendTopLevel("c", 1, 4);

    EXPECT_EQ(Captions(tree), (std::vector<std::string>{"b", "a", "  a1", "  a2", "c"}));
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"insert? - 0", "insert - 0", "insert? - 0", "insert - 0",
                                        "insert? a 0", "insert a 0", "insert? a 1", "insert a 1",
                                        "insert? - 2", "insert - 2"}));
    EXPECT_EQ(b->Row(), 0);
    EXPECT_EQ(a->Row(), 1);
    EXPECT_EQ(a->Child(1)->Row(), 1);
    EXPECT_EQ(a->Child(1)->Parent(), a);
    EXPECT_EQ(a->Child(1)->Data().DocIndex, 3);
    EXPECT_EQ(a->Child(1)->SelectedIndex(), a->Child(1)->ImageIndex());
    EXPECT_EQ(a->Child(2), nullptr);
    EXPECT_EQ(tree.TopLevel(3), nullptr);
    EXPECT_EQ(tree.NodeCount(), 5);
}

TEST_F(HistoryTreeTest, RemovingANodeTakesItsSubtreeAndLeavesOtherAddressesValid) {
    HistoryNode* a = tree.AppendTopLevel("a", 0, 0);
    tree.AppendChild(a, "a1", 0, 1);
    HistoryNode* b = tree.AppendTopLevel("b", 0, 2);
    HistoryNode* b1 = tree.AppendChild(b, "b1", 0, 3);
    observer.events.clear();

    tree.Remove(a);
    EXPECT_EQ(observer.events, (std::vector<std::string>{"remove? - 0", "remove - 0"}));
    EXPECT_EQ(Captions(tree), (std::vector<std::string>{"b", "  b1"}));
    EXPECT_EQ(b->Row(), 0);
    EXPECT_EQ(b1->Caption(), "b1");

    tree.Remove(b1);
    EXPECT_EQ(b->ChildCount(), 0);

    // A node of another tree, or none, is not this tree's to remove.
    HistoryTree other;
    HistoryNode* foreign = other.AppendTopLevel("x", 0, 0);
    observer.events.clear();
    tree.Remove(foreign);
    tree.Remove(nullptr);
    EXPECT_EQ(tree.AppendChild(foreign, "y", 0, 0), nullptr);
    EXPECT_TRUE(observer.events.empty());
    EXPECT_EQ(other.TopLevelCount(), 1);
    EXPECT_EQ(foreign->ChildCount(), 0);
}

TEST_F(HistoryTreeTest, ClearIsOneReset) {
    HistoryNode* a = tree.AppendTopLevel("a", 0, 0);
    tree.AppendChild(a, "a1", 0, 1);
    observer.events.clear();
    tree.Clear();
    EXPECT_EQ(observer.events, (std::vector<std::string>{"reset?", "reset"}));
    EXPECT_TRUE(tree.Empty());
    EXPECT_EQ(tree.NodeCount(), 0);
}

TEST_F(HistoryTreeTest, ExpandAllTouchesOnlyNodesWithChildrenAndReportsOnlyChanges) {
    HistoryNode* a = tree.AppendTopLevel("a", 0, 0);
    tree.AppendChild(a, "a1", 0, 1);
    HistoryNode* leaf = tree.AppendTopLevel("leaf", 0, 2);
    HistoryNode* b = tree.AppendTopLevel("b", 0, 3);
    tree.AppendChild(b, "b1", 0, 4);
    tree.SetExpanded(b, true);
    observer.events.clear();

    tree.ExpandAll();
    EXPECT_EQ(observer.events, (std::vector<std::string>{"expand a"}));
    EXPECT_TRUE(a->Expanded());
    EXPECT_FALSE(leaf->Expanded());

    observer.events.clear();
    tree.CollapseAll();
    EXPECT_EQ(observer.events, (std::vector<std::string>{"collapse a", "collapse b"}));
    EXPECT_FALSE(b->Expanded());
}

TEST_F(HistoryTreeTest, FindNodeByTextWalksDepthFirstAndIgnoresAsciiCaseOnly) {
    EXPECT_EQ(FindNodeByText(tree, "x", true), nullptr);  // empty tree

    HistoryNode* a = tree.AppendTopLevel("Site-A", 2, 0);
    HistoryNode* childTwin = tree.AppendChild(a, "site-b", 2, 1);
    HistoryNode* b = tree.AppendTopLevel("SITE-B", 2, 2);
    tree.AppendTopLevel("Ärger", 2, 3);
    observer.events.clear();

    EXPECT_EQ(FindNodeByText(tree, "site-a", false), a);
    EXPECT_TRUE(observer.events.empty());

    // The child comes before the later top-level node in display order.
    EXPECT_EQ(FindNodeByText(tree, "Site-B", true), childTwin);
    EXPECT_EQ(observer.events, (std::vector<std::string>{"expand Site-A", "show site-b"}));
    EXPECT_EQ(FindTopLevelByText(tree, "Site-B", false), b);

    EXPECT_EQ(FindNodeByText(tree, "ärger", false), nullptr);  // not an ASCII letter
    EXPECT_EQ(FindNodeByText(tree, "Ärger", false)->Data().DocIndex, 3);
    EXPECT_EQ(FindNodeByText(tree, "site", false), nullptr);  // whole captions only
    EXPECT_EQ(FindTopLevelByText(tree, "nothing", true), nullptr);
}

TEST_F(HistoryTreeTest, WalkStopsWhenTheVisitorSaysSo) {
    HistoryNode* a = tree.AppendTopLevel("a", 0, 0);
    tree.AppendChild(a, "a1", 0, 1);
    tree.AppendTopLevel("b", 0, 2);
    std::vector<std::string> seen;
    tree.Walk([&seen](HistoryNode& node) {
        seen.push_back(node.Caption());
        return node.Caption() != "a1";
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "a1"}));
}

}  // namespace
}  // namespace qarvex
