#include "platform/linux/browser_text.h"

#include <cstdint>

#include "store/strings.h"
#include "store/text_codec.h"

namespace qarvex {

namespace {

bool IsEscapeAt(std::string_view text, std::size_t pos) {
    return pos + 2 < text.size() && text[pos] == '%' && HexDigitValue(text[pos + 1]) >= 0 &&
           HexDigitValue(text[pos + 2]) >= 0;
}

}  // namespace

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
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? 0xFFFD : u);
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
            decoded += static_cast<char>(HexDigitValue(address[end + 1]) * 16 +
                                         HexDigitValue(address[end + 2]));
            end += 3;
        }
        bool keep = !IsValidUtf8(decoded);
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
