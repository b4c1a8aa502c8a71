#include "store/text_file.h"

#include "store/atomic_file.h"
#include "store/text_codec.h"

namespace qarvex {

namespace {

// Splits at CR LF, CR or LF. With keepTrailingEmpty the text is read as lines joined by
// separators (so "a\n" is "a" and ""), otherwise as lines each followed by an end.
std::vector<std::string> Split(std::string_view text, bool keepTrailingEmpty) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c != '\r' && c != '\n') {
            ++pos;
            continue;
        }
        lines.emplace_back(text.substr(start, pos - start));
        pos += (c == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
        start = pos;
    }
    if (start < text.size() || (keepTrailingEmpty && !text.empty() && start == text.size())) {
        lines.emplace_back(text.substr(start));
    }
    return lines;
}

std::string JoinWithCrLf(const std::vector<std::string>& lines) {
    std::size_t total = 0;
    for (const std::string& line : lines) {
        total += line.size() + 2;
    }
    std::string text;
    text.reserve(total);
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text) {
    return Split(text, false);
}

std::optional<std::vector<std::string>> ReadTextLines(const std::string& path) {
    std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes) {
        return std::nullopt;
    }
    const std::string text = DecodeStoredText(*bytes);
    bytes.reset();
    return SplitLines(text);
}

bool WriteTextLines(const std::string& path, const std::vector<std::string>& lines) {
    return WriteFileAtomic(path, EncodeStoredText(JoinWithCrLf(lines)));
}

std::optional<std::string> ReadTextFile(const std::string& path) {
    const std::optional<std::vector<std::string>> lines = ReadTextLines(path);
    if (!lines) {
        return std::nullopt;
    }
    std::string text;
    for (std::size_t i = 0; i < lines->size(); ++i) {
        if (i > 0) {
            text += '\n';
        }
        text += (*lines)[i];
    }
    return text;
}

bool WriteTextFile(const std::string& path, std::string_view text) {
    return WriteTextLines(path, Split(text, true));
}

}  // namespace qarvex
