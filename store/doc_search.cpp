#include "store/doc_search.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "store/day_groups.h"
#include "store/history.h"
#include "store/pinyin.h"
#include "store/strings.h"
#include "store/text_codec.h"

namespace qarvex {

namespace {

constexpr std::uint16_t kSeparator = 1;
constexpr std::uint16_t kFirstSet = 128;
// A name's first characters are what a user types; the rest of a very long name is not
// worth the room.
constexpr std::size_t kMaxUnits = 255;
// Steps one entry's pinyin match may take: a name built to make the matching branch at
// every character stays cheap.
constexpr int kMatchBudget = 4096;

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsLetter(char c) {
    return c >= 'a' && c <= 'z';
}

bool IsAlnum(char c) {
    return IsLetter(c) || (c >= '0' && c <= '9');
}

std::uint32_t LetterBit(char c) {
    return IsLetter(c) ? (1u << (c - 'a')) : 0u;
}

// Appends text with its ASCII capitals in lower case.
void AppendLower(std::string& out, std::string_view text) {
    const std::size_t start = out.size();
    out.append(text);
    char* lower = out.data() + start;
    const std::size_t size = text.size();
    std::size_t i = 0;
    // Eight bytes at a time.
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, lower + i, 8);
        const std::uint64_t low7 = word & (0x7F * kOnes);
        const std::uint64_t fromA = low7 + (0x80 - 'A') * kOnes;      // top bit: >= 'A'
        const std::uint64_t pastZ = low7 + (0x80 - 'Z' - 1) * kOnes;  // top bit: > 'Z'
        const std::uint64_t upper = fromA & ~pastZ & ~word & (0x80 * kOnes);
        word |= upper >> 2;  // 0x80 >> 2 is the case bit
        std::memcpy(lower + i, &word, 8);
    }
    for (; i < size; ++i) {
        lower[i] = LowerAscii(lower[i]);
    }
}

// The text as pinyin is typed: without the blanks and apostrophes that part syllables;
// empty when it holds anything else than letters and digits.
std::string PinyinQuery(std::string_view keyword) {
    std::string query;
    bool letter = false;
    for (const char c : keyword) {
        if (c == ' ' || c == '\'') {
            continue;
        }
        if (!IsAlnum(c)) {
            return {};
        }
        letter = letter || IsLetter(c);
        query.push_back(c);
    }
    return letter ? query : std::string();
}

int AgeWeight(long days) {
    if (days <= 4) {
        return 100;
    }
    if (days <= 14) {
        return 70;
    }
    if (days <= 31) {
        return 50;
    }
    if (days <= 90) {
        return 30;
    }
    return 10;
}

// With today's number worked out once for a whole search.
int FrecencyOn(const TMyDoc& doc, bool knowToday, long today) {
    long last = 0;
    const std::string& seen = doc.LastSeen.empty() ? doc.Date : doc.LastSeen;
    const long age = knowToday && DayNumberOf(seen, last) ? std::max(0L, today - last) : 1L << 20;
    const long uses = 1 + std::clamp<long>(doc.OpenCount, 0, 1L << 20);
    return static_cast<int>(std::min<long>(AgeWeight(age) * uses, 1L << 30));
}

// Sorts search keys whose low 31 bits (the entry's index) already ascend: a stable radix
// sort of the 33 bits above them keeps that order, in three passes however many entries
// matched.
void SortKeys(std::vector<std::uint64_t>& keys) {
    if (keys.size() < 4096) {
        std::sort(keys.begin(), keys.end());
        return;
    }
    constexpr int kBits = 11;
    constexpr std::size_t kBuckets = std::size_t{1} << kBits;
    std::vector<std::uint64_t> sorted(keys.size());
    for (int shift = 31; shift < 64; shift += kBits) {
        std::array<std::size_t, kBuckets> start{};
        for (const std::uint64_t key : keys) {
            ++start[(key >> shift) & (kBuckets - 1)];
        }
        if (start[(keys.front() >> shift) & (kBuckets - 1)] == keys.size()) {
            continue;  // one bucket: already in order
        }
        std::size_t sum = 0;
        for (std::size_t& bucket : start) {
            const std::size_t size = bucket;
            bucket = sum;
            sum += size;
        }
        for (const std::uint64_t key : keys) {
            sorted[start[(key >> shift) & (kBuckets - 1)]++] = key;
        }
        keys.swap(sorted);
    }
}

}  // namespace

int Frecency(const TMyDoc& doc, std::string_view today) {
    long now = 0;
    const bool knowToday = DayNumberOf(today, now);
    return FrecencyOn(doc, knowToday, now);
}

PinyinReadings& DocSearchIndex::Readings() {
    if (m_readings == nullptr) {
        m_readings = &PinyinReadings::Installed();
    }
    return *m_readings;
}

DocSearchIndex::Entry DocSearchIndex::Units(const TMyDoc& doc) {
    Entry entry;
    if (!m_pinyin) {
        return entry;
    }
    const std::string& name = doc.DisplayName;
    entry.begin = static_cast<std::uint32_t>(m_units.size());
    bool chinese = false;
    bool afterSeparator = true;  // no separator in front
    std::size_t count = 0;
    std::size_t pos = 0;
    const auto separator = [&] {
        if (!afterSeparator) {
            m_units.push_back(kSeparator);
            ++count;
        }
        afterSeparator = true;
    };
    while (pos < name.size() && count < kMaxUnits) {
        const char b = name[pos];
        if (static_cast<unsigned char>(b) < 0x80) {
            ++pos;
            const char c = LowerAscii(b);
            if (!IsAlnum(c)) {
                separator();
                continue;
            }
            m_units.push_back(static_cast<std::uint16_t>(c));
            ++count;
            entry.firstLetters |= LetterBit(c);
            entry.letters |= LetterBit(c);
            afterSeparator = false;
            continue;
        }
        char32_t cp = 0;
        const std::size_t length = Utf8SequenceAt(name, pos, cp);
        pos += length == 0 ? 1 : length;
        const std::uint16_t set =
            length != 0 && cp >= 0x3400 ? Readings().SetOf(cp) : PinyinReadings::kNoReadings;
        if (set == PinyinReadings::kNoReadings) {
            separator();
            continue;
        }
        while (m_setFirst.size() <= set) {
            std::uint32_t first = 0;
            std::uint32_t letters = 0;
            for (const std::uint16_t syllable :
                 Readings().Set(static_cast<std::uint16_t>(m_setFirst.size()))) {
                const std::string_view text = Readings().Syllable(syllable);
                first |= LetterBit(text[0]);
                for (const char c : text) {
                    letters |= LetterBit(c);
                }
            }
            m_setFirst.push_back(first);
            m_setLetters.push_back(letters);
        }
        m_units.push_back(static_cast<std::uint16_t>(kFirstSet + set));
        ++count;
        entry.firstLetters |= m_setFirst[set];
        entry.letters |= m_setLetters[set];
        chinese = true;
        afterSeparator = false;
    }
    if (!chinese) {
        m_units.resize(entry.begin);
        return {};
    }
    if (afterSeparator && count > 0) {
        m_units.pop_back();
        --count;
    }
    entry.size = static_cast<std::uint16_t>(count);
    return entry;
}

DocSearchIndex::Entry DocSearchIndex::Make(const TMyDoc& doc) {
    Entry entry = Units(doc);
    // Texts the stored file held longer than any sighting may be are searched by their
    // start.
    constexpr std::size_t kMaxText = 1u << 20;
    const std::string_view name = std::string_view(doc.DisplayName).substr(0, kMaxText);
    const std::string_view path = std::string_view(doc.Path).substr(0, kMaxText);
    entry.text = m_text.size();
    entry.nameSize = static_cast<std::uint32_t>(name.size());
    entry.pathSize = static_cast<std::uint32_t>(path.size());
    AppendLower(m_text, name);
    AppendLower(m_text, path);
    return entry;
}

std::string_view DocSearchIndex::LowerName(int index) const {
    const Entry& entry = m_entries[static_cast<std::size_t>(index)];
    return std::string_view(m_text).substr(entry.text, entry.nameSize);
}

std::string_view DocSearchIndex::LowerPath(int index) const {
    const Entry& entry = m_entries[static_cast<std::size_t>(index)];
    return std::string_view(m_text).substr(entry.text + entry.nameSize, entry.pathSize);
}

void DocSearchIndex::Add(const TMyDoc& doc) {
    m_entries.push_back(Make(doc));
}

void DocSearchIndex::Rename(int index, const TMyDoc& doc) {
    if (index >= 0 && index < static_cast<int>(m_entries.size())) {
        m_entries[static_cast<std::size_t>(index)] = Make(doc);
    }
}

void DocSearchIndex::Clear() {
    m_entries.clear();
    m_units.clear();
    m_text.clear();
}

void DocSearchIndex::Reserve(std::size_t entries, std::size_t textBytes) {
    m_entries.reserve(m_entries.size() + entries);
    m_text.reserve(m_text.size() + textBytes);
}

std::size_t DocSearchIndex::PinyinBytes() const {
    return m_entries.capacity() * sizeof(Entry) + m_units.capacity() * sizeof(std::uint16_t) +
           (m_setFirst.capacity() + m_setLetters.capacity()) * sizeof(std::uint32_t) +
           (m_readings != nullptr ? m_readings->MemoryBytes() : 0);
}

bool DocSearchIndex::CanStart(std::uint16_t unit, char letter) const {
    if (unit == kSeparator) {
        return false;
    }
    if (unit < kFirstSet) {
        return static_cast<char>(unit) == letter;
    }
    return (m_setFirst[unit - kFirstSet] & LetterBit(letter)) != 0;
}

bool DocSearchIndex::From(const std::uint16_t* units, std::size_t count, std::size_t unit,
                          std::string_view query, std::size_t at, bool whole, bool chinese,
                          int& budget) const {
    if (--budget < 0) {
        return false;
    }
    // Words of a name are matched across what stands between them.
    while (unit < count && units[unit] == kSeparator) {
        ++unit;
    }
    // A match in Latin letters alone is the plain text search's: a pinyin match spells at
    // least one Chinese character.
    if (at == query.size()) {
        return chinese && (!whole || unit == count);
    }
    if (unit == count) {
        return false;
    }
    const std::uint16_t u = units[unit];
    const std::string_view rest = query.substr(at);
    if (u < kFirstSet) {
        return static_cast<char>(u) == rest[0] &&
               From(units, count, unit + 1, query, at + 1, whole, chinese, budget);
    }
    if ((m_setFirst[u - kFirstSet] & LetterBit(rest[0])) == 0) {
        return false;
    }
    bool twoLetterInitial = false;
    for (const std::uint16_t syllable :
         m_readings->Set(static_cast<std::uint16_t>(u - kFirstSet))) {
        const std::string_view reading = m_readings->Syllable(syllable);
        if (reading[0] != rest[0]) {
            continue;
        }
        // The whole syllable, or the start of the one still being typed.
        if (rest.size() >= reading.size()) {
            if (rest.compare(0, reading.size(), reading) == 0 &&
                From(units, count, unit + 1, query, at + reading.size(), whole, true, budget)) {
                return true;
            }
        } else if (reading.compare(0, rest.size(), rest) == 0 &&
                   From(units, count, unit + 1, query, query.size(), whole, true, budget)) {
            return true;
        }
        twoLetterInitial = twoLetterInitial ||
                           (reading.size() > 2 && reading[1] == 'h' && rest.size() >= 2 &&
                            rest[1] == 'h' && (rest[0] == 'z' || rest[0] == 'c' || rest[0] == 's'));
    }
    // Initials: zh, ch and sh, or the first letter.
    if (twoLetterInitial && From(units, count, unit + 1, query, at + 2, whole, true, budget)) {
        return true;
    }
    return From(units, count, unit + 1, query, at + 1, whole, true, budget);
}

DocSearchIndex::Match DocSearchIndex::MatchPinyin(int index, std::string_view query) const {
    if (index < 0 || index >= static_cast<int>(m_entries.size()) || query.empty()) {
        return Match::None;
    }
    const Entry& entry = m_entries[static_cast<std::size_t>(index)];
    if (entry.size == 0 ||
        (IsLetter(query[0]) && (entry.firstLetters & LetterBit(query[0])) == 0)) {
        return Match::None;
    }
    std::uint32_t wanted = 0;
    for (const char c : query) {
        wanted |= LetterBit(c);
    }
    if ((wanted & ~entry.letters) != 0) {
        return Match::None;
    }
    const std::uint16_t* units = m_units.data() + entry.begin;
    const std::size_t count = entry.size;
    int budget = kMatchBudget;
    if (CanStart(units[0], query[0])) {
        if (From(units, count, 0, query, 0, true, false, budget)) {
            return Match::Exact;
        }
        if (From(units, count, 0, query, 0, false, false, budget)) {
            return Match::Prefix;
        }
    }
    for (std::size_t unit = 1; unit < count && budget > 0; ++unit) {
        if (CanStart(units[unit], query[0]) &&
            From(units, count, unit, query, 0, false, false, budget)) {
            return Match::Other;
        }
    }
    return Match::None;
}

std::vector<int> RankedMatches(const History& history, std::string_view text,
                               std::string_view today) {
    return RankedMatches(history.Docs(), history.SearchIndex(), text, today);
}

std::vector<int> RankedMatches(const DocTable& docs, const DocSearchIndex& index,
                               std::string_view text, std::string_view today) {
    std::vector<int> result;
    const std::string keyword = AsciiLower(Trim(text));
    if (keyword.empty()) {
        return result;
    }
    const std::string pinyin = PinyinQuery(keyword);
    using Match = DocSearchIndex::Match;
    // How the name matches (best first), the entry's use (most first) and its index, packed
    // into one number that sorts in that order: sorting is most of a keystroke that many
    // entries match.
    constexpr std::uint64_t kMostUse = 1ULL << 30;
    std::vector<std::uint64_t> found;
    long now = 0;
    const bool knowToday = DayNumberOf(today, now);
    const int count = static_cast<int>(std::min(docs.size(), index.Size()));
    for (int n = 0; n < count; ++n) {
        const std::string_view name = index.LowerName(n);
        Match match = Match::None;
        if (StartsWith(name, keyword)) {
            match = name.size() == keyword.size() ? Match::Exact : Match::Prefix;
        } else if (name.find(keyword) != std::string_view::npos ||
                   index.LowerPath(n).find(keyword) != std::string_view::npos) {
            match = Match::Other;
        }
        if (match != Match::Exact && !pinyin.empty()) {
            match = std::max(match, index.MatchPinyin(n, pinyin));
        }
        if (match != Match::None) {
            const auto use = static_cast<std::uint64_t>(
                std::clamp<int>(FrecencyOn(docs[static_cast<std::size_t>(n)], knowToday, now), 0,
                                static_cast<int>(kMostUse)));
            found.push_back(
                static_cast<std::uint64_t>(static_cast<int>(Match::Exact) - static_cast<int>(match))
                    << 62 |
                (kMostUse - use) << 31 | static_cast<std::uint64_t>(n));
        }
    }
    SortKeys(found);
    result.reserve(found.size());
    constexpr std::uint64_t kIndexBits = (1ULL << 31) - 1;
    for (const std::uint64_t key : found) {
        result.push_back(static_cast<int>(key & kIndexBits));
    }
    return result;
}

}  // namespace qarvex
