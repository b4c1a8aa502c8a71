#pragma once

#include <string>
#include <vector>

namespace qarvex {

// The folders shown by the file manager's windows, asked over the session bus
// (org.freedesktop.FileManager1, property OpenWindowsWithLocations). Every location of
// every window, as the address the history keeps (see FolderAddressFromUri). A file
// manager that isn't running, or no session bus at all, gives nothing, and quickly: the
// service is never started just to be asked.
std::vector<std::string> FileManagerWindows(int timeoutMs = 500);

}  // namespace qarvex
