#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop_windows.h"
#include "platform/linux/app_lookup.h"
#include "platform/wayland/wayland_toplevel_source.h"

namespace qarvex {

// The windows of a Wayland session: the compositor's own list from the first source
// that answers this pass, then the X server's windows (XWayland programs) that the
// compositor did not list. Programs come from each window's app_id through the
// installed desktop entries; X11 windows keep what the X side finds.
class WaylandDesktopWindows : public DesktopWindows {
public:
    // lookup: how applications are found, shared with the X side when it has the same;
    // none: one of this source's own.
    WaylandDesktopWindows(std::vector<std::unique_ptr<ToplevelSource>> sources,
                          std::unique_ptr<DesktopWindows> x11,
                          std::shared_ptr<AppLookup> lookup = nullptr);
    ~WaylandDesktopWindows() override;

    std::vector<TopWindow> TopWindows() override;
    std::optional<std::string> ProgramPath(std::uint64_t windowId) override;
    std::optional<AppIdentity> Application(std::uint64_t windowId) override;
    void ShowDesktop() override;
    void SetSkipTaskbar(std::uint64_t windowId, bool skip) override;

    // The source that answered last pass, counted from 0; nothing when none did.
    std::optional<std::size_t> AnsweringSource() const { return m_answering; }

private:
    std::vector<std::unique_ptr<ToplevelSource>> m_sources;
    std::unique_ptr<DesktopWindows> m_x11;
    std::vector<WaylandToplevel> m_toplevels;
    std::optional<std::size_t> m_answering;
    std::shared_ptr<AppLookup> m_lookup;
};

// The sources to ask in a Wayland session: the protocols, newest first, then KWin,
// then GNOME Shell.
std::vector<std::unique_ptr<ToplevelSource>> DefaultToplevelSources(
    const std::string& displayName = {});

}  // namespace qarvex
