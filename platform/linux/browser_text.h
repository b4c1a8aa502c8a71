#pragma once

#include <string>
#include <string_view>

namespace qarvex {

// Text the browsers' session files hold, turned into what the history keeps.

// UTF-16 code units (little-endian bytes, as the session files store them) as UTF-8;
// an unpaired surrogate becomes U+FFFD, so a title cut inside an emoji still reads.
std::string Utf16LeToUtf8(std::string_view bytes);

// A "file://" address with its percent-escapes decoded, so that a local page is stored
// and shown with its real name: file:///home/u/%E6%96%87%E6%A1%A3 gives
// file:///home/u/文档. An escape stays as it is when decoding it would change the
// path's parts or lose what the browser said: "%2F" (a slash inside a name), "%20" and
// "%25" (the add routine's own business), control characters and byte runs that are not
// UTF-8. Any other address is returned unchanged.
std::string DecodeFileAddress(std::string_view address);

}  // namespace qarvex
