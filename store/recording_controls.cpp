#include "store/recording_controls.h"

#include "store/config_dir.h"
#include "store/ini_file.h"
#include "store/settings.h"
#include "store/text_file.h"

namespace qarvex {

bool ReadPauseRecord(const IniFile& ini) {
    return ini.ReadBool(kDefaultSectionName, kKeyPauseRecord, kDefaultPauseRecord);
}

bool WritePauseRecord(IniFile& ini, bool paused) {
    return ini.WriteBool(kDefaultSectionName, kKeyPauseRecord, paused);
}

std::vector<std::string> ReadExclusionLines(std::string_view configDir) {
    auto lines = ReadTextLines(ConfigFilePath(configDir, config_files::kExclusions));
    return lines ? std::move(*lines) : std::vector<std::string>{};
}

bool WriteExclusionLines(std::string_view configDir, const std::vector<std::string>& lines) {
    return WriteTextLines(ConfigFilePath(configDir, config_files::kExclusions), lines);
}

}  // namespace qarvex
