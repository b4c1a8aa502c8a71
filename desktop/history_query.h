#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "store/doc_table.h"

namespace qarvex {

class History;

// The entries a keyword finds, best first, for every way in from the desktop (the
// command line, the Shell's search, KRunner): they all list what the search list lists.
std::vector<std::size_t> FindInHistory(const History& history, std::string_view keyword);

// One line of `--search`: name, address, kind and first day, separated by tabs. A tab or
// line break inside a recorded field becomes a blank, so that every entry stays one line of
// four fields.
std::string SearchResultLine(const TMyDoc& doc);
// The same with the name of the machine that recorded the entry as a fifth field.
std::string SearchResultLine(const TMyDoc& doc, std::string_view machine);

}  // namespace qarvex
