#include "store/app_state.h"

#include "store/atomic_file.h"
#include "store/guarded.h"
#include "store/list_file.h"
#include "store/text_file.h"

namespace qarvex {

AppState::AppState(std::string configDir)
    : m_configDir(std::move(configDir)),
      m_settings(m_configDir + std::string(config_files::kSettings)) {
    const auto hook = [this](StoredFile file) {
        return [this, file] {
            if (!m_loading && m_listChanged) {
                m_listChanged(file);
            }
        };
    };
    m_fav.SetChangeHook(hook(StoredFile::Favourites));
    m_recent.SetChangeHook(hook(StoredFile::Recent));
    m_run.SetChangeHook(hook(StoredFile::Run));
}

void AppState::SetListChangedHook(std::function<void(StoredFile)> hook) {
    m_listChanged = std::move(hook);
}

AppState::LoadState& AppState::StateOf(StoredFile file) {
    switch (file) {
        case StoredFile::Favourites:
            return m_favState;
        case StoredFile::Recent:
            return m_recentState;
        case StoredFile::Run:
            return m_runState;
        case StoredFile::LastRun:
            return m_lastRunState;
        case StoredFile::Note:
            break;
    }
    return m_noteState;
}

std::string AppState::PathOf(StoredFile file) const {
    switch (file) {
        case StoredFile::Favourites:
            return FilePath(config_files::kFavourites);
        case StoredFile::Recent:
            return FilePath(config_files::kRecent);
        case StoredFile::Run:
            return FilePath(config_files::kRun);
        case StoredFile::LastRun:
            return FilePath(config_files::kLastRun);
        case StoredFile::Note:
            break;
    }
    return FilePath(config_files::kNote);
}

namespace {
// What a failed read means: a missing file is an empty list, anything else is a file we
// could not see and must not replace.
bool ExistsAtAll(const std::string& path) {
    return StatFile(path).has_value();
}
}  // namespace

void AppState::LoadLastRunList() {
    Guarded([&] {
        const std::string path = PathOf(StoredFile::LastRun);
        if (auto lines = ReadTextLines(path)) {
            m_lastRun = std::move(*lines);
            m_lastRunState = LoadState::Loaded;
        } else {
            m_lastRunState = ExistsAtAll(path) ? LoadState::Unreadable : LoadState::Loaded;
        }
    });
}

void AppState::LoadLimited(StoredList& list, StoredFile file) {
    LoadState& state = StateOf(file);
    const std::string path = PathOf(file);
    m_loading = true;
    Guarded([&] {
        if (LoadListFile(list, path)) {
            state = LoadState::Loaded;
        } else {
            state = ExistsAtAll(path) ? LoadState::Unreadable : LoadState::Loaded;
        }
        ApplyListLimit(list);
    });
    m_loading = false;
}

void AppState::LoadFavList() {
    LoadLimited(m_fav, StoredFile::Favourites);
}
void AppState::LoadRunList() {
    LoadLimited(m_run, StoredFile::Run);
}
void AppState::LoadRecentList() {
    LoadLimited(m_recent, StoredFile::Recent);
}

std::optional<std::string> AppState::LoadNote() {
    try {
        const std::string path = PathOf(StoredFile::Note);
        std::optional<std::string> note = ReadTextFile(path);
        m_noteState = note || !ExistsAtAll(path) ? LoadState::Loaded : LoadState::Unreadable;
        return note;
    } catch (...) {
        return std::nullopt;
    }
}

bool AppState::MayWrite(StoredFile file, bool& skipped) {
    skipped = false;
    const LoadState state = StateOf(file);
    if (state == LoadState::Unreadable) {
        return false;
    }
    if (state == LoadState::NotLoaded && file != StoredFile::Note) {
        const std::string path = PathOf(file);
        if (ExistsAtAll(path)) {
            skipped = true;
            return FileExists(path) && !IsOversizedFile(path);
        }
    }
    return true;
}

bool AppState::SaveFile(StoredFile file) {
    bool saved = false;
    Guarded([&] {
        bool skipped = false;
        const bool allowed = MayWrite(file, skipped);
        if (!allowed || skipped) {
            saved = allowed;
            return;
        }
        switch (file) {
            case StoredFile::Favourites:
                saved = SaveListFile(m_fav, PathOf(file));
                break;
            case StoredFile::Recent:
                saved = SaveListFile(m_recent, PathOf(file));
                break;
            case StoredFile::Run:
                saved = SaveListFile(m_run, PathOf(file));
                break;
            case StoredFile::LastRun:
                saved = WriteTextLines(PathOf(file), m_lastRun);
                break;
            case StoredFile::Note:
                break;
        }
    });
    return saved;
}

bool AppState::SaveNote(std::string_view text) {
    try {
        bool skipped = false;
        if (!MayWrite(StoredFile::Note, skipped)) {
            return false;
        }
        return WriteNote(m_configDir, text);
    } catch (...) {
        return false;
    }
}

std::vector<std::string> AppState::OversizedFiles() const {
    std::vector<std::string> names;
    for (const std::string_view name :
         {config_files::kSettings, config_files::kNote, config_files::kFavourites,
          config_files::kRecent, config_files::kRun, config_files::kLastRun}) {
        if (IsOversizedFile(FilePath(name))) {
            names.emplace_back(name);
        }
    }
    return names;
}

int AppState::SaveAtExit(const std::function<bool()>& saveSettings) {
    // Each file is tried whatever became of the one before: one that cannot be written
    // is no reason to lose the others.
    int done = 0;
    for (const StoredFile file :
         {StoredFile::Favourites, StoredFile::Recent, StoredFile::Run, StoredFile::LastRun}) {
        if (SaveFile(file)) {
            ++done;
        }
    }
    Guarded([&] {
        if (saveSettings && saveSettings()) {
            ++done;
        }
    });
    return done;
}

}  // namespace qarvex
