#include "store/stored_list.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qarvex {
namespace {

// Replays every notification onto its own copy of the items, the way a list widget
// would; a notification that is missing or wrong shows up as a difference.
class MirrorBox : public StoredList::Observer {
public:
    void ItemsReset(const std::vector<std::string>& items) override {
        m_items = items;
        ++m_resets;
    }
    void ItemInserted(int index, const std::string& item) override {
        m_items.insert(m_items.begin() + index, item);
    }
    void ItemRemoved(int index) override { m_items.erase(m_items.begin() + index); }
    void ItemChanged(int index, const std::string& item) override {
        m_items[static_cast<std::size_t>(index)] = item;
    }

    std::vector<std::string> m_items;
    int m_resets = 0;
};

TEST(StoredListTest, ObserverMirrorsEveryItemChange) {
    StoredList list;
    MirrorBox box;
    list.SetObserver(&box);

    list.SetItems({"a", "b"});
    list.InsertItem(0, "top");
    list.InsertItem(3, "end");
    list.SetItem(1, "A");
    list.RemoveItem(2);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"top", "A", "end"}));
    EXPECT_EQ(box.m_items, list.Items());

    list.Clear();
    EXPECT_TRUE(list.Items().empty());
    EXPECT_TRUE(box.m_items.empty());
    EXPECT_EQ(box.m_resets, 2);
}

TEST(StoredListTest, LinesChangeWithoutTouchingItems) {
    StoredList list;
    MirrorBox box;
    list.SetObserver(&box);
    list.SetItems({"x"});

    list.SetLines({"1*|*one", "2*|*two"});
    list.InsertLine(1, "mid*|*mid");
    list.SetLine(0, "first*|*first");
    list.RemoveLine(2);
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"first*|*first", "mid*|*mid"}));
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"x"}));
    EXPECT_EQ(box.m_resets, 1);
}

// Positions come from list boxes and menus: one outside the list must neither crash nor
// change anything, nor send a notification the box could not apply.
TEST(StoredListTest, PositionsOutsideTheListChangeNothing) {
    StoredList list;
    MirrorBox box;
    list.SetObserver(&box);
    list.SetLines({"a*|*a"});
    list.SetItems({"a"});

    for (const int index : {-1, 2, 100}) {
        SCOPED_TRACE(index);
        list.InsertLine(index, "bad");
        list.InsertItem(index, "bad");
    }
    for (const int index : {-1, 1, 100}) {
        SCOPED_TRACE(index);
        list.RemoveLine(index);
        list.SetLine(index, "bad");
        list.RemoveItem(index);
        list.SetItem(index, "bad");
    }
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"a*|*a"}));
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"a"}));
    EXPECT_EQ(box.m_items, list.Items());
}

TEST(StoredListTest, WorksWithoutObserver) {
    StoredList list;
    list.InsertItem(0, "a");
    list.SetItem(0, "b");
    list.RemoveItem(0);
    list.SetItems({"c"});
    list.Clear();
    EXPECT_EQ(list.ItemCount(), 0);
    EXPECT_EQ(list.LineCount(), 0);
}

}  // namespace
}  // namespace qarvex
