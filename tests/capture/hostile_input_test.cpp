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

#include "capture/address_rules.h"
#include "capture/openers.h"
#include "capture/scanner.h"
#include "platform/fake/fake_desktop_windows.h"
#include "platform/fake/fake_environment.h"
#include "platform/fake/fake_shell_open.h"
#include "platform/fake/fake_shell_windows.h"
#include "store/history.h"
#include "store/ini_file.h"
#include "store/list_file.h"
#include "store/stored_list.h"
#include "store/strings.h"
#include "store/text_codec.h"
#include "support/recording_messages.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

const std::string kNul("before\0after", 12);
const std::string kInvalidUtf8 = "bad\xff\xfe\xc3(end\x80";

std::string Huge(const std::string& unit, std::size_t bytes) {
    std::string text;
    while (text.size() < bytes) {
        text += unit;
    }
    return text;
}

// How the settings file gives a value back: a value is one line (CR, LF and NUL become
// blanks when written), blanks at either end go when read.
std::string AsStored(const std::string& value) {
    std::string line = value;
    for (char& c : line) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        }
    }
    return Trim(line);
}

enum class Source { Program, WebPage, Folder };

struct Case {
    const char* what;
    Source source;
    std::string text;  // program file name, web address tail or folder name
    std::string name;  // window title (programs and pages)
    // Where the text is changed on the way: empty means "comes back as it went in".
    const char* cut;
};

// Bytes that are not UTF-8 are kept on disk exactly, but come back in memory as the
// private-use characters that stand for them; compare what is stored.
bool SameStoredBytes(const std::string& a, const std::string& b) {
    return EncodeStoredText(a) == EncodeStoredText(b);
}

// File names cannot hold NUL or "/", and are at most 255 bytes: those hostile parts go
// into titles and web addresses instead.
std::vector<Case> Cases() {
    return {
        {"quotes", Source::Program, R"(say "hi" 'bye'.bin)", R"(title "with" 'quotes')", ""},
        {"command substitution", Source::Program, "$(touch pwned).bin", "$(reboot)", ""},
        {"backticks and semicolons", Source::Program, "`id`; rm -rf ~;.bin", "a; b `c`", ""},
        {"newline in a file name", Source::Program, "two\nlines.bin", "one\nmore\r\nline",
         "path and title: CR/LF become blanks in the settings file, so the reloaded path no "
         "longer names the file"},
        {"invalid UTF-8 in a file name", Source::Program, "bin" + kInvalidUtf8 + ".bin",
         kInvalidUtf8, "path and title: same bytes on disk, private-use form in memory"},
        {"64 KB title", Source::Program, "huge-title.bin", Huge("窗口标题 ", 64 * 1024),
         "title: cut to 2047 characters when read"},
        {"NUL in a title", Source::Program, "nul-title.bin", kNul,
         "title: NUL becomes a blank in the settings file"},
        {"quotes in an address", Source::WebPage, "q?a=\"1\"&b='2'", "\"quoted\" page", ""},
        {"shell syntax in an address", Source::WebPage, "$(rm -rf ~)`id`;ls|sh&x>y", "$(id)", ""},
        {"newline and NUL in an address", Source::WebPage, "a\nb\r\nc" + kNul, "page\nname",
         "address and title: CR/LF/NUL become blanks in the settings file"},
        {"invalid UTF-8 in an address", Source::WebPage, kInvalidUtf8, kInvalidUtf8,
         "address and title: same bytes on disk, private-use form in memory"},
        {"64 KB address", Source::WebPage, Huge("长地址/", 64 * 1024), "long",
         "address: cut to 2047 characters when read"},
        {"64 KB page title", Source::WebPage, "big-title", Huge("x", 64 * 1024),
         "title: cut to 2047 characters when read"},
        {"folder with shell syntax", Source::Folder, "it's \"a\" $(x) `y`; z", "", ""},
        {"folder with invalid UTF-8", Source::Folder, "dir" + kInvalidUtf8, "",
         "path: same bytes on disk, private-use form in memory, which names no folder"},
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
        // In memory nothing is cut yet.
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const TMyDoc& doc = first->history.Docs()[i];
            if (cases[i].source != Source::Folder) {
                EXPECT_EQ(doc.Path, Trim(recorded[i].first)) << cases[i].what;
                EXPECT_EQ(doc.DisplayName, Trim(recorded[i].second)) << cases[i].what;
            }
        }
    }

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
                EXPECT_TRUE(SameStoredBytes(doc.Path, AsStored(recorded[i].first))) << doc.Path;
                EXPECT_TRUE(SameStoredBytes(doc.DisplayName, AsStored(c.name)));
                break;
            case Source::WebPage:
                EXPECT_EQ(doc.DocType, dkWebPage);
                EXPECT_TRUE(SameStoredBytes(doc.Path, AsStored(recorded[i].first))) << doc.Path;
                EXPECT_TRUE(SameStoredBytes(doc.DisplayName, AsStored(c.name)));
                break;
            case Source::Folder:
                EXPECT_EQ(doc.DocType, dkFolderOrFile);
                EXPECT_TRUE(SameStoredBytes(doc.Path, dir.File("folders/" + c.text))) << doc.Path;
                EXPECT_EQ(doc.DisplayName, doc.Path);
                break;
        }
        if (std::string(c.cut).empty()) {
            // Nothing cut: the very text that went in.
            EXPECT_EQ(doc.Path, c.source == Source::Folder ? dir.File("folders/" + c.text)
                                                           : Trim(recorded[i].first));
        }
        if (c.source == Source::Folder && doc.Path != dir.File("folders/" + c.text)) {
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
        EXPECT_TRUE(SameStoredBytes(reloaded.Lines()[i], flat)) << cases[i].what;
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
        {"value over the read limit",
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
