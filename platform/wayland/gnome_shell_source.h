#pragma once

#include <chrono>
#include <optional>
#include <vector>

#include "platform/wayland/wayland_toplevel_source.h"

namespace qarvex {

// GNOME Shell's windows, from Qarvex's Shell extension (see gnome_extension.h). Until
// the user enables it the Shell doesn't answer, and the scan goes on with XWayland.
class GnomeShellSource : public ToplevelSource {
public:
    explicit GnomeShellSource(std::chrono::milliseconds budget = std::chrono::milliseconds(250));

    std::optional<std::vector<WaylandToplevel>> Read() override;

private:
    std::chrono::milliseconds m_budget;
};

// The running GNOME Shell's major version ("43.9" -> 43); nothing when no Shell owns
// its name on the session bus or it doesn't answer in time.
std::optional<int> GnomeShellMajorVersion(
    std::chrono::milliseconds budget = std::chrono::milliseconds(250));

}  // namespace qarvex
