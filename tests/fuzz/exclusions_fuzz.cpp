// Arbitrary rules and sightings through the exclusion list, and arbitrary entries through
// the export: no crash; no rules exclude nothing; every entry reads back from the JSON
// export as it went in, and from the CSV export with a spreadsheet's formula defused.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "fuzz/fuzz_support.h"
#include "store/exclusions.h"
#include "store/history_export.h"
#include "store/strings.h"
#include "store/text_codec.h"

using qarvex::fuzz::Check;

namespace {

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The fields of a CSV text as RFC 4180 reads them.
std::vector<std::vector<std::string>> ReadCsv(std::string_view text) {
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(std::move(field));
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows.back().push_back(std::move(field));
            field.clear();
            rows.emplace_back();
            ++i;
        } else {
            field += c;
        }
    }
    rows.pop_back();  // after the last line end
    return rows;
}

std::string Defused(const std::string& raw) {
    std::string text = qarvex::RepairUtf8(raw);
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string::npos) {
        text.insert(0, 1, '\'');
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto [rulesText, rest] = qarvex::fuzz::SplitAtNul(qarvex::fuzz::AsView(data, size));
    const auto [address, name] = qarvex::fuzz::SplitAtNul(rest);

    const qarvex::Exclusions none({}, "/home/u");
    const qarvex::Exclusions rules(Lines(rulesText), "/home/u", [](const std::string&) {
        return std::vector<std::string>{"/usr/bin/evince"};
    });
    for (const bool software : {false, true}) {
        Check(!none.MatchesSighting(address, name, software), "no rules excluded something");
        (void)rules.MatchesSighting(address, name, software);
    }
    (void)qarvex::HostOfAddress(address);
    (void)qarvex::PathIsUnder(address, name);

    qarvex::DocTable docs;
    for (const std::int32_t type :
         {qarvex::dkWebPage, qarvex::dkSoftware, qarvex::dkFolderOrFile}) {
        qarvex::TMyDoc doc;
        doc.DocType = type;
        doc.Path = std::string(address);
        doc.DisplayName = std::string(name);
        doc.RootPath = std::string(rulesText.substr(0, 64));
        doc.Date = "2026-12-08";
        (void)rules.MatchesDoc(doc);
        (void)qarvex::NarrowestRuleFor(doc);
        docs.push_back(doc);
    }
    Check(none.MatchingDocs(docs).empty(), "no rules matched an entry");

    const nlohmann::json json = nlohmann::json::parse(qarvex::HistoryAsJson(docs), nullptr, false);
    Check(json.is_array() && json.size() == docs.size(), "the JSON export does not parse");
    const std::string csv = qarvex::HistoryAsCsv(docs);
    Check(qarvex::StartsWith(csv, "\xEF\xBB\xBF"), "the CSV export lost its mark");
    const auto rows = ReadCsv(std::string_view(csv).substr(3));
    Check(rows.size() == docs.size() + 1, "the CSV export has other rows than entries");
    for (std::size_t i = 0; i < docs.size(); ++i) {
        const qarvex::TMyDoc& doc = docs[i];
        const std::vector<std::string> fields = {qarvex::ExportKindName(doc.DocType),
                                                 doc.DisplayName, doc.Path, doc.RootPath, doc.Date};
        Check(rows[i + 1].size() == fields.size(), "a CSV row with other fields");
        const char* keys[] = {"kind", "name", "address", "group", "date"};
        for (std::size_t k = 0; k < fields.size(); ++k) {
            Check(rows[i + 1][k] == Defused(fields[k]), "a CSV field that reads back otherwise");
            Check(json[i][keys[k]] == qarvex::RepairUtf8(fields[k]),
                  "a JSON field that reads back otherwise");
        }
    }
    return 0;
}
