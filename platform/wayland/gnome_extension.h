#pragma once

#include <string>

namespace qarvex {

class IniFile;
class Messages;

// GNOME Shell lists its windows to nobody (Introspect.GetWindows is refused and Eval is
// off), so Qarvex ships a small Shell extension that answers GetWindows on the Shell's
// own bus name with the same report the KWin script sends. It answers only a caller of
// this user whose process runs the program it was installed for (the bus says which
// process a caller is), never any other program on the session bus.
inline constexpr const char* kGnomeExtensionUuid = "qarvex-windows@qarvex.org";
inline constexpr const char* kGnomeWindowsPath = "/org/qarvex/ShellWindows";
inline constexpr const char* kGnomeWindowsInterface = "org.qarvex.ShellWindows";
// Raised whenever the extension's text changes: an installed copy of an earlier one is
// replaced. Copies from before it was counted have none, which counts as 1.
inline constexpr int kGnomeExtensionRevision = 2;

// The extension's folder below a data folder ($XDG_DATA_HOME or ~/.local/share).
std::string GnomeExtensionFolder(const std::string& dataHome);

enum class GnomeExtensionState {
    Missing,   // not installed
    Current,   // this revision, for this program
    Outdated,  // an earlier revision, or one made for a program elsewhere
};
GnomeExtensionState InstalledGnomeExtension(const std::string& dataHome,
                                            const std::string& programPath);

// Writes the extension for this Shell's major version (45 on: ES modules; before: the
// older format), answering only the program at programPath, in place of any copy that is
// there. True when it was written.
bool InstallGnomeExtension(const std::string& dataHome, int shellMajorVersion,
                           const std::string& programPath);

// Installing asks first, once: the answer is kept in the settings and the question never
// comes again. A copy that is there but outdated is replaced without asking (the user
// took it before). True when the extension was installed for the first time now, so the
// user is told how to enable it.
bool OfferGnomeExtension(const std::string& dataHome, int shellMajorVersion,
                         const std::string& programPath, IniFile& settings, Messages& messages);

// What the user is asked before the first installation, with the reason.
std::string GnomeExtensionQuestion();
// What the user is told once, after the extension was installed.
std::string GnomeExtensionNotice();

}  // namespace qarvex
