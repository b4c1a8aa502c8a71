#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "platform/wayland/toplevel_mapping.h"

namespace qarvex {

// The process that serves the Wayland display (displayName empty: $WAYLAND_DISPLAY, or
// "wayland-0", in $XDG_RUNTIME_DIR), as the kernel tells it of the socket's other end.
std::optional<std::int64_t> CompositorProcess(const std::string& displayName = {});

// A window report names processes, and a process names a program that a click on the
// recorded entry starts: only the compositor may say which process a window belongs to.
// Any program on the session bus can take a name nobody holds (org.gnome.Shell outside
// GNOME) or call an object back, so a report whose sender (a unique bus name) is not the
// compositor's own connection (or kwin_wayland's, which kwin_wayland_wrapper starts on the
// socket it holds) keeps its windows without their processes.
void KeepProcessesOnlyFromCompositor(const QString& sender, std::vector<WaylandToplevel>& windows);

}  // namespace qarvex
