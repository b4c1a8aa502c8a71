#pragma once

#include <string>
#include <vector>

namespace qarvex {

// Places of the desktop that have no path of their own.
enum class ShellPlace {
    Computer,     // the file manager's computer view, or "/"
    Network,      // the file manager's network view
    Settings,     // the desktop's settings program
    TaskManager,  // the first installed system monitor
    Trash,        // trash:/// in a file manager
    Recent,       // recent:/// in a file manager
    Printers,     // the desktop's printer settings, or the printing system's own page
};

// Hands targets to the desktop. Nothing here ever goes through a shell command line:
// every target travels as one argument.
class ShellOpen {
public:
    ShellOpen() = default;
    virtual ~ShellOpen() = default;
    ShellOpen(const ShellOpen&) = delete;
    ShellOpen& operator=(const ShellOpen&) = delete;

    // Opens with the verb "open": web addresses and documents go to the default
    // handler, an executable file is started directly, a desktop entry is launched.
    virtual void Open(const std::string& target) = 0;
    // Opens with the target's default action (desktop entries: launch as their Exec says).
    virtual void OpenDefault(const std::string& target) = 0;
    virtual void OpenPlace(ShellPlace place) = 0;
    // Whether this desktop has something that opens the place (a program to start).
    virtual bool HasPlace(ShellPlace /*place*/) const { return true; }
};

}  // namespace qarvex
