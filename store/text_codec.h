#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace qarvex {

// Stored files are GB18030 on disk (a superset of GBK, the code page the files were
// always written in) and UTF-8 in memory.

bool IsValidUtf8(std::string_view bytes);

// Length of the well-formed UTF-8 sequence at pos (overlong forms, surrogates and values
// above U+10FFFF rejected), or 0 when the bytes there are not one; cp gets its value.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t pos, char32_t& cp);
std::size_t Utf8SequenceAt(std::string_view text, std::size_t pos);
// Appends the UTF-8 form of cp.
void AppendUtf8(std::string& out, char32_t cp);
// Whether the text holds characters of the private-use range that stands for raw bytes
// (U+F780 to U+F7FF, see DecodeStoredText).
bool HasEscapeRange(std::string_view utf8);
// The text with every byte that starts no well-formed UTF-8 sequence replaced by U+FFFD.
std::string RepairUtf8(std::string_view text);

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

enum class StoredEncoding { Gb18030, Utf8, Utf8WithMark };

// How a whole stored file is read. GB18030 unless the file is valid UTF-8 and either
// starts with a UTF-8 byte-order mark, or reads as more CJK characters than Latin, Greek
// or Cyrillic letters (what GBK text taken for UTF-8 looks like), or holds CJK characters
// while its GB18030 reading holds user-defined ones. Decided per file, never per line:
// one file is in one encoding.
StoredEncoding DetectStoredEncoding(std::string_view bytes);

// Bytes read from a stored file to UTF-8, in the encoding DetectStoredEncoding picks
// (a byte-order mark is dropped). A byte sequence that is valid in no encoding is kept as
// a private-use code point (U+F700 + byte), so that writing the text back reproduces the
// original bytes and nothing stored is lost.
std::string DecodeStoredText(std::string_view bytes);
// The same, telling which encoding was used.
std::string DecodeStoredText(std::string_view bytes, StoredEncoding* encoding);

// UTF-8 to the on-disk encoding (GB18030), undoing the private-use escapes above. The
// rare text whose GB18030 form would read back as something else is written as UTF-8
// behind a byte-order mark instead, so that DecodeStoredText always gives the text back.
std::string EncodeStoredText(std::string_view utf8);

// The GB18030 form of many small pieces of one text (the lines of a file), with one
// converter for all of them. Joined, the pieces are what EncodeStoredText gives for the
// joined text whenever they are not valid UTF-8 or are plain ASCII (in the other, rare
// case it may choose marked UTF-8 instead).
class StoredTextEncoder {
public:
    StoredTextEncoder();
    ~StoredTextEncoder();
    StoredTextEncoder(const StoredTextEncoder&) = delete;
    StoredTextEncoder& operator=(const StoredTextEncoder&) = delete;

    std::string Encode(std::string_view utf8);

private:
    struct Converter;
    std::unique_ptr<Converter> m_converter;
};

// GB18030 (or GB 2312) text from outside the stored files, such as part of a window
// title, to UTF-8. Nothing here has to survive a round trip, so a byte that starts no
// character becomes U+FFFD.
std::string Gb18030ToUtf8(std::string_view bytes);

// Cuts text to at most maxBytes bytes of its GB18030 form without splitting a character.
std::string CutToEncodedBytes(std::string_view utf8, std::size_t maxBytes);

// Cuts text to at most maxChars characters (code points) without splitting one.
std::string CutToChars(std::string_view utf8, std::size_t maxChars);

}  // namespace qarvex
