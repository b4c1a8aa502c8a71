#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qarvex {

inline constexpr std::string_view kConfigFolderName = "ZeqConfig";
inline constexpr std::string_view kFallbackConfigDir = "C:\\ZeqConfig\\";

// The configuration folder for the given drive roots, always ending in its separator.
// Windows-form roots ("C:\", "E:\") give the last root + "ZeqConfig\"; a root ending in
// "/" (the one root our Linux platform reports) gives root + "ZeqConfig/". No usable root
// gives "C:\ZeqConfig\".
std::string GetConfigDir(const std::vector<std::string>& fixedDrives);

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
