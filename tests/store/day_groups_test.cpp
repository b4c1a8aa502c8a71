#include "store/day_groups.h"

#include <gtest/gtest.h>

namespace qarvex {
namespace {

std::string Caption(std::string_view date, std::string_view today) {
    return DayGroupOf(date, today).caption;
}

TEST(DayGroupsTest, GroupsAcrossWeekMonthAndYearBoundaries) {
    // 2027-01-01 is a Friday: the week began on Monday 2026-12-28.
    EXPECT_EQ(Caption("2027-01-01", "2027-01-01"), "今天");
    EXPECT_EQ(Caption("2027-01-05", "2027-01-01"), "今天");
    EXPECT_EQ(Caption("2026-12-31", "2027-01-01"), "昨天");
    EXPECT_EQ(Caption("2026-12-28", "2027-01-01"), "本周");
    EXPECT_EQ(Caption("2026-12-27", "2027-01-01"), "2026年12月");
    EXPECT_EQ(Caption("2026-11-30", "2027-01-01"), "2026年11月");
    EXPECT_EQ(Caption("2025-01-15", "2027-01-01"), "2025年1月");
    EXPECT_EQ(Caption("garbage", "2027-01-01"), "日期不明");
    // On a Monday, yesterday belongs to last week and nothing is in this week's group.
    EXPECT_EQ(Caption("2026-11-29", "2026-11-30"), "昨天");
    EXPECT_EQ(Caption("2026-11-28", "2026-11-30"), "2026年11月");
    // 2028-03-01 follows a leap day.
    EXPECT_EQ(Caption("2028-02-29", "2028-03-01"), "昨天");

    EXPECT_LT(DayGroupOf("2026-12-31", "2027-01-01").order,
              DayGroupOf("2026-12-28", "2027-01-01").order);
    EXPECT_LT(DayGroupOf("2026-12-01", "2027-01-01").order,
              DayGroupOf("2026-11-30", "2027-01-01").order);
    EXPECT_LT(DayGroupOf("2025-12-01", "2027-01-01").order, DayGroupOf("x", "2027-01-01").order);
}

TMyDoc Doc(const std::string& name, const std::string& date) {
    TMyDoc doc;
    doc.DocType = dkWebPage;
    doc.DisplayName = name;
    doc.Path = "http://" + name;
    doc.Date = date;
    return doc;
}

std::vector<std::string> Shape(HistoryTree& tree) {
    std::vector<std::string> lines;
    tree.Walk([&lines](HistoryNode& node) {
        lines.push_back((node.Parent() ? "  " : "") + node.Caption());
        return true;
    });
    return lines;
}

TEST(DayGroupsTest, TheTreeFollowsAdditionsNewestFirstAndRegroupsWhenTheDayChanges) {
    std::string today = "2027-01-01";
    DayTree day([&today] { return today; }, [](int) { return 2; });
    DocTable docs = {Doc("old", "2026-11-03"), Doc("dec", "2026-12-02"), Doc("mon", "2026-12-28"),
                     Doc("eve", "2026-12-31"), Doc("new1", "2027-01-01")};
    day.Rebuild(docs);
    docs.push_back(Doc("new2", "2027-01-01"));
    day.Added(docs, 5);
    // Stored out of order: it still lands in its month, below the newer one.
    docs.push_back(Doc("older", "2026-12-01"));
    day.Added(docs, 6);
    EXPECT_EQ(Shape(day.Tree()), (std::vector<std::string>{
                                     "今天", "  new2", "  new1", "昨天", "  eve", "本周", "  mon",
                                     "2026年12月", "  dec", "  older", "2026年11月", "  old"}));
    EXPECT_EQ(day.Tree().TopLevel(0)->Child(0)->Data().DocIndex, 5);
    EXPECT_EQ(day.Tree().TopLevel(0)->Child(0)->ImageIndex(), 2);
    EXPECT_EQ(day.Tree().TopLevel(0)->Data().DocIndex, -1);

    today = "2027-01-02";
    docs.push_back(Doc("sat", "2027-01-02"));
    day.Added(docs, 7);
    EXPECT_EQ(Shape(day.Tree())[0], "今天");
    EXPECT_EQ(Shape(day.Tree())[1], "  sat");
    EXPECT_EQ(Shape(day.Tree())[2], "昨天");
    EXPECT_EQ(Shape(day.Tree())[3], "  new2");
}

}  // namespace
}  // namespace qarvex
