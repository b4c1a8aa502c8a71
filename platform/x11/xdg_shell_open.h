#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/shell_open.h"

namespace qarvex {

struct AppLookup;
struct OpenAttempt;

// Hands targets to the desktop the way a Linux session expects:
// - Open: addresses ("https://…", "mailto:…", "trash:///"), folders and documents go to
//   the default handler, xdg-open (gio open when it is missing), whatever their mode
//   bits; a ".desktop" file opens its folder, since some desktops' handler would run it;
// - Launch (programs only): an executable regular file is started directly, and handed
//   to the default handler when it can't be executed; a ".desktop" file is launched the
//   way the desktop launches it: over D-Bus when it is D-Bus activatable, otherwise its
//   Exec line (in the user's terminal when it asks);
// - Run: an argument vector, the program looked up on $PATH.
// Every process is started from an argument vector without waiting for it; no target ever
// passes through a shell. Programs are looked up on $PATH at the time of the call. A
// request that finds nothing to start, whose program fails to start, or whose handler ends
// at once with a failure status (xdg-open finding no handler, a browser refusing to start)
// is told to the failure report once.
//
// A target that starts with "-" would be read as an option by xdg-open; such a text can
// only be a relative path (a scheme starts with a letter), so it is made absolute
// against the current folder before it is handed on.
class XdgShellOpen : public ShellOpen {
public:
    XdgShellOpen();
    ~XdgShellOpen() override;

    void Open(const std::string& target) override;
    // Same as Open.
    void OpenDefault(const std::string& target) override;
    void Launch(const std::string& program) override;
    void Run(const std::vector<std::string>& argv) override;
    // Computer: the file manager at "/". Network, Trash and Recent: "network:///",
    // "trash:///", "recent:///" shown by a file manager (FileManager1 on the session bus,
    // else an installed one, else gio open), never by xdg-open, which outside GNOME hands
    // such addresses to the browser as a search. Settings and TaskManager: the first
    // installed settings program or system monitor, else an installed application whose
    // desktop entry's Categories say it is one ("Settings;DesktopSettings", "System;Monitor":
    // htop's entry runs it in a terminal), else htop in x-terminal-emulator. Recent and
    // Network need the file manager's virtual-file system (gvfs) to show anything.
    // Printers: the printer settings program, else the local CUPS page. Nothing when
    // none is installed.
    void OpenPlace(ShellPlace place) override;
    bool HasPlace(ShellPlace place) const override;

private:
    std::shared_ptr<OpenAttempt> NewAttempt(std::string target) const;
    // The desktop entry of an installed application whose Categories hold every one of
    // wanted; empty when there is none.
    std::string EntryWithCategories(const std::vector<std::string>& wanted) const;

    // The installed applications, read on first need and again when their folders change.
    mutable std::unique_ptr<AppLookup> m_apps;
};

}  // namespace qarvex
