#include "store/settings.h"

#include <algorithm>
#include <charconv>
#include <exception>

#include "store/config_dir.h"
#include "store/ini_file.h"
#include "store/text_file.h"

namespace qarvex {

namespace {

bool ReadFlag(const IniFile& ini, std::string_view key, bool defaultValue) {
    return ini.ReadBool(kDefaultSectionName, key, defaultValue);
}

int ReadNumber(const IniFile& ini, std::string_view key, int defaultValue) {
    return ini.ReadInteger(kDefaultSectionName, key, defaultValue);
}

}  // namespace

int ClampCheckDocInterval(int seconds) {
    return std::clamp(seconds, kMinCheckDocInterval, kMaxCheckDocInterval);
}

int ClampMaxDocs(int count) {
    return count < 0 ? kDefaultMaxDocs : std::min(count, kMaxMaxDocs);
}

int RememberedSize(int remembered, int current) {
    return current > 0 ? current : remembered;
}

bool DefaultSection::ShowFavEdit(const IniFile& ini) {
    return ReadFlag(ini, kKeyShowFavEdit, kDefaultShowFavEdit);
}
bool DefaultSection::NeedRemoveUrl(const IniFile& ini) {
    return ReadFlag(ini, kKeyNeedRemoveUrl, kDefaultNeedRemoveUrl);
}
bool DefaultSection::RunSelectDoc(const IniFile& ini) {
    return ReadFlag(ini, kKeyRunSelectDoc, kDefaultRunSelectDoc);
}
bool DefaultSection::CbRefresh(const IniFile& ini) {
    return ReadFlag(ini, kKeyCbRefresh, kDefaultCbRefresh);
}
bool DefaultSection::QueryAutoRunDoc(const IniFile& ini) {
    return ReadFlag(ini, kKeyQueryAutoRunDoc, kDefaultQueryAutoRunDoc);
}
int DefaultSection::ControlIndex(const IniFile& ini) {
    return ReadNumber(ini, kKeyControlIndex, kDefaultControlIndex);
}
int DefaultSection::CheckDocInterval(const IniFile& ini) {
    return ClampCheckDocInterval(ReadNumber(ini, kKeyCheckDocInterval, kDefaultCheckDocInterval));
}
int DefaultSection::Width(const IniFile& ini) {
    return ReadNumber(ini, kKeyWidth, kDefaultWidth);
}
int DefaultSection::Height(const IniFile& ini) {
    return ReadNumber(ini, kKeyHeight, kDefaultHeight);
}
bool DefaultSection::NeedRemoveAllStart(const IniFile& ini) {
    return ReadFlag(ini, kKeyNeedRemoveAllStart, kDefaultNeedRemoveAllStart);
}
int DefaultSection::MaxDocs(const IniFile& ini) {
    return ClampMaxDocs(ReadNumber(ini, kKeyMaxDocs, kDefaultMaxDocs));
}

bool DefaultSection::RecordRecentFiles(const IniFile& ini) {
    return ReadFlag(ini, kKeyRecordRecentFiles, kDefaultRecordRecentFiles);
}

bool DefaultSection::SetShowFavEdit(IniFile& ini, bool value) {
    return ini.WriteBool(kDefaultSectionName, kKeyShowFavEdit, value);
}
bool DefaultSection::SetNeedRemoveUrl(IniFile& ini, bool value) {
    return ini.WriteBool(kDefaultSectionName, kKeyNeedRemoveUrl, value);
}
bool DefaultSection::SetRunSelectDoc(IniFile& ini, bool value) {
    return ini.WriteBool(kDefaultSectionName, kKeyRunSelectDoc, value);
}
std::int64_t DefaultSection::RecentFilesSeen(const IniFile& ini) {
    const std::string text = ini.ReadString(kDefaultSectionName, kKeyRecentFilesSeen, "");
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}
bool DefaultSection::SetRecentFilesSeen(IniFile& ini, std::int64_t value) {
    return ini.WriteString(kDefaultSectionName, kKeyRecentFilesSeen, std::to_string(value));
}
bool DefaultSection::SetRecordRecentFiles(IniFile& ini, bool value) {
    return ini.WriteBool(kDefaultSectionName, kKeyRecordRecentFiles, value);
}
bool DefaultSection::SetCbRefresh(IniFile& ini, bool value) {
    return ini.WriteBool(kDefaultSectionName, kKeyCbRefresh, value);
}
bool DefaultSection::SetQueryAutoRunDoc(IniFile& ini, bool value) {
    return ini.WriteBool(kDefaultSectionName, kKeyQueryAutoRunDoc, value);
}
bool DefaultSection::SetControlIndex(IniFile& ini, int value) {
    return ini.WriteInteger(kDefaultSectionName, kKeyControlIndex, value);
}
bool DefaultSection::SetCheckDocInterval(IniFile& ini, int seconds) {
    return ini.WriteInteger(kDefaultSectionName, kKeyCheckDocInterval, seconds);
}
bool DefaultSection::SetWidth(IniFile& ini, int value) {
    return ini.WriteInteger(kDefaultSectionName, kKeyWidth, value);
}
bool DefaultSection::SetHeight(IniFile& ini, int value) {
    return ini.WriteInteger(kDefaultSectionName, kKeyHeight, value);
}
bool DefaultSection::SetNeedRemoveAllStart(IniFile& ini, bool value) {
    return ini.WriteBool(kDefaultSectionName, kKeyNeedRemoveAllStart, value);
}
bool DefaultSection::SetMaxDocs(IniFile& ini, int count) {
    return ini.WriteInteger(kDefaultSectionName, kKeyMaxDocs, ClampMaxDocs(count));
}

DefaultSettings ReadDefaultSettings(const IniFile& ini) {
    DefaultSettings settings;
    settings.showFavEdit = DefaultSection::ShowFavEdit(ini);
    settings.needRemoveUrl = DefaultSection::NeedRemoveUrl(ini);
    settings.runSelectDoc = DefaultSection::RunSelectDoc(ini);
    settings.cbRefresh = DefaultSection::CbRefresh(ini);
    settings.queryAutoRunDoc = DefaultSection::QueryAutoRunDoc(ini);
    settings.controlIndex = DefaultSection::ControlIndex(ini);
    settings.checkDocInterval = DefaultSection::CheckDocInterval(ini);
    settings.width = DefaultSection::Width(ini);
    settings.height = DefaultSection::Height(ini);
    settings.needRemoveAllStart = DefaultSection::NeedRemoveAllStart(ini);
    settings.maxDocs = DefaultSection::MaxDocs(ini);
    return settings;
}

bool SaveDefaultSettings(IniFile& ini, const ExitSettings& state) {
    try {
        IniFile::Batch batch(ini);
        DefaultSection::SetControlIndex(ini, state.controlIndex);
        DefaultSection::SetShowFavEdit(ini, state.showFavEdit);
        // The old start-up entries are removed once; later starts must not repeat it.
        DefaultSection::SetNeedRemoveAllStart(ini, false);
        // Older versions dropped every stored web page at the next start when this was set;
        // the history is bounded by MaxDocs instead, so it is always written false.
        DefaultSection::SetNeedRemoveUrl(ini, false);
        DefaultSection::SetWidth(ini, RememberedSize(state.rememberedWidth, state.windowWidth));
        DefaultSection::SetHeight(ini, RememberedSize(state.rememberedHeight, state.windowHeight));
        return ini.Flush();
    } catch (const std::exception&) {
        return false;
    }
}

std::optional<std::string> ReadNote(std::string_view configDir) {
    try {
        return ReadTextFile(ConfigFilePath(configDir, config_files::kNote));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool WriteNote(std::string_view configDir, std::string_view text) {
    try {
        return WriteTextFile(ConfigFilePath(configDir, config_files::kNote), text);
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace qarvex
