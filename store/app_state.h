#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "store/ini_file.h"
#include "store/settings.h"
#include "store/stored_list.h"

namespace qarvex {

// What the main window owns for the whole run: the configuration folder, the settings
// file and the four stored lists.
class AppState {
public:
    // The files the run keeps current while it goes on, besides the settings.
    enum class StoredFile { Favourites, Recent, Run, LastRun, Note };

    explicit AppState(std::string configDir);
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    const std::string& ConfigDir() const { return m_configDir; }
    // ConfigDir followed directly by the file name.
    std::string FilePath(std::string_view fileName) const {
        return m_configDir + std::string(fileName);
    }

    IniFile& Settings() { return m_settings; }
    StoredList& FavList() { return m_fav; }
    StoredList& RecentList() { return m_recent; }
    StoredList& RunList() { return m_run; }
    std::vector<std::string>& LastRunList() { return m_lastRun; }

    // lr.dat read whole at start; nothing when the file is missing.
    void LoadLastRunList();
    // fav.dat (start-up load), run.dat and rec.dat (first-run timer), each with the
    // list limit applied.
    void LoadFavList();
    void LoadRunList();
    void LoadRecentList();
    // note.txt; nothing when it is missing or cannot be read.
    std::optional<std::string> LoadNote();

    // Runs after a change of the favourites, the recent list or the run list, not for
    // the loads themselves.
    void SetListChangedHook(std::function<void(StoredFile)> hook);

    // Each writes one file by an atomic replace; false when it could not be written.
    // A file that exists but could not be read is never written (false), nor is a list
    // file that exists but has not been loaded yet (true: the file already holds what
    // the load would give).
    bool SaveFile(StoredFile file);
    bool SaveNote(std::string_view text);

    // Names of the files of the folder larger than any this program writes; they are
    // neither read nor written.
    std::vector<std::string> OversizedFiles() const;

    // The exit sequence: fav.dat, rec.dat, run.dat, lr.dat, then the settings. A file
    // that fails does not stop the others. Returns the number of steps that succeeded
    // (5 when everything was written).
    int SaveAtExit(const std::function<bool()>& saveSettings);

private:
    enum class LoadState { NotLoaded, Loaded, Unreadable };

    void LoadLimited(StoredList& list, StoredFile file);
    LoadState& StateOf(StoredFile file);
    std::string PathOf(StoredFile file) const;
    bool MayWrite(StoredFile file, bool& skipped);

    std::string m_configDir;
    IniFile m_settings;
    StoredList m_fav;
    StoredList m_recent;
    StoredList m_run;
    std::vector<std::string> m_lastRun;
    LoadState m_favState = LoadState::NotLoaded;
    LoadState m_recentState = LoadState::NotLoaded;
    LoadState m_runState = LoadState::NotLoaded;
    LoadState m_lastRunState = LoadState::NotLoaded;
    LoadState m_noteState = LoadState::NotLoaded;
    bool m_loading = false;
    std::function<void(StoredFile)> m_listChanged;
};

}  // namespace qarvex
