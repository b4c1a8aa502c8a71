#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qarvex {

// Lines split at CR LF, CR or LF. A line end at the very end adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

// Reads and decodes a stored text file into lines; nothing when missing or unreadable.
std::optional<std::vector<std::string>> ReadTextLines(const std::string& path);

// Writes every line followed by CR LF, GB18030-encoded, by an atomic replace.
bool WriteTextLines(const std::string& path, const std::vector<std::string>& lines);

// Whole text of a stored file with its line ends turned into "\n".
std::optional<std::string> ReadTextFile(const std::string& path);

// Writes text whose lines are separated by "\n" with CR LF line ends.
bool WriteTextFile(const std::string& path, std::string_view text);

}  // namespace qarvex
