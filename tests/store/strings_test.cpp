#include "store/strings.h"

#include <climits>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace qarvex {
namespace {

TEST(StringsTest, TrimRemovesBlanksAndControlsOnlyAtTheEnds) {
    const struct {
        std::string_view in;
        std::string_view out;
    } cases[] = {
        {"", ""},
        {"   ", ""},
        {"\t\r\n a b \x01\x1f", "a b"},
        {"\x20\xe6\x96\x87\x20", "\xe6\x96\x87"},  // bytes above 0x7F are text, not blanks
        {std::string_view("\0x\0", 3), "x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Trim(c.in), c.out) << "input: " << c.in;
    }
}

TEST(StringsTest, CaseChangesTouchAsciiLettersOnly) {
    // "Ä" (C3 84) and "文" (E6 96 87) must come through byte for byte.
    EXPECT_EQ(AsciiLower("AbC-\xC3\x84\xE6\x96\x87Z"), "abc-\xC3\x84\xE6\x96\x87z");
    EXPECT_EQ(AsciiUpper("abc-\xC3\xA4\xE6\x96\x87z"), "ABC-\xC3\xA4\xE6\x96\x87Z");
    EXPECT_TRUE(EqualsIgnoreAsciiCase("Docs", "dOCS"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("\xC3\x84", "\xC3\xA4"));  // Ä vs ä stay different
    EXPECT_FALSE(EqualsIgnoreAsciiCase("doc", "docs"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("[", "{"));  // 0x5B and 0x7B differ by the case bit
}

TEST(StringsTest, ReplaceAllDoesNotRescanReplacedText) {
    const struct {
        std::string_view text, from, to, out;
    } cases[] = {
        {"a%20b%20", "%20", " ", "a b "},
        {"aaa", "aa", "a", "aa"},
        {"///x//y/z", "///", "\\", "\\x//y/z"},
        {"abc", "", "x", "abc"},
        {"abc", "b", "bb", "abbc"},
        {"", "a", "b", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplaceAll(c.text, c.from, c.to), c.out) << c.text << " / " << c.from;
    }
}

TEST(StringsTest, SearchHelpers) {
    EXPECT_TRUE(Contains("file:///C:/a", "file:///"));
    EXPECT_FALSE(Contains("file://C:/a", "file:///"));
    EXPECT_TRUE(StartsWith("abc", ""));
    EXPECT_FALSE(StartsWith("ab", "abc"));
    EXPECT_TRUE(EndsWith("a.txt", ".txt"));
    EXPECT_FALSE(EndsWith("txt", ".txt"));
    EXPECT_EQ(AfterFirst("p*|*n*|*m", "*|*"), "n*|*m");
    EXPECT_EQ(AfterFirst("no marker", "*|*"), "no marker");
    EXPECT_EQ(AfterFirst("end*|*", "*|*"), "");
}

TEST(StringsTest, ParseIntAcceptsOnlyWholeIntegers) {
    const struct {
        std::string_view text;
        std::optional<int> value;
    } cases[] = {
        {"0", 0},
        {"120", 120},
        {"-5", -5},
        {"+7", 7},
        {"0x1F", 31},
        {"0X1f", 31},
        {"$ff", 255},
        {"-0x10", -16},
        {"007", 7},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"", std::nullopt},
        {"+", std::nullopt},
        {"-", std::nullopt},
        {"0x", std::nullopt},
        {"$", std::nullopt},
        {" 1", std::nullopt},
        {"1 ", std::nullopt},
        {"12abc", std::nullopt},
        {"1.5", std::nullopt},
        {"--1", std::nullopt},
        {"0x1G", std::nullopt},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"\xef\xbc\x91", std::nullopt},  // a full-width digit is not a digit
    };
    for (const auto& c : cases) {
        int value = 12345;
        const bool ok = ParseInt(c.text, value);
        EXPECT_EQ(ok, c.value.has_value()) << "input: " << c.text;
        if (ok && c.value) {
            EXPECT_EQ(value, *c.value) << "input: " << c.text;
        }
        if (!ok) {
            EXPECT_EQ(value, 12345) << "a failed parse must not touch the output: " << c.text;
        }
    }
}

TEST(StringsTest, FormatTextFillsTheFirstPlaceholder) {
    EXPECT_EQ(FormatText("每%d秒刷新一次", 120), "每120秒刷新一次");
    EXPECT_EQ(FormatText("%s%s", "/cfg/"), "/cfg/%s");
    EXPECT_EQ(FormatText("no placeholder", 3), "no placeholder");
    EXPECT_EQ(FormatText("%d", -7), "-7");
}

}  // namespace
}  // namespace qarvex
