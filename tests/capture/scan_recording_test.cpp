#include <filesystem>

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
#include "store/stored_list.h"
#include "support/recording_messages.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

// The scan handing its sightings to the real history: what ends up recorded.
class ScanRecordingTest : public ::testing::Test {
protected:
    ScanRecordingTest()
        : ini(dir.File("defualt.ini")),
          history(
              ini, recent, [] { return std::string("2026-12-08"); }, nullptr, "/home/u",
              [](const std::string& path) { return std::filesystem::exists(path); }) {
        Scanner::History sink;
        sink.addDoc = [this](const std::string& a, const std::string& n, bool s) {
            history.AddDoc(a, n, {}, s);
        };
        sink.isDocKnown = [this](const std::string& a) { return history.IsDocKnown(a); };
        scanner = std::make_unique<Scanner>(desktop, shell, sink, Scanner::Hooks{});
        openers.SetProgramTest([this](std::string_view p) { return history.IsProgramPath(p); });
    }

    // What a double click on entry `index` of the history does.
    void OpenEntry(std::size_t index) {
        const TMyDoc& doc = history.Docs().at(index);
        openers.OpenDoc(Openers::EntryOpenTarget(doc), doc.DisplayName);
    }

    std::vector<std::string> Captions(const HistoryTree& tree) const {
        std::vector<std::string> out;
        tree.Walk([&out](HistoryNode& node) {
            out.push_back((node.Parent() ? "  " : "") + node.Caption());
            return true;
        });
        return out;
    }

    void AddPage(const std::string& url, const std::string& title) {
        ShellWindow w;
        w.locationUrl = url;
        w.title = title;
        shell.AddWindow(w);
    }

    std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        for (const TMyDoc& doc : history.Docs()) {
            paths.push_back(doc.Path);
        }
        return paths;
    }

    test::TempDir dir;
    IniFile ini;
    StoredList recent;
    History history;
    FakeDesktopWindows desktop;
    FakeShellWindows shell;
    std::unique_ptr<Scanner> scanner;
    FakeShellOpen opener;
    FakeEnvironment environment;
    test::RecordingMessages messages;
    Openers openers{opener, desktop, environment, messages, recent};
};

TEST_F(ScanRecordingTest, WhatTheAddRoutineDropsFromAScan) {
    AddPage("about:blank", "空白页");
    AddPage("res://ieframe.dll/navcancl.htm", "无法显示");
    AddPage("http://untitled.example/", "");
    AddPage("file:///C:/", "");
    AddPage("file:///K:/", "");
    AddPage("file:///C:/Program%20Files", "");
    AddPage("file:///home/u/My%20Docs", "");
    AddPage("http://site.example/a%20b.html", "A B");
    scanner->ScanShellWindows();
    EXPECT_EQ(Paths(), (std::vector<std::string>{"K:\\", "C:\\Program Files", "/home/u/My Docs",
                                                 "http://site.example/a b.html"}));
    EXPECT_EQ(history.Docs()[1].DocType, dkFolderOrFile);
    EXPECT_EQ(history.Docs()[3].DocType, dkWebPage);
    EXPECT_EQ(history.Docs()[3].DisplayName, "A B");
}

TEST_F(ScanRecordingTest, ShellPlaceTitleRecordsTheFileManagerAsAProgram) {
    const std::string fileManager = dir.Write("nautilus", "");
    TopWindow place;
    place.id = 1;
    place.visible = true;
    place.title = "我的电脑";
    desktop.AddWindow(place, fileManager);
    TopWindow folder = place;
    folder.id = 2;
    folder.title = "Documents";
    desktop.AddWindow(folder, fileManager);
    // A program window without a title is found but not recorded: an entry needs a name.
    TopWindow untitled = place;
    untitled.id = 3;
    untitled.title = "  ";
    desktop.AddWindow(untitled, dir.Write("untitled-program", ""));
    scanner->ScanPrograms();
    EXPECT_EQ(scanner->OpenProgramList()->size(), 2u);
    ASSERT_EQ(history.Docs().size(), 1u);
    EXPECT_EQ(history.Docs()[0].DocType, dkSoftware);
    EXPECT_EQ(history.Docs()[0].DisplayName, "我的电脑");
    EXPECT_EQ(history.Docs()[0].Path, fileManager);
}

TEST_F(ScanRecordingTest, SecondSightingChangesNothing) {
    AddPage("https://site.example/x", "First title");
    scanner->ScanShellWindows();
    shell.SetWindows({});
    AddPage("https://site.example/x", "Later title");
    scanner->ScanShellWindows();
    ASSERT_EQ(history.Docs().size(), 1u);
    EXPECT_EQ(history.Docs()[0].DisplayName, "First title");
}

// Recording thousands of new pages must not rewrite the settings file once per page: the
// pass stores its sightings once, when it ends, and they are all there, in the recent
// list too.
TEST_F(ScanRecordingTest, APassStoresItsSightingsOnceWhenItEnds) {
    for (int n = 0; n < 3; ++n) {
        AddPage("https://site.example/p" + std::to_string(n), "页 " + std::to_string(n));
    }
    std::vector<bool> storedDuringPass;
    Scanner::Hooks hooks;
    hooks.recordingPass = [this](bool begins) {
        begins ? history.BeginRecordingPass() : history.EndRecordingPass();
    };
    hooks.pause = [&](int) {
        storedDuringPass.push_back(IniFile(ini.Path()).ValueExists("docs", "path0"));
    };
    Scanner::History sink;
    sink.addDoc = [this](const std::string& a, const std::string& n, bool s) {
        history.AddDoc(a, n, {}, s);
    };
    sink.isDocKnown = [this](const std::string& a) { return history.IsDocKnown(a); };
    Scanner passScanner(desktop, shell, sink, hooks);
    passScanner.RefreshAllDocs();
    ASSERT_FALSE(storedDuringPass.empty());
    EXPECT_EQ(storedDuringPass, std::vector<bool>(storedDuringPass.size(), false));
    IniFile stored(ini.Path());
    EXPECT_EQ(stored.ReadString("docs", "path2", ""), "https://site.example/p2");
    EXPECT_EQ(stored.ReadString("docs", "name2", ""), "页 2");
    // The recent list reads as if the pages had been added one by one.
    EXPECT_EQ(recent.Items(), (std::vector<std::string>{"页 2", "页 1", "页 0"}));
}

TEST_F(ScanRecordingTest, RemoteFoldersAreFoldersGroupedByShareAndReopenInTheFileManager) {
    AddPage("smb://nas/share/Photos", "smb://nas/share/Photos");
    AddPage("smb://nas/share/Music", "smb://nas/share/Music");
    AddPage("sftp://me@host/home/me/src", "sftp://me@host/home/me/src");
    // Views that are not places leave nothing behind.
    for (const char* view : {"trash:///", "x-nautilus-search:///?q=cats", "recent:///",
                             "computer:///", "other-locations:///"}) {
        AddPage(view, view);
    }
    scanner->ScanShellWindows();
    ASSERT_EQ(Paths(), (std::vector<std::string>{"smb://nas/share/Photos", "smb://nas/share/Music",
                                                 "sftp://me@host/home/me/src"}));
    for (const TMyDoc& doc : history.Docs()) {
        EXPECT_EQ(doc.DocType, dkFolderOrFile) << doc.Path;
    }
    EXPECT_EQ(Captions(history.TVPath()),
              (std::vector<std::string>{"sftp://me@host/home", "  sftp://me@host/home/me/src",
                                        "smb://nas/share", "  smb://nas/share/Photos",
                                        "  smb://nas/share/Music"}));
    EXPECT_TRUE(history.TVDoc().Empty());

    OpenEntry(1);
    EXPECT_TRUE(messages.shown.empty());  // not "本机已不存在此路径"
    EXPECT_EQ(opener.Calls(),
              std::vector<ShellOpenCall>{ShellOpenCall::MakeOpen("smb://nas/share/Music")});
}

TEST_F(ScanRecordingTest, SecurePagesGetTheirNodeUnderTheHost) {
    AddPage("https://site.example/", "Home");
    AddPage("https://site.example/news", "News");
    AddPage("https://site.example/sport", "Sport");
    scanner->ScanShellWindows();
    EXPECT_EQ(Captions(history.TVDoc()),
              (std::vector<std::string>{"site.example", "  News", "  Sport"}));
}

TEST_F(ScanRecordingTest, APageNamingALocalFileIsAPageAndOpeningItRunsNothing) {
    const std::string evil = "https://evil.example/?x=file:///home/u/Downloads/cats.desktop";
    const std::string fragment = "http://evil.example/#file:///home/u/Downloads/payload";
    AddPage(evil, "Cats");
    AddPage(fragment, "Payload");
    scanner->ScanShellWindows();
    ASSERT_EQ(Paths(), (std::vector<std::string>{evil, fragment}));
    EXPECT_EQ(history.Docs()[0].DocType, dkWebPage);
    EXPECT_EQ(history.Docs()[0].RootPath, "evil.example");
    EXPECT_EQ(recent.Lines(),
              (std::vector<std::string>{fragment + "*|*Payload", evil + "*|*Cats"}));

    OpenEntry(0);
    OpenEntry(1);
    openers.OpenPathOrAddress(ParseListLine(recent.Lines()[1]).Path,
                              true);  // the tray's recent item
    EXPECT_EQ(opener.Calls(), (std::vector<ShellOpenCall>{ShellOpenCall::MakeOpen(evil),
                                                          ShellOpenCall::MakeOpen(fragment),
                                                          ShellOpenCall::MakeOpen(evil)}));
}

TEST_F(ScanRecordingTest, OnlyWhatRanAsAProgramIsStarted) {
    // A picture with the executable bit, saved by a browser, and a real program.
    std::filesystem::create_directories(dir.File("Downloads"));
    std::filesystem::create_directories(dir.File("bin"));
    const std::string picture = dir.Write("Downloads/holiday.jpg", "\xff\xd8");
    std::filesystem::permissions(picture, std::filesystem::perms::owner_all);
    const std::string program = dir.Write("bin/editor", "#!/bin/sh\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    AddPage("file://" + picture, "file://" + picture);
    scanner->ScanShellWindows();
    TopWindow window;
    window.id = 1;
    window.visible = true;
    window.title = "Editor";
    desktop.AddWindow(window, program);
    scanner->ScanPrograms();
    ASSERT_EQ(Paths(), (std::vector<std::string>{picture, program}));

    OpenEntry(0);
    OpenEntry(1);
    openers.OpenPathOrAddress(picture, false);
    EXPECT_EQ(opener.Calls(), (std::vector<ShellOpenCall>{ShellOpenCall::MakeOpen(picture),
                                                          ShellOpenCall::MakeLaunch(program),
                                                          ShellOpenCall::MakeOpen(picture)}));
}

// rec.dat and fav.dat hold "path*|*name" lines: read back, ".../odd*|*dir/tool" is
// ".../odd", and a click on the entry would run that instead. Such paths, and paths with
// a line break, are never recorded (lr.dat, a whole address a line, takes the first);
// names may hold anything.
TEST_F(ScanRecordingTest, PathsTheListLinesCannotHoldAreNeverRecordedButNamesAre) {
    std::filesystem::create_directories(dir.File("odd*|*dir"));
    const std::string cut = dir.Write("odd*|*dir/tool", "#!/bin/sh\n");
    const std::string broken = dir.Write("two\nlines", "#!/bin/sh\n");
    const std::string program = dir.Write("tool*2*7", "#!/bin/sh\n");
    std::uint64_t id = 1;
    for (const std::string& path : {cut, broken, program}) {
        TopWindow window;
        window.id = id++;
        window.visible = true;
        window.title = "Report *|* draft *2* 3";
        desktop.AddWindow(window, path);
    }
    scanner->ScanPrograms();
    AddPage("https://site.example/a*|*b", "Cut");
    AddPage("https://site.example/a*2*1", "Title *|* with *2* marks");
    scanner->ScanShellWindows();
    EXPECT_EQ(Paths(), (std::vector<std::string>{program, "https://site.example/a*2*1"}));
    EXPECT_EQ(history.Docs()[0].DisplayName, "Report *|* draft *2* 3");
    EXPECT_EQ(history.Docs()[1].DisplayName, "Title *|* with *2* marks");
    for (const std::string& line : recent.Lines()) {
        EXPECT_EQ(ParseListLine(line).Path.find("odd"), std::string::npos) << line;
    }
    // lr.dat holds a whole address a line, each opened at the next start: a line break
    // would make two.
    std::vector<std::string> lastRun;
    scanner->RecordOpenDocsAtClose(lastRun);
    EXPECT_EQ(lastRun, (std::vector<std::string>{cut, program, "https://site.example/a*|*b",
                                                 "https://site.example/a*2*1"}));
}

}  // namespace
}  // namespace qarvex
