#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "store/doc_table.h"

namespace qarvex {

class IniFile;

inline constexpr std::string_view kDocsSection = "docs";

// The keys of one stored entry, as read back at start. The root and the selection flag are
// written for every entry but never read: both are derived again when the entry is recorded.
struct StoredDocKeys {
    std::string Path;  // trimmed
    int DocType = dkWebPage;
    std::string Date;  // trimmed
    std::string Name;
    // The keys' stored values as read ("" when missing), to tell whether rewriting the
    // entry would change anything.
    std::string StoredDocType;
    std::string StoredRoot;
    std::string StoredSelected;
    // When the entry was last seen or opened and how often it was opened: empty and 0 in
    // a file written before these keys existed.
    std::string LastSeen;  // trimmed
    int OpenCount = 0;
    std::string StoredLast;
    std::string StoredCount;
    bool Complete = false;  // all eight keys are present
};

// "path%d" and friends.
std::string DocKey(std::string_view prefix, int index);

// Writes the keys of the entry under index in one atomic replace, in the order name, date,
// RootPath, doctype, path, selected, then last and count (the entry's use, which older
// readers pass over). A folder or file entry's path is stored with its "file://" address
// form. A failure to write is ignored (the values stay in memory) and
// nothing is thrown: losing one entry on disk must not stop the recording.
void SaveDocToIni(IniFile& ini, int index, const TMyDoc& doc, std::string_view name);

// The trimmed path of the entry under index; empty where the stored entries end.
std::string StoredDocPath(const IniFile& ini, int index);

// The keys of the entry under index; a missing doctype reads as a web page.
StoredDocKeys ReadDocKeys(const IniFile& ini, int index);

// True when the keys under index already hold what SaveDocToIni would write there.
bool StoredKeysHold(const StoredDocKeys& keys, const TMyDoc& doc, std::string_view name);

// Rewrites only the name key of the entry under index.
void WriteDocName(IniFile& ini, int index, std::string_view name);

// Rewrites only the use keys (last, count) of the entry under index.
void WriteDocUse(IniFile& ini, int index, const TMyDoc& doc);

// Erases the key sets of the entries from index first up to, not including, end.
void EraseDocKeysFrom(IniFile& ini, int first, int end);

// The bytes the entry under index takes in the stored file.
std::size_t StoredDocBytes(const IniFile& ini, int index);

// Erases the whole history section.
bool EraseDocsSection(IniFile& ini);

}  // namespace qarvex
