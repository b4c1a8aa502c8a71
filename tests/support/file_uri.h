#pragma once

#include <cctype>
#include <string>

namespace qarvex::test {

// A local path as the desktop's programs name it in their lists: "file://" and the path
// with every byte but letters, digits and "/.-_" percent-escaped.
inline std::string FileUri(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

}  // namespace qarvex::test
