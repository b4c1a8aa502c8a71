// Hostile text all the way through: found on the desktop, recorded, saved, read back by a
// fresh start and opened again. Nothing may crash, nothing may be handed to a shell
// command line, and the text must come back as it went in or cut where the stored
// formats cut it.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "capture/openers.h"
#include "capture/scanner.h"
#include "platform/fake/fake_desktop_windows.h"
#include "platform/fake/fake_environment.h"
#include "platform/fake/fake_shell_open.h"
#include "platform/fake/fake_shell_windows.h"
#include "store/address_rules.h"
#include "store/history.h"
#include "store/ini_file.h"
#include "store/list_file.h"
#include "store/stored_list.h"
#include "support/recording_messages.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

const std::string kNul("before\0after", 12);
const std::string kInvalidUtf8 = "bad\xff\xfe\xc3(end\x80";
// The same bytes as a fresh start holds them: 0xFF and 0x80, which are no character, as
// U+F7FF and U+F780; FE C3, a GB18030 character, as U+E48A.
const std::string kInvalidUtf8Read = "bad\xef\x9f\xbf\xee\x92\x8a(end\xef\x9e\x80";

std::string Repeat(const std::string& unit, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) {
        text += unit;
    }
    return text;
}

std::string Huge(const std::string& unit, std::size_t bytes) {
    return Repeat(unit, (bytes + unit.size() - 1) / unit.size());
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

enum class Source { Program, WebPage, Folder };

// What a fresh start reads back from the settings file: a value is one line (CR, LF and
// NUL became blanks when written), and it comes back whole.
struct Case {
    const char* what;
    Source source;
    std::string text;        // program file name, web address tail or folder name
    std::string name;        // window title (programs and pages)
    std::string storedText;  // the text as read back
    std::string storedName;
};

// File names cannot hold NUL or "/", and are at most 255 bytes: those hostile parts go
// into titles and web addresses instead.
std::vector<Case> Cases() {
    const std::string quotes = R"(say "hi" 'bye'.bin)";
    const std::string quotedTitle = R"(title "with" 'quotes')";
    const std::string address = "q?a=\"1\"&b='2'";
    const std::string shellSyntax = "$(rm -rf ~)`id`;ls|sh&x>y";
    const std::string folder = "it's \"a\" $(x) `y`; z";
    return {
        {"quotes", Source::Program, quotes, quotedTitle, quotes, quotedTitle},
        {"command substitution", Source::Program, "$(touch pwned).bin", "$(reboot)",
         "$(touch pwned).bin", "$(reboot)"},
        {"backticks and semicolons", Source::Program, "`id`; rm -rf ~;.bin", "a; b `c`",
         "`id`; rm -rf ~;.bin", "a; b `c`"},
        {"invalid UTF-8 in a file name", Source::Program, "bin" + kInvalidUtf8 + ".bin",
         kInvalidUtf8, "bin" + kInvalidUtf8Read + ".bin", kInvalidUtf8Read},
        // Names are cut to 1024 characters when they are recorded.
        {"64 KB title", Source::Program, "huge-title.bin", Huge("窗口 标题", 64 * 1024),
         "huge-title.bin", Huge("窗口 标题", 64 * 1024).substr(0, 204 * 13 + 10)},
        {"NUL in a title", Source::Program, "nul-title.bin", kNul, "nul-title.bin", "before after"},
        {"line breaks in a title", Source::Program, "lines.bin", "one\nmore\r\nline", "lines.bin",
         "one more  line"},
        {"quotes in an address", Source::WebPage, address, "\"quoted\" page", address,
         "\"quoted\" page"},
        {"shell syntax in an address", Source::WebPage, shellSyntax, "$(id)", shellSyntax, "$(id)"},
        {"NUL in an address", Source::WebPage, "c" + kNul, "page\nname", "cbefore after",
         "page name"},
        {"invalid UTF-8 in an address", Source::WebPage, kInvalidUtf8, kInvalidUtf8,
         kInvalidUtf8Read, kInvalidUtf8Read},
        // The longest address that is recorded.
        {"8 KB address", Source::WebPage, Huge("长地址/", 8 * 1024 - 40), "long",
         Huge("长地址/", 8 * 1024 - 40), "long"},
        {"64 KB page title", Source::WebPage, "big-title", Huge("x", 64 * 1024), "big-title",
         Huge("x", 1024)},
        {"folder with shell syntax", Source::Folder, folder, "", folder, ""},
        // Names no folder here.
        {"folder with invalid UTF-8", Source::Folder, "dir" + kInvalidUtf8, "",
         "dir" + kInvalidUtf8Read, ""},
    };
}

class HostileInputTest : public ::testing::Test {
protected:
    HostileInputTest() {
        std::filesystem::create_directories(dir.File("programs"));
        std::filesystem::create_directories(dir.File("folders"));
    }

    // A start over the configuration folder: settings file, recent list and history.
    struct Start {
        explicit Start(const std::string& iniPath)
            : ini(iniPath),
              history(
                  ini, recent, [] { return std::string("2026-12-08"); }, nullptr, "/home/u") {}
        IniFile ini;
        StoredList recent;
        History history;
    };

    std::unique_ptr<Start> NewStart() { return std::make_unique<Start>(dir.File("defualt.ini")); }

    void Scan(History& history) {
        Scanner::History hooksToHistory;
        hooksToHistory.addDoc = [&history](const std::string& a, const std::string& n, bool s) {
            history.AddDoc(a, n, "", s);
        };
        hooksToHistory.isDocKnown = [&history](const std::string& a) {
            return history.IsDocKnown(a);
        };
        Scanner::Hooks hooks;
        hooks.processEvents = [] {};
        hooks.pause = [](int) {};
        hooks.stepProgress = [] {};
        hooks.setProgress = [](int) {};
        hooks.expandCurrentTree = [] {};
        hooks.expandPageTree = [](int) {};
        hooks.visibleTab = [] { return 0; };
        Scanner scanner(desktop, shellWindows, hooksToHistory, hooks);
        scanner.RefreshAllDocs();
    }

    // Puts every case on the fake desktop; returns, in recording order (programs, then
    // the shell's windows), the address and name each one is recorded with.
    std::vector<std::pair<std::string, std::string>> Prepare(const std::vector<Case>& cases) {
        std::vector<std::pair<std::string, std::string>> programs;
        std::vector<std::pair<std::string, std::string>> shell;
        std::uint64_t id = 1;
        for (const Case& c : cases) {
            switch (c.source) {
                case Source::Program: {
                    const std::string path = dir.Write("programs/" + c.text, "#!/bin/sh\n");
                    TopWindow window;
                    window.id = id++;
                    window.visible = true;
                    window.title = c.name;
                    desktop.AddWindow(window, path);
                    programs.emplace_back(path, c.name);
                    break;
                }
                case Source::WebPage: {
                    ShellWindow page;
                    page.locationUrl = "http://hostile.example/" + c.text;
                    page.title = c.name;
                    shellWindows.AddWindow(page);
                    shell.emplace_back(page.locationUrl, c.name);
                    break;
                }
                case Source::Folder: {
                    const std::string path = dir.File("folders/" + c.text);
                    std::filesystem::create_directories(path);
                    ShellWindow folder;
                    folder.locationUrl = "file://" + path;
                    shellWindows.AddWindow(folder);
                    shell.emplace_back(folder.locationUrl, folder.locationUrl);
                    break;
                }
            }
        }
        programs.insert(programs.end(), shell.begin(), shell.end());
        return programs;
    }

    test::TempDir dir;
    FakeDesktopWindows desktop;
    FakeShellWindows shellWindows;
};

TEST_F(HostileInputTest, ComesBackAsItWentInOrCutWhereTheStoredFormatsCut) {
    const std::vector<Case> cases = Cases();
    const auto recorded = Prepare(cases);

    {
        auto first = NewStart();
        Scan(first->history);
        ASSERT_EQ(first->history.Docs().size(), cases.size());
        // In memory nothing is cut but the long names.
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const TMyDoc& doc = first->history.Docs()[i];
            if (cases[i].source != Source::Folder) {
                EXPECT_EQ(doc.Path, recorded[i].first) << cases[i].what;
                EXPECT_EQ(doc.DisplayName.substr(0, 1024), recorded[i].second.substr(0, 1024))
                    << cases[i].what;
            }
        }
    }

    // Bytes that are not UTF-8 are kept on disk exactly.
    const std::string stored = test::ReadWholeFile(dir.File("defualt.ini"));
    EXPECT_NE(stored.find("programs/bin" + kInvalidUtf8 + ".bin\r\n"), std::string::npos);
    EXPECT_NE(stored.find("=http://hostile.example/" + kInvalidUtf8 + "\r\n"), std::string::npos);

    auto again = NewStart();
    again->history.LoadHistory();
    const DocTable& docs = again->history.Docs();
    ASSERT_EQ(docs.size(), cases.size());

    FakeShellOpen shellOpen;
    FakeDesktopWindows openerDesktop;
    FakeEnvironment environment;
    test::RecordingMessages messages;
    StoredList recent;
    Openers openers(shellOpen, openerDesktop, environment, messages, recent);

    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        const TMyDoc& doc = docs[i];
        switch (c.source) {
            case Source::Program:
                EXPECT_EQ(doc.DocType, dkSoftware);
                EXPECT_EQ(doc.Path, dir.File("programs/" + c.storedText));
                EXPECT_EQ(doc.DisplayName, c.storedName);
                break;
            case Source::WebPage:
                EXPECT_EQ(doc.DocType, dkWebPage);
                EXPECT_EQ(doc.Path, "http://hostile.example/" + c.storedText);
                EXPECT_EQ(doc.DisplayName, c.storedName);
                break;
            case Source::Folder:
                EXPECT_EQ(doc.DocType, dkFolderOrFile);
                EXPECT_EQ(doc.Path, dir.File("folders/" + c.storedText));
                EXPECT_EQ(doc.DisplayName, doc.Path);
                break;
        }
        if (c.source == Source::Folder && c.storedText != c.text) {
            continue;  // names no folder here: the opener reports it missing instead
        }

        // The stored text reaches the desktop as one argument, exactly as stored.
        shellOpen.ClearCalls();
        const std::string target = Openers::EntryOpenTarget(doc);
        openers.OpenDoc(target, doc.DisplayName);
        ASSERT_EQ(shellOpen.Calls().size(), 1u);
        EXPECT_EQ(shellOpen.Calls()[0], ShellOpenCall::MakeOpen(target));
    }
    EXPECT_TRUE(messages.shown.empty());
}

// Names the list files hold in front of "*|*" and after it: one line per entry, so a
// line break inside a name must not split an entry in two, and a NUL must not end it.
TEST_F(HostileInputTest, RecentListKeepsOneLinePerEntryThroughASave) {
    const std::vector<Case> cases = Cases();
    Prepare(cases);
    auto first = NewStart();
    Scan(first->history);
    const std::vector<std::string> saved = first->recent.Lines();
    ASSERT_EQ(saved.size(), cases.size());
    ASSERT_TRUE(SaveListFile(first->recent, dir.File("rec.dat")));

    StoredList reloaded;
    ASSERT_TRUE(LoadListFile(reloaded, dir.File("rec.dat")));
    ASSERT_EQ(reloaded.LineCount(), static_cast<int>(saved.size()));
    EXPECT_EQ(reloaded.LineCount(), reloaded.ItemCount());
    for (std::size_t i = 0; i < saved.size(); ++i) {
        // CR and LF become blanks; everything else keeps its stored bytes.
        std::string flat = saved[i];
        for (char& c : flat) {
            c = (c == '\r' || c == '\n') ? ' ' : c;
        }
        EXPECT_EQ(reloaded.Lines()[i], ReplaceAll(flat, kInvalidUtf8, kInvalidUtf8Read))
            << cases[i].what;
    }
}

// A settings file that holds the same hostile values written by hand (as another
// program or an older copy might leave it) loads the same way.
TEST_F(HostileInputTest, HandWrittenHostileHistoryLoadsQuietly) {
    struct Stored {
        const char* what;
        std::string bytes;  // the path0/name0 lines as on disk
        std::size_t entries;
    };
    const std::vector<Stored> table = {
        {"value of 100000 characters",
         "path0=http://h/" + std::string(100000, 'a') + "\r\nname0=n\r\n", 1},
        {"NUL bytes inside a value", std::string("path0=http://h/a\0b\r\nname0=n\0m\r\n", 31), 1},
        {"GB18030 bytes that are not UTF-8", "path0=http://h/\xce\xc4\r\nname0=\xd6\xd0\r\n", 1},
        {"broken GB18030 sequences", "path0=http://h/\x81\r\nname0=\xff\xfe\r\n", 1},
        {"line of binary junk", "\x01\x02\x03\xff[docs\r\npath0=http://h/x\r\nname0=n\r\n", 1},
        {"no name", "path0=http://h/x\r\n", 0},
    };
    for (const Stored& s : table) {
        SCOPED_TRACE(s.what);
        dir.Write("defualt.ini", "[docs]\r\n" + s.bytes);
        auto start = NewStart();
        start->history.LoadHistory();
        EXPECT_EQ(start->history.Docs().size(), s.entries);
        if (s.bytes.size() > 100000) {  // a long address comes back whole
            ASSERT_EQ(start->history.Docs().size(), 1u);
            EXPECT_EQ(start->history.Docs()[0].Path, "http://h/" + std::string(100000, 'a'));
        }
    }
}

}  // namespace
}  // namespace qarvex
