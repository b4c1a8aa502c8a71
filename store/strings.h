#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qarvex {

// Removes leading and trailing blanks and control characters (every byte <= 0x20),
// the way the stored formats have always been trimmed.
std::string Trim(std::string_view text);

// Case changes touch ASCII letters only; every other byte stays as it is.
std::string AsciiLower(std::string_view text);
// The value of a hexadecimal digit (either case), or -1 for any other character.
int HexDigitValue(char c);
std::string AsciiUpper(std::string_view text);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

bool Contains(std::string_view text, std::string_view part);
bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);

// Replaces every occurrence, scanning left to right without rescanning replaced text.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// "///", then "//", then "/" become "\", each applied to the result of the one before.
// Windows paths have always been normalised so; stored histories depend on the exact
// result, doubled back-slashes included.
std::string SlashesToBackslashes(std::string_view text);

// Runs of "/" become one "/" (POSIX paths).
std::string CollapseSlashRuns(std::string_view text);

// Every "%XX" escape decoded to its byte; a "%" not followed by two hexadecimal digits
// stays as it is.
std::string PercentDecode(std::string_view text);

// Text after the first occurrence of marker, or the text unchanged when marker is absent.
std::string AfterFirst(std::string_view text, std::string_view marker);

// Decimal integer with an optional sign (and 0x/$ hexadecimal), nothing else; false otherwise.
bool ParseInt(std::string_view text, int& value);

// Formats a printf-style "%s"/"%d" template the way the interface texts use them.
std::string FormatText(std::string_view pattern, std::string_view arg);
std::string FormatText(std::string_view pattern, int arg);

}  // namespace qarvex
