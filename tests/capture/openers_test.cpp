#include "capture/openers.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/fake/fake_desktop_windows.h"
#include "platform/fake/fake_environment.h"
#include "platform/fake/fake_shell_open.h"
#include "support/recording_messages.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

class OpenersTest : public ::testing::Test {
protected:
    OpenersTest() : openers(shell, desktop, environment, messages, recent) {
        std::filesystem::create_directories(dir.File("Work/a.b"));
        file = dir.Write("Work/notes.txt", "x");
    }

    std::vector<ShellOpenCall> Calls() const { return shell.Calls(); }
    static ShellOpenCall Open(const std::string& t) { return ShellOpenCall::MakeOpen(t); }

    test::TempDir dir;
    std::string file;
    FakeShellOpen shell;
    FakeDesktopWindows desktop;
    FakeEnvironment environment;
    test::RecordingMessages messages;
    StoredList recent;
    Openers openers;
};

TEST_F(OpenersTest, WhatIsOpenedIsReportedSoThatItsUseCounts) {
    std::vector<std::string> opened;
    openers.SetOpenedHook([&opened](std::string_view target) { opened.emplace_back(target); });
    openers.OpenDoc(file, "notes");                         // a tree or the favourites
    openers.OpenPathOrAddress("http://h.example/", false);  // the search list or the tray
    openers.OpenDoc(dir.File("gone"), "gone");              // a folder no longer there
    openers.OpenPathOrAddress(dir.File("gone.txt"), false);
    EXPECT_EQ(opened, (std::vector<std::string>{file, "http://h.example/"}));
}

TEST_F(OpenersTest, EmptyPathDoesNothingEvenForAShellPlace) {
    openers.OpenDoc("", "我的电脑");
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(recent.LineCount(), 0);
}

TEST_F(OpenersTest, ShellPlacesByNameLeaveTheRecentListAlone) {
    openers.OpenDoc("/usr/bin/nautilus", "我的电脑");
    openers.OpenDoc("/usr/bin/nautilus", "网上邻居");
    openers.OpenDoc("/usr/bin/nautilus", "控制面板");
    openers.OpenDoc("/usr/bin/nautilus", "桌面");
    EXPECT_EQ(Calls(),
              (std::vector<ShellOpenCall>{ShellOpenCall::MakePlace(ShellPlace::Computer),
                                          ShellOpenCall::MakePlace(ShellPlace::Network),
                                          ShellOpenCall::MakePlace(ShellPlace::Settings)}));
    EXPECT_EQ(desktop.ShowDesktopCount(), 1);
    EXPECT_EQ(recent.LineCount(), 0);
}

TEST_F(OpenersTest, MissingFolderShowsTheMessageAndIsNotRemembered) {
    for (const std::string& path :
         {std::string("C:\\NoSuchDir"), std::string("C:\\a.b\\c"), dir.File("gone")}) {
        messages.shown.clear();
        openers.OpenDoc(path, "x");
        ASSERT_EQ(messages.shown.size(), 1u) << path;
        EXPECT_EQ(messages.shown[0].text, "本机已不存在此路径:" + path);
    }
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(recent.LineCount(), 0);
}

TEST_F(OpenersTest, AMissingHistoryFolderIsOfferedForRemovalDefaultNo) {
    int forgotten = 0;
    const std::string gone = dir.File("gone");
    openers.OpenDoc(gone, "x", [&] { ++forgotten; });
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(messages.asked[0].text, "本机已不存在此路径:" + gone + "\n是否从历史中删除此项?");
    EXPECT_TRUE(messages.asked[0].defaultNo);
    EXPECT_EQ(forgotten, 0);
    messages.answer = true;
    openers.OpenDoc(gone, "x", [&] { ++forgotten; });
    EXPECT_EQ(forgotten, 1);
}

TEST_F(OpenersTest, AHandlerThatFailsIsSaidOnceNamingTheTarget) {
    shell.SetFailing("https://no-handler.example/");
    openers.OpenDoc("https://no-handler.example/", "page");
    openers.OpenDoc(file, "notes");
    ASSERT_EQ(messages.notified.size(), 1u);
    EXPECT_EQ(messages.notified[0].text, "无法打开：https://no-handler.example/");
}

TEST_F(OpenersTest, OpenRulesAndRecentList) {
    openers.OpenDoc("C:\\NoSuch.txt", "x");
    openers.OpenDoc("http://site/page", "Page");
    openers.OpenDoc("res://shell.dll/x.htm", "r");
    openers.OpenDoc(dir.File("Work"), "Work");
    openers.OpenDoc(dir.File("Work/a.b"), "dotted folder");
    openers.OpenDoc("C:\\a.lnk", "shortcut");
    openers.OpenDoc("C:\\A.LNK", "SHORTCUT");
    EXPECT_EQ(Calls(), (std::vector<ShellOpenCall>{
                           Open("C:\\NoSuch.txt"), Open("http://site/page"), Open(dir.File("Work")),
                           Open(dir.File("Work/a.b")), ShellOpenCall::MakeOpenDefault("C:\\a.lnk"),
                           Open("C:\\A.LNK")}));
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_EQ(recent.LineCount(), 7);
    EXPECT_EQ(recent.Lines().back(), "C:\\NoSuch.txt*|*x");
    EXPECT_EQ(recent.Lines()[4], "res://shell.dll/x.htm*|*r");
    EXPECT_EQ(recent.Items().front(), "SHORTCUT");
}

TEST_F(OpenersTest, ProgramWithoutExtensionIsOpenedNotTakenForAFolder) {
    const std::string program = dir.Write("Work/editor", "#!/bin/sh\n");
    openers.OpenDoc(program, "editor");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(Calls(), std::vector<ShellOpenCall>{Open(program)});
    EXPECT_EQ(recent.Lines(), std::vector<std::string>{program + "*|*editor"});
}

TEST_F(OpenersTest, OpeningTwiceKeepsOneRecentLineAtItsFirstPlace) {
    openers.OpenDoc(file, "notes");
    openers.OpenDoc("http://other/", "other");
    openers.OpenDoc(file, "notes");
    EXPECT_EQ(recent.Lines(),
              (std::vector<std::string>{"http://other/*|*other", file + "*|*notes"}));
    EXPECT_EQ(Calls().size(), 3u);
}

TEST_F(OpenersTest, OpenPathOrAddressDecisions) {
    openers.OpenPathOrAddress("somehost/page", false);
    openers.OpenPathOrAddress("http://a/b", false);
    openers.OpenPathOrAddress("\\\\server\\share\\a.txt", false);
    openers.OpenPathOrAddress(file, true);
    openers.OpenPathOrAddress(dir.File("Work"), true);
    openers.OpenPathOrAddress(dir.File("missing"), false);  // never http:// + a local path
    openers.OpenPathOrAddress("C:\\missing", false);
    openers.OpenPathOrAddress("file:///C:/Tools", false);
    EXPECT_EQ(Calls(), (std::vector<ShellOpenCall>{Open("http://somehost/page"), Open("http://a/b"),
                                                   Open("http://\\\\server\\share\\a.txt"),
                                                   Open(file), Open(dir.File("Work"))}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(OpenersTest, NotFoundMessageOnlyWhenAsked) {
    openers.OpenPathOrAddress("C:\\missing", true);
    openers.OpenPathOrAddress("mailto:someone", true);
    openers.OpenPathOrAddress(dir.File("missing"), true);
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0].text, "此路径不存在：C:\\missing");
    EXPECT_EQ(messages.shown[1].text, "此路径不存在：mailto:someone");
    EXPECT_EQ(messages.shown[2].text, "此路径不存在：" + dir.File("missing"));
    EXPECT_TRUE(Calls().empty());
}

TEST_F(OpenersTest, WebAddressGetsASchemeOnlyWhenItHasNone) {
    openers.OpenWebAddress("somehost");
    openers.OpenWebAddress("ftp://somehost");
    EXPECT_EQ(Calls(),
              (std::vector<ShellOpenCall>{Open("http://somehost"), Open("ftp://somehost")}));
}

TEST_F(OpenersTest, SpecialFoldersMapToPlacesOrPathsOrNothing) {
    environment.SetSpecialFolder(csidl::kPersonal, "/home/tester/Documents");
    environment.SetSpecialFolder(csidl::kBitBucket, "trash:///");
    openers.OpenSpecialFolder(csidl::kDrives);
    openers.OpenSpecialFolder(csidl::kPersonal);
    openers.OpenSpecialFolder(csidl::kBitBucket);
    openers.OpenSpecialFolder(csidl::kCookies);  // no counterpart here
    openers.OpenTaskManager();
    EXPECT_EQ(Calls(),
              (std::vector<ShellOpenCall>{ShellOpenCall::MakePlace(ShellPlace::Computer),
                                          Open("/home/tester/Documents"), Open("trash:///"),
                                          ShellOpenCall::MakePlace(ShellPlace::TaskManager)}));
}

TEST(OpenersHelpers, ExtensionAndContainingFolder) {
    EXPECT_EQ(Openers::ExtensionOf("C:\\a.b\\c"), "");
    EXPECT_EQ(Openers::ExtensionOf("C:\\a\\c.txt"), ".txt");
    EXPECT_EQ(Openers::ExtensionOf("/home/u/a.b/c"), "");
    EXPECT_EQ(Openers::ExtensionOf("/home/u/c.tar.gz"), ".gz");
    EXPECT_EQ(Openers::ContainingFolder("C:\\Program Files\\x.exe"), "C:\\Program Files\\");
    EXPECT_EQ(Openers::ContainingFolder("C:x.exe"), "C:");
    EXPECT_EQ(Openers::ContainingFolder("/usr/bin/gedit"), "/usr/bin/");
    EXPECT_EQ(Openers::ContainingFolder("gedit"), "");
}

}  // namespace
}  // namespace qarvex
