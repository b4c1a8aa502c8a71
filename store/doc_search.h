#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/doc_table.h"

namespace qarvex {

class DocSearchIndex;
class History;
class PinyinReadings;

// The search's ranked result: the indexes of the entries whose name or address holds the
// trimmed text (ASCII letters in any case), or whose Chinese name the text spells in
// pinyin (whole syllables, initials, or both, mixed with the name's Latin letters). Names
// that equal the text come first, then names that begin with it, then every other match;
// within each, what was used often and lately first (today as "yyyy-mm-dd"), and otherwise
// the history's own order. An empty text matches nothing.
std::vector<int> RankedMatches(const History& history, std::string_view text,
                               std::string_view today);
// The same over any table and its index (other machines' entries).
std::vector<int> RankedMatches(const DocTable& docs, const DocSearchIndex& index,
                               std::string_view text, std::string_view today);

// How well an entry's use ranks it on a day: recent uses weigh most, fading with age, and
// each opening adds to it. today and the entry's last use are "yyyy-mm-dd".
int Frecency(const TMyDoc& doc, std::string_view today);

// The pinyin forms of the history's names, worked out as each entry is recorded so that a
// keystroke only compares. Names without Chinese characters take no room.
class DocSearchIndex {
public:
    // Without readings given, the installed table is read when the first Chinese name
    // comes.
    explicit DocSearchIndex(PinyinReadings* readings = nullptr) : m_readings(readings) {}

    // Appends the entry of the next index.
    void Add(const TMyDoc& doc);
    // The entry's name changed.
    void Rename(int index, const TMyDoc& doc);
    void Clear();
    // Room for entries more, their names and paths taking textBytes: a table built at once
    // (another machine's history) grows its buffers once.
    void Reserve(std::size_t entries, std::size_t textBytes);
    // Off, names get no pinyin forms (for comparison).
    void SetPinyin(bool on) { m_pinyin = on; }

    std::size_t Size() const { return m_entries.size(); }
    // The bytes the pinyin forms take (with the reading table), and those of the
    // lower-case texts.
    std::size_t PinyinBytes() const;
    std::size_t TextBytes() const { return m_text.capacity(); }

    // The entry's DisplayName and Path with ASCII letters in lower case, kept one after
    // another so that a keystroke reads them in one sweep.
    std::string_view LowerName(int index) const;
    std::string_view LowerPath(int index) const;

    enum class Match { None, Other, Prefix, Exact };
    // How the entry's name matches a pinyin query (lower-case letters and digits only).
    Match MatchPinyin(int index, std::string_view query) const;

private:
    struct Entry {
        std::uint32_t begin = 0;
        std::uint16_t size = 0;  // no units: nothing to match in pinyin
        std::uint32_t firstLetters = 0;
        std::uint32_t letters = 0;
        std::size_t text = 0;  // the lower-case name, then the lower-case Path
        std::uint32_t nameSize = 0;
        std::uint32_t pathSize = 0;
    };
    Entry Units(const TMyDoc& doc);
    Entry Make(const TMyDoc& doc);
    bool From(const std::uint16_t* units, std::size_t count, std::size_t unit,
              std::string_view query, std::size_t at, bool whole, bool chinese, int& budget) const;
    bool CanStart(std::uint16_t unit, char letter) const;
    PinyinReadings& Readings();

    PinyinReadings* m_readings;
    bool m_pinyin = true;
    std::vector<Entry> m_entries;
    // One unit per character of a name: an ASCII letter or digit as itself (lower case), a
    // run of anything else that is no Chinese character as kSeparator, a Chinese character
    // as kFirstSet plus its reading set.
    std::vector<std::uint16_t> m_units;
    std::string m_text;
    // For each reading set, the first letters and all the letters of its syllables.
    mutable std::vector<std::uint32_t> m_setFirst;
    mutable std::vector<std::uint32_t> m_setLetters;
};

}  // namespace qarvex
