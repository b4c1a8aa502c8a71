#pragma once

#include <string>
#include <vector>

#include "platform/shell_windows.h"
#include "store/history.h"
#include "store/ini_file.h"
#include "store/stored_list.h"
#include "support/temp_dir.h"

namespace qarvex::test {

// A history in a scratch folder that records browser pages as one scan pass does.
class PageHistory {
public:
    void RecordPass(const std::vector<ShellWindow>& pages) {
        history.BeginRecordingPass();
        for (const ShellWindow& page : pages) {
            history.AddDoc(page.locationUrl, page.title, "", false);
        }
        history.EndRecordingPass();
    }
    std::string NameOf(std::size_t index) const {
        return index < history.Docs().size() ? history.Docs()[index].DisplayName : "<none>";
    }

    TempDir dir;
    IniFile ini{dir.File("defualt.ini")};
    StoredList recent;
    History history{ini, recent, [] { return std::string("2026-12-09"); }, nullptr, "/home/u"};
};

}  // namespace qarvex::test
