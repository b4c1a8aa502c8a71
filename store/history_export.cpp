#include "store/history_export.h"

#include <array>
#include <cstdio>

#include "store/atomic_file.h"
#include "store/strings.h"
#include "store/text_codec.h"

namespace qarvex {

namespace {

constexpr std::array<std::string_view, 5> kFields = {"kind", "name", "address", "group", "date"};
// The spreadsheet's header is read by the user, in the interface's language; the JSON keys
// are read by programs.
constexpr std::array<std::string_view, 5> kCsvHeaders = {"类型", "名称", "地址", "分组", "日期"};

std::array<std::string, 5> FieldsOf(const TMyDoc& doc) {
    return {ExportKindName(doc.DocType), doc.DisplayName, doc.Path, doc.RootPath, doc.Date};
}

std::string CsvField(std::string_view raw) {
    std::string text = RepairUtf8(raw);
    // A spreadsheet takes a cell that starts like this for a formula, and a recorded title
    // or address is whatever a web page chose ("=HYPERLINK(...)" sends the sheet's data
    // away when clicked). A leading apostrophe keeps it text, as OWASP advises.
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string::npos) {
        text.insert(0, 1, '\'');
    }
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    return "\"" + ReplaceAll(text, "\"", "\"\"") + "\"";
}

std::string JsonString(std::string_view raw) {
    const std::string text = RepairUtf8(raw);
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x",
                                  static_cast<unsigned>(static_cast<unsigned char>(c)));
                    out += escaped;
                } else {
                    out.push_back(c);
                }
        }
    }
    out.push_back('"');
    return out;
}

}  // namespace

std::optional<ExportFormat> ExportFormatFor(std::string_view fileName) {
    const std::string lower = AsciiLower(fileName);
    if (EndsWith(lower, ".csv")) {
        return ExportFormat::Csv;
    }
    if (EndsWith(lower, ".json")) {
        return ExportFormat::Json;
    }
    return std::nullopt;
}

std::string ExportKindName(std::int32_t docType) {
    switch (docType) {
        case dkWebPage:
            return "网页";
        case dkSoftware:
            return "软件";
        case dkFolderOrFile:
            return "文件夹";
        default:
            return {};
    }
}

std::string HistoryAsCsv(const DocTable& docs) {
    std::string out = "\xEF\xBB\xBF";
    const auto line = [&out](const auto& fields) {
        bool first = true;
        for (const auto& field : fields) {
            if (!first) {
                out.push_back(',');
            }
            first = false;
            out += CsvField(field);
        }
        out += "\r\n";
    };
    line(kCsvHeaders);
    for (const TMyDoc& doc : docs) {
        line(FieldsOf(doc));
    }
    return out;
}

std::string HistoryAsJson(const DocTable& docs) {
    std::string out = "[";
    bool firstDoc = true;
    for (const TMyDoc& doc : docs) {
        out += firstDoc ? "\n  {" : ",\n  {";
        firstDoc = false;
        const auto fields = FieldsOf(doc);
        for (std::size_t k = 0; k < kFields.size(); ++k) {
            if (k > 0) {
                out += ", ";
            }
            out += JsonString(kFields[k]) + ": " + JsonString(fields[k]);
        }
        out.push_back('}');
    }
    out += docs.empty() ? "]\n" : "\n]\n";
    return out;
}

bool ExportHistory(const DocTable& docs, const std::string& path) {
    try {
        const auto format = ExportFormatFor(path);
        if (!format) {
            return false;
        }
        return WriteFileAtomic(
            path, *format == ExportFormat::Csv ? HistoryAsCsv(docs) : HistoryAsJson(docs));
    } catch (...) {
        return false;
    }
}

}  // namespace qarvex
