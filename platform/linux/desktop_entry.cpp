#include "platform/linux/desktop_entry.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "store/strings.h"
#include "store/text_codec.h"

namespace qarvex {

namespace {

constexpr std::string_view kMainGroup = "[Desktop Entry]";

// One line of a file with its end ("\n", "\r\n", "\r" or nothing at the very end).
struct RawLine {
    std::string_view content;
    std::string_view end;
};

std::vector<RawLine> RawLines(std::string_view text) {
    std::vector<RawLine> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c != '\n' && c != '\r') {
            ++i;
            continue;
        }
        std::size_t endLength = (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        lines.push_back({text.substr(start, i - start), text.substr(i, endLength)});
        i += endLength;
        start = i;
    }
    if (start < text.size()) {
        lines.push_back({text.substr(start), {}});
    }
    return lines;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool IsGroupHeader(std::string_view line) {
    line = TrimBlanks(line);
    return !line.empty() && line.front() == '[';
}

bool IsMainGroupHeader(std::string_view line) {
    return TrimBlanks(line) == kMainGroup;
}

// Splits "Key=Value" (blanks around "=" ignored); false for comments and other lines.
bool SplitKeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
    std::string_view trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed.front() == '#') {
        return false;
    }
    std::size_t eq = trimmed.find('=');
    if (eq == std::string_view::npos) {
        return false;
    }
    key = TrimBlanks(trimmed.substr(0, eq));
    // Blanks around a value are not part of it; a writer that means them writes "\s".
    value = TrimBlanks(trimmed.substr(eq + 1));
    return !key.empty();
}

bool IsTrue(std::string_view value) {
    return value == "true" || value == "1";
}

bool IsFieldCode(char c) {
    static constexpr std::string_view kCodes = "fFuUickdDnNvm";
    return kCodes.find(c) != std::string_view::npos;
}

}  // namespace

std::string UnescapeDesktopValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c != '\\' || i + 1 >= value.size()) {
            out += c;
            continue;
        }
        char next = value[i + 1];
        switch (next) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                out += c;
                out += next;
                break;
        }
        ++i;
    }
    return out;
}

std::string EscapeDesktopValue(std::string_view value) {
    std::string flat(value);
    for (char& c : flat) {
        if (c == '\n' || c == '\r' || c == '\0') {
            c = ' ';
        }
    }
    std::size_t first = flat.find_first_not_of(' ');
    std::size_t last = flat.find_last_not_of(' ');
    std::string out;
    out.reserve(flat.size() + 8);
    for (std::size_t i = 0; i < flat.size(); ++i) {
        char c = flat[i];
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == ' ' && (first == std::string::npos || i < first || i > last)) {
            // Readers drop blanks at the ends of a value; escaped they survive.
            out += "\\s";
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<DesktopEntry> ParseDesktopEntry(std::string_view text) {
    if (text.find('\0') != std::string_view::npos || !IsValidUtf8(text)) {
        return std::nullopt;
    }
    if (StartsWith(text, "\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    DesktopEntry entry;
    bool inMain = false;
    bool sawMain = false;
    for (const RawLine& line : RawLines(text)) {
        if (IsGroupHeader(line.content)) {
            // Only the first [Desktop Entry] group counts; a repeated one is not valid.
            inMain = !sawMain && IsMainGroupHeader(line.content);
            sawMain = sawMain || inMain;
            continue;
        }
        std::string_view key;
        std::string_view value;
        if (!inMain || !SplitKeyValue(line.content, key, value)) {
            continue;
        }
        std::string unescaped = UnescapeDesktopValue(value);
        if (key == "Type") {
            entry.type = unescaped;
        } else if (key == "Name") {
            entry.name = unescaped;
        } else if (StartsWith(key, "Name[") && EndsWith(key, "]")) {
            entry.localizedNames.emplace_back(key.substr(5, key.size() - 6), unescaped);
        } else if (key == "Exec") {
            entry.exec = unescaped;
        } else if (key == "Icon") {
            entry.icon = unescaped;
        } else if (key == "TryExec") {
            entry.tryExec = unescaped;
        } else if (key == "StartupWMClass") {
            entry.startupWmClass = unescaped;
        } else if (key == "Categories") {
            entry.categories.clear();
            for (std::size_t start = 0; start < unescaped.size();) {
                const std::size_t end = std::min(unescaped.find(';', start), unescaped.size());
                if (end > start) {
                    entry.categories.push_back(unescaped.substr(start, end - start));
                }
                start = end + 1;
            }
        } else if (key == "URL" || key == "URL[$e]") {
            entry.url = unescaped;
            entry.urlExpands = key != "URL";
        } else if (key == "DBusActivatable") {
            entry.dbusActivatable = IsTrue(unescaped);
        } else if (key == "Terminal") {
            entry.terminal = IsTrue(unescaped);
        } else if (key == "Hidden") {
            entry.hidden = IsTrue(unescaped);
        } else if (key == "NoDisplay") {
            entry.noDisplay = IsTrue(unescaped);
        } else if (key == "X-GNOME-Autostart-enabled") {
            entry.autostartDisabled = unescaped == "false" || unescaped == "0";
        }
    }
    if (!sawMain) {
        return std::nullopt;
    }
    return entry;
}

std::vector<std::string> LocalePostfixes(std::string_view language, std::string_view lcAll,
                                         std::string_view lcMessages, std::string_view lang) {
    std::string_view locales = lang;
    for (const std::string_view set : {lcMessages, lcAll, language}) {
        if (!set.empty()) {
            locales = set;
        }
    }
    std::vector<std::string> postfixes;
    const auto add = [&postfixes](std::string postfix) {
        if (std::find(postfixes.begin(), postfixes.end(), postfix) == postfixes.end()) {
            postfixes.push_back(std::move(postfix));
        }
    };
    std::size_t start = 0;
    while (start <= locales.size()) {
        const std::size_t colon = std::min(locales.find(':', start), locales.size());
        std::string_view locale = locales.substr(start, colon - start);
        start = colon + 1;
        std::string_view modifier;
        if (const std::size_t at = locale.find('@'); at != std::string_view::npos) {
            modifier = locale.substr(at);
            locale = locale.substr(0, at);
        }
        locale = locale.substr(0, locale.find('.'));
        const std::size_t underscore = locale.find('_');
        const std::string_view code = locale.substr(0, underscore);
        if (code.empty() || code == "C" || code == "POSIX") {
            continue;
        }
        if (underscore != std::string_view::npos) {
            if (!modifier.empty()) {
                add(std::string(locale) + std::string(modifier));
            }
            add(std::string(locale));
        }
        if (!modifier.empty()) {
            add(std::string(code) + std::string(modifier));
        }
        add(std::string(code));
    }
    return postfixes;
}

std::vector<std::string> LocalePostfixesFromEnvironment() {
    const auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string_view(value != nullptr ? value : "");
    };
    return LocalePostfixes(variable("LANGUAGE"), variable("LC_ALL"), variable("LC_MESSAGES"),
                           variable("LANG"));
}

std::string LocalizedName(const DesktopEntry& entry, const std::vector<std::string>& postfixes) {
    for (const std::string& postfix : postfixes) {
        // A key given twice takes its last value, as unlocalized ones do.
        for (auto it = entry.localizedNames.rbegin(); it != entry.localizedNames.rend(); ++it) {
            if (it->first == postfix && !Trim(it->second).empty()) {
                return Trim(it->second);
            }
        }
    }
    return Trim(entry.name.value_or(""));
}

std::vector<std::string> SplitExec(std::string_view exec) {
    std::vector<std::string> args;
    std::string current;
    bool inArg = false;  // an argument has begun, even if it ends up empty ("")
    bool inQuotes = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (inQuotes) {
            if (c == '"') {
                inQuotes = false;
            } else if (c == '\\' && i + 1 < exec.size() &&
                       std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
                current += exec[++i];
            } else if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
                current += '%';
                ++i;
            } else if (c == '%' && i + 1 < exec.size() && IsFieldCode(exec[i + 1])) {
                ++i;
            } else {
                current += c;
            }
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (inArg) {
                args.push_back(std::move(current));
                current.clear();
                inArg = false;
            }
            continue;
        }
        if (c == '"') {
            inQuotes = true;
            inArg = true;
        } else if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
            current += '%';
            inArg = true;
            ++i;
        } else if (c == '%' && i + 1 < exec.size() && IsFieldCode(exec[i + 1])) {
            // Dropped; it only makes an argument if something else is around it.
            ++i;
        } else {
            current += c;
            inArg = true;
        }
    }
    // An unclosed quote still gives what it holds: the command must not grow or vanish.
    if (inArg) {
        args.push_back(std::move(current));
    }
    return args;
}

std::optional<std::string> SetDesktopEntryKey(std::string_view text, std::string_view key,
                                              std::string_view escapedValue) {
    std::string out;
    out.reserve(text.size() + key.size() + escapedValue.size() + 2);
    // A byte-order mark stays where it is and is not part of the first line, as the
    // reader sees it; otherwise the two would disagree on which group is the entry.
    if (StartsWith(text, "\xEF\xBB\xBF")) {
        out += text.substr(0, 3);
        text.remove_prefix(3);
    }
    std::vector<RawLine> lines = RawLines(text);
    bool inMain = false;
    bool sawMain = false;
    bool replaced = false;
    std::size_t insertAt = std::string::npos;  // just after the group header
    std::string_view insertEnd = "\n";
    for (const RawLine& line : lines) {
        if (IsGroupHeader(line.content)) {
            inMain = !sawMain && IsMainGroupHeader(line.content);
            out += line.content;
            if (inMain) {
                sawMain = true;
                if (line.end.empty()) {
                    out += '\n';  // the header was the last line, without an end
                } else {
                    out += line.end;
                    insertEnd = line.end;
                }
                insertAt = out.size();
            } else {
                out += line.end;
            }
            continue;
        }
        std::string_view lineKey;
        std::string_view lineValue;
        if (inMain && SplitKeyValue(line.content, lineKey, lineValue) && lineKey == key) {
            out += key;
            out += '=';
            out += escapedValue;
            out += line.end;
            replaced = true;
            continue;
        }
        out += line.content;
        out += line.end;
    }
    if (!sawMain) {
        return std::nullopt;
    }
    if (!replaced) {
        std::string added = std::string(key) + "=" + std::string(escapedValue);
        added += insertEnd;
        out.insert(insertAt, added);
    }
    return out;
}

std::optional<std::string> RemoveDesktopEntryKey(std::string_view text, std::string_view key) {
    std::string out;
    out.reserve(text.size());
    if (StartsWith(text, "\xEF\xBB\xBF")) {
        out += text.substr(0, 3);
        text.remove_prefix(3);
    }
    bool inMain = false;
    bool sawMain = false;
    for (const RawLine& line : RawLines(text)) {
        if (IsGroupHeader(line.content)) {
            inMain = !sawMain && IsMainGroupHeader(line.content);
            sawMain = sawMain || inMain;
        } else {
            std::string_view lineKey;
            std::string_view lineValue;
            if (inMain && SplitKeyValue(line.content, lineKey, lineValue) && lineKey == key) {
                continue;
            }
        }
        out += line.content;
        out += line.end;
    }
    if (!sawMain) {
        return std::nullopt;
    }
    return out;
}

}  // namespace qarvex
