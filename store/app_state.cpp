#include "store/app_state.h"

#include "store/list_file.h"
#include "store/text_file.h"

namespace qarvex {

AppState::AppState(std::string configDir)
    : m_configDir(std::move(configDir)),
      m_settings(m_configDir + std::string(config_files::kSettings)) {}

void AppState::LoadLastRunList() {
    try {
        if (auto lines = ReadTextLines(FilePath(config_files::kLastRun))) {
            m_lastRun = std::move(*lines);
        }
    } catch (...) {
    }
}

namespace {
void LoadLimited(StoredList& list, const std::string& path) {
    try {
        LoadListFile(list, path);
        ApplyListLimit(list);
    } catch (...) {
    }
}
}  // namespace

void AppState::LoadFavList() {
    LoadLimited(m_fav, FilePath(config_files::kFavourites));
}
void AppState::LoadRunList() {
    LoadLimited(m_run, FilePath(config_files::kRun));
}
void AppState::LoadRecentList() {
    LoadLimited(m_recent, FilePath(config_files::kRecent));
}

int AppState::SaveAtExit(const std::function<bool()>& saveSettings) {
    int done = 0;
    try {
        if (!SaveListFile(m_fav, FilePath(config_files::kFavourites))) {
            return done;
        }
        ++done;
        if (!SaveListFile(m_recent, FilePath(config_files::kRecent))) {
            return done;
        }
        ++done;
        if (!SaveListFile(m_run, FilePath(config_files::kRun))) {
            return done;
        }
        ++done;
        if (!WriteTextLines(FilePath(config_files::kLastRun), m_lastRun)) {
            return done;
        }
        ++done;
        if (saveSettings && saveSettings()) {
            ++done;
        }
    } catch (...) {
    }
    return done;
}

}  // namespace qarvex
