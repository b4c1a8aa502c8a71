#include <string>

#include <gtest/gtest.h>

#include "platform/x11/window_text.h"

namespace qarvex {
namespace {

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

TEST(CutUtf8ToBytes, NeverSplitsACharacter) {
    struct Case {
        std::string text;
        std::size_t max;
        std::string expected;
    };
    const Case cases[] = {
        {"short", 128, "short"},
        {Repeat("a", 200), 128, Repeat("a", 128)},
        {Repeat("文", 43), 128, Repeat("文", 42)},  // 129 bytes: the last one doesn't fit
        {"a" + Repeat("文", 43), 128, "a" + Repeat("文", 42)},    // 127 bytes, then 3 more
        {"ab" + Repeat("文", 42), 128, "ab" + Repeat("文", 42)},  // exactly 128
        {Repeat("a", 126) + "😀", 128, Repeat("a", 126)},          // four bytes don't fit in two
        {Repeat("a", 127) + "\xff\xfe", 128, Repeat("a", 127) + "\xff"},  // stray bytes: one each
        {Repeat("a", 127) + "\xe6\x96", 128, Repeat("a", 127) + "\xe6"},  // truncated sequence
        {"", 128, ""},
        {"文", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CutUtf8ToBytes(c.text, c.max), c.expected);
    }
}

TEST(SanitizeUtf8, ReplacesOnlyWhatIsNotUtf8) {
    const std::string replacement = "\xef\xbf\xbd";
    struct Case {
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"plain ascii", "plain ascii"},
        {"中文 😀", "中文 😀"},
        {"ab\xff", "ab" + replacement},
        {"\xe6\x96", replacement + replacement},           // cut short
        {"\xc0\xaf", replacement + replacement},           // overlong "/"
        {"\xed\xa0\x80", Repeat(replacement, 3)},          // a UTF-16 surrogate
        {"\xf4\x90\x80\x80", Repeat(replacement, 4)},      // beyond U+10FFFF
        {std::string("a\0b", 3), std::string("a\0b", 3)},  // NUL is valid UTF-8
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SanitizeUtf8(c.bytes), c.expected);
    }
}

TEST(LegacyTitleEncodings, BecomeUtf8) {
    EXPECT_EQ(Latin1ToUtf8("Caf\xe9 \xa9\xff"), "Café ©ÿ");
    EXPECT_EQ(CompoundTextToUtf8("Caf\xe9"), "Café");
    EXPECT_EQ(CompoundTextToUtf8("x \x1b%G文件\x1b%@ \xe9"), "x 文件 é");
    // GB 2312 as Xlib writes it (in the left half) and in the right half.
    EXPECT_EQ(CompoundTextToUtf8("\x1b$(AVU6K\x1b(B xterm"), "终端 xterm");
    EXPECT_EQ(CompoundTextToUtf8("\x1b$)A\xd6\xd5\xb6\xcb xterm"), "终端 xterm");
    // A character set we can't decode: its ASCII bytes are kept.
    EXPECT_EQ(CompoundTextToUtf8("a\x1b$(Bxy\x1b(Bz"), "axyz");
    EXPECT_EQ(CompoundTextToUtf8("\x1b"), "");
    EXPECT_EQ(CompoundTextToUtf8("\x1b%"), "");
}

TEST(IsSameHost, AcceptsTheShortAndTheFullNameOfThisMachineOnly) {
    struct Case {
        const char* window;
        const char* local;
        bool same;
    };
    const Case cases[] = {
        {"vm", "vm", true},
        {"vm.example.org", "vm", true},
        {"vm", "vm.example.org", true},
        {"vm.example.org", "vm.example.org", true},
        {"vm.example.org", "vm.other.org", false},
        {"vm2", "vm", false},
        {"other", "vm", false},
        {"", "vm", false},
        {"vmx.example.org", "vm", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.window) + " / " + c.local);
        EXPECT_EQ(IsSameHost(c.window, c.local), c.same);
    }
}

}  // namespace
}  // namespace qarvex
