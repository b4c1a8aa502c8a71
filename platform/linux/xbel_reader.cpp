#include "platform/linux/xbel_reader.h"

#include <algorithm>
#include <map>
#include <string>

#include "store/strings.h"
#include "store/text_codec.h"

namespace qarvex {

namespace {

constexpr std::string_view kBookmarkNamespace =
    "http://www.freedesktop.org/standards/desktop-bookmarks";
// Far deeper than any list GTK writes; a deeper one is built to exhaust us.
constexpr std::size_t kMaxDepth = 64;

struct Attribute {
    std::string_view name;
    std::string value;
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsNameEnd(char c) {
    return IsSpace(c) || c == '/' || c == '>' || c == '=';
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// An attribute value with its references resolved; nothing for a reference XML does not
// allow (an unknown name, a character that is no XML character).
std::optional<std::string> DecodeValue(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    std::size_t i = 0;
    while (i < raw.size()) {
        if (raw[i] != '&') {
            out += raw[i++];
            continue;
        }
        const std::size_t semi = raw.find(';', i);
        if (semi == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view ref = raw.substr(i + 1, semi - i - 1);
        i = semi + 1;
        if (ref == "lt") {
            out += '<';
        } else if (ref == "gt") {
            out += '>';
        } else if (ref == "amp") {
            out += '&';
        } else if (ref == "quot") {
            out += '"';
        } else if (ref == "apos") {
            out += '\'';
        } else if (ref.size() >= 2 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            const std::string_view digits = ref.substr(hex ? 2 : 1);
            if (digits.empty() || digits.size() > 8) {
                return std::nullopt;
            }
            std::uint32_t code = 0;
            for (const char c : digits) {
                const int value = hex ? HexDigitValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
                if (value < 0) {
                    return std::nullopt;
                }
                code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(value);
            }
            const bool allowed =
                code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
                (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
            if (!allowed) {
                return std::nullopt;
            }
            AppendUtf8(out, code);
        } else {
            return std::nullopt;
        }
    }
    return out;
}

// A pull reader of just what the format uses: elements with attributes; text, comments,
// processing instructions, CDATA and a document type are passed over.
class XmlReader {
public:
    explicit XmlReader(std::string_view text) : m_text(text) {}

    enum class Event { StartElement, EndElement, End, Error };

    Event Next() {
        if (m_pendingEnd) {
            m_pendingEnd = false;
            return Event::EndElement;
        }
        for (;;) {
            const std::size_t lt = m_text.find('<', m_pos);
            if (lt == std::string_view::npos) {
                m_pos = m_text.size();
                return Event::End;
            }
            m_pos = lt;
            const std::string_view rest = m_text.substr(m_pos);
            if (StartsWith(rest, "<?")) {
                if (!SkipPast("?>")) {
                    return Event::Error;
                }
            } else if (StartsWith(rest, "<!--")) {
                if (!SkipPast("-->")) {
                    return Event::Error;
                }
            } else if (StartsWith(rest, "<![CDATA[")) {
                if (!SkipPast("]]>")) {
                    return Event::Error;
                }
            } else if (StartsWith(rest, "<!")) {
                // A document type, with an internal subset in brackets if it has one.
                const std::size_t open = rest.find('[');
                const std::size_t close = rest.find('>');
                if (open != std::string_view::npos && open < close) {
                    if (!SkipPast("]")) {
                        return Event::Error;
                    }
                }
                if (!SkipPast(">")) {
                    return Event::Error;
                }
            } else if (StartsWith(rest, "</")) {
                return ReadEndTag();
            } else {
                return ReadStartTag();
            }
        }
    }

    std::string_view Name() const { return m_name; }
    const std::vector<Attribute>& Attributes() const { return m_attributes; }

private:
    bool SkipPast(std::string_view marker) {
        const std::size_t at = m_text.find(marker, m_pos + 1);
        if (at == std::string_view::npos) {
            return false;
        }
        m_pos = at + marker.size();
        return true;
    }

    void SkipSpace() {
        while (m_pos < m_text.size() && IsSpace(m_text[m_pos])) {
            ++m_pos;
        }
    }

    std::string_view ReadName() {
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && !IsNameEnd(m_text[m_pos]) && m_text[m_pos] != '<') {
            ++m_pos;
        }
        return m_text.substr(start, m_pos - start);
    }

    Event ReadEndTag() {
        m_pos += 2;
        m_name = ReadName();
        SkipSpace();
        if (m_name.empty() || m_pos >= m_text.size() || m_text[m_pos] != '>') {
            return Event::Error;
        }
        ++m_pos;
        return Event::EndElement;
    }

    Event ReadStartTag() {
        ++m_pos;
        m_name = ReadName();
        m_attributes.clear();
        if (m_name.empty()) {
            return Event::Error;
        }
        for (;;) {
            const std::size_t before = m_pos;
            SkipSpace();
            if (m_pos >= m_text.size()) {
                return Event::Error;
            }
            const char c = m_text[m_pos];
            if (c == '>') {
                ++m_pos;
                return Event::StartElement;
            }
            if (c == '/') {
                if (m_pos + 1 >= m_text.size() || m_text[m_pos + 1] != '>') {
                    return Event::Error;
                }
                m_pos += 2;
                m_pendingEnd = true;
                return Event::StartElement;
            }
            if (m_pos == before) {
                return Event::Error;  // attributes must be separated by blanks
            }
            Attribute attribute;
            attribute.name = ReadName();
            SkipSpace();
            if (attribute.name.empty() || m_pos >= m_text.size() || m_text[m_pos] != '=') {
                return Event::Error;
            }
            ++m_pos;
            SkipSpace();
            if (m_pos >= m_text.size() || (m_text[m_pos] != '"' && m_text[m_pos] != '\'')) {
                return Event::Error;
            }
            const char quote = m_text[m_pos++];
            const std::size_t end = m_text.find(quote, m_pos);
            if (end == std::string_view::npos) {
                return Event::Error;
            }
            const std::string_view raw = m_text.substr(m_pos, end - m_pos);
            m_pos = end + 1;
            if (raw.find('<') != std::string_view::npos) {
                return Event::Error;
            }
            auto value = DecodeValue(raw);
            if (!value) {
                return Event::Error;
            }
            attribute.value = std::move(*value);
            for (const Attribute& earlier : m_attributes) {
                if (earlier.name == attribute.name) {
                    return Event::Error;
                }
            }
            m_attributes.push_back(std::move(attribute));
        }
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    std::string_view m_name;
    std::vector<Attribute> m_attributes;
    bool m_pendingEnd = false;
};

const std::string* FindAttribute(const std::vector<Attribute>& attributes, std::string_view name) {
    for (const Attribute& attribute : attributes) {
        if (attribute.name == name) {
            return &attribute.value;
        }
    }
    return nullptr;
}

std::string_view LocalName(std::string_view name) {
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view Prefix(std::string_view name) {
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

}  // namespace

std::optional<std::int64_t> ParseXbelTime(std::string_view text) {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (text.size() < 20 || !Digits(text, 0, 4, year) || text[4] != '-' ||
        !Digits(text, 5, 2, month) || text[7] != '-' || !Digits(text, 8, 2, day) ||
        text[10] != 'T' || !Digits(text, 11, 2, hour) || text[13] != ':' ||
        !Digits(text, 14, 2, minute) || text[16] != ':' || !Digits(text, 17, 2, second)) {
        return std::nullopt;
    }
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) {
        return std::nullopt;
    }
    std::size_t i = 19;
    if (text[i] == '.') {
        ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            ++i;
        }
        if (i == start) {
            return std::nullopt;
        }
    }
    int offset = 0;
    const std::string_view zone = text.substr(i);
    if (zone != "Z") {
        int zoneHours = 0;
        int zoneMinutes = 0;
        if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') ||
            !Digits(zone, 1, 2, zoneHours) || zone[3] != ':' || !Digits(zone, 4, 2, zoneMinutes)) {
            return std::nullopt;
        }
        offset = (zoneHours * 60 + zoneMinutes) * 60 * (zone[0] == '-' ? -1 : 1);
    }
    return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
           hour * 3600 + minute * 60 + second - offset;
}

std::optional<std::vector<RecentDocument>> ParseXbel(std::string_view text) {
    if (StartsWith(text, "\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    if (text.find('\0') != std::string_view::npos || !IsValidUtf8(text)) {
        return std::nullopt;
    }
    std::vector<RecentDocument> documents;
    std::vector<std::string> open;  // the names of the open elements, outermost first
    std::map<std::string, std::string, std::less<>> prefixes;
    bool sawRoot = false;
    bool inBookmark = false;
    bool isPrivate = false;
    RecentDocument current;
    XmlReader reader(text);
    for (;;) {
        switch (reader.Next()) {
            case XmlReader::Event::Error:
                return std::nullopt;
            case XmlReader::Event::End:
                if (!sawRoot || !open.empty()) {
                    return std::nullopt;
                }
                return documents;
            case XmlReader::Event::StartElement: {
                const std::string_view name = reader.Name();
                if (open.empty()) {
                    if (sawRoot || name != "xbel") {
                        return std::nullopt;
                    }
                    sawRoot = true;
                }
                if (open.size() >= kMaxDepth) {
                    return std::nullopt;
                }
                for (const Attribute& attribute : reader.Attributes()) {
                    if (StartsWith(attribute.name, "xmlns:")) {
                        prefixes[std::string(attribute.name.substr(6))] = attribute.value;
                    }
                }
                if (open.size() == 1 && name == "bookmark") {
                    inBookmark = true;
                    isPrivate = false;
                    current = {};
                    if (const std::string* href = FindAttribute(reader.Attributes(), "href")) {
                        current.uri = *href;
                    }
                    for (const char* stamp : {"added", "modified", "visited"}) {
                        const std::string* value = FindAttribute(reader.Attributes(), stamp);
                        if (value) {
                            current.usedAt =
                                std::max(current.usedAt, ParseXbelTime(*value).value_or(0));
                        }
                    }
                } else if (inBookmark && LocalName(name) == "private") {
                    const auto ns = prefixes.find(Prefix(name));
                    isPrivate =
                        isPrivate || (ns != prefixes.end() && ns->second == kBookmarkNamespace);
                }
                open.emplace_back(name);
                break;
            }
            case XmlReader::Event::EndElement:
                if (open.empty() || open.back() != reader.Name()) {
                    return std::nullopt;
                }
                open.pop_back();
                if (open.size() == 1 && inBookmark) {
                    inBookmark = false;
                    if (!isPrivate && !current.uri.empty()) {
                        documents.push_back(std::move(current));
                    }
                }
                break;
        }
    }
}

}  // namespace qarvex
