#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "store/doc_table.h"

namespace qarvex {

// The entries whose address or display name holds the trimmed keyword, ASCII letters in
// any case, in table order; an empty keyword matches nothing.
std::vector<std::size_t> MatchingDocIndexes(const DocTable& docs, std::string_view text);

}  // namespace qarvex
