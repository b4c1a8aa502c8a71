#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/desktop_entry.h"

namespace qarvex {

// How the desktop starts an application entry: over D-Bus when it says it can be
// activated that way, otherwise its Exec as an argument vector (in a terminal when it
// asks for one). Never a shell.
struct DesktopLaunch {
    std::string busName;            // org.freedesktop.Application.Activate on this name...
    std::string objectPath;         // ...and this object, when the entry is D-Bus activatable
    std::vector<std::string> argv;  // the Exec fallback; argv[0] found on $PATH already
};

// findProgram: a bare program name looked up on $PATH. Nothing when the entry is not an
// application or starts nothing that can be found.
std::optional<DesktopLaunch> PlanDesktopLaunch(
    const DesktopEntry& entry, std::string_view fileId,
    const std::function<std::optional<std::string>(const std::string&)>& findProgram);

// The desktop file id of an entry file: its name ("org.gnome.Terminal.desktop").
std::string DesktopFileIdOf(std::string_view path);

// "org.gnome.Terminal" -> "/org/gnome/Terminal"; dashes become underscores.
std::string ApplicationObjectPath(std::string_view busName);

}  // namespace qarvex
