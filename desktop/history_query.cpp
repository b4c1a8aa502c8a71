#include "desktop/history_query.h"

#include "store/doc_search.h"
#include "store/history.h"
#include "store/history_export.h"
#include "store/text_codec.h"

namespace qarvex {

namespace {

std::string OneField(std::string_view raw) {
    std::string text = RepairUtf8(raw);
    for (char& c : text) {
        if (c == '\t' || c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return text;
}

}  // namespace

std::vector<std::size_t> FindInHistory(const History& history, std::string_view keyword) {
    const std::vector<int> ranked = RankedMatches(history, keyword, history.Today());
    return std::vector<std::size_t>(ranked.begin(), ranked.end());
}

std::string SearchResultLine(const TMyDoc& doc) {
    return OneField(doc.DisplayName) + '\t' + OneField(doc.Path) + '\t' +
           ExportKindName(doc.DocType) + '\t' + OneField(doc.Date);
}

std::string SearchResultLine(const TMyDoc& doc, std::string_view machine) {
    return SearchResultLine(doc) + '\t' + OneField(machine);
}

}  // namespace qarvex
