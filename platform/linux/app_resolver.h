#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/app_identity.h"
#include "platform/linux/desktop_entry_index.h"

namespace qarvex {

// Maps a window (or a process, or a Wayland app_id) to the application the user knows,
// the way docks do: by its desktop entry when one can be found, trying what the window
// says, then what the process's sandbox or launcher says, then WM_CLASS, then the
// program (an interpreter followed to its script). Without an entry the application is
// its AppImage, its snap command, its script or its program. A sandboxed process is only
// ever its installed application (see ResolveSandboxed).
class AppResolver {
public:
    // localePostfixes: the Name[...] variants that name an application, most wanted first
    // (LocalePostfixes); without any, the plain Name does.
    AppResolver(DesktopEntryIndex& index, ProcessFacts& facts,
                std::vector<std::string> localePostfixes = {});

    // Nothing when neither an entry nor a program can be found.
    std::optional<AppIdentity> Resolve(const WindowHints& hints);
    // What was read about processes is kept for one pass over the desktop (a program
    // usually has several windows); each pass starts by forgetting it, since a process
    // id may be used again once its process has ended.
    void StartPass() { m_processes.clear(); }

    // Desktop file ids a control-group name stands for, most likely first:
    // "app-flatpak-org.foo.Bar-1234.scope", "app-gnome-org.foo.Bar-1234.scope",
    // "app-org.foo.Bar@x.service", "snap.name.app.uuid.scope" ("name_app.desktop").
    static std::vector<std::string> IdsFromControlGroup(std::string_view groups);
    // The application id of a /.flatpak-info text; empty when it names none.
    static std::string FlatpakApplicationId(std::string_view info);

private:
    // What a process says about its application, read once per pass.
    struct Process {
        std::string program;   // its own program
        std::string followed;  // the program, or the script an interpreter runs
        bool sandboxRead = false;
        std::string flatpakId;
        std::vector<std::string> groupIds;
        std::string appImage;
        std::string snapName;
        bool sandboxed = false;  // sees another file system than ours
    };

    Process& ProcessOf(std::int64_t pid);
    void ReadSandbox(std::int64_t pid, Process& process);
    const IndexedEntry* FromWindow(const WindowHints& hints);
    const IndexedEntry* FromSandbox(const Process& process);
    const IndexedEntry* FromWmClass(const WindowHints& hints);
    std::optional<AppIdentity> ResolveSandboxed(const WindowHints& hints, Process& process);

    DesktopEntryIndex& m_index;
    ProcessFacts& m_facts;
    std::vector<std::string> m_localePostfixes;
    std::map<std::int64_t, Process> m_processes;
};

}  // namespace qarvex
