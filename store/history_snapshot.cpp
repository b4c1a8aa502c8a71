#include "store/history_snapshot.h"

#include <utility>

#include "store/config_dir.h"
#include "store/settings.h"

namespace qarvex {

HistorySnapshot::HistorySnapshot(const std::string& configDir, std::string home,
                                 History::Clock today, MountTable* mounts)
    : m_settings(ConfigFilePath(configDir, config_files::kSettings)),
      m_history(m_settings, m_recent, std::move(today), nullptr, std::move(home)) {
    m_settings.KeepInMemory();
    m_history.SetMountTable(mounts);
    m_history.LoadHistory();
}

}  // namespace qarvex
