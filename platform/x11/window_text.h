#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qarvex {

// Window titles arrive as raw property bytes in one of three encodings; the scan wants
// UTF-8, cut the way the title buffer always cut it: at a byte count of the stored form.

// At most maxBytes bytes of UTF-8 text, never ending inside a character. A byte that
// starts no valid sequence counts as one character of its own.
std::string CutUtf8ToBytes(std::string_view utf8, std::size_t maxBytes);

// Replaces every byte that is not part of a valid UTF-8 sequence with U+FFFD, so that
// a client's broken title can't corrupt the history files it ends up in.
std::string SanitizeUtf8(std::string_view bytes);

std::string Latin1ToUtf8(std::string_view latin1);

// COMPOUND_TEXT, for when Xlib can't convert it: ASCII and Latin-1, GB 2312 in either
// half, UTF-8 inside "ESC % G" segments; the bytes of any other character set are kept
// where they are ASCII and replaced by U+FFFD where they are not.
std::string CompoundTextToUtf8(std::string_view text);

// The host names of a window and of this machine name the same machine: equal, or
// or one is the short form of the other, fully qualified name.
bool IsSameHost(std::string_view windowHost, std::string_view localHost);

}  // namespace qarvex
