#include "store/ini_file.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>

#include "store/strings.h"
#include "store/text_codec.h"

namespace qarvex {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view TrimLeftView(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= 0x20) {
        ++i;
    }
    return text.substr(i);
}

std::string_view TrimView(std::string_view text) {
    text = TrimLeftView(text);
    std::size_t end = text.size();
    while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= 0x20) {
        --end;
    }
    return text.substr(0, end);
}

// The section name of a "[name]" line.
bool ParseHeader(std::string_view text, bool firstLine, std::string_view& name) {
    if (firstLine && StartsWith(text, kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    text = TrimLeftView(text);
    if (text.empty() || text[0] != '[') {
        return false;
    }
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) {
        return false;
    }
    name = TrimView(text.substr(1, close - 1));
    return true;
}

// The key of a "key=value" line, as spelt in the file; comments (";...") and lines without
// "=" or without a key are not value lines.
bool ParseKey(std::string_view text, std::string_view& key) {
    text = TrimLeftView(text);
    if (text.empty() || text[0] == ';' || text[0] == '[') {
        return false;
    }
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) {
        return false;
    }
    key = TrimView(text.substr(0, eq));
    return !key.empty();
}

std::string ValueOf(std::string_view text) {
    const std::size_t eq = text.find('=');
    return std::string(TrimView(text.substr(eq + 1)));
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

bool IsAsciiText(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Where each line of text starts and ends, and how it ends.
struct LineSpan {
    std::size_t begin;
    std::size_t end;
    unsigned char endKind;  // 0 none, 1 CR LF, 2 LF, 3 CR
};

std::vector<LineSpan> SplitLines(std::string_view text) {
    std::vector<LineSpan> spans;
    spans.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    const char* const data = text.data();
    std::size_t pos = 0;
    while (pos < text.size()) {
        // Lines end in LF nearly always; a CR before it, or a CR alone, is looked for only up to
        // there.
        const void* lf = std::memchr(data + pos, '\n', text.size() - pos);
        const std::size_t lfAt = lf == nullptr ? text.size() : static_cast<const char*>(lf) - data;
        const void* cr = std::memchr(data + pos, '\r', lfAt - pos);
        if (cr == nullptr) {
            spans.push_back({pos, lfAt, static_cast<unsigned char>(lf == nullptr ? 0 : 2)});
            pos = lfAt + 1;
            continue;
        }
        const std::size_t crAt = static_cast<const char*>(cr) - data;
        if (crAt + 1 == lfAt) {
            spans.push_back({pos, crAt, 1});
            pos = lfAt + 1;
        } else {
            spans.push_back({pos, crAt, 3});
            pos = crAt + 1;
        }
    }
    return spans;
}

}  // namespace

std::size_t IniFile::NoCaseHash::operator()(std::string_view text) const noexcept {
    std::size_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(LowerAscii(c));
        hash *= 1099511628211ull;
    }
    return hash;
}

bool IniFile::NoCaseEqual::operator()(std::string_view a, std::string_view b) const noexcept {
    return EqualsIgnoreAsciiCase(a, b);
}

void IniFile::KeyIndex::Clear() {
    m_slots.clear();
    m_count = 0;
}

void IniFile::KeyIndex::Reserve(std::size_t keys) {
    std::size_t slots = 16;
    while (slots < keys * 2) {
        slots *= 2;
    }
    if (slots > m_slots.size()) {
        Grow(slots);
    }
}

void IniFile::KeyIndex::Grow(std::size_t slots) {
    std::vector<Slot> old = std::move(m_slots);
    m_slots.assign(slots, Slot{});
    const std::size_t mask = slots - 1;
    for (const Slot& slot : old) {
        if (slot.line != 0) {
            std::size_t at = slot.hash & mask;
            while (m_slots[at].line != 0) {
                at = (at + 1) & mask;
            }
            m_slots[at] = slot;
        }
    }
}

std::size_t IniFile::KeyIndex::Probe(std::string_view key, std::uint32_t hash,
                                     const std::vector<Line>& body) const {
    const std::size_t mask = m_slots.size() - 1;
    std::string_view spelt;
    std::size_t at = hash & mask;
    for (; m_slots[at].line != 0; at = (at + 1) & mask) {
        const Slot& slot = m_slots[at];
        if (slot.hash == hash && ParseKey(body[slot.line - 1].text, spelt) &&
            EqualsIgnoreAsciiCase(spelt, key)) {
            break;
        }
    }
    return at;
}

std::size_t IniFile::KeyIndex::Find(std::string_view key, const std::vector<Line>& body) const {
    if (m_slots.empty()) {
        return kMissing;
    }
    const Slot& slot = m_slots[Probe(key, static_cast<std::uint32_t>(NoCaseHash{}(key)), body)];
    return slot.line == 0 ? kMissing : slot.line - 1;
}

bool IniFile::KeyIndex::Insert(std::string_view key, std::size_t line,
                               const std::vector<Line>& body) {
    if ((m_count + 1) * 2 > m_slots.size()) {
        Grow(std::max<std::size_t>(16, m_slots.size() * 2));
    }
    const auto hash = static_cast<std::uint32_t>(NoCaseHash{}(key));
    Slot& slot = m_slots[Probe(key, hash, body)];
    if (slot.line != 0) {
        return false;
    }
    slot = Slot{hash, static_cast<std::uint32_t>(line + 1)};
    ++m_count;
    return true;
}

namespace {

std::string_view EndText(unsigned char kind) {
    switch (kind) {
        case 1:
            return "\r\n";
        case 2:
            return "\n";
        case 3:
            return "\r";
        default:
            return "";
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
        KnowSize(0, true);
        return;
    }
    KnowSize(bytes->size(), IsAsciiText(*bytes));
    try {
        StoredEncoding encoding = StoredEncoding::Gb18030;
        const std::string text = DecodeStoredText(*bytes, &encoding);
        // A GB18030 file decodes so that its lines encode back to their very bytes, and CR
        // and LF never occur inside a character: each line's bytes are its stored form.
        const bool keepsBytes = encoding == StoredEncoding::Gb18030;
        Parse(text, keepsBytes ? std::string_view(*bytes) : std::string_view());
        bytes.reset();
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

void IniFile::Parse(const std::string& text, std::string_view storedBytes) const {
    const std::vector<LineSpan> spans = SplitLines(text);
    std::vector<LineSpan> storedSpans;
    if (!storedBytes.empty()) {
        storedSpans = SplitLines(storedBytes);
        if (storedSpans.size() != spans.size()) {
            storedSpans.clear();  // cannot happen; the lines are encoded again instead
        }
    }
    // Headers first, so that every section's lines are allocated once.
    std::vector<std::size_t> headers;
    std::string_view name;
    for (std::size_t n = 0; n < spans.size(); ++n) {
        const std::string_view line(text.data() + spans[n].begin, spans[n].end - spans[n].begin);
        if (ParseHeader(line, n == 0, name)) {
            headers.push_back(n);
        }
    }
    m_sections.reserve(headers.size() + 1);
    std::size_t next = 0;
    for (std::size_t n = 0; n < spans.size(); ++n) {
        const LineSpan& span = spans[n];
        Line line{std::string(text.data() + span.begin, span.end - span.begin),
                  static_cast<LineEnd>(span.endKind)};
        if (IsAsciiText(line.text)) {
            line.form = Line::Form::Ascii;
        } else if (!storedSpans.empty()) {
            line.form = Line::Form::Encoded;
            line.stored = std::make_unique<std::string>(storedBytes.data() + storedSpans[n].begin,
                                                        storedSpans[n].end - storedSpans[n].begin);
        }
        if (next < headers.size() && headers[next] == n) {
            ParseHeader(line.text, n == 0, name);
            Section section;
            section.hasHeader = true;
            section.name = std::string(name);
            section.header = std::move(line);
            const std::size_t until = next + 1 < headers.size() ? headers[next + 1] : spans.size();
            // Room for the keys a run adds without moving every line.
            const std::size_t lines = until - n - 1;
            section.body.reserve(lines + lines / 8 + 16);
            m_sections.push_back(std::move(section));
            ++next;
        } else {
            m_sections.back().body.push_back(std::move(line));
        }
    }
    for (Section& section : m_sections) {
        IndexSection(section);
    }
    RebuildSectionIndex();
}

void IniFile::IndexSection(Section& section) const {
    section.keys.Clear();
    section.keys.Reserve(section.body.size());
    section.keyEnd = 0;
    section.lastFound = 0;
    std::string_view key;
    for (std::size_t i = 0; i < section.body.size(); ++i) {
        Line& line = section.body[i];
        line.indexed = false;
        if (ParseKey(line.text, key)) {
            // The first of equal keys is the one.
            line.indexed = section.keys.Insert(key, i, section.body);
            section.keyEnd = i + 1;
        }
    }
}

void IniFile::RebuildSectionIndex() const {
    m_sectionIndex.clear();
    for (std::size_t i = 0; i < m_sections.size(); ++i) {
        if (m_sections[i].hasHeader) {
            m_sectionIndex.emplace(m_sections[i].name, i);
        }
    }
}

const IniFile::Section* IniFile::FindSection(std::string_view section) const {
    const auto it = m_sectionIndex.find(TrimView(section));
    return it == m_sectionIndex.end() ? nullptr : &m_sections[it->second];
}

const IniFile::Line* IniFile::FindValueLine(std::string_view section, std::string_view key) const {
    const Section* found = FindSection(section);
    if (found == nullptr) {
        return nullptr;
    }
    const std::string_view wanted = TrimView(key);
    const std::size_t next = found->lastFound + 1;
    std::string_view spelt;
    if (next < found->body.size() && found->body[next].indexed &&
        ParseKey(found->body[next].text, spelt) && EqualsIgnoreAsciiCase(spelt, wanted)) {
        found->lastFound = next;
        return &found->body[next];
    }
    const std::size_t line = found->keys.Find(wanted, found->body);
    if (line == KeyIndex::kMissing) {
        return nullptr;
    }
    found->lastFound = line;
    return &found->body[line];
}

std::size_t IniFile::KeyCount(std::string_view section) const {
    Reload();
    const Section* found = FindSection(section);
    return found == nullptr ? 0 : found->keys.Size();
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

    const auto found = m_sectionIndex.find(std::string_view(sectionName));
    if (found == m_sectionIndex.end()) {
        if (Line* last = LastLine(); last != nullptr && last->end == LineEnd::None) {
            last->end = LineEnd::CrLf;
        }
        Section added;
        added.hasHeader = true;
        added.name = sectionName;
        added.header = Line{"[" + sectionName + "]", LineEnd::CrLf};
        added.body.push_back(Line{keyName + "=" + text, LineEnd::CrLf});
        AllowFor(added.header.text);
        AllowFor(added.body.back().text);
        added.body.back().indexed = true;
        added.keys.Insert(keyName, 0, added.body);
        added.keyEnd = 1;
        m_sections.push_back(std::move(added));
        m_sectionIndex.emplace(sectionName, m_sections.size() - 1);
        return Commit();
    }

    Section& target = m_sections[found->second];
    const std::size_t existing = target.keys.Find(keyName, target.body);
    if (existing != KeyIndex::kMissing) {
        Line& line = target.body[existing];
        std::string_view spelling;
        ParseKey(line.text, spelling);
        std::string replaced;
        replaced.reserve(spelling.size() + 1 + text.size());
        replaced.append(spelling).append("=").append(text);
        if (replaced == line.text && !m_dirty && m_state == DiskState::Loaded) {
            return true;  // already on disk exactly so
        }
        if (replaced != line.text) {
            AllowFor(replaced);
            line.SetText(std::move(replaced));
        }
        return Commit();
    }

    // A new key goes after the last key of its section, ahead of any blank lines or
    // comments that separate it from the next section. Every indexed line lies before it.
    const std::size_t at = target.keyEnd;
    Line& before = at == 0 ? target.header : target.body[at - 1];
    if (before.end == LineEnd::None) {
        before.end = LineEnd::CrLf;
    }
    const auto inserted = target.body.insert(target.body.begin() + static_cast<std::ptrdiff_t>(at),
                                             Line{keyName + "=" + text, LineEnd::CrLf});
    inserted->indexed = true;
    AllowFor(inserted->text);
    target.keys.Insert(keyName, at, target.body);
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
    const std::string_view wanted = TrimView(section);
    const std::size_t before = m_sections.size();
    std::erase_if(m_sections, [&](const Section& s) {
        return s.hasHeader && EqualsIgnoreAsciiCase(s.name, wanted);
    });
    if (m_sections.size() == before) {
        return true;
    }
    RebuildSectionIndex();
    return Commit();
}

bool IniFile::EraseKeys(std::string_view section, const std::vector<std::string>& keys) {
    Reload();
    const auto found = m_sectionIndex.find(TrimView(section));
    if (found == m_sectionIndex.end() || keys.empty()) {
        return true;
    }
    Section& target = m_sections[found->second];
    std::vector<bool> doomed(target.body.size(), false);
    bool any = false;
    for (const std::string& key : keys) {
        const std::size_t line = target.keys.Find(TrimView(key), target.body);
        if (line != KeyIndex::kMissing) {
            doomed[line] = true;
            any = true;
        }
    }
    if (!any) {
        return true;
    }
    std::vector<Line> kept;
    kept.reserve(target.body.size());
    for (std::size_t n = 0; n < target.body.size(); ++n) {
        if (!doomed[n]) {
            kept.push_back(std::move(target.body[n]));
        }
    }
    target.body = std::move(kept);
    IndexSection(target);
    return Commit();
}

std::string_view IniFile::StoredForm(const Line& line) const {
    if (line.form == Line::Form::Unknown) {
        if (IsAsciiText(line.text)) {
            line.form = Line::Form::Ascii;
        } else {
            if (!m_encoder) {
                m_encoder = std::make_unique<StoredTextEncoder>();
            }
            line.stored = std::make_unique<std::string>(m_encoder->Encode(line.text));
            line.form = Line::Form::Encoded;
        }
    }
    return line.form == Line::Form::Ascii ? std::string_view(line.text)
                                          : std::string_view(*line.stored);
}

void IniFile::KnowSize(std::size_t size, bool ascii) const {
    m_knownSize = size;
    m_knownSizeAscii = ascii;
    m_sizeAllowance = 0;
}

void IniFile::AllowFor(std::string_view lineText) {
    // GB18030 takes at most twice a character's UTF-8 bytes (four for a two-byte one); a
    // line end, and a byte-order mark should the file turn to UTF-8.
    m_sizeAllowance += 2 * lineText.size() + 2 + kUtf8ByteOrderMark.size();
}

std::size_t IniFile::StoredSizeBound() const {
    Reload();
    const std::size_t known = m_knownSizeAscii ? m_knownSize : m_knownSize + m_knownSize / 2;
    return known + m_sizeAllowance;
}

std::size_t IniFile::StoredSize() const {
    Reload();
    std::size_t size = 0;
    bool ascii = true;
    const auto add = [&](const Line& line) {
        size += StoredForm(line).size() + EndText(static_cast<unsigned char>(line.end)).size();
        ascii = ascii && line.form == Line::Form::Ascii;
    };
    for (const Section& section : m_sections) {
        if (section.hasHeader) {
            add(section.header);
        }
        std::for_each(section.body.begin(), section.body.end(), add);
    }
    KnowSize(size, ascii);
    return size;
}

std::size_t IniFile::StoredLineSize(std::string_view section, std::string_view key) const {
    Reload();
    const Line* line = FindValueLine(section, key);
    return line == nullptr
               ? 0
               : StoredForm(*line).size() + EndText(static_cast<unsigned char>(line->end)).size();
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

void IniFile::ProduceStoredBytes(const PieceSink& sink) const {
    // Joined, the lines' stored forms are the file, unless every line that is not plain
    // ASCII happens to be valid UTF-8 as well: such a file could read back as UTF-8, and
    // the whole text decides how it is written. So does a text holding characters of the
    // range that stands for raw bytes: read from a UTF-8 file they are real characters,
    // which only the whole text's check writes so that they read back.
    bool anyEncoded = false;
    bool anyInvalidUtf8 = false;
    bool anyEscapeRange = false;
    const auto look = [&](const Line& line) {
        StoredForm(line);
        if (line.form == Line::Form::Encoded) {
            anyEncoded = true;
            anyInvalidUtf8 = anyInvalidUtf8 || !IsValidUtf8(*line.stored);
            anyEscapeRange = anyEscapeRange || HasEscapeRange(line.text);
        }
    };
    for (const Section& section : m_sections) {
        if (section.hasHeader) {
            look(section.header);
        }
        std::for_each(section.body.begin(), section.body.end(), look);
    }
    if (anyEncoded && (!anyInvalidUtf8 || anyEscapeRange)) {
        std::string text;
        const auto append = [&](const Line& line) {
            text += line.text;
            text += EndText(static_cast<unsigned char>(line.end));
        };
        for (const Section& section : m_sections) {
            if (section.hasHeader) {
                append(section.header);
            }
            std::for_each(section.body.begin(), section.body.end(), append);
        }
        sink(EncodeStoredText(text));
        return;
    }
    // Handed over in large pieces: a call per line would cost more than the copying.
    constexpr std::size_t kPieceBytes = 256 * 1024;
    std::string piece;
    piece.reserve(kPieceBytes + 4096);
    const auto emit = [&](const Line& line) {
        piece += StoredForm(line);
        piece += EndText(static_cast<unsigned char>(line.end));
        if (piece.size() >= kPieceBytes) {
            sink(piece);
            piece.clear();
        }
    };
    for (const Section& section : m_sections) {
        if (section.hasHeader) {
            emit(section.header);
        }
        std::for_each(section.body.begin(), section.body.end(), emit);
    }
    sink(piece);
}

bool IniFile::WriteNow() {
    if (!m_dirty) {
        return true;
    }
    if (m_state == DiskState::Unreadable) {
        return Failed();
    }
    if (m_inMemory) {
        return true;  // stays dirty, so reads keep seeing the changes
    }
    try {
        if (!WriteFileAtomic(m_path, [this](const PieceSink& sink) { ProduceStoredBytes(sink); })) {
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
        // Whether what was written is all ASCII is not known here; assume not.
        KnowSize(static_cast<std::size_t>(stamp->size), false);
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
