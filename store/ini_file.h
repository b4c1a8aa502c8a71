#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/atomic_file.h"
#include "store/text_codec.h"

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
    // Removes the named keys of a section in one go (names match ignoring ASCII case).
    bool EraseKeys(std::string_view section, const std::vector<std::string>& keys);
    // How many keys the section holds (0 when it is missing).
    std::size_t KeyCount(std::string_view section) const;

    // The size the file has on disk once what is in memory is written.
    std::size_t StoredSize() const;
    // At least StoredSize(), found without encoding every line: from the size the file had
    // when it was last read, written or measured, and an allowance for each line written
    // since.
    std::size_t StoredSizeBound() const;
    // The bytes of a key's line in the file, its line end included; 0 when it is missing.
    std::size_t StoredLineSize(std::string_view section, std::string_view key) const;

    // Writes pending changes now (only needed inside a Batch).
    bool Flush();

    // Runs whenever a change could not be put on disk (the file is refused or the write
    // failed), so that the user can be told the history is not being kept.
    void SetWriteFailedHook(std::function<void()> hook) { m_writeFailed = std::move(hook); }

    // From now on changes stay in memory and the file is never written: a look at the
    // history from the command line beside a running copy must not touch its files.
    void KeepInMemory() { m_inMemory = true; }

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

    // The end a line had when read ("" for a last line without one), given back exactly.
    enum class LineEnd : unsigned char { None, CrLf, Lf, Cr };

    // One line as read, so that lines this class never touches are written back exactly.
    // Its stored form is worked out once, so that writing a large file encodes only the
    // lines that changed.
    struct Line {
        enum class Form : unsigned char { Unknown, Ascii, Encoded };

        Line() = default;
        Line(std::string lineText, LineEnd lineEnd) : text(std::move(lineText)), end(lineEnd) {}
        void SetText(std::string newText) {
            text = std::move(newText);
            form = Form::Unknown;
            stored.reset();
        }

        std::string text;
        LineEnd end = LineEnd::None;
        bool indexed = false;  // the first line of its key: the one the key reads
        mutable Form form = Form::Unknown;
        // The stored form of an Encoded line; an Ascii line is its own.
        mutable std::unique_ptr<std::string> stored;
    };

    // Section and key names match ignoring ASCII case, looked up without a lowered copy.
    struct NoCaseHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const noexcept;
    };
    struct NoCaseEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const noexcept;
    };
    using NameIndex = std::unordered_map<std::string, std::size_t, NoCaseHash, NoCaseEqual>;

    // A section's keys, found by hash without a copy of each key: a slot holds the key's
    // hash and its line, and the line itself tells the key.
    class KeyIndex {
    public:
        static constexpr std::size_t kMissing = static_cast<std::size_t>(-1);

        void Clear();
        void Reserve(std::size_t keys);
        std::size_t Size() const { return m_count; }
        // The line of key, or kMissing.
        std::size_t Find(std::string_view key, const std::vector<Line>& body) const;
        // False (and nothing changes) when the key is there already.
        bool Insert(std::string_view key, std::size_t line, const std::vector<Line>& body);

    private:
        // The slot of key, or the empty slot where it would go.
        std::size_t Probe(std::string_view key, std::uint32_t hash,
                          const std::vector<Line>& body) const;
        struct Slot {
            std::uint32_t hash = 0;
            std::uint32_t line = 0;  // the line's index + 1; 0 for an empty slot
        };
        void Grow(std::size_t slots);

        std::vector<Slot> m_slots;
        std::size_t m_count = 0;
    };

    struct Section {
        bool hasHeader = false;  // false only for the lines before the first header
        std::string name;        // trimmed, as spelt in the file
        Line header;
        std::vector<Line> body;
        KeyIndex keys;           // the first line of each key
        std::size_t keyEnd = 0;  // new keys go here: after the last key line
        // Keys are mostly read in the order they stand: the line after the last one found
        // is tried before the index.
        mutable std::size_t lastFound = 0;
    };

    void Reload() const;
    // storedBytes, when given, are the file's bytes, line for line the stored form of text.
    void Parse(const std::string& text, std::string_view storedBytes) const;
    void IndexSection(Section& section) const;
    void RebuildSectionIndex() const;
    const Section* FindSection(std::string_view section) const;
    const Line* FindValueLine(std::string_view section, std::string_view key) const;
    Line* LastLine();
    bool Commit();
    bool WriteNow();
    // The file's bytes, piece by piece.
    void ProduceStoredBytes(const PieceSink& sink) const;
    // The line's stored form, encoded when first asked for.
    std::string_view StoredForm(const Line& line) const;

    std::string m_path;
    mutable std::vector<Section> m_sections;
    mutable NameIndex m_sectionIndex;  // the first section of each name
    mutable bool m_loaded = false;
    mutable DiskState m_state = DiskState::Missing;
    mutable FileStamp m_stamp;
    int m_batchDepth = 0;
    bool m_dirty = false;
    std::function<void()> m_writeFailed;
    bool m_inMemory = false;
    mutable std::unique_ptr<StoredTextEncoder> m_encoder;
    // See StoredSizeBound: the size last known exactly, whether any of it was not ASCII (a
    // GB18030 file may have to be written as UTF-8, half as large again), and the most the
    // lines written since can add.
    mutable std::size_t m_knownSize = 0;
    mutable bool m_knownSizeAscii = true;
    mutable std::size_t m_sizeAllowance = 0;

    bool Failed() const;
    void KnowSize(std::size_t size, bool ascii) const;
    void AllowFor(std::string_view lineText);
};

}  // namespace qarvex
