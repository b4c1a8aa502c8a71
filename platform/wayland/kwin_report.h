#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wayland/toplevel_mapping.h"

namespace qarvex {

// KWin lists its windows to scripts only. The script Qarvex loads into it for one pass
// reports every window, as JSON, by calling Report(token, json) on the D-Bus object at
// objectPath of the connection named service. Works with both script interfaces
// (clientList() before KWin 6, windowList() since).
std::string KWinScriptText(std::string_view service, std::string_view objectPath,
                           std::string_view interfaceName, std::string_view token);

// The windows of a report (from the KWin script or the GNOME Shell extension), top of
// the stacking order first (the list's order where the stacking is unknown). Nothing
// when the text is not a report.
std::optional<std::vector<WaylandToplevel>> ParseWindowReport(std::string_view json);

}  // namespace qarvex
