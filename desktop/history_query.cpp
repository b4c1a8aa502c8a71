#include "desktop/history_query.h"

#include "store/history_export.h"
#include "store/history_match.h"
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

std::vector<std::size_t> FindInHistory(const DocTable& docs, std::string_view keyword) {
    return MatchingDocIndexes(docs, keyword);
}

std::string SearchResultLine(const TMyDoc& doc) {
    return OneField(doc.DisplayName) + '\t' + OneField(doc.Path) + '\t' +
           ExportKindName(doc.DocType) + '\t' + OneField(doc.Date);
}

}  // namespace qarvex
