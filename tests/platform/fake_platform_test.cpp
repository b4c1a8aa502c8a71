#include "platform/fake/fake_platform.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qarvex {
namespace {

TEST(FakePlatformTest, PartsDriveTheServicesThePlatformOwns) {
    FakeParts parts;
    Platform platform = MakeFakePlatform(parts);
    ASSERT_EQ(parts.desktopWindows, platform.desktopWindows.get());
    ASSERT_EQ(parts.shellWindows, platform.shellWindows.get());
    ASSERT_EQ(parts.shellOpen, platform.shellOpen.get());
    ASSERT_EQ(parts.autostart, platform.autostart.get());
    ASSERT_EQ(parts.environment, platform.environment.get());

    parts.environment->SetConfigRoot("/tmp/x/");
    parts.environment->SetSpecialFolder(5, "/home/t/Documents");
    EXPECT_EQ(platform.environment->ConfigRoot(), "/tmp/x/");
    EXPECT_EQ(platform.environment->SpecialFolderPath(5), "/home/t/Documents");
    EXPECT_EQ(platform.environment->SpecialFolderPath(6), std::nullopt);
    platform.environment->Beep();
    platform.environment->Beep();
    EXPECT_EQ(parts.environment->BeepCount(), 2);

    // A platform made without parts is complete too.
    Platform plain = CreatePlatform();
    EXPECT_TRUE(plain.desktopWindows && plain.shellWindows && plain.shellOpen && plain.autostart &&
                plain.environment);
    EXPECT_TRUE(plain.environment->ConfigRoot().empty());
}

TEST(FakeDesktopWindowsTest, AnswersPerWindowAndCountsCalls) {
    FakeDesktopWindows desktop;
    desktop.AddWindow(TopWindow{7, true, false, false, "Editor"}, "/usr/bin/editor");
    desktop.AddWindow(TopWindow{9, true, false, false, "Ghost"}, std::nullopt);
    std::vector<TopWindow> windows = desktop.TopWindows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].title, "Editor");
    EXPECT_EQ(desktop.ProgramPath(7), "/usr/bin/editor");
    EXPECT_EQ(desktop.ProgramPath(9), std::nullopt);
    EXPECT_EQ(desktop.ProgramPath(12345), std::nullopt);
    desktop.ShowDesktop();
    EXPECT_EQ(desktop.TopWindowsCalls(), 1);
    EXPECT_EQ(desktop.ProgramPathCalls(), 3);
    EXPECT_EQ(desktop.ShowDesktopCount(), 1);
}

TEST(FakeShellWindowsTest, FailsOnlyWhenTheWalkReachesTheFailure) {
    FakeShellWindows shell;
    shell.SetWindows({{"file:///home/t", true, true, ""}, {"https://a/", true, true, "A"}});
    struct Case {
        std::optional<std::size_t> failAfter;
        bool throws;
    };
    const Case cases[] = {{std::nullopt, false}, {0, true}, {1, true}, {2, false}, {5, false}};
    for (const Case& c : cases) {
        shell.FailAfter(c.failAfter);
        if (c.throws) {
            EXPECT_THROW(shell.Windows(), ShellWindowsError);
        } else {
            EXPECT_EQ(shell.Windows().size(), 2u);
        }
    }
    EXPECT_EQ(shell.WindowsCalls(), 5);
}

TEST(FakeShellOpenTest, RecordsEveryRequestInOrder) {
    FakeShellOpen open;
    open.Open("https://a/?q=\"x\"");
    open.OpenPlace(ShellPlace::Network);
    open.OpenDefault("/home/t/app.desktop");
    std::vector<ShellOpenCall> expected = {ShellOpenCall::MakeOpen("https://a/?q=\"x\""),
                                           ShellOpenCall::MakePlace(ShellPlace::Network),
                                           ShellOpenCall::MakeOpenDefault("/home/t/app.desktop")};
    EXPECT_EQ(open.Calls(), expected);
    open.ClearCalls();
    EXPECT_TRUE(open.Calls().empty());
}

TEST(FakeAutostartStoreTest, BehavesLikeAStoreThatCanFailToOpen) {
    FakeAutostartStore store;
    store.Set("zeta", "z");
    store.Set("broken", std::nullopt);
    EXPECT_TRUE(store.Write("alpha", "a"));
    EXPECT_TRUE(store.Remove("missing"));

    auto list = store.List();
    ASSERT_TRUE(list.has_value());
    ASSERT_EQ(list->size(), 3u);
    EXPECT_EQ((*list)[0].name, "alpha");
    EXPECT_EQ((*list)[1].name, "broken");
    EXPECT_EQ((*list)[1].data, std::nullopt);
    EXPECT_EQ(store.Read("zeta"), "z");
    EXPECT_EQ(store.Read("missing"), std::nullopt);

    store.SetFailOpen(true);
    EXPECT_EQ(store.List(), std::nullopt);
    EXPECT_EQ(store.Read("zeta"), std::nullopt);
    EXPECT_FALSE(store.Write("zeta", "changed"));
    EXPECT_FALSE(store.Remove("zeta"));
    store.SetFailOpen(false);
    EXPECT_EQ(store.Read("zeta"), "z");
    EXPECT_EQ(store.WriteCalls(), 2);
    EXPECT_EQ(store.RemoveCalls(), 2);
}

}  // namespace
}  // namespace qarvex
