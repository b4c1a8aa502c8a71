#pragma once

#include <string>

#include "store/history.h"
#include "store/ini_file.h"
#include "store/stored_list.h"

namespace qarvex {

class MountTable;

// The stored history as the window would show it, for a look from outside the window
// (the command line). The settings file is only read: what the replay would write back
// stays in memory, so a running copy's files are never touched.
class HistorySnapshot {
public:
    // mounts may be null (folders then group by their first folder).
    HistorySnapshot(const std::string& configDir, std::string home, History::Clock today,
                    MountTable* mounts);

    const DocTable& Docs() const { return m_history.Docs(); }
    const History& Loaded() const { return m_history; }
    // The settings as read; what is written to them stays in memory too.
    IniFile& Settings() { return m_settings; }

private:
    IniFile m_settings;
    StoredList m_recent;
    History m_history;
};

}  // namespace qarvex
