#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/app_identity.h"

namespace qarvex {

// One top-level window of the desktop, with the facts the program scan needs.
struct TopWindow {
    std::uint64_t id = 0;
    bool visible = false;     // shown or minimised (withdrawn windows are not visible)
    bool owned = false;       // has an owner other than the root window
    bool toolWindow = false;  // skips the taskbar or is a utility/tool window
    std::string title;        // at most 128 bytes of its stored form, never a split character
};

// The desktop's top-level windows, top of the stacking order first.
class DesktopWindows {
public:
    DesktopWindows() = default;
    virtual ~DesktopWindows() = default;
    DesktopWindows(const DesktopWindows&) = delete;
    DesktopWindows& operator=(const DesktopWindows&) = delete;

    virtual std::vector<TopWindow> TopWindows() = 0;
    // Full path of the program that owns the window; nothing when it can't be found.
    virtual std::optional<std::string> ProgramPath(std::uint64_t windowId) = 0;
    // The application the window belongs to, as the history records it. Without a way
    // to tell applications apart, the program is the application.
    virtual std::optional<AppIdentity> Application(std::uint64_t windowId) {
        std::optional<std::string> path = ProgramPath(windowId);
        if (!path) {
            return std::nullopt;
        }
        AppIdentity identity;
        identity.path = *path;
        identity.programPath = *path;
        return identity;
    }
    // Minimises everything so that the desktop shows.
    virtual void ShowDesktop() = 0;
    // Keeps one of the program's own windows off the taskbar (it lives in the tray).
    virtual void SetSkipTaskbar(std::uint64_t /*windowId*/, bool /*skip*/) {}
};

}  // namespace qarvex
