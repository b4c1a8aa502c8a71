#include "platform/linux/desktop_launch.h"

#include <array>
#include <utility>

#include "store/strings.h"

namespace qarvex {

namespace {

// A D-Bus name: dot-separated parts of letters, digits, "_" and "-", none starting with
// a digit, at least two parts.
bool IsBusName(std::string_view name) {
    if (name.empty() || name.size() > 255 || name.find('.') == std::string_view::npos) {
        return false;
    }
    bool partStart = true;
    for (const char c : name) {
        if (c == '.') {
            if (partStart) {
                return false;
            }
            partStart = true;
            continue;
        }
        const bool letter =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '-';
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !(digit && !partStart)) {
            return false;
        }
        partStart = false;
    }
    return !partStart;
}

// The user's terminal and the option after which it takes a command to run.
std::optional<std::vector<std::string>> TerminalPrefix(
    const std::function<std::optional<std::string>(const std::string&)>& findProgram) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 11> kTerminals = {{
        {"x-terminal-emulator", "-e"},
        {"gnome-terminal", "--"},
        {"konsole", "-e"},
        {"xfce4-terminal", "-x"},
        {"mate-terminal", "-x"},
        {"tilix", "-e"},
        {"lxterminal", "-e"},
        {"qterminal", "-e"},
        {"alacritty", "-e"},
        {"urxvt", "-e"},
        {"xterm", "-e"},
    }};
    for (const auto& [name, option] : kTerminals) {
        if (auto program = findProgram(std::string(name))) {
            return std::vector<std::string>{*program, std::string(option)};
        }
    }
    return std::nullopt;
}

}  // namespace

std::string DesktopFileIdOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ApplicationObjectPath(std::string_view busName) {
    std::string path = "/";
    for (const char c : busName) {
        path += c == '.' ? '/' : c == '-' ? '_' : c;
    }
    return path;
}

std::optional<DesktopLaunch> PlanDesktopLaunch(
    const DesktopEntry& entry, std::string_view fileId,
    const std::function<std::optional<std::string>(const std::string&)>& findProgram) {
    if (entry.type.value_or("") != "Application") {
        return std::nullopt;
    }
    DesktopLaunch launch;
    std::string_view id = fileId;
    if (EndsWith(id, ".desktop")) {
        id.remove_suffix(8);
    }
    if (entry.dbusActivatable && IsBusName(id)) {
        launch.busName = std::string(id);
        launch.objectPath = ApplicationObjectPath(id);
    }
    std::vector<std::string> argv =
        entry.exec ? SplitExec(*entry.exec) : std::vector<std::string>();
    if (!argv.empty() && !argv.front().empty()) {
        if (!Contains(argv.front(), "/")) {
            if (auto found = findProgram(argv.front())) {
                argv.front() = *found;
            } else {
                argv.clear();
            }
        }
        if (!argv.empty() && entry.terminal) {
            if (auto terminal = TerminalPrefix(findProgram)) {
                argv.insert(argv.begin(), terminal->begin(), terminal->end());
            } else {
                argv.clear();  // a terminal program without a terminal shows nothing
            }
        }
        launch.argv = std::move(argv);
    }
    if (launch.busName.empty() && launch.argv.empty()) {
        return std::nullopt;
    }
    return launch;
}

}  // namespace qarvex
