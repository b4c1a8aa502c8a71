#include "store/docs_section.h"

#include <exception>

#include "store/address_rules.h"
#include "store/ini_file.h"
#include "store/strings.h"

namespace qarvex {

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
    } catch (const std::exception&) {
    }
}

StoredDocKeys ReadDocKeys(const IniFile& ini, int index) {
    StoredDocKeys keys;
    keys.Path = Trim(ini.ReadString(kDocsSection, DocKey("path", index), ""));
    keys.DocType = ini.ReadInteger(kDocsSection, DocKey("doctype", index), dkWebPage);
    keys.Date = Trim(ini.ReadString(kDocsSection, DocKey("date", index), ""));
    keys.Name = ini.ReadString(kDocsSection, DocKey("name", index), "");
    return keys;
}

bool EraseDocsSection(IniFile& ini) {
    try {
        return ini.EraseSection(kDocsSection);
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace qarvex
