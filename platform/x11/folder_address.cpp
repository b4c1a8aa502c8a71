#include "platform/x11/folder_address.h"

#include "platform/x11/window_text.h"
#include "store/strings.h"

namespace qarvex {

std::string FolderAddressFromUri(std::string_view uri) {
    if (!StartsWith(AsciiLower(uri.substr(0, 7)), "file://")) {
        return std::string(uri);
    }
    // Decode runs of escapes together: a multi-byte character spans several of them,
    // and only the whole run can be checked for being UTF-8.
    std::string out;
    std::size_t i = 0;
    while (i < uri.size()) {
        if (uri[i] != '%') {
            out += uri[i++];
            continue;
        }
        std::size_t k = i;
        std::string decoded;
        std::string original;
        while (k + 2 < uri.size() && uri[k] == '%' && HexDigitValue(uri[k + 1]) >= 0 &&
               HexDigitValue(uri[k + 2]) >= 0) {
            decoded +=
                static_cast<char>(HexDigitValue(uri[k + 1]) * 16 + HexDigitValue(uri[k + 2]));
            original.append(uri.substr(k, 3));
            k += 3;
        }
        if (k == i) {
            out += uri[i++];  // a lone "%" not followed by two hex digits
            continue;
        }
        // Keep %20 (the add routine's job), "%25" (a literal "%" that would otherwise
        // turn into a fresh escape), "%2F" and control characters escaped.
        bool keepEscaped = SanitizeUtf8(decoded) != decoded;
        for (std::size_t j = 0; j < decoded.size() && !keepEscaped; ++j) {
            const auto byte = static_cast<unsigned char>(decoded[j]);
            keepEscaped = byte < 0x20 || byte == 0x7F;
        }
        if (keepEscaped) {
            out += original;
        } else {
            for (std::size_t j = 0; j < decoded.size(); ++j) {
                // An escaped "/" is part of a name: decoded, it would split the name into
                // folders that don't exist.
                if (decoded[j] == ' ' || decoded[j] == '%' || decoded[j] == '/') {
                    out += original.substr(j * 3, 3);
                } else {
                    out += decoded[j];
                }
            }
        }
        i = k;
    }
    return out;
}

}  // namespace qarvex
