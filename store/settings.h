#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qarvex {

class IniFile;

// The names of the files in the configuration folder. "defualt.ini" is misspelled on
// purpose: it is the name the settings have always been stored under.
namespace config_files {
inline constexpr std::string_view kSettings = "defualt.ini";
inline constexpr std::string_view kNote = "note.txt";
inline constexpr std::string_view kFavourites = "fav.dat";
inline constexpr std::string_view kRecent = "rec.dat";
inline constexpr std::string_view kRun = "run.dat";
inline constexpr std::string_view kLastRun = "lr.dat";
}  // namespace config_files

inline constexpr std::string_view kDefaultSectionName = "default";

inline constexpr std::string_view kKeyShowFavEdit = "ShowFavEdit";
inline constexpr std::string_view kKeyNeedRemoveUrl = "needremoveurl";
inline constexpr std::string_view kKeyRunSelectDoc = "RunSelectDoc";
inline constexpr std::string_view kKeyCbRefresh = "CbRefresh";
inline constexpr std::string_view kKeyQueryAutoRunDoc = "QueryAutoRunDoc";
inline constexpr std::string_view kKeyControlIndex = "ControlIndex";
inline constexpr std::string_view kKeyCheckDocInterval = "CheckDocInterval";
inline constexpr std::string_view kKeyWidth = "width";
inline constexpr std::string_view kKeyHeight = "height";
inline constexpr std::string_view kKeyNeedRemoveAllStart = "needRemoveAllStart";
inline constexpr std::string_view kKeyMaxDocs = "MaxDocs";
inline constexpr std::string_view kKeyRecordRecentFiles = "RecordRecentFiles";
inline constexpr std::string_view kKeyRecentFilesSeen = "RecentFilesSeen";
// The global shortcut that brings the search up, in Qt's portable key-sequence text;
// empty for none.
inline constexpr std::string_view kKeyHotkey = "Hotkey";
inline constexpr std::string_view kDefaultHotkey = "Ctrl+Alt+Space";
// The history shared through a synced folder: the folder (empty: off), this machine's
// name there (the host name when empty), its id in the folder, and "host:configdir" where
// the id was made (see ReadSyncIdentity).
inline constexpr std::string_view kKeySyncFolder = "SyncFolder";
inline constexpr std::string_view kKeyMachineName = "MachineName";
inline constexpr std::string_view kKeySyncId = "SyncId";
inline constexpr std::string_view kKeySyncIdOwner = "SyncIdOwner";

inline constexpr bool kDefaultShowFavEdit = true;
inline constexpr bool kDefaultNeedRemoveUrl = false;
inline constexpr bool kDefaultRunSelectDoc = false;
inline constexpr bool kDefaultCbRefresh = true;
inline constexpr bool kDefaultQueryAutoRunDoc = false;
inline constexpr int kDefaultControlIndex = 0;
inline constexpr int kDefaultCheckDocInterval = 120;  // seconds
inline constexpr int kMinCheckDocInterval = 60;
inline constexpr int kMaxCheckDocInterval = 600;
inline constexpr int kDefaultWidth = 620;
inline constexpr int kDefaultHeight = 380;
inline constexpr bool kDefaultNeedRemoveAllStart = true;
// How many history entries are kept ("最多保留"); 0 keeps every one.
inline constexpr int kDefaultMaxDocs = 100000;
inline constexpr int kMaxMaxDocs = 10000000;
// Whether the programs' recent-files lists are a source ("记录最近打开的文件").
inline constexpr bool kDefaultRecordRecentFiles = true;
// The latest use (seconds since 1970) of a recent-files document the scan has dealt with,
// recorded or passed over while paused, so that a later run takes only what is newer.
// kRecentFilesSkipNext: the next reading is only noted, nothing of it recorded (the
// setting was just switched back on: what was opened while it was off stays out).
inline constexpr std::int64_t kRecentFilesSkipNext = -1;

// Below 60 gives 60, above 600 gives 600.
int ClampCheckDocInterval(int seconds);
// Negative or non-numeric values give the default; 0 stays 0 (no limit).
int ClampMaxDocs(int count);
// The size to remember: the window's own when it is greater than 0, else the old one.
int RememberedSize(int remembered, int current);

// Typed access to section "default": each reader gives the documented default when the
// key is missing or not a number; each writer returns false when the file could not be
// written (the value is kept in memory all the same).
struct DefaultSection {
    static bool ShowFavEdit(const IniFile& ini);
    static bool NeedRemoveUrl(const IniFile& ini);
    static bool RunSelectDoc(const IniFile& ini);
    static bool CbRefresh(const IniFile& ini);
    static bool QueryAutoRunDoc(const IniFile& ini);
    static int ControlIndex(const IniFile& ini);
    static int CheckDocInterval(const IniFile& ini);  // clamped to 60...600
    static int Width(const IniFile& ini);
    static int Height(const IniFile& ini);
    static bool NeedRemoveAllStart(const IniFile& ini);
    static int MaxDocs(const IniFile& ini);
    static bool RecordRecentFiles(const IniFile& ini);
    static std::int64_t RecentFilesSeen(const IniFile& ini);  // 0 when missing or not a number

    static bool SetShowFavEdit(IniFile& ini, bool value);
    static bool SetNeedRemoveUrl(IniFile& ini, bool value);
    static bool SetRunSelectDoc(IniFile& ini, bool value);
    static bool SetCbRefresh(IniFile& ini, bool value);
    static bool SetQueryAutoRunDoc(IniFile& ini, bool value);
    static bool SetControlIndex(IniFile& ini, int value);
    static bool SetCheckDocInterval(IniFile& ini, int seconds);
    static bool SetWidth(IniFile& ini, int value);
    static bool SetHeight(IniFile& ini, int value);
    static bool SetNeedRemoveAllStart(IniFile& ini, bool value);
    static bool SetMaxDocs(IniFile& ini, int count);
    static bool SetRecordRecentFiles(IniFile& ini, bool value);
    static bool SetRecentFilesSeen(IniFile& ini, std::int64_t value);
};

// Every value of section "default" as the start-up load reads it.
struct DefaultSettings {
    bool showFavEdit = kDefaultShowFavEdit;
    bool needRemoveUrl = kDefaultNeedRemoveUrl;
    bool runSelectDoc = kDefaultRunSelectDoc;
    bool cbRefresh = kDefaultCbRefresh;
    bool queryAutoRunDoc = kDefaultQueryAutoRunDoc;
    int controlIndex = kDefaultControlIndex;
    int checkDocInterval = kDefaultCheckDocInterval;
    int width = kDefaultWidth;
    int height = kDefaultHeight;
    bool needRemoveAllStart = kDefaultNeedRemoveAllStart;
    int maxDocs = kDefaultMaxDocs;
};

DefaultSettings ReadDefaultSettings(const IniFile& ini);

// What the window knows at exit, for the values written then.
struct ExitSettings {
    int controlIndex = 0;
    bool showFavEdit = kDefaultShowFavEdit;
    int rememberedWidth = kDefaultWidth;
    int rememberedHeight = kDefaultHeight;
    int windowWidth = 0;
    int windowHeight = 0;
};

// Writes, in order, "ControlIndex", "ShowFavEdit", "needRemoveAllStart" (always false),
// "needremoveurl" (always false), "width" and "height", as one replace of the file. False when the
// file could not be written. The notes are the caller's last step (WriteNote).
bool SaveDefaultSettings(IniFile& ini, const ExitSettings& state);

// The notes text ("\n" between lines) from configDir + "note.txt"; nothing when the file
// is missing or unreadable.
std::optional<std::string> ReadNote(std::string_view configDir);
// Writes the notes with CR LF line ends; false when the file could not be written.
bool WriteNote(std::string_view configDir, std::string_view text);

}  // namespace qarvex
