#include "platform/linux/icon_lookup.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace qarvex {
namespace {

// What xterm and GNOME Calculator install (an SVG in hicolor's scalable folder, xterm
// also a 48-pixel PNG of another of its icons), a session without an icon theme, and a
// theme of the user's own.
TEST(IconLookupTest, EntryIconsAreFoundInHicolorAndPixmapsWithoutAnIconTheme) {
    test::TempDir dir;
    const auto write = [&dir](const std::string& name, const std::string& text = "") {
        std::filesystem::create_directories(std::filesystem::path(dir.File(name)).parent_path());
        return dir.Write(name, text);
    };
    write("usr/icons/hicolor/index.theme",
          "[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps,scalable/apps,16x16/missing\n\n"
          "[48x48/apps]\nSize=48\nType=Threshold\n\n"
          "[scalable/apps]\nMinSize=1\nSize=128\nMaxSize=256\nType=Scalable\n\n"
          "[16x16/missing]\nSize=16\nType=Fixed\n");
    const std::string xterm = write("usr/icons/hicolor/scalable/apps/mini.xterm.svg");
    const std::string calculator =
        write("usr/icons/hicolor/scalable/apps/org.gnome.Calculator.svg");
    const std::string colour = write("usr/icons/hicolor/48x48/apps/xterm-color.png");
    const std::string loose = write("usr/pixmaps/vim.xpm");
    write("home/.icons/Mine/index.theme",
          "[Icon Theme]\nInherits=hicolor\nDirectories=16x16/apps\n[16x16/apps]\nSize=16\n");
    const std::string mine = write("home/.icons/Mine/16x16/apps/org.gnome.Calculator.png");
    const IconFolders folders =
        IconFolders::For(dir.File("home/.local/share"), dir.File("usr"), dir.File("home"));
    const std::vector<std::string> all = {"png", "svg", "xpm"};

    EXPECT_EQ(FindIconFile(folders, "", "mini.xterm", 16, all), xterm);
    EXPECT_EQ(FindIconFile(folders, "", "org.gnome.Calculator", 16, all), calculator);
    EXPECT_EQ(FindIconFile(folders, "Mine", "org.gnome.Calculator", 16, all), mine);
    EXPECT_EQ(FindIconFile(folders, "Unknown", "org.gnome.Calculator.svg", 16, all), calculator);
    // Without an SVG reader the closest size that is a picture wins.
    EXPECT_EQ(FindIconFile(folders, "", "xterm-color", 16, {"png", "xpm"}), colour);
    EXPECT_EQ(FindIconFile(folders, "", "mini.xterm", 16, {"png", "xpm"}), "");
    EXPECT_EQ(FindIconFile(folders, "", "vim", 16, all), loose);
    EXPECT_EQ(FindIconFile(folders, "", "../pixmaps/vim", 16, all), "");
    // Installed while the program runs, in a size no icon had before.
    const std::string late = write("usr/icons/hicolor/16x16/missing/late.png");
    EXPECT_EQ(FindIconFile(folders, "", "late", 16, all), late);
}

}  // namespace
}  // namespace qarvex
