#include "platform/linux/chromium_session.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <system_error>

#include <nlohmann/json.hpp>

#include "platform/linux/bounded_read.h"
#include "platform/linux/browser_text.h"
#include "platform/linux/profile_lock.h"
#include "store/strings.h"
#include "store/text_codec.h"

namespace qarvex {

namespace {

constexpr std::string_view kSignature{"SNSS"};
// Versions 2 and 4 are encrypted with a key only the browser holds.
constexpr std::int32_t kPlainVersion = 1;
constexpr std::int32_t kPlainVersionWithMarker = 3;

// Command ids of the session log, fixed since they are on users' disks.
enum Command : unsigned char {
    kSetTabWindow = 0,
    kSetTabIndexInWindow = 2,
    kPrunedFromBack = 5,
    kUpdateTabNavigation = 6,
    kSetSelectedNavigationIndex = 7,
    kSetWindowType = 9,
    kPrunedFromFront = 11,
    kTabClosed = 16,
    kWindowClosed = 17,
    kNavigationPathPruned = 24,
};

// A tab keeps 50 entries or so in practice; the cap only bounds the work a hostile file
// can cause.
constexpr std::size_t kMaxNavigationsPerTab = 512;
// Far more tabs and windows than a browser restores; ids beyond are a hostile file's.
constexpr std::size_t kMaxTabs = 8192;
constexpr std::size_t kMaxLocalStateBytes = 16u * 1024u * 1024u;

std::int32_t Int32At(std::string_view bytes, std::size_t pos) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[pos + std::size_t(i)]);
    }
    return static_cast<std::int32_t>(value);
}

// The browser's pickle: a 32-bit payload size, then fields each padded to 4 bytes.
class PickleReader {
public:
    explicit PickleReader(std::string_view bytes) {
        if (bytes.size() >= 4) {
            const auto declared = static_cast<std::uint32_t>(Int32At(bytes, 0));
            if (declared <= bytes.size() - 4) {
                m_data = bytes.substr(4, declared);
            }
        }
    }

    std::optional<std::int32_t> ReadInt() {
        if (m_data.size() - m_pos < 4) {
            return std::nullopt;
        }
        const std::int32_t value = Int32At(m_data, m_pos);
        m_pos += 4;
        return value;
    }

    // unitSize 1 for a byte string, 2 for UTF-16.
    std::optional<std::string_view> ReadString(std::size_t unitSize) {
        const std::optional<std::int32_t> length = ReadInt();
        if (!length || *length < 0) {
            return std::nullopt;
        }
        const std::size_t bytes = std::size_t(*length) * unitSize;
        if (bytes > m_data.size() - m_pos) {
            return std::nullopt;
        }
        std::string_view text = m_data.substr(m_pos, bytes);
        m_pos += std::min(m_data.size() - m_pos, (bytes + 3) & ~std::size_t(3));
        return text;
    }

private:
    std::string_view m_data;
    std::size_t m_pos = 0;
};

struct Navigation {
    std::string url;
    std::string title;
};

// A tab's entries by navigation index, as two sorted arrays. The browser logs a prune for
// every navigation that drops the forward history, and each one removes a run of indexes
// and moves every later index down: here a move and one pass of subtractions over a
// contiguous array, never a rebuilt tree.
class Navigations {
public:
    bool Empty() const { return m_indexes.empty(); }
    std::size_t Size() const { return m_indexes.size(); }

    // The entry of index, made when there is none.
    Navigation& At(std::int32_t index) {
        const auto at = std::lower_bound(m_indexes.begin(), m_indexes.end(), index);
        const auto position = static_cast<std::size_t>(at - m_indexes.begin());
        if (at == m_indexes.end() || *at != index) {
            m_indexes.insert(at, index);
            m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(position),
                             Navigation{});
        }
        return m_entries[position];
    }
    bool Has(std::int32_t index) const {
        return std::binary_search(m_indexes.begin(), m_indexes.end(), index);
    }
    // How many entries a new one at index moves.
    std::size_t CountAfter(std::int32_t index) const {
        return static_cast<std::size_t>(
            m_indexes.end() - std::upper_bound(m_indexes.begin(), m_indexes.end(), index));
    }
    // Drops index and everything after it.
    void EraseFrom(std::int32_t index) {
        const auto from = std::lower_bound(m_indexes.begin(), m_indexes.end(), index);
        m_entries.erase(m_entries.begin() + (from - m_indexes.begin()), m_entries.end());
        m_indexes.erase(from, m_indexes.end());
    }
    // Drops [index, index + count) and moves the later ones down by count. Returns the
    // number of entries it touched.
    std::size_t Prune(std::int64_t index, std::int64_t count) {
        const auto first = std::lower_bound(m_indexes.begin(), m_indexes.end(), index,
                                            [](std::int32_t a, std::int64_t b) { return a < b; });
        const auto last = std::lower_bound(first, m_indexes.end(), index + count,
                                           [](std::int32_t a, std::int64_t b) { return a < b; });
        const auto from = first - m_indexes.begin();
        m_entries.erase(m_entries.begin() + from, m_entries.begin() + (last - m_indexes.begin()));
        const std::size_t removed = static_cast<std::size_t>(last - first);
        m_indexes.erase(first, last);
        for (auto it = m_indexes.begin() + from; it != m_indexes.end(); ++it) {
            *it = static_cast<std::int32_t>(*it - count);
        }
        return removed + (m_indexes.size() - static_cast<std::size_t>(from));
    }
    // The entry at index, or the first one after it, or the last one.
    const Navigation& AtOrAfter(std::int32_t index) const {
        const auto at = std::lower_bound(m_indexes.begin(), m_indexes.end(), index);
        const std::size_t position = at == m_indexes.end()
                                         ? m_indexes.size() - 1
                                         : static_cast<std::size_t>(at - m_indexes.begin());
        return m_entries[position];
    }

private:
    std::vector<std::int32_t> m_indexes;
    std::vector<Navigation> m_entries;
};

struct Tab {
    std::int32_t windowId = 0;
    std::int32_t visualIndex = -1;
    std::int32_t currentIndex = -1;
    Navigations navigations;
};

struct Window {
    // A window the log has not given a type since it was last opened is not restored:
    // that is how a closed window's tabs, which still name it, stay away.
    bool typed = false;
};

class SessionReplay {
public:
    explicit SessionReplay(SnssBudget& budget) : m_budget(budget) {}

    void Apply(unsigned char id, std::string_view payload);
    std::vector<ShellWindow> Pages() const;

private:
    // An id pair or triple of 32-bit fields; nothing when the payload has another size.
    static std::optional<std::array<std::int32_t, 3>> Fields(std::string_view payload,
                                                             std::size_t count) {
        if (payload.size() != 4 * count) {
            return std::nullopt;
        }
        std::array<std::int32_t, 3> fields{};
        for (std::size_t i = 0; i < count; ++i) {
            fields[i] = Int32At(payload, 4 * i);
        }
        return fields;
    }

    void Prune(Tab& tab, std::int64_t index, std::int64_t count);
    void UpdateNavigation(std::string_view payload);
    // The tab of that id, made when there is none; nothing once the replay holds as many
    // tabs as a browser ever restores.
    Tab* TabOf(std::int32_t id);

    SnssBudget& m_budget;
    std::map<std::int32_t, Tab> m_tabs;
    std::map<std::int32_t, Window> m_windows;
};

Tab* SessionReplay::TabOf(std::int32_t id) {
    const auto it = m_tabs.find(id);
    if (it != m_tabs.end()) {
        return &it->second;
    }
    return m_tabs.size() < kMaxTabs ? &m_tabs[id] : nullptr;
}

void SessionReplay::Prune(Tab& tab, std::int64_t index, std::int64_t count) {
    const std::int64_t end = index + count;
    if (tab.currentIndex >= index && tab.currentIndex < end) {
        tab.currentIndex = static_cast<std::int32_t>(index - 1);
    } else if (tab.currentIndex >= end) {
        tab.currentIndex = static_cast<std::int32_t>(tab.currentIndex - count);
    }
    m_budget.Spend(tab.navigations.Prune(index, count));
}

void SessionReplay::UpdateNavigation(std::string_view payload) {
    PickleReader pickle(payload);
    const std::optional<std::int32_t> tabId = pickle.ReadInt();
    const std::optional<std::int32_t> index = pickle.ReadInt();
    const std::optional<std::string_view> url =
        tabId && index ? pickle.ReadString(1) : std::nullopt;
    const std::optional<std::string_view> title = url ? pickle.ReadString(2) : std::nullopt;
    if (!title) {
        return;
    }
    Tab* tab = TabOf(*tabId);
    if (tab == nullptr) {
        return;
    }
    if (!tab->navigations.Has(*index)) {
        if (tab->navigations.Size() >= kMaxNavigationsPerTab) {
            return;
        }
        m_budget.Spend(tab->navigations.CountAfter(*index));
    }
    Navigation& navigation = tab->navigations.At(*index);
    navigation.url.assign(*url);
    navigation.title = Utf16LeToUtf8(*title);
}

void SessionReplay::Apply(unsigned char id, std::string_view payload) {
    switch (id) {
        case kSetTabWindow:
            if (auto f = Fields(payload, 2); f && TabOf((*f)[1])) {
                TabOf((*f)[1])->windowId = (*f)[0];
            }
            break;
        case kSetTabIndexInWindow:
            if (auto f = Fields(payload, 2); f && TabOf((*f)[0])) {
                TabOf((*f)[0])->visualIndex = (*f)[1];
            }
            break;
        case kPrunedFromBack:
            if (auto f = Fields(payload, 2); f && TabOf((*f)[0])) {
                TabOf((*f)[0])->navigations.EraseFrom((*f)[1]);
            }
            break;
        case kUpdateTabNavigation:
            UpdateNavigation(payload);
            break;
        case kSetSelectedNavigationIndex:
            if (auto f = Fields(payload, 2); f && TabOf((*f)[0])) {
                TabOf((*f)[0])->currentIndex = (*f)[1];
            }
            break;
        case kSetWindowType:
            if (auto f = Fields(payload, 2);
                f && (m_windows.size() < kMaxTabs || m_windows.count((*f)[0]) != 0)) {
                m_windows[(*f)[0]].typed = true;
            }
            break;
        case kPrunedFromFront:
            if (auto f = Fields(payload, 2); f && (*f)[1] > 0 && TabOf((*f)[0])) {
                Prune(*TabOf((*f)[0]), 0, (*f)[1]);
            }
            break;
        case kNavigationPathPruned:
            if (auto f = Fields(payload, 3); f && (*f)[1] >= 0 && (*f)[2] > 0 && TabOf((*f)[0])) {
                Prune(*TabOf((*f)[0]), (*f)[1], (*f)[2]);
            }
            break;
        case kTabClosed:
        case kWindowClosed:
            // The id, then a 64-bit close time aligned to 8 bytes.
            if (payload.size() == 16) {
                const std::int32_t closed = Int32At(payload, 0);
                if (id == kTabClosed) {
                    m_tabs.erase(closed);
                } else {
                    m_windows.erase(closed);
                }
            }
            break;
        default:
            // Window bounds, pinning, groups, user agents, the initial-state marker and
            // whatever later versions add: nothing a page list needs.
            break;
    }
}

bool IsBrowserOwnPage(std::string_view url) {
    static constexpr std::string_view kSchemes[] = {
        "chrome:",        "chrome-untrusted:", "chrome-extension:",
        "chrome-search:", "devtools:",         "edge:",
        "brave:",         "vivaldi:",          "opera:",
        "about:",
    };
    const std::string lower = AsciiLower(url.substr(0, 20));
    return std::any_of(std::begin(kSchemes), std::end(kSchemes),
                       [&](std::string_view scheme) { return StartsWith(lower, scheme); });
}

// The browser stores addresses in their escaped form: anything else in one is damage.
bool IsPrintableUtf8(std::string_view text) {
    return IsValidUtf8(text) && std::none_of(text.begin(), text.end(), [](char c) {
               return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
           });
}

std::vector<ShellWindow> SessionReplay::Pages() const {
    struct Placed {
        std::int32_t visualIndex;
        std::int32_t tabId;
        const Navigation* navigation;
    };
    std::map<std::int32_t, std::vector<Placed>> byWindow;
    for (const auto& [tabId, tab] : m_tabs) {
        if (tab.windowId == 0 || tab.navigations.Empty()) {
            continue;
        }
        auto window = m_windows.find(tab.windowId);
        if (window == m_windows.end() || !window->second.typed) {
            continue;
        }
        // The selected entry, or the first one after it, or the last one.
        byWindow[tab.windowId].push_back(
            {tab.visualIndex, tabId, &tab.navigations.AtOrAfter(tab.currentIndex)});
    }
    std::vector<ShellWindow> pages;
    for (auto& [windowId, tabs] : byWindow) {
        std::sort(tabs.begin(), tabs.end(), [](const Placed& a, const Placed& b) {
            return a.visualIndex != b.visualIndex ? a.visualIndex < b.visualIndex
                                                  : a.tabId < b.tabId;
        });
        for (const Placed& placed : tabs) {
            const Navigation& navigation = *placed.navigation;
            if (navigation.url.empty() || IsBrowserOwnPage(navigation.url) ||
                !IsPrintableUtf8(navigation.url)) {
                continue;
            }
            ShellWindow page;
            page.locationUrl = DecodeFileAddress(navigation.url);
            page.title = navigation.title.empty() ? page.locationUrl : navigation.title;
            // A line break in a title would split the history's one-line records.
            for (char& c : page.title) {
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    c = ' ';
                }
            }
            page.hasTitle = true;
            page.hasDocument = true;
            pages.push_back(std::move(page));
        }
    }
    return pages;
}

bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

// Where each browser keeps its user data, relative to the configuration folder.
constexpr std::string_view kChromiumConfigFolders[] = {
    "chromium",
    "google-chrome",
    "google-chrome-beta",
    "google-chrome-unstable",
    "microsoft-edge",
    "microsoft-edge-beta",
    "microsoft-edge-dev",
    "BraveSoftware/Brave-Browser",
    "BraveSoftware/Brave-Browser-Beta",
    "BraveSoftware/Brave-Browser-Nightly",
    "vivaldi",
    "vivaldi-snapshot",
    "opera",
    "opera-beta",
    "opera-developer",
};

}  // namespace

std::vector<ShellWindow> PagesFromSnss(std::string_view bytes) {
    SnssBudget budget;
    return PagesFromSnss(bytes, budget);
}

std::vector<ShellWindow> PagesFromSnss(std::string_view bytes, SnssBudget& budget) {
    if (bytes.size() < 8 || bytes.substr(0, 4) != kSignature) {
        return {};
    }
    const std::int32_t version = Int32At(bytes, 4);
    if (version != kPlainVersion && version != kPlainVersionWithMarker) {
        return {};
    }
    SessionReplay replay(budget);
    std::size_t pos = 8;
    // The browser appends while it runs: a record cut short ends the log quietly, and so
    // does a log that has cost all the work a pass may spend on it.
    while (bytes.size() - pos >= 2 && !budget.Exhausted()) {
        const std::size_t size = static_cast<unsigned char>(bytes[pos]) |
                                 (std::size_t(static_cast<unsigned char>(bytes[pos + 1])) << 8);
        if (size == 0 || size > bytes.size() - pos - 2) {
            break;
        }
        budget.Spend(2 + size);
        replay.Apply(static_cast<unsigned char>(bytes[pos + 2]), bytes.substr(pos + 3, size - 1));
        pos += 2 + size;
    }
    return replay.Pages();
}

std::string CurrentSessionFile(const std::string& profileDir) {
    // Session_<microseconds>: the browser starts a new one at every start and keeps a
    // few old ones.
    std::string newest;
    std::uint64_t newestStamp = 0;
    std::error_code ec;
    const std::string sessions = JoinPath(profileDir, "Sessions");
    for (std::filesystem::directory_iterator it(sessions, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!StartsWith(name, "Session_") || name.size() == 8 || name.size() > 8 + 19) {
            continue;
        }
        std::uint64_t stamp = 0;
        bool digits = true;
        for (char c : std::string_view(name).substr(8)) {
            digits = digits && c >= '0' && c <= '9';
            stamp = stamp * 10 + std::uint64_t(c - '0');
        }
        std::error_code typeError;
        if (digits && it->is_regular_file(typeError) && (newest.empty() || stamp > newestStamp)) {
            newest = it->path().string();
            newestStamp = stamp;
        }
    }
    if (!newest.empty()) {
        return newest;
    }
    const std::string old = JoinPath(profileDir, "Current Session");
    return IsRegularFile(old) ? old : std::string();
}

std::vector<std::string> ChromiumProfileDirs(std::string_view localState,
                                             const std::string& userDataDir) {
    std::vector<std::string> names;
    auto add = [&](const std::string& name) {
        if (IsPlainName(name) && std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(name);
        }
    };
    const nlohmann::json state = nlohmann::json::parse(localState, nullptr, false);
    if (state.is_object()) {
        auto profile = state.find("profile");
        if (profile != state.end() && profile->is_object()) {
            auto active = profile->find("last_active_profiles");
            if (active != profile->end() && active->is_array()) {
                for (const nlohmann::json& name : *active) {
                    if (name.is_string()) {
                        add(name.get<std::string>());
                    }
                }
            }
            auto cache = profile->find("info_cache");
            if (cache != profile->end() && cache->is_object()) {
                for (const auto& [name, info] : cache->items()) {
                    add(name);
                }
            }
        }
    }
    if (names.empty()) {
        names.push_back("Default");
    }
    std::vector<std::string> dirs;
    for (const std::string& name : names) {
        dirs.push_back(JoinPath(userDataDir, name));
    }
    return dirs;
}

std::vector<std::string> ChromiumUserDataDirs(const std::string& home,
                                              const std::string& xdgConfigHome) {
    std::vector<std::string> dirs;
    if (home.empty()) {
        return dirs;
    }
    const std::string configHome = (!xdgConfigHome.empty() && xdgConfigHome.front() == '/')
                                       ? xdgConfigHome
                                       : JoinPath(home, ".config");
    for (std::string_view folder : kChromiumConfigFolders) {
        dirs.push_back(JoinPath(configHome, folder));
    }
    // A Flatpak application keeps its configuration in ~/.var/app/<id>/config.
    for (const std::string& app : SubFolders(JoinPath(home, ".var/app"))) {
        for (std::string_view folder : kChromiumConfigFolders) {
            dirs.push_back(JoinPath(JoinPath(app, "config"), folder));
        }
    }
    // Snaps: the Chromium snap keeps it in common/, the others in their own ~/.config.
    dirs.push_back(JoinPath(home, "snap/chromium/common/chromium"));
    for (const std::string& snap : SubFolders(JoinPath(home, "snap"))) {
        for (std::string_view folder : kChromiumConfigFolders) {
            dirs.push_back(JoinPath(JoinPath(snap, "current/.config"), folder));
        }
    }
    return dirs;
}

std::vector<ShellWindow> ReadChromiumPages(const std::string& home,
                                           const std::string& xdgConfigHome) {
    std::vector<ShellWindow> pages;
    std::set<std::string> seen;
    SnssBudget budget;  // one for the whole pass, however many profiles there are
    for (const std::string& userData : ChromiumUserDataDirs(home, xdgConfigHome)) {
        if (!IsDirectory(userData) || !seen.insert(FolderIdentity(userData)).second ||
            !ChromiumUserDataIsInUse(userData)) {
            continue;
        }
        const std::optional<std::string> localState =
            ReadFileUpTo(JoinPath(userData, "Local State"), kMaxLocalStateBytes);
        std::vector<std::string> profiles = ChromiumProfileDirs(localState.value_or(""), userData);
        // Opera keeps its only profile in the user-data folder itself.
        profiles.push_back(userData);
        for (const std::string& profile : profiles) {
            const std::string file = CurrentSessionFile(profile);
            if (file.empty()) {
                continue;
            }
            const std::optional<std::string> bytes = ReadFileUpTo(file, kMaxSnssBytes);
            if (!bytes) {
                continue;
            }
            for (ShellWindow& page : PagesFromSnss(*bytes, budget)) {
                pages.push_back(std::move(page));
            }
        }
    }
    return pages;
}

}  // namespace qarvex
