#include <filesystem>

#include <gtest/gtest.h>

#include "capture/scanner.h"
#include "platform/fake/fake_desktop_windows.h"
#include "platform/fake/fake_shell_windows.h"
#include "store/history.h"
#include "store/ini_file.h"
#include "store/stored_list.h"
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

}  // namespace
}  // namespace qarvex
