#include <filesystem>

#include <gtest/gtest.h>

#include "platform/wayland/display_choice.h"
#include "platform/wayland/gnome_extension.h"
#include "platform/wayland/kwin_report.h"
#include "platform/wayland/toplevel_mapping.h"
#include "store/ini_file.h"
#include "support/recording_messages.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

TEST(DisplayChoice, WaylandSessionGoesThroughXWaylandOnlyWhenThereIsOne) {
    EXPECT_EQ(ChooseDisplayRoute({"", ":0", ""}), DisplayRoute::X11);
    EXPECT_EQ(ChooseDisplayRoute({"wayland-0", ":0", ""}), DisplayRoute::XWayland);
    EXPECT_EQ(ChooseDisplayRoute({"wayland-0", "", ""}), DisplayRoute::NativeWayland);
    // What the user asked for wins, even in a Wayland session with XWayland.
    EXPECT_EQ(ChooseDisplayRoute({"wayland-0", ":0", "wayland"}), DisplayRoute::UserChoice);

    EXPECT_EQ(ForcedQtPlatform(DisplayRoute::XWayland), "xcb");
    EXPECT_EQ(ForcedQtPlatform(DisplayRoute::NativeWayland), "");
    EXPECT_EQ(ForcedQtPlatform(DisplayRoute::UserChoice), "");
    EXPECT_EQ(ForcedQtPlatform(DisplayRoute::X11), "");
    EXPECT_TRUE(PlacesOwnWindows("xcb"));
    EXPECT_FALSE(PlacesOwnWindows("wayland"));
    EXPECT_FALSE(PlacesOwnWindows("wayland-egl"));
    EXPECT_NE(DescribeDisplayRoute(DisplayRoute::XWayland, {}).find("XWayland"), std::string::npos);
    EXPECT_NE(
        DescribeDisplayRoute(DisplayRoute::UserChoice, {"w", "", "offscreen"}).find("offscreen"),
        std::string::npos);
}

TEST(WaylandWindows, CompositorWindowsComeFirstAndXWaylandOnesOnlyOnce) {
    std::vector<WaylandToplevel> wayland(5);
    wayland[0] = {"Terminal", "foot", false, false};
    wayland[1] = {"Minimised editor", "org.gnome.TextEditor", true, false};
    wayland[2] = {"Save as", "org.gnome.TextEditor", false, true};
    wayland[3] = {"Qarvex", "Qarvex", false, false};  // ours, through XWayland
    wayland[4] = {"xterm", "XTerm", false, false};    // also on the X server
    std::vector<TopWindow> x11(2);
    x11[0] = {7, true, false, false, "xterm"};
    x11[1] = {9, false, false, false, "Terminal"};  // withdrawn: no match

    const std::vector<TopWindow> windows = MergeWindows(wayland, x11, {"qarvex"});
    ASSERT_EQ(windows.size(), 5u);
    EXPECT_EQ(windows[0].title, "Terminal");
    EXPECT_TRUE(IsWaylandWindowId(windows[0].id));
    EXPECT_EQ(WaylandWindowIndex(windows[0].id), 0u);
    EXPECT_TRUE(windows[1].visible);  // minimised counts as open
    EXPECT_EQ(WaylandWindowIndex(windows[1].id), 1u);
    EXPECT_TRUE(windows[2].owned);
    EXPECT_EQ(windows[3].id, 7u);
    EXPECT_FALSE(IsWaylandWindowId(windows[3].id));
    EXPECT_EQ(windows[4].id, 9u);
}

TEST(WaylandWindows, TitlesAreCutAt128BytesOnACharacterBoundary) {
    std::string title(127, 'a');
    title += "\xE4\xB8\xAD";  // 中 straddles byte 128
    std::vector<WaylandToplevel> wayland(2);
    wayland[0].title = title;
    wayland[0].appId = "foot";
    wayland[1].title = "bad \xFF byte";
    const std::vector<TopWindow> windows = MergeWindows(wayland, {}, {});
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].title, std::string(127, 'a'));
    EXPECT_EQ(windows[1].title, "bad \xEF\xBF\xBD byte");
}

TEST(KWinWindows, ReportComesTopFirstWithOwnedAndToolWindowsMarked) {
    const auto windows = ParseWindowReport(R"([
        {"caption": "Dolphin", "pid": 42, "resourceClass": "dolphin",
         "desktopFileName": "org.kde.dolphin", "skipTaskbar": false, "transient": false,
         "windowType": 0, "minimized": true, "stack": 3},
        {"caption": "Panel", "pid": 7, "resourceClass": "plasmashell", "desktopFileName": "",
         "skipTaskbar": true, "transient": false, "windowType": 2, "stack": 0},
        {"caption": "Copy files", "pid": 42, "transient": true, "windowType": 5, "stack": 5},
        {"caption": "Konsole", "pid": 0, "resourceClass": "konsole", "windowType": 0,
         "stack": 4},
        {"caption": "xterm", "pid": 99, "x11": true, "windowType": 0, "stack": 1}])");
    ASSERT_TRUE(windows);
    ASSERT_EQ(windows->size(), 5u);
    EXPECT_EQ((*windows)[0].title, "Copy files");
    EXPECT_TRUE((*windows)[0].hasParent);
    EXPECT_TRUE((*windows)[0].toolWindow);
    EXPECT_EQ((*windows)[1].title, "Konsole");
    EXPECT_FALSE((*windows)[1].pid);
    EXPECT_FALSE((*windows)[1].toolWindow);
    EXPECT_EQ((*windows)[2].title, "Dolphin");
    EXPECT_EQ((*windows)[2].pid, 42);
    EXPECT_EQ((*windows)[2].desktopFile, "org.kde.dolphin");
    EXPECT_EQ((*windows)[2].resourceClass, "dolphin");
    EXPECT_TRUE((*windows)[2].minimized);
    // An X11 window's process is only what the window claims: the X side asks the server.
    EXPECT_EQ((*windows)[3].title, "xterm");
    EXPECT_FALSE((*windows)[3].pid);
    EXPECT_TRUE((*windows)[4].toolWindow);

    EXPECT_FALSE(ParseWindowReport("not json"));
    EXPECT_FALSE(ParseWindowReport(R"({"caption": "x"})"));
    // The script names our connection and object; hostile quotes can't break out.
    const std::string script = KWinScriptText(":1.42", "/o", "i.f", "to\"ken");
    EXPECT_NE(script.find(R"(callDBus(":1.42", "/o", "i.f", "Report", "to\"ken")"),
              std::string::npos);
}

// The extension tells whoever asks what the user has open: it is never put into the
// user's Shell without asking, and it answers no program but Qarvex.
TEST(GnomeExtension, AskedOnceAnsweringOnlyQarvexAndAnOlderCopyReplaced) {
    const std::string folder = "gnome-shell/extensions/qarvex-windows@qarvex.org/";
    test::TempDir declined;
    IniFile settings(declined.File("defualt.ini"));
    test::RecordingMessages messages;
    EXPECT_FALSE(OfferGnomeExtension(declined.Path(), 43, "/usr/bin/qarvex", settings, messages));
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_NE(messages.asked[0].text.find("只把窗口的标题和所属程序告诉"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(declined.File(folder)));
    EXPECT_FALSE(OfferGnomeExtension(declined.Path(), 43, "/usr/bin/qarvex", settings, messages));
    EXPECT_EQ(messages.asked.size(), 1u);

    test::TempDir accepted;
    IniFile acceptedSettings(accepted.File("defualt.ini"));
    messages.answer = true;
    ASSERT_TRUE(
        OfferGnomeExtension(accepted.Path(), 43, "/usr/bin/qarvex", acceptedSettings, messages));
    EXPECT_NE(accepted.Read(folder + "metadata.json").find(R"("43")"), std::string::npos);
    const std::string legacy = accepted.Read(folder + "extension.js");
    EXPECT_NE(legacy.find("function init()"), std::string::npos);
    EXPECT_NE(legacy.find(R"(const PROGRAM = "/usr/bin/qarvex";)"), std::string::npos);
    EXPECT_NE(legacy.find("GetConnectionUnixProcessID"), std::string::npos);
    EXPECT_EQ(legacy.find("GetWindows:"), std::string::npos);
    EXPECT_NE(GnomeExtensionNotice().find("注销"), std::string::npos);

    // A copy an earlier version wrote (without asking, answering anyone) is replaced.
    accepted.Write(folder + "metadata.json", R"({"uuid": "qarvex-windows@qarvex.org"})");
    EXPECT_FALSE(
        OfferGnomeExtension(accepted.Path(), 46, "/usr/bin/qarvex", acceptedSettings, messages));
    EXPECT_EQ(messages.asked.size(), 2u);
    EXPECT_EQ(InstalledGnomeExtension(accepted.Path(), "/usr/bin/qarvex"),
              GnomeExtensionState::Current);
    EXPECT_NE(accepted.Read(folder + "extension.js").find("export default class"),
              std::string::npos);
}

}  // namespace
}  // namespace qarvex
