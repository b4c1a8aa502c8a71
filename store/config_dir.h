#pragma once

#include <string>
#include <string_view>

namespace qarvex {

inline constexpr std::string_view kConfigFolderName = "ZeqConfig";

// The program's folder inside the configuration root: root + "ZeqConfig/", a "/" put
// between them when the root lacks it (so no root at all gives "/ZeqConfig/").
std::string GetConfigDir(std::string_view configRoot);

// Creates the folder with its parents. False when it cannot be made; the folder is used
// all the same, and later writes into it fail quietly. The folder holds the user's
// browsing history: it is made 0700, and one that is there with wider modes loses them.
bool PrepareConfigDir(const std::string& dir);

// The user's configuration root with a trailing "/": $XDG_CONFIG_HOME when it is an
// absolute path, else $HOME/.config. Empty when neither gives an absolute path.
std::string XdgConfigRoot(const char* xdgConfigHome, const char* home);

// A file of the program: the folder followed directly by the name.
std::string ConfigFilePath(std::string_view configDir, std::string_view fileName);

}  // namespace qarvex
