#include "platform/x11/window_text.h"

#include <algorithm>

#include "store/text_codec.h"

namespace qarvex {

namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0 when none starts there.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) {
            low = 0xA0;  // no overlong forms
        } else if (lead == 0xED) {
            high = 0x9F;  // no surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) {
            low = 0x90;
        } else if (lead == 0xF4) {
            high = 0x8F;
        }
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    if (byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

void AppendCodePoint(std::string& out, unsigned int cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string_view ShortHost(std::string_view host) {
    const auto dot = host.find('.');
    return dot == std::string_view::npos ? host : host.substr(0, dot);
}

}  // namespace

std::string CutUtf8ToBytes(std::string_view utf8, std::size_t maxBytes) {
    std::size_t end = 0;
    while (end < utf8.size()) {
        std::size_t length = Utf8SequenceLength(utf8, end);
        if (length == 0) {
            length = 1;
        }
        if (end + length > maxBytes) {
            break;
        }
        end += length;
    }
    return std::string(utf8.substr(0, end));
}

std::string SanitizeUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length = Utf8SequenceLength(bytes, i);
        if (length == 0) {
            AppendCodePoint(out, 0xFFFD);
            ++i;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size() * 2);
    for (const char c : latin1) {
        AppendCodePoint(out, static_cast<unsigned char>(c));
    }
    return out;
}

std::string CompoundTextToUtf8(std::string_view text) {
    constexpr char kEsc = '\x1b';
    // The left (GL, bytes below 0x80) and right (GR) halves each show one character set,
    // chosen by escape sequences; "ESC % G" ... "ESC % @" holds UTF-8 instead.
    enum class Set { Ascii, Latin1, Gb2312, Other };
    Set left = Set::Ascii;
    Set right = Set::Latin1;
    bool utf8 = false;
    std::string out;
    std::string gb2312;  // a run of GB 2312 bytes, high bits set, decoded as one
    const auto flushGb2312 = [&] {
        out += Gb18030ToUtf8(gb2312);
        gb2312.clear();
    };
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != kEsc) {
            const std::size_t next = std::min(text.find(kEsc, i), text.size());
            const std::string_view run = text.substr(i, next - i);
            i = next;
            if (utf8) {
                out += SanitizeUtf8(run);
                continue;
            }
            for (const char c : run) {
                const auto byte = static_cast<unsigned char>(c);
                const bool high = byte >= 0x80;
                const Set set = high ? right : left;
                // GB 2312 holds bytes 0x21..0x7E of either half; a blank stays a blank.
                if (set == Set::Gb2312 && (byte & 0x7F) > 0x20 && (byte & 0x7F) < 0x7F) {
                    gb2312 += static_cast<char>(byte | 0x80);
                    continue;
                }
                flushGb2312();
                if (!high) {
                    out += c;  // ASCII, or a set we can't decode: its bytes kept
                } else if (set == Set::Latin1) {
                    AppendCodePoint(out, byte);
                } else {
                    AppendCodePoint(out, 0xFFFD);
                }
            }
            continue;
        }
        flushGb2312();
        // An escape sequence: ESC, intermediate bytes 0x20..0x2F, one final byte 0x30..0x7E.
        std::size_t k = i + 1;
        while (k < text.size() && text[k] >= 0x20 && text[k] <= 0x2F) {
            ++k;
        }
        const std::string_view sequence =
            text.substr(i, k < text.size() ? k + 1 - i : text.size() - i);
        i += sequence.size();
        if (sequence == "\x1b%G") {
            utf8 = true;
        } else if (sequence == "\x1b%@") {
            utf8 = false;
        } else if (sequence.size() >= 3) {
            // The last intermediate byte names the half: "(" the left, ")" or "-" the right.
            const char half = sequence[sequence.size() - 2];
            const std::string_view charset = sequence.substr(1);
            Set set = Set::Other;
            if (charset == "(B") {
                set = Set::Ascii;
            } else if (charset == "-A") {
                set = Set::Latin1;
            } else if (charset == "$(A" || charset == "$)A") {
                set = Set::Gb2312;
            }
            if (half == '(') {
                left = set;
            } else if (half == ')' || half == '-') {
                right = set;
            }
        }
    }
    flushGb2312();
    return out;
}

bool IsSameHost(std::string_view windowHost, std::string_view localHost) {
    if (windowHost.empty() || localHost.empty()) {
        return windowHost == localHost;
    }
    if (windowHost == localHost) {
        return true;
    }
    const bool windowQualified = windowHost.find('.') != std::string_view::npos;
    const bool localQualified = localHost.find('.') != std::string_view::npos;
    if (windowQualified == localQualified) {
        return false;  // two different full names, or two different short names
    }
    return ShortHost(windowHost) == ShortHost(localHost);
}

}  // namespace qarvex
