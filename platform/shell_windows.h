#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace qarvex {

// A browser page or a file-manager folder window the shell knows of.
struct ShellWindow {
    std::string locationUrl;   // "file:///…" for a folder window, the page address otherwise
    bool hasDocument = true;   // the window shows a loaded document
    bool hasTitle = true;      // false when the document has no title to read
    std::string title;         // page title (web pages only)
};

// Thrown by a source when walking its windows fails part-way.
class ShellWindowsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The shell's window list: folder windows first, then web pages, in a fixed order.
class ShellWindows {
public:
    ShellWindows() = default;
    virtual ~ShellWindows() = default;
    ShellWindows(const ShellWindows&) = delete;
    ShellWindows& operator=(const ShellWindows&) = delete;

    virtual std::vector<ShellWindow> Windows() = 0;
};

}  // namespace qarvex
