#pragma once

#include <functional>
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

    // The exit sequence: fav.dat, rec.dat, run.dat, lr.dat, then the settings. The
    // first step that fails ends it. Returns the number of steps that succeeded (5 when
    // everything was written).
    int SaveAtExit(const std::function<bool()>& saveSettings);

private:
    std::string m_configDir;
    IniFile m_settings;
    StoredList m_fav;
    StoredList m_recent;
    StoredList m_run;
    std::vector<std::string> m_lastRun;
};

}  // namespace qarvex
