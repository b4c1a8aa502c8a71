#include "platform/x11/user_places.h"

#include <vector>

#include "store/strings.h"

namespace qarvex {

namespace {

// Values are double-quoted; inside, a backslash escapes the next character.
std::optional<std::string> Unquote(std::string_view value) {
    if (value.size() < 2 || value.front() != '"') {
        return std::nullopt;
    }
    std::string out;
    for (std::size_t i = 1; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            out += value[++i];
        } else if (c == '"') {
            return Trim(value.substr(i + 1)).empty() ? std::optional<std::string>(out)
                                                     : std::nullopt;
        } else {
            out += c;
        }
    }
    return std::nullopt;  // no closing quote
}

std::vector<std::string> SplitAtNewlines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string StripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string UserDir(const PlaceContext& context, const std::string& key,
                    std::string_view fallback) {
    const auto dirs = ParseUserDirs(context.userDirsText, context.home);
    const auto found = dirs.find(key);
    if (found != dirs.end()) {
        return found->second;
    }
    return fallback.empty() ? context.home : context.home + "/" + std::string(fallback);
}

}  // namespace

std::map<std::string, std::string> ParseUserDirs(std::string_view text, const std::string& home) {
    std::map<std::string, std::string> dirs;
    for (const std::string& rawLine : SplitAtNewlines(text)) {
        const std::string line = Trim(rawLine);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        const std::string name = Trim(std::string_view(line).substr(0, equals));
        if (!StartsWith(name, "XDG_") || !EndsWith(name, "_DIR") || name.size() <= 8) {
            continue;
        }
        const auto value = Unquote(Trim(std::string_view(line).substr(equals + 1)));
        if (!value || value->find('\0') != std::string::npos) {
            continue;
        }
        std::string path;
        if (*value == "$HOME" || StartsWith(*value, "$HOME/")) {
            path = home + value->substr(5);
        } else if (StartsWith(*value, "/")) {
            path = *value;
        } else {
            continue;
        }
        dirs[name.substr(4, name.size() - 8)] = StripTrailingSlashes(path);
    }
    return dirs;
}

std::optional<std::string> SpecialPlacePath(int csidl, const PlaceContext& context) {
    const std::string applications = context.dataHome + "/applications";
    switch (csidl) {
        case 0:   // desktop
        case 16:  // desktop directory
            return UserDir(context, "DESKTOP", "Desktop");
        case 11:  // start menu: the user's own menu entries
            return applications;
        case 5:  // documents: where xdg-user-dirs would put them when none is configured
            return UserDir(context, "DOCUMENTS", context.homeDocumentsExist ? "Documents" : "");
        case 7:  // startup
            return context.configHome + "/autostart";
        case 10:  // recycle bin
            return std::string("trash:///");
        case 17:  // drives ("my computer")
            return std::string("computer:///");
        case 18:  // network neighbourhood
        case 19:  // network shortcuts
            return std::string("network:///");
        case 20:  // fonts
            return context.userFontsExist ? context.dataHome + "/fonts"
                                          : std::string("/usr/share/fonts");
        case 2:   // programs: the installed ones
        case 22:  // all users' start menu
        case 23:  // all users' programs
            return std::string("/usr/share/applications");
        case 24:  // all users' startup
            return std::string("/etc/xdg/autostart");
        case 32:  // internet cache
            return context.cacheHome;
        case 34:  // history
            return std::string("recent:///");
        // Control panel (3), printers (4), favourites (6), send-to (9), all users'
        // desktop (25), printer shortcuts (27), all users' favourites (31) and cookies
        // (33) have no folder on a Linux desktop; the caller then opens nothing.
        default:
            return std::nullopt;
    }
}

std::string XdgBaseDir(const char* value, const std::string& home, std::string_view fallback) {
    if (value != nullptr && value[0] == '/') {
        return StripTrailingSlashes(value);
    }
    return home + "/" + std::string(fallback);
}

}  // namespace qarvex
