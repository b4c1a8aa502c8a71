#include "platform/linux/firefox_session.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <system_error>

#include <lz4.h>
#include <nlohmann/json.hpp>

#include "platform/linux/bounded_read.h"
#include "platform/linux/browser_text.h"
#include "platform/linux/profile_lock.h"
#include "store/strings.h"
#include "store/text_codec.h"

namespace qarvex {

namespace {

constexpr std::string_view kMozLz4Magic{"mozLz40\0", 8};
constexpr std::size_t kHeaderSize = 12;
// profiles.ini is a few hundred bytes; anything far larger is not one.
constexpr std::size_t kMaxProfilesIniBytes = 1024 * 1024;

// Lines split at LF, CR LF or CR.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

// The 16-bit unit of a "\uXXXX" escape starting at text[pos] (the backslash), if any.
std::optional<unsigned> EscapedUnitAt(std::string_view text, std::size_t pos) {
    if (pos + 6 > text.size() || text[pos] != '\\' || text[pos + 1] != 'u') {
        return std::nullopt;
    }
    unsigned value = 0;
    for (std::size_t i = pos + 2; i < pos + 6; ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

// JavaScript strings may hold unpaired surrogates, and Firefox writes them as "\ud83d"
// escapes (a tab title cut in the middle of an emoji is enough). A strict JSON parser
// rejects the whole session for one such title, so they become U+FFFD first.
std::string ReplaceLoneSurrogates(std::string_view json) {
    std::string out;
    out.reserve(json.size());
    bool inString = false;
    std::size_t i = 0;
    while (i < json.size()) {
        char c = json[i];
        if (!inString) {
            inString = (c == '"');
            out += c;
            ++i;
            continue;
        }
        if (c == '"') {
            inString = false;
            out += c;
            ++i;
            continue;
        }
        if (c != '\\') {
            out += c;
            ++i;
            continue;
        }
        std::optional<unsigned> unit = EscapedUnitAt(json, i);
        if (!unit) {
            // Any other escape: copy it whole so that "\\" or "\"" can't be misread.
            out += json.substr(i, 2);
            i += 2;
            continue;
        }
        if (*unit >= 0xD800 && *unit <= 0xDBFF) {
            std::optional<unsigned> next = EscapedUnitAt(json, i + 6);
            if (next && *next >= 0xDC00 && *next <= 0xDFFF) {
                out += json.substr(i, 12);
                i += 12;
                continue;
            }
            out += "\\ufffd";
        } else if (*unit >= 0xDC00 && *unit <= 0xDFFF) {
            out += "\\ufffd";
        } else {
            out += json.substr(i, 6);
        }
        i += 6;
    }
    return out;
}

// The entry Firefox itself shows for a tab: index is 1-based, a missing or zero index
// means the last entry, and an index out of range is pulled back into it.
const nlohmann::json* CurrentEntry(const nlohmann::json& tab) {
    auto entries = tab.find("entries");
    if (entries == tab.end() || !entries->is_array() || entries->empty()) {
        return nullptr;
    }
    const std::size_t count = entries->size();
    std::size_t position = count;
    auto index = tab.find("index");
    if (index != tab.end() && index->is_number()) {
        double wanted = index->get<double>();
        if (wanted >= 1.0) {
            position = wanted >= double(count) ? count : std::size_t(wanted);
        } else if (wanted < 0.0) {
            position = 1;
        }
    }
    return &(*entries)[position - 1];
}

void AppendPagesOfWindow(const nlohmann::json& window, std::vector<ShellWindow>& pages) {
    if (!window.is_object()) {
        return;
    }
    auto tabs = window.find("tabs");
    if (tabs == window.end() || !tabs->is_array()) {
        return;
    }
    for (const nlohmann::json& tab : *tabs) {
        if (!tab.is_object()) {
            continue;
        }
        const nlohmann::json* entry = CurrentEntry(tab);
        if (entry == nullptr || !entry->is_object()) {
            continue;
        }
        auto url = entry->find("url");
        if (url == entry->end() || !url->is_string() ||
            url->get_ref<const std::string&>().empty()) {
            continue;
        }
        ShellWindow page;
        page.locationUrl = DecodeFileAddress(url->get_ref<const std::string&>());
        page.hasDocument = true;
        page.hasTitle = true;
        // Firefox leaves the title out for about:blank and when it equals the address,
        // and shows the address then; so does the history.
        auto title = entry->find("title");
        if (title != entry->end() && title->is_string() &&
            !title->get_ref<const std::string&>().empty()) {
            page.title = title->get<std::string>();
        } else {
            page.title = page.locationUrl;
        }
        pages.push_back(std::move(page));
    }
}

// Where Firefox and the browsers built from it keep profiles.ini: relative to a home
// folder, and relative to the XDG configuration folder.
constexpr std::string_view kFirefoxFamilyHomeFolders[] = {
    ".mozilla/firefox", ".librewolf", ".waterfox", ".floorp", ".zen", ".mullvad/mullvadbrowser",
};
constexpr std::string_view kFirefoxFamilyConfigFolders[] = {
    "mozilla/firefox", "librewolf", "librewolf/librewolf",    "waterfox",
    "floorp",          "zen",       "mullvad/mullvadbrowser",
};

}  // namespace

std::optional<std::string> DecodeMozLz4(std::string_view bytes) {
    if (bytes.size() < kHeaderSize || bytes.substr(0, kMozLz4Magic.size()) != kMozLz4Magic) {
        return std::nullopt;
    }
    std::uint32_t declared = 0;
    for (int i = 3; i >= 0; --i) {
        declared = (declared << 8) | static_cast<unsigned char>(bytes[8 + std::size_t(i)]);
    }
    std::string_view block = bytes.substr(kHeaderSize);
    if (declared > kMaxSessionBytes || block.size() > kMaxSessionBytes) {
        return std::nullopt;
    }
    // One LZ4 byte never expands to more than 255 bytes, so a size the block can't
    // possibly hold is turned away before anything is allocated for it.
    if (std::uint64_t(declared) > std::uint64_t(block.size()) * 255u + 16u) {
        return std::nullopt;
    }
    if (declared == 0) {
        return block.empty() || block == std::string_view("\0", 1) ? std::optional<std::string>("")
                                                                   : std::nullopt;
    }
    std::string out(declared, '\0');
    int produced = LZ4_decompress_safe(block.data(), out.data(), static_cast<int>(block.size()),
                                       static_cast<int>(declared));
    if (produced < 0 || static_cast<std::uint32_t>(produced) != declared) {
        return std::nullopt;
    }
    return out;
}

std::vector<ShellWindow> PagesFromSessionJson(std::string_view json) {
    std::vector<ShellWindow> pages;
    // Firefox writes valid UTF-8, but a damaged byte in one title must not cost every
    // other page of the session: the strict parser would reject all of it.
    std::string cleaned = ReplaceLoneSurrogates(RepairUtf8(json));
    nlohmann::json session = nlohmann::json::parse(cleaned, nullptr, /*allow_exceptions=*/false);
    if (session.is_discarded() || !session.is_object()) {
        return pages;
    }
    auto windows = session.find("windows");
    if (windows == session.end() || !windows->is_array()) {
        return pages;
    }
    for (const nlohmann::json& window : *windows) {
        AppendPagesOfWindow(window, pages);
    }
    return pages;
}

std::vector<std::string> ProfileDirsFromIni(std::string_view iniText,
                                            const std::string& firefoxHome) {
    struct Section {
        bool isProfile = false;
        bool isInstall = false;
        std::optional<std::string> path;
        bool relative = false;
    };
    std::vector<Section> sections;
    if (StartsWith(iniText, "\xEF\xBB\xBF")) {
        iniText.remove_prefix(3);
    }
    for (std::string_view rawLine : Lines(iniText)) {
        std::string line = Trim(rawLine);
        if (line.empty() || line[0] == ';' || line[0] == '#') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            Section section;
            section.isProfile = StartsWith(AsciiLower(line), "[profile");
            // [Install<hash>] names the profile an installation starts with; it need
            // not be listed as a [Profile] too.
            section.isInstall = StartsWith(AsciiLower(line), "[install");
            sections.push_back(section);
            continue;
        }
        std::size_t eq = line.find('=');
        if (sections.empty() || eq == std::string::npos) {
            continue;
        }
        std::string key = Trim(std::string_view(line).substr(0, eq));
        std::string value = Trim(std::string_view(line).substr(eq + 1));
        if (EqualsIgnoreAsciiCase(key, sections.back().isInstall ? "Default" : "Path")) {
            sections.back().path = value;
        } else if (EqualsIgnoreAsciiCase(key, "IsRelative")) {
            sections.back().relative = (value == "1");
        }
    }
    std::vector<std::string> dirs;
    auto add = [&](const Section& section) {
        if (!section.path || section.path->empty()) {
            return;
        }
        const std::string& path = *section.path;
        std::string dir =
            (section.relative || path.front() != '/') ? JoinPath(firefoxHome, path) : path;
        if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end()) {
            dirs.push_back(std::move(dir));
        }
    };
    for (const Section& section : sections) {
        if (section.isProfile) {
            add(section);
        }
    }
    for (const Section& section : sections) {
        if (section.isInstall) {
            add(section);
        }
    }
    return dirs;
}

std::vector<std::string> FirefoxHomes(const std::string& home, const std::string& xdgConfigHome) {
    // The XDG rules say a relative XDG_CONFIG_HOME is to be ignored.
    std::string configHome = (!xdgConfigHome.empty() && xdgConfigHome.front() == '/')
                                 ? xdgConfigHome
                                 : JoinPath(home, ".config");
    std::vector<std::string> homes = {
        JoinPath(home, ".mozilla/firefox"),
        JoinPath(configHome, "mozilla/firefox"),
        JoinPath(home, "snap/firefox/common/.mozilla/firefox"),
        JoinPath(home, ".var/app/org.mozilla.firefox/.mozilla/firefox"),
    };
    for (std::string_view folder : kFirefoxFamilyHomeFolders) {
        homes.push_back(JoinPath(home, folder));
    }
    for (std::string_view folder : kFirefoxFamilyConfigFolders) {
        homes.push_back(JoinPath(configHome, folder));
    }
    // Flatpak gives each application a home of its own (~/.var/app/<id>, with config/
    // as its XDG folder); snaps keep theirs under ~/snap/<name>.
    for (const std::string& app : SubFolders(JoinPath(home, ".var/app"))) {
        for (std::string_view folder : kFirefoxFamilyHomeFolders) {
            homes.push_back(JoinPath(app, folder));
        }
        for (std::string_view folder : kFirefoxFamilyConfigFolders) {
            homes.push_back(JoinPath(JoinPath(app, "config"), folder));
        }
    }
    for (const std::string& snap : SubFolders(JoinPath(home, "snap"))) {
        for (std::string_view base : {"common", "current"}) {
            for (std::string_view folder : kFirefoxFamilyHomeFolders) {
                homes.push_back(JoinPath(JoinPath(snap, base), folder));
            }
        }
    }
    std::vector<std::string> unique;
    for (std::string& folder : homes) {
        if (std::find(unique.begin(), unique.end(), folder) == unique.end()) {
            unique.push_back(std::move(folder));
        }
    }
    return unique;
}

std::vector<std::string> FirefoxProfileDirs(const std::string& home,
                                            const std::string& xdgConfigHome) {
    std::vector<std::string> result;
    if (home.empty()) {
        return result;
    }
    std::set<std::string> seen;
    for (const std::string& firefoxHome : FirefoxHomes(home, xdgConfigHome)) {
        std::optional<std::string> ini =
            ReadFileUpTo(JoinPath(firefoxHome, "profiles.ini"), kMaxProfilesIniBytes);
        if (!ini) {
            continue;
        }
        for (std::string& dir : ProfileDirsFromIni(*ini, firefoxHome)) {
            if (IsDirectory(dir) && seen.insert(FolderIdentity(dir)).second) {
                result.push_back(std::move(dir));
            }
        }
    }
    return result;
}

std::vector<ShellWindow> ReadSessionFile(const std::string& path) {
    std::optional<std::string> bytes = ReadFileUpTo(path, kMaxSessionBytes + kHeaderSize);
    if (!bytes) {
        return {};
    }
    std::optional<std::string> json = DecodeMozLz4(*bytes);
    if (!json) {
        return {};
    }
    return PagesFromSessionJson(*json);
}

std::vector<ShellWindow> ReadFirefoxPages(const std::string& home,
                                          const std::string& xdgConfigHome) {
    std::vector<ShellWindow> pages;
    for (const std::string& dir : FirefoxProfileDirs(home, xdgConfigHome)) {
        // A crashed or killed browser leaves its last session behind; none of it is open.
        if (!FirefoxProfileIsInUse(dir)) {
            continue;
        }
        std::vector<ShellWindow> found =
            ReadSessionFile(JoinPath(dir, "sessionstore-backups/recovery.jsonlz4"));
        pages.insert(pages.end(), std::make_move_iterator(found.begin()),
                     std::make_move_iterator(found.end()));
    }
    return pages;
}

}  // namespace qarvex
