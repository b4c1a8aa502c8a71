#include "platform/wayland/wayland_desktop_windows.h"

#include <unistd.h>

#include "platform/wayland/gnome_shell_source.h"
#include "platform/wayland/kwin_script_source.h"

namespace qarvex {

namespace {

// The app ids this program's own windows carry: its desktop file name natively, its
// WM_CLASS through XWayland.
const std::vector<std::string>& OwnAppIds() {
    static const std::vector<std::string> ids = {"org.qarvex.Qarvex", "org.qarvex.Qarvex.desktop",
                                                 "qarvex"};
    return ids;
}

}  // namespace

WaylandDesktopWindows::WaylandDesktopWindows(std::vector<std::unique_ptr<ToplevelSource>> sources,
                                             std::unique_ptr<DesktopWindows> x11,
                                             std::shared_ptr<AppLookup> lookup)
    : m_sources(std::move(sources)),
      m_x11(std::move(x11)),
      m_lookup(lookup ? std::move(lookup) : std::make_shared<AppLookup>()) {}

WaylandDesktopWindows::~WaylandDesktopWindows() = default;

std::vector<TopWindow> WaylandDesktopWindows::TopWindows() {
    m_lookup->index->Refresh();
    // What was read of processes last pass may describe processes that have ended since,
    // whose ids now name others.
    m_lookup->resolver->StartPass();
    m_toplevels.clear();
    m_answering.reset();
    for (std::size_t i = 0; i < m_sources.size(); ++i) {
        if (auto list = m_sources[i]->Read()) {
            m_toplevels = std::move(*list);
            m_answering = i;
            break;
        }
    }
    std::vector<TopWindow> x11;
    if (m_x11) {
        x11 = m_x11->TopWindows();
    }
    return MergeWindows(m_toplevels, x11, OwnAppIds(), static_cast<std::int64_t>(getpid()));
}

std::optional<AppIdentity> WaylandDesktopWindows::Application(std::uint64_t windowId) {
    if (!IsWaylandWindowId(windowId)) {
        return m_x11 ? m_x11->Application(windowId) : std::nullopt;
    }
    const std::size_t index = WaylandWindowIndex(windowId);
    if (index >= m_toplevels.size() ||
        (m_toplevels[index].appId.empty() && !m_toplevels[index].pid)) {
        return std::nullopt;
    }
    const WaylandToplevel& toplevel = m_toplevels[index];
    WindowHints hints;
    hints.pid = toplevel.pid;
    hints.appId = toplevel.appId;
    hints.kdeDesktopFile = toplevel.desktopFile;
    // Compositors give an XWayland window's class as its app_id, and many programs
    // use their StartupWMClass as app_id: let the entry's class match too.
    hints.wmClassClass = toplevel.resourceClass.empty() ? toplevel.appId : toplevel.resourceClass;
    std::optional<AppIdentity> identity = m_lookup->resolver->Resolve(hints);
    // Without a process, only a desktop entry says which program this is.
    if (!identity || (!toplevel.pid && identity->entryId.empty())) {
        return std::nullopt;
    }
    return identity;
}

std::optional<std::string> WaylandDesktopWindows::ProgramPath(std::uint64_t windowId) {
    if (!IsWaylandWindowId(windowId)) {
        return m_x11 ? m_x11->ProgramPath(windowId) : std::nullopt;
    }
    const std::optional<AppIdentity> identity = Application(windowId);
    if (!identity) {
        return std::nullopt;
    }
    return identity->programPath.empty() ? identity->path : identity->programPath;
}

void WaylandDesktopWindows::ShowDesktop() {
    if (m_x11) {
        m_x11->ShowDesktop();
    }
}

void WaylandDesktopWindows::SetSkipTaskbar(std::uint64_t windowId, bool skip) {
    if (m_x11 && !IsWaylandWindowId(windowId)) {
        m_x11->SetSkipTaskbar(windowId, skip);
    }
}

std::vector<std::unique_ptr<ToplevelSource>> DefaultToplevelSources(
    const std::string& displayName) {
    std::vector<std::unique_ptr<ToplevelSource>> sources;
    sources.push_back(std::make_unique<WaylandToplevelSource>(
        ToplevelProtocol::ExtForeignToplevelList, displayName));
    sources.push_back(
        std::make_unique<WaylandToplevelSource>(ToplevelProtocol::WlrForeignToplevel, displayName));
    sources.push_back(std::make_unique<KWinScriptSource>());
    sources.push_back(std::make_unique<GnomeShellSource>());
    return sources;
}

}  // namespace qarvex
