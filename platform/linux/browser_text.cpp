#include "platform/linux/browser_text.h"

#include <cstdint>

#include "store/strings.h"

namespace qarvex {

namespace {

// Length of the well-formed UTF-8 sequence at text[pos], or 0 when there is none.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t pos) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = (lead == 0xE0) ? 0xA0 : 0x80;
        high = (lead == 0xED) ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = (lead == 0xF0) ? 0x90 : 0x80;
        high = (lead == 0xF4) ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (pos + length > text.size() || byte(pos + 1) < low || byte(pos + 1) > high) {
        return 0;
    }
    for (std::size_t i = pos + 2; i < pos + length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

void AppendCodePoint(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool IsEscapeAt(std::string_view text, std::size_t pos) {
    return pos + 2 < text.size() && text[pos] == '%' && HexValue(text[pos + 1]) >= 0 &&
           HexValue(text[pos + 2]) >= 0;
}

}  // namespace

bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t length = Utf8SequenceAt(text, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string Utf16LeToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    auto unit = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8);
    };
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const std::uint32_t next = unit(i + 1);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                AppendCodePoint(out, 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendCodePoint(out, (u >= 0xD800 && u <= 0xDFFF) ? 0xFFFD : u);
    }
    return out;
}

std::string DecodeFileAddress(std::string_view address) {
    if (!EqualsIgnoreAsciiCase(address.substr(0, 7), "file://")) {
        return std::string(address);
    }
    std::string out;
    out.reserve(address.size());
    std::size_t i = 0;
    while (i < address.size()) {
        if (!IsEscapeAt(address, i)) {
            out += address[i++];
            continue;
        }
        // A character of several bytes spans several escapes: decode the whole run and
        // check it as one.
        std::size_t end = i;
        std::string decoded;
        while (IsEscapeAt(address, end)) {
            decoded +=
                static_cast<char>(HexValue(address[end + 1]) * 16 + HexValue(address[end + 2]));
            end += 3;
        }
        bool keep = !IsUtf8(decoded);
        for (char c : decoded) {
            const auto byte = static_cast<unsigned char>(c);
            keep = keep || byte < 0x20 || byte == 0x7F;
        }
        for (std::size_t k = 0; k < decoded.size(); ++k) {
            const char c = decoded[k];
            if (keep || c == '/' || c == ' ' || c == '%') {
                out.append(address.substr(i + 3 * k, 3));
            } else {
                out += c;
            }
        }
        i = end;
    }
    return out;
}

}  // namespace qarvex
