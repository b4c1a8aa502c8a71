#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qarvex {

// A settings file with private-profile semantics: "[section]" lines and "key=value"
// lines; section and key names match ignoring ASCII case; values are trimmed when read
// and cut to 2047 characters. Every write is on disk when it returns (atomic replace),
// except inside a Batch, which groups many writes into one replace when it ends.
// Reads see changes other programs made to the file since the last read.
// Lines this class does not understand are kept as they are.
class IniFile {
public:
    static constexpr std::size_t kMaxValueChars = 2047;

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
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, int value);
    bool WriteBool(std::string_view section, std::string_view key, bool value);
    bool EraseSection(std::string_view section);

    // Writes pending changes now (only needed inside a Batch).
    bool Flush();

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
    struct Line;
    void Reload() const;
    bool Commit();

    std::string m_path;
    mutable std::vector<std::string> m_lines;  // decoded lines, as in the file
    mutable bool m_loaded = false;
    mutable std::int64_t m_stamp[4] = {0, 0, 0, 0};  // device, inode, size, mtime (ns)
    int m_batchDepth = 0;
    bool m_dirty = false;
};

}  // namespace qarvex
