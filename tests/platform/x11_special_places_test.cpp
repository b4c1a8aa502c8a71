#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/x11/user_places.h"

namespace qarvex {
namespace {

PlaceContext Context(std::string userDirs = {}) {
    PlaceContext context;
    context.home = "/home/u";
    context.configHome = "/home/u/.config";
    context.dataHome = "/home/u/.local/share";
    context.cacheHome = "/home/u/.cache";
    context.userDirsText = std::move(userDirs);
    return context;
}

TEST(ParseUserDirs, TakesTheTwoFormsTheFileAllows) {
    const auto dirs = ParseUserDirs(
        "# written by xdg-user-dirs-update\n"
        "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n"
        "XDG_DOCUMENTS_DIR=\"/data/docs/\"\n"
        "  XDG_MUSIC_DIR = \"$HOME/My \\\"Music\\\"\"  \r\n"
        "XDG_VIDEOS_DIR=\"$HOME\"\n"
        "XDG_PICTURES_DIR=\"Pictures\"\n"      // relative: not allowed
        "XDG_TEMPLATES_DIR=$HOME/Templates\n"  // unquoted: not allowed
        "XDG_PUBLICSHARE_DIR=\"$HOME/unterminated\n"
        "XDG_DOWNLOAD_DIR=\"$HOME/dl\" trailing\n"
        "OTHER=\"/x\"\n"
        "XDG__DIR=\"/x\"\n",
        "/home/u");
    EXPECT_EQ(dirs, (std::map<std::string, std::string>{{"DESKTOP", "/home/u/桌面"},
                                                        {"DOCUMENTS", "/data/docs"},
                                                        {"MUSIC", "/home/u/My \"Music\""},
                                                        {"VIDEOS", "/home/u"}}));
}

TEST(ParseUserDirs, GarbageGivesNothing) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary += static_cast<char>(i * 37 % 256);
    }
    EXPECT_TRUE(ParseUserDirs(binary, "/home/u").empty());
    EXPECT_TRUE(ParseUserDirs(std::string(1 << 20, '='), "/home/u").empty());
    EXPECT_TRUE(ParseUserDirs(std::string("XDG_DESKTOP_DIR=\"/a\0b\"", 23), "/home/u").empty());
}

TEST(SpecialPlacePath, MapsEveryFolderNumberTheProgramUses) {
    const PlaceContext context = Context();
    struct Case {
        int csidl;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {0, "/home/u/Desktop"},
        {2, "/usr/share/applications"},
        {3, std::nullopt},
        {4, std::nullopt},
        {5, "/home/u"},  // no documents folder configured: home, as xdg-user-dir says
        {6, std::nullopt},
        {7, "/home/u/.config/autostart"},
        {9, std::nullopt},
        {10, "trash:///"},
        {11, "/home/u/.local/share/applications"},
        {16, "/home/u/Desktop"},
        {17, "computer:///"},
        {18, "network:///"},
        {19, "network:///"},
        {20, "/usr/share/fonts"},
        {22, "/usr/share/applications"},
        {23, "/usr/share/applications"},
        {24, "/etc/xdg/autostart"},
        {25, std::nullopt},
        {27, std::nullopt},
        {31, std::nullopt},
        {32, "/home/u/.cache"},
        {33, std::nullopt},
        {34, "recent:///"},
        {-1, std::nullopt},
        {1000, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.csidl);
        EXPECT_EQ(SpecialPlacePath(c.csidl, context), c.expected);
    }
}

TEST(SpecialPlacePath, FollowsTheUsersOwnFolders) {
    PlaceContext context =
        Context("XDG_DESKTOP_DIR=\"$HOME/桌面\"\nXDG_DOCUMENTS_DIR=\"$HOME/文档\"\n");
    context.userFontsExist = true;
    EXPECT_EQ(SpecialPlacePath(0, context), "/home/u/桌面");
    EXPECT_EQ(SpecialPlacePath(16, context), "/home/u/桌面");
    EXPECT_EQ(SpecialPlacePath(5, context), "/home/u/文档");
    EXPECT_EQ(SpecialPlacePath(20, context), "/home/u/.local/share/fonts");
    // Never configured, as where xdg-user-dirs never ran: its default folder when it is there.
    context = Context();
    context.homeDocumentsExist = true;
    EXPECT_EQ(SpecialPlacePath(5, context), "/home/u/Documents");
}

TEST(XdgBaseDir, IgnoresRelativeAndEmptyValues) {
    EXPECT_EQ(XdgBaseDir("/cfg/", "/home/u", ".config"), "/cfg");
    EXPECT_EQ(XdgBaseDir("relative/cfg", "/home/u", ".config"), "/home/u/.config");
    EXPECT_EQ(XdgBaseDir("", "/home/u", ".config"), "/home/u/.config");
    EXPECT_EQ(XdgBaseDir(nullptr, "/home/u", ".cache"), "/home/u/.cache");
}

}  // namespace
}  // namespace qarvex
