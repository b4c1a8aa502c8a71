#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qarvex {

// The keys of a desktop entry's [Desktop Entry] group that we use, unescaped. Of the
// localized variants only Name's are read; other groups are not.
struct DesktopEntry {
    std::optional<std::string> type;
    std::optional<std::string> name;
    // Name[LOCALE] values with their LOCALE as written ("zh_CN", "sr@latin"), in file order.
    std::vector<std::pair<std::string, std::string>> localizedNames;
    std::optional<std::string> exec;
    std::optional<std::string> icon;
    std::optional<std::string> tryExec;
    std::optional<std::string> startupWmClass;
    std::vector<std::string> categories;  // Categories, split at ";"
    // A link's target (Type=Link). KDE writes "URL[$e]" when the value holds "$HOME" and
    // the like, to be expanded by the reader.
    std::optional<std::string> url;
    bool urlExpands = false;
    bool hidden = false;
    bool noDisplay = false;
    bool dbusActivatable = false;
    bool terminal = false;
    bool autostartDisabled = false;  // X-GNOME-Autostart-enabled=false
};

// Parses the text of a .desktop file. Nothing when it has no [Desktop Entry] group, or
// is not text at all (holds NUL bytes or invalid UTF-8, as a binary file does). A key
// given twice takes its last value, as the desktop's own readers do.
std::optional<DesktopEntry> ParseDesktopEntry(std::string_view text);

// The locale postfixes to look for, the most wanted first, for the user's languages: the
// first of LANGUAGE (a list separated by ":"), LC_ALL, LC_MESSAGES and LANG that is set.
// Each locale lang_COUNTRY.ENCODING@MODIFIER gives lang_COUNTRY@MODIFIER, lang_COUNTRY,
// lang@MODIFIER, then lang (those its parts allow); "C" and "POSIX" give none.
std::vector<std::string> LocalePostfixes(std::string_view language, std::string_view lcAll,
                                         std::string_view lcMessages, std::string_view lang);
std::vector<std::string> LocalePostfixesFromEnvironment();

// The entry's Name for the first of postfixes it has one for, else its Name; blanks at
// either end dropped. Empty when it has none.
std::string LocalizedName(const DesktopEntry& entry, const std::vector<std::string>& postfixes);

// String values: "\s" "\n" "\t" "\r" "\\" are unescaped; any other backslash stays as
// it is (it may belong to the Exec quoting, which has its own escapes).
std::string UnescapeDesktopValue(std::string_view value);

// The inverse for writing one value on one line. Line breaks (and NUL) become blanks,
// so a value can never start a new key; a backslash is doubled; tabs and the blanks at
// either end are escaped so that readers that trim values keep them.
std::string EscapeDesktopValue(std::string_view value);

// Splits an Exec value into the argument vector it stands for: blanks separate
// arguments; a double-quoted part may hold blanks and the escapes \" \` \$ \\; the file
// field codes (%f %F %u %U %i %c %k and the deprecated %d %D %n %N %v %m) are dropped,
// and an argument made only of them vanishes; %% is a single %.
std::vector<std::string> SplitExec(std::string_view exec);

// Sets `key` of the [Desktop Entry] group to an already escaped value and gives back the
// new text. Every line holding that key (unlocalized) is replaced, keeping its line end;
// without one, the key is added right after the group header. Every other byte stays as
// it is. Nothing when the text has no [Desktop Entry] group.
std::optional<std::string> SetDesktopEntryKey(std::string_view text, std::string_view key,
                                              std::string_view escapedValue);

// Drops every line of the [Desktop Entry] group that sets `key` (unlocalized) and gives
// back the new text; every other byte stays. Nothing when the text has no such group.
std::optional<std::string> RemoveDesktopEntryKey(std::string_view text, std::string_view key);

}  // namespace qarvex
