#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/shell_windows.h"

namespace qarvex {

// Firefox, and the browsers built from it (LibreWolf, Waterfox, Floorp, Zen, Mullvad
// Browser), keep the tabs of a running session in sessionstore-backups/recovery.jsonlz4
// of the profile. These functions find the profiles and read the current page of every
// open tab. They never throw and never show anything: whatever can't be read is left
// out, and a damaged file yields what could be read before the damage, or nothing.

// Session files larger than this (compressed or decompressed) are not read.
inline constexpr std::size_t kMaxSessionBytes = 256u * 1024u * 1024u;

// The JSON text inside a "mozLz40\0" file; nothing for a wrong magic, a declared size
// above kMaxSessionBytes or one the data can't hold, or a damaged LZ4 block.
std::optional<std::string> DecodeMozLz4(std::string_view bytes);

// The current page of every tab of every open window, in window then tab order:
// locationUrl = its address ("file://" ones percent-decoded), title = its title, or the
// address when it has none (as Firefox shows such a tab), hasTitle and hasDocument =
// true. Closed windows and closed tabs are not included.
std::vector<ShellWindow> PagesFromSessionJson(std::string_view json);

// The profile folders named by one profiles.ini: the [Profile…] sections in file order,
// then the [Install…] defaults not named there. A path is taken relative to firefoxHome
// when IsRelative=1 (or when it isn't an absolute path), as is otherwise.
std::vector<std::string> ProfileDirsFromIni(std::string_view iniText,
                                            const std::string& firefoxHome);

// The folders that may hold a Firefox-family installation's profiles.ini for this user:
// the classic ~/.mozilla/firefox, the XDG one ($XDG_CONFIG_HOME, or ~/.config when it is
// empty or relative), Firefox's snap and Flatpak homes, then the relatives' folders
// (~/.librewolf, ~/.waterfox, ~/.floorp, ~/.zen and their XDG forms) natively and in
// every Flatpak and snap home. No folder twice.
std::vector<std::string> FirefoxHomes(const std::string& home, const std::string& xdgConfigHome);

// Existing profile folders of every installation found under FirefoxHomes, without
// duplicates.
std::vector<std::string> FirefoxProfileDirs(const std::string& home,
                                            const std::string& xdgConfigHome);

// The pages of one profile's recovery file; empty when it is missing or unreadable.
std::vector<ShellWindow> ReadSessionFile(const std::string& path);

// The open pages of every profile whose browser runs (its lock names a live process on
// this host), profile by profile.
std::vector<ShellWindow> ReadFirefoxPages(const std::string& home,
                                          const std::string& xdgConfigHome);

}  // namespace qarvex
