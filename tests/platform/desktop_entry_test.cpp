#include "platform/linux/desktop_entry.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qarvex {
namespace {

using Args = std::vector<std::string>;
using namespace std::string_view_literals;

TEST(SplitExecTest, FollowsTheExecQuotingRules) {
    struct Case {
        const char* exec;
        Args expected;
    };
    const Case cases[] = {
        {"firefox", {"firefox"}},
        {"  firefox   --new-window  ", {"firefox", "--new-window"}},
        {"\"/opt/My App/run\" --flag", {"/opt/My App/run", "--flag"}},
        {"\"/opt/My App/run\"", {"/opt/My App/run"}},
        {R"(sh -c "echo \"hi\" \`id\` \$HOME \\ done")",
         {"sh", "-c", R"(echo "hi" `id` $HOME \ done)"}},
        {"app %U", {"app"}},
        {"app %f %F %u %i %c %k --x", {"app", "--x"}},
        {"app --file=%f", {"app", "--file="}},
        {"app 100%%", {"app", "100%"}},
        {"app \"\" end", {"app", "", "end"}},
        {"app a\"b c\"d", {"app", "ab cd"}},
        {"app \"unclosed quote", {"app", "unclosed quote"}},
        {"app \\x", {"app", "\\x"}},
        {"app %", {"app", "%"}},
        {"a\tb", {"a", "b"}},
        {"", {}},
        {"   ", {}},
        {"%U", {}},
        // Hostile text stays inside its argument: nothing here is ever given to a shell.
        {"app \"$(rm -rf ~); `x`\"", {"app", "$(rm -rf ~); `x`"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitExec(c.exec), c.expected) << "Exec=" << c.exec;
    }
}

TEST(DesktopValueEscapeTest, EscapedValuesComeBackUnchanged) {
    const char* values[] = {
        "plain",
        "\"/opt/My App/run\" --x",
        R"(C:\path\with\backslashes\n)",
        "   ",
        "  lead and trail  ",
        "tab\tinside",
        "中文 命令",
        "",
        "\\s literally",
    };
    for (const char* v : values) {
        std::string escaped = EscapeDesktopValue(v);
        EXPECT_EQ(escaped.find('\n'), std::string::npos);
        std::string line = "[Desktop Entry]\nExec=" + escaped + "\n";
        auto entry = ParseDesktopEntry(line);
        ASSERT_TRUE(entry.has_value()) << v;
        EXPECT_EQ(entry->exec, v) << "escaped as " << escaped;
    }
}

TEST(DesktopValueEscapeTest, LineBreaksCannotStartANewKey) {
    std::string escaped = EscapeDesktopValue("run\nHidden=true\r\nName=evil\0x"sv);
    auto entry = ParseDesktopEntry("[Desktop Entry]\nName=good\nExec=" + escaped + "\n");
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->exec, "run Hidden=true  Name=evil x");
    EXPECT_EQ(entry->name, "good");
    EXPECT_FALSE(entry->hidden);
    EXPECT_EQ(UnescapeDesktopValue(R"(a\sb\nc\td\re\\f\;g\)"), "a b\nc\td\re\\f\\;g\\");
}

TEST(ParseDesktopEntryTest, ReadsTheMainGroupOnly) {
    const std::string text =
        "# a comment\r\n"
        "[Desktop Entry]\r\n"
        "Type=Application\r\n"
        "Name[de]=Beispiel\r\n"
        "Name = Example App \r\n"
        "Exec=\"/opt/My App/run\" %U\r\n"
        "Exec[fr]=wrong\r\n"
        "Icon=example\r\n"
        "Hidden=true\r\n"
        "NoDisplay=false\r\n"
        "some line that is no key\r\n"
        "\r\n"
        "[Desktop Action new]\r\n"
        "Name=New Window\r\n"
        "Exec=other --new\r\n"
        "NoDisplay=true\r\n";
    auto entry = ParseDesktopEntry(text);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->type, "Application");
    EXPECT_EQ(entry->name, "Example App");
    EXPECT_EQ(entry->exec, "\"/opt/My App/run\" %U");
    EXPECT_EQ(entry->icon, "example");
    EXPECT_TRUE(entry->hidden);
    EXPECT_FALSE(entry->noDisplay);
}

TEST(ParseDesktopEntryTest, LaterValueOfARepeatedKeyWins) {
    auto entry = ParseDesktopEntry("[Desktop Entry]\nExec=first\nExec=second\n");
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->exec, "second");
    auto bare = ParseDesktopEntry("[Desktop Entry]");
    ASSERT_TRUE(bare.has_value());
    EXPECT_EQ(bare->exec, std::nullopt);
}

TEST(ParseDesktopEntryTest, WhatIsNoDesktopEntryTextGivesNothing) {
    struct Case {
        const char* what;
        std::string text;
    };
    const Case cases[] = {
        {"empty", ""},
        {"no group", "Exec=foo\n"},
        {"other group only", "[Desktop Action x]\nExec=foo\n"},
        {"binary", std::string("\x7f"
                               "ELF\x02\x01\x01\0\0\0[Desktop Entry]\nExec=x\n"sv)},
        {"GB18030 encoded", "[Desktop Entry]\nName=\xD6\xD0\xCE\xC4\nExec=run\n"},
        {"NUL inside", std::string("[Desktop Entry]\nExec=a\0b\n"sv)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseDesktopEntry(c.text), std::nullopt) << c.what;
    }
}

TEST(SetDesktopEntryKeyTest, ReplacesOnlyTheKeyOfTheMainGroup) {
    const std::string before =
        "# keep me\r\n"
        "[Desktop Entry]\r\n"
        "Type=Application\r\n"
        "Exec[de]=lokal\r\n"
        "  Exec =  old --arg\r\n"
        "X-Unknown=\xE4\xB8\xAD  \r\n"
        "\r\n"
        "[Desktop Action a]\r\n"
        "Exec=action\r\n";
    const std::string after =
        "# keep me\r\n"
        "[Desktop Entry]\r\n"
        "Type=Application\r\n"
        "Exec[de]=lokal\r\n"
        "Exec=new\\\\cmd\r\n"
        "X-Unknown=\xE4\xB8\xAD  \r\n"
        "\r\n"
        "[Desktop Action a]\r\n"
        "Exec=action\r\n";
    EXPECT_EQ(SetDesktopEntryKey(before, "Exec", "new\\\\cmd"), after);
}

TEST(SetDesktopEntryKeyTest, AddsAMissingKeyAfterTheHeader) {
    EXPECT_EQ(SetDesktopEntryKey("[Desktop Entry]\r\nName=x\r\n", "Exec", "run"),
              "[Desktop Entry]\r\nExec=run\r\nName=x\r\n");
    EXPECT_EQ(SetDesktopEntryKey("[Desktop Entry]", "Exec", "run"), "[Desktop Entry]\nExec=run\n");
    EXPECT_EQ(SetDesktopEntryKey("Name=x\n[Other]\nExec=a\n", "Exec", "run"), std::nullopt);
    // Both copies of a repeated key change, so no reader can pick the stale one.
    EXPECT_EQ(SetDesktopEntryKey("[Desktop Entry]\nExec=a\nExec=b", "Exec", "c"),
              "[Desktop Entry]\nExec=c\nExec=c");
}

}  // namespace
}  // namespace qarvex

namespace qarvex {
namespace {

// The reader skips a byte-order mark; the writer must agree on which group is the entry,
// also when a second [Desktop Entry] group follows.
TEST(DesktopEntryWriter, ByteOrderMarkDoesNotHideTheFirstGroup) {
    const std::string text =
        "\xEF\xBB\xBF[Desktop Entry]\nExec=old\n[Desktop Entry]\nExec=second\n";
    const auto written = SetDesktopEntryKey(text, "Exec", "new");
    ASSERT_TRUE(written);
    EXPECT_EQ(*written, "\xEF\xBB\xBF[Desktop Entry]\nExec=new\n[Desktop Entry]\nExec=second\n");
    const auto entry = ParseDesktopEntry(*written);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->exec, std::optional<std::string>("new"));
}

}  // namespace
}  // namespace qarvex
