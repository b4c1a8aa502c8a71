#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qarvex {

// The toneless pinyin readings of Chinese characters, for finding a name by what a user
// types. Every reading of a character counts (行: hang and xing), so the readings come from
// a packaged reading table; a character the table lacks gets ICU's one reading. Readings
// are kept as small sets shared between the characters that have the same ones.
class PinyinReadings {
public:
    // Rime's simplified-Chinese pinyin dictionary (Debian package rime-data-pinyin-simp).
    static constexpr const char* kInstalledTable = "/usr/share/rime-data/pinyin_simp.dict.yaml";
    // A set number for a character that is not Chinese.
    static constexpr std::uint16_t kNoReadings = 0;

    // Reads the table's single-character lines ("字<TAB>zi<TAB>weight"); a missing or
    // unreadable table leaves only ICU's readings.
    explicit PinyinReadings(const std::string& tablePath);
    ~PinyinReadings();
    PinyinReadings(const PinyinReadings&) = delete;
    PinyinReadings& operator=(const PinyinReadings&) = delete;

    // The installed table, read when first asked for.
    static PinyinReadings& Installed();

    bool HasTable() const { return m_fromTable > 0; }
    // How many characters the table gave readings for.
    std::size_t TableCharacters() const { return m_fromTable; }

    // The reading set of a character, kNoReadings for one that is not Chinese.
    std::uint16_t SetOf(char32_t c);
    // The syllables of a set, each an index for Syllable().
    const std::vector<std::uint16_t>& Set(std::uint16_t set) const { return m_sets[set]; }
    std::string_view Syllable(std::uint16_t syllable) const { return m_syllables[syllable]; }

    // Bytes held by the sets, the syllables and the character map.
    std::size_t MemoryBytes() const;

private:
    std::uint16_t SyllableId(const std::string& syllable);
    std::uint16_t SetId(std::vector<std::uint16_t> syllables);
    std::uint16_t ReadWithIcu(char32_t c);

    std::vector<std::string> m_syllables;
    std::unordered_map<std::string, std::uint16_t> m_syllableIds;
    std::vector<std::vector<std::uint16_t>> m_sets;
    std::map<std::vector<std::uint16_t>, std::uint16_t> m_setIds;
    std::unordered_map<char32_t, std::uint16_t> m_charSets;
    std::size_t m_fromTable = 0;
    // Made only when a character the table lacks turns up: building it takes a while.
    struct IcuReader;
    std::unique_ptr<IcuReader> m_icu;
    bool m_icuFailed = false;
};

}  // namespace qarvex
