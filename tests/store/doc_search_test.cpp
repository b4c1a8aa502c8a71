#include "store/doc_search.h"

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "store/history.h"
#include "store/ini_file.h"
#include "store/pinyin.h"
#include "store/stored_list.h"
#include "support/cannot_run.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

constexpr const char* kToday = "2026-12-09";

class DocSearchTest : public ::testing::Test {
protected:
    std::vector<std::string> Found(std::string_view text, std::string today = kToday) {
        std::vector<std::string> names;
        for (const int index : RankedMatches(history, text, today)) {
            names.push_back(history.Docs()[static_cast<std::size_t>(index)].DisplayName);
        }
        return names;
    }
    void Page(const std::string& address, const std::string& name, std::string date = "") {
        history.AddDoc(address, name, date, false);
    }

    test::TempDir dir;
    IniFile ini{dir.File("defualt.ini")};
    StoredList recent;
    std::string today = kToday;
    History history{ini, recent, [this] { return today; }, nullptr, "/home/u"};
};

using Names = std::vector<std::string>;

TEST_F(DocSearchTest, NamesAndAddressesMatchInAnyAsciiCaseBestNameFirst) {
    Page("http://www.ABC.example/Page", "Front");  // address only
    Page("http://t.example/run", "My aBc Tool");   // inside the name
    Page("http://other.example/", "Other");        // neither
    Page("http://x.example/abc", "ABC tools");     // the name begins with it
    Page("http://y.example/", "abc");              // the name is it
    for (const char* keyword : {"ABC", "abc", "  aBc\t"}) {
        SCOPED_TRACE(keyword);
        EXPECT_EQ(Found(keyword), (Names{"abc", "ABC tools", "Front", "My aBc Tool"}));
    }
    EXPECT_TRUE(Found("").empty());
    EXPECT_TRUE(Found(" \t ").empty());
    // Only ASCII letters are folded.
    Page("http://z.example/", "ÄRGER");
    EXPECT_EQ(Found("ÄRGER"), Names{"ÄRGER"});
    EXPECT_TRUE(Found("ärger").empty());
}

TEST_F(DocSearchTest, ChineseNamesAreFoundByTheirPinyin) {
    if (!PinyinReadings::Installed().HasTable()) {
        QARVEX_CANNOT_RUN("no pinyin reading table at " << PinyinReadings::kInstalledTable
                                                        << " (package rime-data-pinyin-simp)");
    }
    Page("http://cook.example/1", "红烧肉的做法");
    Page("http://www.baidu.com/", "百度一下，你就知道");
    Page("http://bank.example/", "中国银行");
    Page("http://walk.example/", "行走的力量");
    Page("http://qt.example/", "Qt 6 教程");
    struct Case {
        const char* typed;
        Names found;
    };
    const std::vector<Case> cases = {
        {"hongshao", {"红烧肉的做法"}},  // whole syllables
        {"hongshaoroudezuofa", {"红烧肉的做法"}},
        {"baidu", {"百度一下，你就知道"}},
        {"hsr", {"红烧肉的做法"}},  // initials
        {"bdyx", {"百度一下，你就知道"}},
        {"hongsr", {"红烧肉的做法"}},            // both at once
        {"yixianijiu", {"百度一下，你就知道"}},  // across the name's words
        {"yinhang", {"中国银行"}},               // 行 read hang...
        {"xingzou", {"行走的力量"}},             // ...and xing
        {"qt6jc", {"Qt 6 教程"}},                // mixed with Latin
        {"qt 6 jiaocheng", {"Qt 6 教程"}},
        {"zgyh", {"中国银行"}},
        {"hongshaoyu", {}},
        {"bdx", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(Found(c.typed), c.found);
    }
    // A name that begins with the pinyin ranks above one that holds it further on.
    Page("http://h.example/", "家常红烧肉");
    EXPECT_EQ(Found("hsr"), (Names{"红烧肉的做法", "家常红烧肉"}));
}

TEST_F(DocSearchTest, WhatWasUsedOftenAndLatelyComesFirst) {
    Page("http://n.example/1", "news one", "2026-01-10");
    Page("http://n.example/2", "news two", "2026-01-10");
    Page("http://n.example/3", "news three", "2026-01-10");
    Page("http://n.example/4", "news four", "2026-01-10");
    // Never used since they were first seen: the history's order.
    EXPECT_EQ(Found("news"), (Names{"news one", "news two", "news three", "news four"}));

    // Opened three times long ago...
    today = "2026-01-12";
    for (int n = 0; n < 3; ++n) {
        history.NoteOpened("http://n.example/2");
    }
    // ...then, months later, one page opened once and one seen again by a scan.
    today = kToday;
    history.NoteOpened("http://n.example/4");
    Page("http://n.example/3", "a sighting does not rename");
    EXPECT_EQ(Found("news"), (Names{"news four", "news three", "news two", "news one"}));
    EXPECT_EQ(history.Docs()[2].OpenCount, 0);
    EXPECT_EQ(history.Docs()[2].LastSeen, kToday);
    // The way the name matches still comes before its use.
    EXPECT_EQ(Found("news one").front(), "news one");
}

TEST(DocSearchTableTest, AResultOfThousandsKeepsTheRankingOrder) {
    // Another machine's table, searched on its own: thousands of matches of every kind.
    DocTable docs;
    DocSearchIndex index;
    for (int n = 0; n < 9000; ++n) {
        TMyDoc doc;
        doc.Path = "http://n.example/" + std::to_string(n);
        doc.DisplayName = n % 3 == 0   ? "News"
                          : n % 3 == 1 ? "news " + std::to_string(n)
                                       : "the news";
        doc.LastSeen = "2026-" + std::to_string(10 + n % 3) + "-" + std::to_string(10 + n % 17);
        doc.OpenCount = (n * 7) % 5;
        docs.push_back(doc);
        index.Add(doc);
    }
    const std::vector<int> found = RankedMatches(docs, index, "news", kToday);
    ASSERT_EQ(found.size(), docs.size());
    const auto rank = [&](int n) {
        const std::string& name = docs[static_cast<std::size_t>(n)].DisplayName;
        return std::make_tuple(name == "News"             ? 0
                               : name.starts_with("news") ? 1
                                                          : 2,
                               -Frecency(docs[static_cast<std::size_t>(n)], kToday), n);
    };
    for (std::size_t n = 1; n < found.size(); ++n) {
        ASSERT_LT(rank(found[n - 1]), rank(found[n])) << n;
    }
}

}  // namespace
}  // namespace qarvex
