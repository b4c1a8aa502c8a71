#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop_windows.h"
#include "platform/linux/app_lookup.h"

namespace qarvex {

// The desktop's top-level windows, read from the X server. With a window manager the
// managed clients are listed (its stacking list, top first); without one, the mapped
// children of the root window. Talks to $DISPLAY unless told otherwise; when no X
// server can be reached every call quietly finds nothing.
class X11DesktopWindows : public DesktopWindows {
public:
    // displayName empty: $DISPLAY. ownPid: windows of this process drop out of the list.
    explicit X11DesktopWindows(std::string displayName = {});
    X11DesktopWindows(std::string displayName, std::int64_t ownPid);
    // Finds applications through lookup, which other window sources may share.
    X11DesktopWindows(std::string displayName, std::shared_ptr<AppLookup> lookup);
    ~X11DesktopWindows() override;

    std::vector<TopWindow> TopWindows() override;
    std::optional<std::string> ProgramPath(std::uint64_t windowId) override;
    // Through the window's own hints, its process and the installed desktop entries.
    std::optional<AppIdentity> Application(std::uint64_t windowId) override;
    // What the window says about its application, with its process id.
    WindowHints HintsOf(std::uint64_t windowId);
    void ShowDesktop() override;
    void SetSkipTaskbar(std::uint64_t windowId, bool skip) override;

private:
    struct Connection;
    Connection* Connect();
    std::optional<std::int64_t> LocalPidOfWindow(std::uint32_t window);

    std::string m_displayName;
    std::int64_t m_ownPid;
    std::unique_ptr<Connection> m_connection;
    std::shared_ptr<AppLookup> m_lookup;
};

}  // namespace qarvex
