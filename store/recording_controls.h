#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qarvex {

class IniFile;

// The user's say over what is recorded: a pause switch in section "default" and a list of
// things never to record in a file of its own. Files without them record as always.
namespace config_files {
inline constexpr std::string_view kExclusions = "exclude.txt";
}  // namespace config_files

inline constexpr std::string_view kKeyPauseRecord = "PauseRecord";
inline constexpr bool kDefaultPauseRecord = false;

bool ReadPauseRecord(const IniFile& ini);
// Written at once, like the other switches of the settings page.
bool WritePauseRecord(IniFile& ini, bool paused);

// The rule lines as the user wrote them, comments included; none when the file is missing.
std::vector<std::string> ReadExclusionLines(std::string_view configDir);
// One line each, GB18030 with CR LF, replaced atomically.
bool WriteExclusionLines(std::string_view configDir, const std::vector<std::string>& lines);

}  // namespace qarvex
