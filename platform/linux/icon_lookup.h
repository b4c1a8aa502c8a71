#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qarvex {

// Where icons are installed, the most important first.
struct IconFolders {
    // Base folders of icon themes: $XDG_DATA_HOME/icons, ~/.icons, each $XDG_DATA_DIRS/icons.
    std::vector<std::string> themes;
    // Where icons outside any theme are looked for: the base folders, then each
    // $XDG_DATA_DIRS/pixmaps (/usr/share/pixmaps among them).
    std::vector<std::string> loose;

    static IconFolders For(const std::string& xdgDataHome, const std::string& xdgDataDirs,
                           const std::string& home);
    static IconFolders FromEnvironment();
};

// The file that shows the icon a desktop entry names (Icon=NAME) at about size pixels, the
// way the desktop's own icon loaders find it: in theme or the themes it inherits, then in
// hicolor, which every icon theme falls back to (and which is all a session without an
// icon theme has), a folder of that size first, else the one closest to it; then an icon
// outside any theme. Only files of the given types ("png", "svg", "xpm"), preferred in
// that order. Empty when there is none, or when name is not a plain icon name.
std::string FindIconFile(const IconFolders& folders, std::string_view theme, std::string_view name,
                         int size, const std::vector<std::string>& types);

}  // namespace qarvex
