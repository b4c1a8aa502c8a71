#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qarvex {

// What a window or its display server says about the application behind it. Any part
// may be missing; a Wayland source fills only pid and appId.
struct WindowHints {
    std::optional<std::int64_t> pid = {};
    std::string appId = {};           // a Wayland app_id, or _GTK_APPLICATION_ID
    std::string kdeDesktopFile = {};  // _KDE_NET_WM_DESKTOP_FILE: an id, with or without ".desktop"
    std::string bamfDesktopFile = {};  // _BAMF_DESKTOP_FILE: a full path
    std::string wmClassInstance = {};  // WM_CLASS, first string
    std::string wmClassClass = {};     // WM_CLASS, second string
};

// The application a window belongs to, as the history records it.
struct AppIdentity {
    // What is recorded and reopened: the application's desktop entry when it has one;
    // otherwise its AppImage file, /snap/bin/NAME, an interpreter's script or the
    // program itself.
    std::string path = {};
    std::string programPath = {};  // the process's own program (/proc/PID/exe)
    std::string execProgram = {};  // the program the desktop entry's Exec starts; empty without
    std::string entryId = {};      // desktop file id ("org.gnome.Terminal.desktop"); empty without
    std::string icon = {};         // the entry's Icon; empty without
    std::string name = {};         // the entry's Name in the user's language; empty without
};

// Facts about running processes, as /proc tells them. Every answer may be missing: the
// process may have ended, belong to someone else or sit in a sandbox.
class ProcessFacts {
public:
    ProcessFacts() = default;
    virtual ~ProcessFacts() = default;
    ProcessFacts(const ProcessFacts&) = delete;
    ProcessFacts& operator=(const ProcessFacts&) = delete;

    virtual std::optional<std::string> Executable(std::int64_t pid) = 0;
    virtual std::vector<std::string> CommandLine(std::int64_t pid) = 0;
    virtual std::optional<std::string> WorkingFolder(std::int64_t pid) = 0;
    // The values of the named variables the process was started with (missing ones left
    // out), read at once.
    virtual std::map<std::string, std::string> EnvironmentVariables(
        std::int64_t pid, const std::vector<std::string>& names) = 0;
    // The text of the sandbox's /.flatpak-info as the process sees it.
    virtual std::optional<std::string> FlatpakInfo(std::int64_t pid) = 0;
    virtual std::string ControlGroups(std::int64_t pid) = 0;
    virtual std::optional<std::int64_t> ParentProcess(std::int64_t pid) = 0;
    // True when the process sees the file system this program sees: the same mount
    // namespace and the same root. A Flatpak, a snap or any other sandbox does not, and
    // the paths it names are not ours. False when it can't be told.
    virtual bool SeesOurFileSystem(std::int64_t pid) = 0;

    // The file system as this program sees it: the canonical path of an existing regular
    // file, and a bare program name looked up on $PATH.
    virtual std::optional<std::string> CanonicalFile(const std::string& path) = 0;
    virtual std::optional<std::string> FindOnPath(const std::string& name) = 0;
};

}  // namespace qarvex
