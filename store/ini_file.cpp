#include "store/ini_file.h"

#include <new>
#include <optional>

#include "store/strings.h"
#include "store/text_codec.h"

namespace qarvex {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view TrimLeft(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= 0x20) {
        ++i;
    }
    return text.substr(i);
}

// The section name of a "[name]" line.
bool ParseHeader(std::string_view text, bool firstLine, std::string& name) {
    if (firstLine && StartsWith(text, kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    text = TrimLeft(text);
    if (text.empty() || text[0] != '[') {
        return false;
    }
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) {
        return false;
    }
    name = Trim(text.substr(1, close - 1));
    return true;
}

// The key of a "key=value" line, as spelt in the file; comments (";...") and lines without
// "=" or without a key are not value lines.
bool ParseKey(std::string_view text, std::string& key) {
    text = TrimLeft(text);
    if (text.empty() || text[0] == ';' || text[0] == '[') {
        return false;
    }
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) {
        return false;
    }
    key = Trim(text.substr(0, eq));
    return !key.empty();
}

std::string ValueOf(std::string_view text) {
    const std::size_t eq = text.find('=');
    return Trim(text.substr(eq + 1));
}

// A value is written as one line: anything that would end the line early becomes a blank.
std::string OneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        }
    }
    return out;
}

void EnsureLineEnd(std::string& end) {
    if (end.empty()) {
        end = kLineEnd;
    }
}

}  // namespace

IniFile::IniFile(std::string path) : m_path(std::move(path)) {}

void IniFile::Reload() const {
    if (m_dirty) {
        return;  // changes not yet on disk win until they are written
    }
    if (m_batchDepth > 0 && m_loaded) {
        return;  // a batch works on what it read first; asking the disk per key is costly
    }
    const std::optional<FileStamp> now = StatFile(m_path);
    if (m_loaded) {
        if (!now && m_state == DiskState::Missing) {
            return;
        }
        if (now && m_state != DiskState::Missing && *now == m_stamp) {
            return;
        }
    }
    m_loaded = true;
    m_sections.clear();
    m_sections.emplace_back();
    m_sectionIndex.clear();

    FileStamp stamp;
    std::optional<std::string> bytes = ReadFileBytes(m_path, &stamp);
    if (!bytes) {
        m_state = now ? DiskState::Unreadable : DiskState::Missing;
        m_stamp = now ? *now : FileStamp{};
        return;
    }
    try {
        const std::string text = DecodeStoredText(*bytes);
        bytes.reset();
        Parse(text);
        m_state = DiskState::Loaded;
        m_stamp = stamp;
    } catch (const std::bad_alloc&) {
        m_sections.clear();
        m_sections.emplace_back();
        m_sectionIndex.clear();
        m_state = DiskState::Unreadable;
        m_stamp = stamp;
    }
}

void IniFile::Parse(const std::string& text) const {
    std::size_t pos = 0;
    bool firstLine = true;
    std::string name;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
            ++end;
        }
        std::size_t next = end;
        if (next < text.size()) {
            next +=
                (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
        }
        Line line{text.substr(pos, end - pos), text.substr(end, next - end)};
        if (ParseHeader(line.text, firstLine, name)) {
            Section section;
            section.hasHeader = true;
            section.name = name;
            section.header = std::move(line);
            m_sections.push_back(std::move(section));
        } else {
            m_sections.back().body.push_back(std::move(line));
        }
        firstLine = false;
        pos = next;
    }
    for (Section& section : m_sections) {
        IndexSection(section);
    }
    RebuildSectionIndex();
}

void IniFile::IndexSection(Section& section) const {
    section.keys.clear();
    section.keyEnd = 0;
    std::string key;
    for (std::size_t i = 0; i < section.body.size(); ++i) {
        if (ParseKey(section.body[i].text, key)) {
            section.keys.emplace(AsciiLower(key), i);  // the first of equal keys is the one
            section.keyEnd = i + 1;
        }
    }
}

void IniFile::RebuildSectionIndex() const {
    m_sectionIndex.clear();
    for (std::size_t i = 0; i < m_sections.size(); ++i) {
        if (m_sections[i].hasHeader) {
            m_sectionIndex.emplace(AsciiLower(m_sections[i].name), i);
        }
    }
}

const IniFile::Section* IniFile::FindSection(std::string_view section) const {
    const auto it = m_sectionIndex.find(AsciiLower(Trim(section)));
    return it == m_sectionIndex.end() ? nullptr : &m_sections[it->second];
}

const IniFile::Line* IniFile::FindValueLine(std::string_view section, std::string_view key) const {
    const Section* found = FindSection(section);
    if (found == nullptr) {
        return nullptr;
    }
    const auto it = found->keys.find(AsciiLower(Trim(key)));
    return it == found->keys.end() ? nullptr : &found->body[it->second];
}

IniFile::Line* IniFile::LastLine() {
    for (auto it = m_sections.rbegin(); it != m_sections.rend(); ++it) {
        if (!it->body.empty()) {
            return &it->body.back();
        }
        if (it->hasHeader) {
            return &it->header;
        }
    }
    return nullptr;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    Reload();
    const Line* line = FindValueLine(section, key);
    return line == nullptr ? std::string(defaultValue) : ValueOf(line->text);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
    int value = 0;
    return ParseInt(ReadString(section, key, ""), value) ? value : defaultValue;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::SectionExists(std::string_view section) const {
    Reload();
    return FindSection(section) != nullptr;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
    Reload();
    return FindValueLine(section, key) != nullptr;
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string sectionName = Trim(OneLine(section));
    const std::string keyName = Trim(OneLine(key));
    if (sectionName.empty() || Contains(sectionName, "]") || keyName.empty() ||
        Contains(keyName, "=") || keyName[0] == '[' || keyName[0] == ';') {
        return false;
    }
    const std::string text = OneLine(value);
    Reload();

    const std::string lowerKey = AsciiLower(keyName);
    const auto found = m_sectionIndex.find(AsciiLower(sectionName));
    if (found == m_sectionIndex.end()) {
        if (Line* last = LastLine()) {
            EnsureLineEnd(last->end);
        }
        Section added;
        added.hasHeader = true;
        added.name = sectionName;
        added.header = Line{"[" + sectionName + "]", std::string(kLineEnd)};
        added.body.push_back(Line{keyName + "=" + text, std::string(kLineEnd)});
        added.keys.emplace(lowerKey, 0);
        added.keyEnd = 1;
        m_sections.push_back(std::move(added));
        m_sectionIndex.emplace(AsciiLower(sectionName), m_sections.size() - 1);
        return Commit();
    }

    Section& target = m_sections[found->second];
    const auto existing = target.keys.find(lowerKey);
    if (existing != target.keys.end()) {
        Line& line = target.body[existing->second];
        std::string spelling;
        ParseKey(line.text, spelling);
        std::string replaced = spelling + "=" + text;
        if (replaced == line.text && !m_dirty && m_state == DiskState::Loaded) {
            return true;  // already on disk exactly so
        }
        line.text = std::move(replaced);
        return Commit();
    }

    // A new key goes after the last key of its section, ahead of any blank lines or
    // comments that separate it from the next section.
    const std::size_t at = target.keyEnd;
    EnsureLineEnd(at == 0 ? target.header.end : target.body[at - 1].end);
    target.body.insert(target.body.begin() + static_cast<std::ptrdiff_t>(at),
                       Line{keyName + "=" + text, std::string(kLineEnd)});
    if (at + 1 < target.body.size()) {
        for (auto& entry : target.keys) {
            if (entry.second >= at) {
                ++entry.second;
            }
        }
    }
    target.keys.emplace(lowerKey, at);
    target.keyEnd = at + 1;
    return Commit();
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

bool IniFile::EraseSection(std::string_view section) {
    Reload();
    const std::string lower = AsciiLower(Trim(section));
    const std::size_t before = m_sections.size();
    std::erase_if(m_sections,
                  [&](const Section& s) { return s.hasHeader && AsciiLower(s.name) == lower; });
    if (m_sections.size() == before) {
        return true;
    }
    RebuildSectionIndex();
    return Commit();
}

bool IniFile::Flush() {
    return WriteNow();
}

bool IniFile::Failed() const {
    if (m_writeFailed) {
        m_writeFailed();
    }
    return false;
}

bool IniFile::Commit() {
    if (m_state == DiskState::Unreadable) {
        return Failed();  // writing now would replace a file whose content we never saw
    }
    m_dirty = true;
    return m_batchDepth > 0 ? true : WriteNow();
}

bool IniFile::WriteNow() {
    if (!m_dirty) {
        return true;
    }
    if (m_state == DiskState::Unreadable) {
        return Failed();
    }
    try {
        std::string text;
        for (const Section& section : m_sections) {
            if (section.hasHeader) {
                text += section.header.text;
                text += section.header.end;
            }
            for (const Line& line : section.body) {
                text += line.text;
                text += line.end;
            }
        }
        const std::string bytes = EncodeStoredText(text);
        text.clear();
        text.shrink_to_fit();
        if (!WriteFileAtomic(m_path, bytes)) {
            return Failed();
        }
    } catch (const std::bad_alloc&) {
        return Failed();
    }
    m_dirty = false;
    m_state = DiskState::Loaded;
    const std::optional<FileStamp> stamp = StatFile(m_path);
    if (stamp) {
        m_stamp = *stamp;
    } else {
        m_loaded = false;
    }
    return true;
}

IniFile::Batch::Batch(IniFile& file) : m_file(file) {
    if (m_file.m_batchDepth == 0) {
        m_file.Reload();  // what others wrote before the batch began is seen
    }
    ++m_file.m_batchDepth;
}

IniFile::Batch::~Batch() {
    if (--m_file.m_batchDepth == 0) {
        m_file.WriteNow();
    }
}

}  // namespace qarvex
