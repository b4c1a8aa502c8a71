#include "store/history_match.h"

#include <string>

#include "store/strings.h"

namespace qarvex {

std::vector<std::size_t> MatchingDocIndexes(const DocTable& docs, std::string_view text) {
    std::vector<std::size_t> found;
    const std::string keyword = AsciiLower(Trim(text));
    if (keyword.empty()) {
        return found;
    }
    for (std::size_t i = 0; i < docs.size(); ++i) {
        if (Contains(AsciiLower(docs[i].Path), keyword) ||
            Contains(AsciiLower(docs[i].DisplayName), keyword)) {
            found.push_back(i);
        }
    }
    return found;
}

}  // namespace qarvex
