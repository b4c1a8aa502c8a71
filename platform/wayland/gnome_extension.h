#pragma once

#include <string>

namespace qarvex {

// GNOME Shell lists its windows to nobody (Introspect.GetWindows is refused and Eval is
// off), so Qarvex ships a small Shell extension that answers GetWindows on the Shell's
// own bus name with the same report the KWin script sends.
inline constexpr const char* kGnomeExtensionUuid = "qarvex-windows@qarvex.org";
inline constexpr const char* kGnomeWindowsPath = "/org/qarvex/ShellWindows";
inline constexpr const char* kGnomeWindowsInterface = "org.qarvex.ShellWindows";

// The extension's folder below a data folder ($XDG_DATA_HOME or ~/.local/share).
std::string GnomeExtensionFolder(const std::string& dataHome);

// Writes the extension for this Shell's major version (45 on: ES modules; before: the
// older format) unless its folder is there already. True when it was written now, so
// the user is told once how to enable it.
bool InstallGnomeExtensionIfMissing(const std::string& dataHome, int shellMajorVersion);

// What the user is told once, after the extension was installed.
std::string GnomeExtensionNotice();

}  // namespace qarvex
