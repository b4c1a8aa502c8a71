#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qarvex {

enum DocKind : std::int32_t {
    dkWebPage = 1,
    dkSoftware = 2,
    dkFolderOrFile = 3,
};

// One remembered document.
struct TMyDoc {
    std::string RootPath;
    std::string Path;
    std::string DisplayName;
    std::uint8_t Selected = 0;
    std::int32_t DocType = 0;
    std::string Date;  // "yyyy-mm-dd"
    // Kept beside the six stored keys, for the search's ranking: the day the entry was last
    // seen or opened ("yyyy-mm-dd", the first sighting's day until then), and how often
    // the user opened it.
    std::string LastSeen;
    std::int32_t OpenCount = 0;
};

// Entries in recording order; an entry's index is its identity for the run.
using DocTable = std::vector<TMyDoc>;

}  // namespace qarvex
