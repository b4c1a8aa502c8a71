#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/atomic_file.h"

namespace qarvex {

// A settings file with private-profile semantics: "[section]" lines and "key=value"
// lines; section and key names match ignoring ASCII case; values are trimmed when read
// and come back whole (a long address cut short would be recorded again as a new one). Every write
// is on disk when it returns (atomic replace), except inside a Batch, which groups many writes into
// one replace when it ends. Reads see changes other programs made to the file since the last read.
// Lines this class does not understand are kept as they are.
//
// A file that exists but cannot be read (no permission, not a regular file, larger than
// kMaxStoredFileBytes) is never overwritten: reads give defaults and writes return false.
class IniFile {
public:
    explicit IniFile(std::string path);
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    const std::string& Path() const { return m_path; }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // Non-numeric or missing values give the default.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // True for any non-zero integer; non-numeric or missing values give the default.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;

    // Each returns false when the file could not be written; the value is kept in
    // memory all the same. CR, LF and NUL in a value become blanks (a value is one line).
    // A section name holding "]" or a key holding "=" (or starting with "[" or ";")
    // could not be read back, so such writes change nothing and return false.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, int value);
    bool WriteBool(std::string_view section, std::string_view key, bool value);
    bool EraseSection(std::string_view section);

    // Writes pending changes now (only needed inside a Batch).
    bool Flush();

    // Runs whenever a change could not be put on disk (the file is refused or the write
    // failed), so that the user can be told the history is not being kept.
    void SetWriteFailedHook(std::function<void()> hook) { m_writeFailed = std::move(hook); }

    // Inside a Batch changes stay in memory and the file is not re-read; the outermost
    // Batch writes them once when it ends.
    class Batch {
    public:
        explicit Batch(IniFile& file);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        IniFile& m_file;
    };

private:
    enum class DiskState { Missing, Loaded, Unreadable };

    // One line as read, with its own line end ("" for a last line without one), so that
    // lines this class never touches are written back exactly.
    struct Line {
        std::string text;
        std::string end;
    };

    struct Section {
        bool hasHeader = false;  // false only for the lines before the first header
        std::string name;        // trimmed, as spelt in the file
        Line header;
        std::vector<Line> body;
        std::unordered_map<std::string, std::size_t> keys;  // lower-cased key -> body index
        std::size_t keyEnd = 0;  // new keys go here: after the last key line
    };

    void Reload() const;
    void Parse(const std::string& text) const;
    void IndexSection(Section& section) const;
    void RebuildSectionIndex() const;
    const Section* FindSection(std::string_view section) const;
    const Line* FindValueLine(std::string_view section, std::string_view key) const;
    Line* LastLine();
    bool Commit();
    bool WriteNow();

    std::string m_path;
    mutable std::vector<Section> m_sections;
    mutable std::unordered_map<std::string, std::size_t> m_sectionIndex;  // first of a name
    mutable bool m_loaded = false;
    mutable DiskState m_state = DiskState::Missing;
    mutable FileStamp m_stamp;
    int m_batchDepth = 0;
    bool m_dirty = false;
    std::function<void()> m_writeFailed;

    bool Failed() const;
};

}  // namespace qarvex
