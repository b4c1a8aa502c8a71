#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qarvex {

// What the special-folder table needs to know about this user's desktop. Paths carry
// no trailing "/".
struct PlaceContext {
    std::string home;
    std::string configHome;           // $XDG_CONFIG_HOME or ~/.config
    std::string dataHome;             // $XDG_DATA_HOME or ~/.local/share
    std::string cacheHome;            // $XDG_CACHE_HOME or ~/.cache
    std::string userDirsText;         // contents of user-dirs.dirs, empty when there is none
    bool userFontsExist = false;      // dataHome/fonts is a folder
    bool homeDocumentsExist = false;  // home/Documents is a folder
};

// The XDG_*_DIR entries of a user-dirs.dirs text ("DESKTOP" -> "/home/u/Desktop").
// Only the two forms the format allows are taken: "$HOME/..." and an absolute path.
std::map<std::string, std::string> ParseUserDirs(std::string_view text, const std::string& home);

// The place on this desktop that stands for a shell special-folder number: a folder
// path, a file-manager address ("trash:///") or nothing when the desktop has no such
// place.
std::optional<std::string> SpecialPlacePath(int csidl, const PlaceContext& context);

// An XDG base directory: the variable's value when it is an absolute path (the base
// directory rules ignore relative ones), otherwise home + fallback.
std::string XdgBaseDir(const char* value, const std::string& home, std::string_view fallback);

}  // namespace qarvex
