#include <cstdlib>
#include <memory>
#include <string>

#include "platform/linux/recent_lists.h"
#include "platform/linux/xdg_autostart_store.h"
#include "platform/platform.h"
#include "platform/wayland/wayland_desktop_windows.h"
#include "platform/x11/linux_environment.h"
#include "platform/x11/linux_shell_windows.h"
#include "platform/x11/x11_desktop_windows.h"
#include "platform/x11/xdg_shell_open.h"

namespace qarvex {

Platform CreatePlatform() {
    auto environment = std::make_unique<LinuxEnvironment>();
    const char* xdgConfigHome = std::getenv("XDG_CONFIG_HOME");
    Platform platform;
    const char* waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    if (waylandDisplay != nullptr && *waylandDisplay != '\0') {
        // A Wayland session: the compositor lists its windows; XWayland programs are
        // still found through the X server when there is one.
        // Both sides find applications through one set of desktop entries.
        auto lookup = std::make_shared<AppLookup>();
        platform.desktopWindows = std::make_unique<WaylandDesktopWindows>(
            DefaultToplevelSources(), std::make_unique<X11DesktopWindows>(std::string(), lookup),
            lookup);
    } else {
        platform.desktopWindows = std::make_unique<X11DesktopWindows>();
    }
    platform.shellWindows = std::make_unique<LinuxShellWindows>(
        environment->HomeFolder(), xdgConfigHome != nullptr ? xdgConfigHome : "");
    platform.shellOpen = std::make_unique<XdgShellOpen>();
    platform.autostart = std::make_unique<XdgAutostartStore>(
        environment->ConfigHome() + "/autostart",
        XdgAutostartStore::SystemFolders(std::getenv("XDG_CONFIG_DIRS")));
    const char* xdgDataHome = std::getenv("XDG_DATA_HOME");
    platform.recentDocuments = std::make_unique<DesktopRecentLists>(
        environment->HomeFolder(), xdgDataHome != nullptr ? xdgDataHome : "");
    platform.environment = std::move(environment);
    return platform;
}

}  // namespace qarvex
