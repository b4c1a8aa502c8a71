#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "store/doc_table.h"

namespace qarvex {

// Taking the history out, for spreadsheets and scripts. Each entry gives its kind, name,
// address, group and first-recorded date, in recording order.
enum class ExportFormat { Csv, Json };

// ".csv" or ".json" at the end of the file name, in any letter case; nothing otherwise.
std::optional<ExportFormat> ExportFormatFor(std::string_view fileName);

// "网页", "软件" or "文件夹".
std::string ExportKindName(std::int32_t docType);

// UTF-8 with a byte-order mark (spreadsheet programs need it to read the Chinese), a
// header line, CR LF line ends, fields quoted where they hold a comma, quote or line break.
// A field that a spreadsheet would take for a formula (it starts with "=", "+", "-", "@",
// a tab or a CR) gets a leading "'", so that it stays text.
std::string HistoryAsCsv(const DocTable& docs);
// UTF-8, an array of objects with the same fields as the CSV columns.
std::string HistoryAsJson(const DocTable& docs);

// Writes the history to path in the format its extension names, by an atomic replace.
// False for another extension or when the file could not be written.
bool ExportHistory(const DocTable& docs, const std::string& path);

}  // namespace qarvex
