#pragma once

#include <string>
#include <string_view>

namespace qarvex {

// Stored files are GB18030 on disk (a superset of GBK, the code page the files were
// always written in) and UTF-8 in memory.

bool IsValidUtf8(std::string_view bytes);

// Bytes read from a stored file to UTF-8: a file that is valid UTF-8 is taken as it is,
// anything else is decoded as GB18030. A byte sequence that is valid in neither is kept
// as a private-use code point (U+F700 + byte), so that writing the text back
// reproduces the original bytes and nothing stored is lost.
std::string DecodeStoredText(std::string_view bytes);

// UTF-8 to the on-disk encoding (GB18030), undoing the private-use escapes above.
std::string EncodeStoredText(std::string_view utf8);

// Cuts text to at most maxBytes bytes of its GB18030 form without splitting a character.
std::string CutToEncodedBytes(std::string_view utf8, std::size_t maxBytes);

// Cuts text to at most maxChars characters (code points) without splitting one.
std::string CutToChars(std::string_view utf8, std::size_t maxChars);

}  // namespace qarvex
