#include "store/text_codec.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include <iconv.h>

namespace qarvex {

namespace {

// Bytes that cannot be decoded are kept as U+F700 + byte. Only bytes 0x80..0xFF can be
// undecodable (ASCII is the same in every encoding we meet), so the escapes occupy
// U+F780..U+F7FF, whose UTF-8 form always starts with EF 9E or EF 9F.
constexpr char32_t kEscapeBase = 0xF700;
constexpr char32_t kEscapeFirst = 0xF780;
constexpr char32_t kEscapeLast = 0xF7FF;

// Input is decoded in slices of about this size, so that a slice that does not survive
// a round trip only costs a careful re-decode of that slice.
constexpr std::size_t kSliceBytes = 64 * 1024;

bool IsEscape(char32_t cp) {
    return cp >= kEscapeFirst && cp <= kEscapeLast;
}

void AppendEscape(std::string& out, unsigned char byte) {
    AppendUtf8(out, kEscapeBase + byte);
}

class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (Ok()) {
            iconv_close(m_cd);
        }
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool Ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of in as it can, appending to out. Returns the number of input
    // bytes consumed; err is 0 when everything was converted, else EILSEQ or EINVAL
    // describing the byte at the returned position.
    std::size_t Convert(std::string_view in, std::string& out, int& err) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        err = 0;
        char buffer[16 * 1024];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof(buffer);
            const std::size_t r = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (r == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG) {
                    continue;
                }
                err = errno == EINVAL ? EINVAL : EILSEQ;
                break;
            }
        }
        return in.size() - inLeft;
    }

private:
    iconv_t m_cd;
};

// Converts all of in; where the converter stops, standIn(pos) appends a stand-in for
// what is at pos and says how many bytes it stands for.
template <typename StandIn>
void ConvertAll(Iconv& cd, std::string_view in, std::string& out, StandIn standIn) {
    std::size_t pos = 0;
    while (pos < in.size()) {
        int err = 0;
        pos += cd.Convert(in.substr(pos), out, err);
        if (err == 0) {
            break;
        }
        pos += standIn(pos);
    }
}

// GB18030 form of a run of well-formed UTF-8 that holds no escapes.
void EncodeRun(Iconv& cd, std::string_view run, std::string& out) {
    if (run.empty()) {
        return;
    }
    // GB18030 covers all of Unicode, so a stand-in is only needed if the converter is
    // missing a mapping; a visible one beats dropping the rest.
    ConvertAll(cd, run, out, [&](std::size_t pos) {
        char32_t cp = 0;
        const std::size_t len = Utf8SequenceAt(run, pos, cp);
        out.push_back('?');
        return len == 0 ? std::size_t{1} : len;
    });
}

std::string Encode(Iconv& cd, std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t runStart = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const unsigned char b = static_cast<unsigned char>(utf8[pos]);
        if (b < 0x80) {
            // ASCII is the same in both: only the other characters go through the converter.
            EncodeRun(cd, utf8.substr(runStart, pos - runStart), out);
            const std::size_t asciiEnd =
                std::find_if(utf8.begin() + static_cast<std::ptrdiff_t>(pos), utf8.end(),
                             [](char c) { return static_cast<unsigned char>(c) >= 0x80; }) -
                utf8.begin();
            out.append(utf8.substr(pos, asciiEnd - pos));
            pos = asciiEnd;
            runStart = pos;
            continue;
        }
        char32_t cp = 0;
        const std::size_t len = Utf8SequenceAt(utf8, pos, cp);
        if (len != 0 && !IsEscape(cp)) {
            pos += len;
            continue;
        }
        EncodeRun(cd, utf8.substr(runStart, pos - runStart), out);
        // An escape stands for its raw byte; malformed UTF-8 in memory is passed
        // through as it is rather than lost.
        out.push_back(len != 0 ? static_cast<char>(cp - kEscapeBase) : static_cast<char>(b));
        pos += len != 0 ? len : 1;
        runStart = pos;
    }
    EncodeRun(cd, utf8.substr(runStart), out);
    return out;
}

// Decodes one character at the start of bytes (GB18030 characters are 1, 2 or 4 bytes
// long) and accepts it only if it encodes back to the very same bytes.
std::size_t DecodeOneChecked(Iconv& decoder, Iconv& encoder, std::string_view bytes,
                             std::string& out) {
    for (std::size_t len : {std::size_t{2}, std::size_t{4}}) {
        if (bytes.size() < len) {
            return 0;
        }
        std::string utf8;
        int err = 0;
        const std::size_t used = decoder.Convert(bytes.substr(0, len), utf8, err);
        if (err == EINVAL && used == 0) {
            continue;  // a lead byte of a longer character
        }
        if (err != 0 || used != len) {
            return 0;
        }
        char32_t cp = 0;
        if (Utf8SequenceAt(utf8, 0, cp) != utf8.size() || IsEscape(cp)) {
            return 0;
        }
        if (Encode(encoder, utf8) != bytes.substr(0, len)) {
            return 0;
        }
        out += utf8;
        return len;
    }
    return 0;
}

void DecodeSliceCarefully(Iconv& decoder, Iconv& encoder, std::string_view bytes,
                          std::string& out) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const unsigned char b = static_cast<unsigned char>(bytes[pos]);
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
            ++pos;
            continue;
        }
        const std::size_t len = DecodeOneChecked(decoder, encoder, bytes.substr(pos), out);
        if (len == 0) {
            AppendEscape(out, b);
            ++pos;
        } else {
            pos += len;
        }
    }
}

// Decodes a slice quickly; returns the number of bytes it covers (a character cut by
// the slice end is left for the next slice).
// The length of the GB18030 character at pos, judged by its bytes alone: 2 or 4, or 1 for
// ASCII and for a byte that starts no character.
std::size_t Gb18030CharLength(std::string_view bytes, std::size_t pos) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[pos + k]); };
    const unsigned char lead = at(0);
    if (lead < 0x81 || lead == 0xFF || pos + 1 >= bytes.size()) {
        return 1;
    }
    const unsigned char second = at(1);
    if (second >= 0x30 && second <= 0x39) {
        return pos + 3 < bytes.size() && at(2) >= 0x81 && at(2) <= 0xFE && at(3) >= 0x30 &&
                       at(3) <= 0x39
                   ? 4
                   : 1;
    }
    return (second >= 0x40 && second <= 0xFE && second != 0x7F) ? 2 : 1;
}

// Decodes a slice quickly; returns the number of bytes it covers (a character cut by the
// slice end is left for the next slice). ASCII stands for itself and is copied; only the
// runs of other characters go through the converter.
std::size_t DecodeSliceFast(Iconv& decoder, std::string_view bytes, bool atEnd, std::string& out) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t ascii = pos;
        while (pos < bytes.size() && static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
        }
        out.append(bytes.substr(ascii, pos - ascii));
        const std::size_t runStart = pos;
        bool cut = false;
        while (pos < bytes.size() && static_cast<unsigned char>(bytes[pos]) >= 0x80) {
            if (!atEnd && bytes.size() - pos < 4) {
                cut = true;  // the character may go on in the next slice
                break;
            }
            pos += Gb18030CharLength(bytes, pos);
        }
        const std::string_view run = bytes.substr(runStart, pos - runStart);
        ConvertAll(decoder, run, out, [&](std::size_t at) {
            AppendEscape(out, static_cast<unsigned char>(run[at]));
            return std::size_t{1};
        });
        if (cut) {
            break;
        }
    }
    return pos;
}

std::string DecodeGb18030(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    Iconv decoder("UTF-8", "GB18030");
    Iconv encoder("GB18030", "UTF-8");
    if (!decoder.Ok() || !encoder.Ok()) {
        for (char c : bytes) {
            const unsigned char b = static_cast<unsigned char>(c);
            if (b < 0x80) {
                out.push_back(c);
            } else {
                AppendEscape(out, b);
            }
        }
        return out;
    }
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t end = std::min(bytes.size(), pos + kSliceBytes);
        const std::string_view slice = bytes.substr(pos, end - pos);
        const std::size_t mark = out.size();
        std::size_t used = DecodeSliceFast(decoder, slice, end == bytes.size(), out);
        if (used == 0) {
            used = slice.size();  // cannot happen with a 64 KiB slice; stay safe anyway
        }
        // A few GB18030 codes share a character with another code, and a decoded
        // escape-range character would be mistaken for a raw byte; either would change
        // the file on the next write, so such slices are decoded one character at a time.
        if (Encode(encoder, std::string_view(out).substr(mark)) != slice.substr(0, used)) {
            out.resize(mark);
            DecodeSliceCarefully(decoder, encoder, slice.substr(0, used), out);
        }
        pos += used;
    }
    return out;
}

bool IsCjk(char32_t cp) {
    return (cp >= 0x1100 && cp <= 0x11FF) ||  // Hangul jamo
           (cp >= 0x2E80 && cp <= 0x33FF) ||  // radicals, CJK punctuation, kana, bopomofo
           (cp >= 0x3400 && cp <= 0x4DBF) ||  // ideographs, extension A
           (cp >= 0x4E00 && cp <= 0x9FFF) ||  // ideographs
           (cp >= 0xAC00 && cp <= 0xD7AF) ||  // Hangul syllables
           (cp >= 0xF900 && cp <= 0xFAFF) ||  // compatibility ideographs
           (cp >= 0xFE30 && cp <= 0xFE4F) ||  // vertical and compatibility forms
           (cp >= 0xFF00 && cp <= 0xFFEF) ||  // full-width forms
           (cp >= 0x20000 && cp <= 0x3FFFF);  // supplementary ideographs
}

// True when the GB18030 reading holds user-defined (private-use) characters or bytes
// valid in no encoding: no text anyone typed in GBK looks like that.
bool Gb18030ReadingIsImplausible(std::string_view bytes) {
    const std::string text = DecodeGb18030(bytes);
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t cp = 0;
        const std::size_t len = Utf8SequenceAt(text, pos, cp);
        if (len != 0 && cp >= 0xE000 && cp <= 0xF8FF) {
            return true;
        }
        pos += len == 0 ? 1 : len;
    }
    return false;
}

// GBK text that happens to be valid UTF-8 mostly reads as two-byte sequences, that is as
// Latin, Greek or Cyrillic letters ("小说" as "С˵", "目录" as "Ŀ¼"); a UTF-8 file the
// users write themselves holds Chinese. So valid UTF-8 is taken as UTF-8 when its CJK
// characters outnumber those letters, or when it holds some and its GB18030 reading
// makes no sense; otherwise it is the stored files' own encoding.
bool ReadsAsCjkUtf8(std::string_view bytes) {
    std::size_t cjk = 0;
    std::size_t other = 0;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
            continue;
        }
        char32_t cp = 0;
        pos += Utf8SequenceAt(bytes, pos, cp);
        if (IsCjk(cp)) {
            ++cjk;
        } else if (cp < 0x800) {
            ++other;
        }
    }
    return cjk > other || (cjk > 0 && Gb18030ReadingIsImplausible(bytes));
}

bool IsPlainAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::size_t Utf8SequenceAt(std::string_view s, std::size_t pos, char32_t& cp) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char b0 = at(pos);
    const std::size_t left = s.size() - pos;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t len = 0;
    char32_t min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (left < len) {
        return 0;
    }
    for (std::size_t i = 1; i < len; ++i) {
        const unsigned char b = at(pos + i);
        if ((b & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return len;
}

std::size_t Utf8SequenceAt(std::string_view text, std::size_t pos) {
    char32_t cp = 0;
    return Utf8SequenceAt(text, pos, cp);
}

std::string RepairUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t length = Utf8SequenceAt(text, pos);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++pos;
        } else {
            out.append(text.substr(pos, length));
            pos += length;
        }
    }
    return out;
}

bool HasEscapeRange(std::string_view utf8) {
    for (std::size_t i = 0; i + 1 < utf8.size(); ++i) {
        if (utf8[i] == '\xEF' && (utf8[i + 1] == '\x9E' || utf8[i + 1] == '\x9F')) {
            return true;
        }
    }
    return false;
}

bool IsValidUtf8(std::string_view bytes) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
            continue;
        }
        char32_t cp = 0;
        const std::size_t len = Utf8SequenceAt(bytes, pos, cp);
        if (len == 0) {
            return false;
        }
        pos += len;
    }
    return true;
}

StoredEncoding DetectStoredEncoding(std::string_view bytes) {
    if (IsPlainAscii(bytes)) {
        return StoredEncoding::Gb18030;  // the same bytes either way
    }
    if (!IsValidUtf8(bytes)) {
        return StoredEncoding::Gb18030;
    }
    // Behind a byte-order mark the characters of the escape range are real ones: that is
    // how a text holding them is written (EncodeStoredText), since their GB18030 form
    // would read back as raw bytes.
    if (bytes.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
        return StoredEncoding::Utf8WithMark;
    }
    // A UTF-8 file without the mark that holds escape-range characters is read through
    // the GB18030 path, where those bytes become escapes themselves, so the file still
    // survives unchanged.
    if (HasEscapeRange(bytes)) {
        return StoredEncoding::Gb18030;
    }
    return ReadsAsCjkUtf8(bytes) ? StoredEncoding::Utf8 : StoredEncoding::Gb18030;
}

std::string DecodeStoredText(std::string_view bytes) {
    return DecodeStoredText(bytes, nullptr);
}

std::string DecodeStoredText(std::string_view bytes, StoredEncoding* encoding) {
    const StoredEncoding detected = DetectStoredEncoding(bytes);
    if (encoding != nullptr) {
        *encoding = detected;
    }
    if (IsPlainAscii(bytes)) {
        return std::string(bytes);
    }
    switch (detected) {
        case StoredEncoding::Utf8:
            return std::string(bytes);
        case StoredEncoding::Utf8WithMark:
            return std::string(bytes.substr(kUtf8ByteOrderMark.size()));
        case StoredEncoding::Gb18030:
            break;
    }
    return DecodeGb18030(bytes);
}

std::string EncodeStoredText(std::string_view utf8) {
    Iconv encoder("GB18030", "UTF-8");
    if (!encoder.Ok()) {
        return std::string(utf8);
    }
    std::string encoded = Encode(encoder, utf8);
    // GB18030 bytes that are not valid UTF-8 always read back as GB18030, and as the text
    // unless it holds characters of the escape range: those are written as the bytes they
    // stand for, and a real one among them reads back as something else.
    const bool readsAsGb18030 = IsPlainAscii(encoded) || !IsValidUtf8(encoded);
    if ((readsAsGb18030 && !HasEscapeRange(utf8)) || DecodeStoredText(encoded) == utf8) {
        return encoded;
    }
    // A few texts have a GB18030 form that reads as CJK UTF-8 ("锘縲" encodes to
    // EF BB BF 77, a byte-order mark and "w"). Such a text is written as UTF-8 behind a
    // byte-order mark, which always reads back as UTF-8; each later save of the same text
    // makes the same choice, so the file keeps its bytes.
    std::string marked(kUtf8ByteOrderMark);
    marked.append(utf8);
    if (DecodeStoredText(marked) == utf8) {
        return marked;
    }
    return encoded;
}

struct StoredTextEncoder::Converter {
    Iconv encoder{"GB18030", "UTF-8"};
};

StoredTextEncoder::StoredTextEncoder() : m_converter(std::make_unique<Converter>()) {}
StoredTextEncoder::~StoredTextEncoder() = default;

std::string StoredTextEncoder::Encode(std::string_view utf8) {
    if (!m_converter->encoder.Ok()) {
        return std::string(utf8);
    }
    return qarvex::Encode(m_converter->encoder, utf8);
}

std::string Gb18030ToUtf8(std::string_view bytes) {
    Iconv decoder("UTF-8", "GB18030");
    if (!decoder.Ok()) {
        return RepairUtf8(bytes);
    }
    std::string out;
    ConvertAll(decoder, bytes, out, [&out](std::size_t) {
        AppendUtf8(out, 0xFFFD);
        return std::size_t{1};
    });
    return out;
}

std::string CutToEncodedBytes(std::string_view utf8, std::size_t maxBytes) {
    Iconv encoder("GB18030", "UTF-8");
    std::size_t used = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp = 0;
        std::size_t len = Utf8SequenceAt(utf8, pos, cp);
        std::size_t encoded = 1;
        if (len == 0) {
            len = 1;
        } else if (cp >= 0x80 && !IsEscape(cp)) {
            encoded = encoder.Ok() ? Encode(encoder, utf8.substr(pos, len)).size() : len;
        }
        if (used + encoded > maxBytes) {
            break;
        }
        used += encoded;
        pos += len;
    }
    return std::string(utf8.substr(0, pos));
}

std::string CutToChars(std::string_view utf8, std::size_t maxChars) {
    std::size_t pos = 0;
    for (std::size_t count = 0; count < maxChars && pos < utf8.size(); ++count) {
        char32_t cp = 0;
        const std::size_t len = Utf8SequenceAt(utf8, pos, cp);
        pos += len == 0 ? 1 : len;
    }
    return std::string(utf8.substr(0, pos));
}

}  // namespace qarvex
