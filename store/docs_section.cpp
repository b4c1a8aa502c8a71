#include "store/docs_section.h"

#include <exception>
#include <iterator>
#include <vector>

#include "store/address_rules.h"
#include "store/ini_file.h"
#include "store/strings.h"

namespace qarvex {

namespace {

// Every key an entry is stored under.
constexpr std::string_view kDocKeyPrefixes[] = {"name", "date",     "RootPath", "doctype",
                                                "path", "selected", "last",     "count"};

void WriteUseKeys(IniFile& ini, int index, const TMyDoc& doc) {
    ini.WriteString(kDocsSection, DocKey("last", index), doc.LastSeen);
    ini.WriteInteger(kDocsSection, DocKey("count", index), doc.OpenCount);
}

}  // namespace

std::string DocKey(std::string_view prefix, int index) {
    std::string key(prefix);
    key.append(std::to_string(index));
    return key;
}

void SaveDocToIni(IniFile& ini, int index, const TMyDoc& doc, std::string_view name) {
    try {
        const std::string path =
            doc.DocType == dkFolderOrFile ? StoredPathForIni(doc.Path) : doc.Path;
        // One replace for the six keys, so that a crash never leaves half an entry; inside
        // a caller's batch the writes join that one.
        IniFile::Batch batch(ini);
        ini.WriteString(kDocsSection, DocKey("name", index), Trim(name));
        ini.WriteString(kDocsSection, DocKey("date", index), doc.Date);
        ini.WriteString(kDocsSection, DocKey("RootPath", index), doc.RootPath);
        ini.WriteInteger(kDocsSection, DocKey("doctype", index), doc.DocType);
        ini.WriteString(kDocsSection, DocKey("path", index), path);
        ini.WriteString(kDocsSection, DocKey("selected", index), doc.Selected ? "1" : "0");
        WriteUseKeys(ini, index, doc);
    } catch (const std::exception&) {
    }
}

std::string StoredDocPath(const IniFile& ini, int index) {
    return Trim(ini.ReadString(kDocsSection, DocKey("path", index), ""));
}

StoredDocKeys ReadDocKeys(const IniFile& ini, int index) {
    // A marker no stored value can hold (values are one line): tells a missing key.
    static constexpr std::string_view kMissing = "\n";
    const auto read = [&](std::string_view prefix) {
        return ini.ReadString(kDocsSection, DocKey(prefix, index), kMissing);
    };
    StoredDocKeys keys;
    keys.Complete = true;
    const auto present = [&keys](std::string value) {
        if (value == kMissing) {
            keys.Complete = false;
            return std::string();
        }
        return value;
    };
    // In the order the keys are written, which is the order they stand in the file.
    keys.Name = present(read("name"));
    keys.Date = present(read("date"));
    keys.StoredRoot = present(read("RootPath"));
    keys.StoredDocType = present(read("doctype"));
    keys.Path = Trim(present(read("path")));
    keys.StoredSelected = present(read("selected"));
    keys.StoredLast = present(read("last"));
    keys.StoredCount = present(read("count"));
    int type = 0;
    keys.DocType = ParseInt(keys.StoredDocType, type) ? type : dkWebPage;
    keys.LastSeen = Trim(keys.StoredLast);
    int count = 0;
    keys.OpenCount = ParseInt(keys.StoredCount, count) && count > 0 ? count : 0;
    return keys;
}

bool StoredKeysHold(const StoredDocKeys& keys, const TMyDoc& doc, std::string_view name) {
    const std::string path = doc.DocType == dkFolderOrFile ? StoredPathForIni(doc.Path) : doc.Path;
    return keys.Complete && keys.Name == Trim(name) && keys.Date == doc.Date &&
           keys.StoredRoot == doc.RootPath && keys.StoredDocType == std::to_string(doc.DocType) &&
           keys.Path == path && keys.StoredSelected == (doc.Selected ? "1" : "0") &&
           keys.StoredLast == doc.LastSeen && keys.StoredCount == std::to_string(doc.OpenCount);
}

void WriteDocName(IniFile& ini, int index, std::string_view name) {
    try {
        ini.WriteString(kDocsSection, DocKey("name", index), Trim(name));
    } catch (const std::exception&) {
    }
}

void WriteDocUse(IniFile& ini, int index, const TMyDoc& doc) {
    try {
        IniFile::Batch batch(ini);
        WriteUseKeys(ini, index, doc);
    } catch (const std::exception&) {
    }
}

void EraseDocKeysFrom(IniFile& ini, int first, int end) {
    if (first >= end) {
        return;
    }
    try {
        std::vector<std::string> keys;
        keys.reserve(static_cast<std::size_t>(end - first) * std::size(kDocKeyPrefixes));
        for (int index = first; index < end; ++index) {
            for (const std::string_view prefix : kDocKeyPrefixes) {
                keys.push_back(DocKey(prefix, index));
            }
        }
        ini.EraseKeys(kDocsSection, keys);
    } catch (const std::exception&) {
    }
}

std::size_t StoredDocBytes(const IniFile& ini, int index) {
    std::size_t bytes = 0;
    for (const std::string_view prefix : kDocKeyPrefixes) {
        bytes += ini.StoredLineSize(kDocsSection, DocKey(prefix, index));
    }
    return bytes;
}

bool EraseDocsSection(IniFile& ini) {
    try {
        return ini.EraseSection(kDocsSection);
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace qarvex
