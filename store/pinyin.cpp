#include "store/pinyin.h"

#include <algorithm>
#include <fstream>

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include "store/text_codec.h"

namespace qarvex {

namespace {

// The blocks of Chinese characters; anything else is never given a reading.
bool IsHan(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x323AF);
}

bool IsPlainSyllable(std::string_view text) {
    return !text.empty() && text.size() <= 6 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// Pinyin keyboards type ü as v ("lv"); many users type u. Both find the character.
void AddWithUmlautForms(std::vector<std::string>& readings, const std::string& syllable) {
    readings.push_back(syllable);
    if (syllable.find('v') != std::string::npos) {
        std::string u = syllable;
        std::replace(u.begin(), u.end(), 'v', 'u');
        readings.push_back(std::move(u));
    }
}

}  // namespace

struct PinyinReadings::IcuReader {
    std::unique_ptr<icu::Transliterator> transliterator;
};

PinyinReadings::PinyinReadings(const std::string& tablePath) {
    m_syllables.emplace_back();
    m_sets.emplace_back();  // kNoReadings
    std::ifstream in(tablePath, std::ios::binary);
    if (!in) {
        return;
    }
    std::unordered_map<char32_t, std::vector<std::string>> readings;
    std::string line;
    bool body = false;
    while (std::getline(in, line)) {
        if (!body) {
            // The entries follow the header's "..." line.
            body = line.rfind("...", 0) == 0;
            continue;
        }
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0) {
            continue;
        }
        char32_t c = 0;
        if (Utf8SequenceAt(line, 0, c) != tab || !IsHan(c)) {
            continue;  // a word, not one character
        }
        const std::size_t end = line.find('\t', tab + 1);
        const std::string syllable =
            line.substr(tab + 1, end == std::string::npos ? std::string::npos : end - tab - 1);
        if (IsPlainSyllable(syllable)) {
            AddWithUmlautForms(readings[c], syllable);
        }
    }
    m_charSets.reserve(readings.size());
    for (auto& [c, syllables] : readings) {
        std::vector<std::uint16_t> ids;
        ids.reserve(syllables.size());
        for (const std::string& syllable : syllables) {
            ids.push_back(SyllableId(syllable));
        }
        m_charSets.emplace(c, SetId(std::move(ids)));
    }
    m_fromTable = m_charSets.size();
}

PinyinReadings::~PinyinReadings() = default;

PinyinReadings& PinyinReadings::Installed() {
    static PinyinReadings readings(kInstalledTable);
    return readings;
}

std::uint16_t PinyinReadings::SyllableId(const std::string& syllable) {
    const auto found = m_syllableIds.find(syllable);
    if (found != m_syllableIds.end()) {
        return found->second;
    }
    const auto id = static_cast<std::uint16_t>(m_syllables.size());
    m_syllables.push_back(syllable);
    m_syllableIds.emplace(syllable, id);
    return id;
}

std::uint16_t PinyinReadings::SetId(std::vector<std::uint16_t> syllables) {
    std::sort(syllables.begin(), syllables.end());
    syllables.erase(std::unique(syllables.begin(), syllables.end()), syllables.end());
    if (syllables.empty()) {
        return kNoReadings;
    }
    const auto found = m_setIds.find(syllables);
    if (found != m_setIds.end()) {
        return found->second;
    }
    // The sets are counted in the thousands; a name's units keep room for them.
    if (m_sets.size() >= 0x7F00) {
        return kNoReadings;
    }
    const auto id = static_cast<std::uint16_t>(m_sets.size());
    m_sets.push_back(syllables);
    m_setIds.emplace(std::move(syllables), id);
    return id;
}

std::uint16_t PinyinReadings::SetOf(char32_t c) {
    if (!IsHan(c)) {
        return kNoReadings;
    }
    const auto found = m_charSets.find(c);
    if (found != m_charSets.end()) {
        return found->second;
    }
    const std::uint16_t set = ReadWithIcu(c);
    m_charSets.emplace(c, set);
    return set;
}

std::uint16_t PinyinReadings::ReadWithIcu(char32_t c) {
    if (!m_icu && !m_icuFailed) {
        UErrorCode status = U_ZERO_ERROR;
        auto reader = std::make_unique<IcuReader>();
        reader->transliterator.reset(icu::Transliterator::createInstance(
            "Han-Latin; Latin-ASCII; Any-Lower", UTRANS_FORWARD, status));
        if (U_SUCCESS(status) && reader->transliterator) {
            m_icu = std::move(reader);
        }
        m_icuFailed = !m_icu;
    }
    if (!m_icu) {
        return kNoReadings;
    }
    icu::UnicodeString text(static_cast<UChar32>(c));
    m_icu->transliterator->transliterate(text);
    std::string latin;
    text.toUTF8String(latin);
    latin.erase(
        std::remove_if(latin.begin(), latin.end(), [](char l) { return l < 'a' || l > 'z'; }),
        latin.end());
    if (!IsPlainSyllable(latin)) {
        return kNoReadings;
    }
    return SetId({SyllableId(latin)});
}

std::size_t PinyinReadings::MemoryBytes() const {
    std::size_t bytes =
        m_charSets.size() * (sizeof(char32_t) + sizeof(std::uint16_t) + 2 * sizeof(void*)) +
        m_charSets.bucket_count() * sizeof(void*);
    for (const auto& set : m_sets) {
        // Each set is held twice: by number and as the key that finds its number.
        bytes += 2 * (sizeof(set) + set.capacity() * sizeof(std::uint16_t)) + 4 * sizeof(void*);
    }
    for (const auto& syllable : m_syllables) {
        bytes += 2 * (sizeof(syllable) + syllable.capacity()) + 2 * sizeof(void*);
    }
    return bytes;
}

}  // namespace qarvex
