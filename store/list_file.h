#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/stored_list.h"

namespace qarvex {

inline constexpr std::string_view kListSeparator = "*|*";
inline constexpr std::string_view kNumberSeparator = "*2*";
inline constexpr std::string_view kFileUrlMarker = "file:///";
inline constexpr int kMaxListLines = 10000;

// The text an address stands for in the list files: a text that starts with "file:///"
// (after blanks) loses it; any other text is kept. A POSIX local path (no drive letter and colon
// after the marker) becomes "/" plus the rest with runs of "/" collapsed. With backslashes, a
// Windows-form text ("C:/a") has every "/" turned into "\"; web addresses, names and
// POSIX paths keep their "/".
std::string CutFileUrl(std::string_view text, bool backslashes);

// True when text begins with an ASCII drive letter and a colon ("C:", "d:/x").
bool StartsWithDriveLetter(std::string_view text);

// A parsed list line ("path*|*name") or scan line ("path*|*name*2*number").
struct TMyDocObj {
    std::string Name;
    std::string Path;
    int Number = 0;
};

// Fills obj from line. A line without "*|*" sets no field, so a record reused for
// several lines keeps the previous line's values.
void ParseListLine(std::string_view line, TMyDocObj& obj);
TMyDocObj ParseListLine(std::string_view line);

// "%s*|*%s" and "%s*|*%s*2*%d".
std::string MakeListLine(std::string_view path, std::string_view name);
std::string MakeScanLine(std::string_view path, std::string_view name, int number);

// Replaces the list's lines with the file's lines that are not empty after trimming, and
// its items with the text after the first "*|*" of each of them (the whole line when it
// has no "*|*"). Blank lines are dropped from both so that item i always shows line i.
// A missing or unreadable file leaves the list as it was. Returns true when the file was
// read.
bool LoadListFile(StoredList& list, const std::string& fileName);

// Lists of more than kMaxListLines lines keep their first (newest) kMaxListLines lines and
// items; the rest go.
void ApplyListLimit(StoredList& list);

// Writes every line with CR LF; false when the file could not be written.
bool SaveListFile(const StoredList& list, const std::string& fileName);

// False for a path that a list line cannot hold: one holding "*|*" (read back, the path
// ends there) or a line break (read back, the line splits, or the break becomes a blank).
bool FitsOneListLine(std::string_view path);

// True when some line parses to a Path equal to path (byte-exact, untrimmed).
bool IsInRecentList(const StoredList& recent, std::string_view path);

// The Add functions below do nothing for a path FitsOneListLine refuses.
// Cuts both after "file:///"; inserts "path*|*name" and name at the top unless known.
void AddMyRecent(StoredList& recent, std::string_view path, std::string_view name);
// Cuts both after "file:///"; inserts at the top; no duplicate test.
void AddMyRun(StoredList& run, std::string_view path, std::string_view name);
// Cuts both after "file:///" and turns "/" into "\" in Windows-form texts;
// inserts at the top; no duplicate test.
void AddMyLove(StoredList& fav, std::string_view path, std::string_view name);
// Trims the address; appends it unless an equal line (after trimming) is there or it
// holds a line break (lr.dat is one address per line, and each line is opened at start).
void AddLastRun(std::vector<std::string>& lastRun, std::string_view address);

}  // namespace qarvex
