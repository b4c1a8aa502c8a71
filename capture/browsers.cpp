#include "capture/browsers.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "store/strings.h"

namespace qarvex {

namespace {

// Executable names, lower-cased; a native entry is usually named the same.
constexpr std::string_view kBrowserPrograms[] = {
    "firefox",
    "firefox-esr",
    "firefox-bin",
    "firefox.real",
    "librewolf",
    "librewolf-bin",
    "waterfox",
    "waterfox-bin",
    "floorp",
    "zen",
    "zen-bin",
    "zen-browser",
    "mullvadbrowser",
    "mullvad-browser",
    "mullvadbrowser.real",
    "chromium",
    "chromium-browser",
    "chrome",
    "google-chrome",
    "google-chrome-stable",
    "google-chrome-beta",
    "google-chrome-unstable",
    "msedge",
    "microsoft-edge",
    "microsoft-edge-stable",
    "microsoft-edge-beta",
    "microsoft-edge-dev",
    "brave",
    "brave-browser",
    "brave-browser-stable",
    "brave-browser-beta",
    "brave-browser-nightly",
    "vivaldi",
    "vivaldi-bin",
    "vivaldi-stable",
    "vivaldi-snapshot",
    "opera",
    "opera-beta",
    "opera-developer",
    "opera-stable",
};

// Flatpak ids, lower-cased, without ".desktop".
constexpr std::string_view kBrowserEntryIds[] = {
    "org.mozilla.firefox",   "io.gitlab.librewolf-community",
    "net.waterfox.waterfox", "one.ablaze.floorp",
    "app.zen_browser.zen",   "net.mullvad.mullvadbrowser",
    "org.chromium.chromium", "com.google.chrome",
    "com.microsoft.edge",    "com.brave.browser",
    "com.vivaldi.vivaldi",   "com.opera.opera",
};

template <std::size_t N>
bool IsListed(const std::string_view (&list)[N], std::string_view name) {
    return std::find(std::begin(list), std::end(list), name) != std::end(list);
}

bool IsBrowserProgram(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::string name =
        AsciiLower(Trim(slash == std::string_view::npos ? path : path.substr(slash + 1)));
    return IsListed(kBrowserPrograms, name);
}

bool IsBrowserEntry(std::string_view entryId) {
    std::string id = AsciiLower(Trim(entryId));
    if (!EndsWith(id, ".desktop")) {
        return false;
    }
    id.resize(id.size() - 8);
    // A snap names its entries "SNAP_APP" ("chromium_chromium").
    const std::string snap = id.substr(0, id.find('_'));
    return IsListed(kBrowserPrograms, id) || IsListed(kBrowserEntryIds, id) ||
           IsListed(kBrowserPrograms, snap);
}

}  // namespace

bool IsBrowserApplication(const AppIdentity& app) {
    const std::size_t slash = app.path.rfind('/');
    const std::string_view entry = app.entryId.empty() && EndsWith(app.path, ".desktop")
                                       ? std::string_view(app.path).substr(slash + 1)
                                       : std::string_view(app.entryId);
    return IsBrowserProgram(app.programPath.empty() ? app.path : app.programPath) ||
           IsBrowserProgram(app.execProgram) || IsBrowserEntry(entry);
}

}  // namespace qarvex
