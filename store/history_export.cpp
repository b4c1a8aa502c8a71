#include "store/history_export.h"

#include <array>
#include <cstdio>

#include "store/atomic_file.h"
#include "store/strings.h"

namespace qarvex {

namespace {

constexpr std::array<std::string_view, 5> kFields = {"kind", "name", "address", "group", "date"};

std::array<std::string, 5> FieldsOf(const TMyDoc& doc) {
    return {ExportKindName(doc.DocType), doc.DisplayName, doc.Path, doc.RootPath, doc.Date};
}

// The length of the well-formed UTF-8 sequence at text[i], or 0.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i) {
    const auto byte = [&text](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char c = byte(i + k);
        const unsigned char lo = k == 1 ? low : 0x80;
        const unsigned char hi = k == 1 ? high : 0xBF;
        if (c < lo || c > hi) {
            return 0;
        }
    }
    return length;
}

// Bytes that are not UTF-8 become U+FFFD, so every reader takes the file.
std::string ValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceAt(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string CsvField(std::string_view raw) {
    const std::string text = ValidUtf8(raw);
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    return "\"" + ReplaceAll(text, "\"", "\"\"") + "\"";
}

std::string JsonString(std::string_view raw) {
    const std::string text = ValidUtf8(raw);
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
    line(kFields);
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
