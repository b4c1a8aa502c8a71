#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop_windows.h"

namespace qarvex {

// One window as a Wayland compositor lists it for other clients.
struct WaylandToplevel {
    std::string title;
    std::string appId;
    bool minimized = false;
    bool hasParent = false;   // a dialog or other window that belongs to another
    bool toolWindow = false;  // skips the taskbar, or a utility, dialog, dock... window
    // Only some compositors say these.
    std::optional<std::int64_t> pid = {};
    std::string desktopFile = {};    // the desktop file name the window claims
    std::string resourceClass = {};  // WM_CLASS's class, or what stands for it
};

// Window ids of Wayland windows carry this bit; X11 ids (32 bits) never do.
constexpr std::uint64_t kWaylandWindowBit = std::uint64_t{1} << 62;

bool IsWaylandWindowId(std::uint64_t id);
std::size_t WaylandWindowIndex(std::uint64_t id);

// The scan's window list from what the compositor listed (in its order, as it gives no
// stacking) and what the X server lists: the Wayland windows first, then the X11 ones.
// A Wayland window titled like a shown X11 window is that XWayland window, which the X
// side knows better (it has the process), so it is left to the X side. Windows whose
// app_id is one of ownAppIds (compared ignoring case), or of process ownPid, are this
// program's own.
std::vector<TopWindow> MergeWindows(const std::vector<WaylandToplevel>& wayland,
                                    const std::vector<TopWindow>& x11,
                                    const std::vector<std::string>& ownAppIds,
                                    std::optional<std::int64_t> ownPid = std::nullopt);

}  // namespace qarvex
