#include "platform/wayland/toplevel_mapping.h"

#include <algorithm>
#include <set>

#include "platform/x11/window_text.h"

namespace qarvex {

namespace {

// The title buffer always held 128 bytes of the stored title.
constexpr std::size_t kMaxTitleBytes = 128;

std::string AsciiLower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return text;
}

}  // namespace

bool IsWaylandWindowId(std::uint64_t id) {
    return (id & kWaylandWindowBit) != 0;
}

std::size_t WaylandWindowIndex(std::uint64_t id) {
    return static_cast<std::size_t>(id & ~kWaylandWindowBit);
}

std::vector<TopWindow> MergeWindows(const std::vector<WaylandToplevel>& wayland,
                                    const std::vector<TopWindow>& x11,
                                    const std::vector<std::string>& ownAppIds,
                                    std::optional<std::int64_t> ownPid) {
    std::set<std::string> own;
    for (const std::string& id : ownAppIds) {
        own.insert(AsciiLower(id));
    }
    std::set<std::string> x11Titles;
    for (const TopWindow& window : x11) {
        if (window.visible) {
            x11Titles.insert(window.title);
        }
    }
    std::vector<TopWindow> windows;
    windows.reserve(wayland.size() + x11.size());
    for (std::size_t i = 0; i < wayland.size(); ++i) {
        const WaylandToplevel& toplevel = wayland[i];
        if (own.count(AsciiLower(toplevel.appId)) != 0 ||
            (ownPid && toplevel.pid && *ownPid == *toplevel.pid)) {
            continue;
        }
        TopWindow window;
        window.id = kWaylandWindowBit | i;
        // Minimised windows are open windows, as they always were.
        window.visible = true;
        window.owned = toplevel.hasParent;
        window.toolWindow = toplevel.toolWindow;
        window.title = CutUtf8ToBytes(SanitizeUtf8(toplevel.title), kMaxTitleBytes);
        if (x11Titles.count(window.title) != 0) {
            continue;
        }
        windows.push_back(std::move(window));
    }
    windows.insert(windows.end(), x11.begin(), x11.end());
    return windows;
}

}  // namespace qarvex
