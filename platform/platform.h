#pragma once

#include <memory>

#include "platform/autostart_store.h"
#include "platform/desktop_windows.h"
#include "platform/environment.h"
#include "platform/recent_documents.h"
#include "platform/shell_open.h"
#include "platform/shell_windows.h"

namespace qarvex {

// Every service of the desktop the program uses, chosen at link time: the real
// Linux backend in the program, the in-memory fake in the tests.
struct Platform {
    std::unique_ptr<DesktopWindows> desktopWindows;
    std::unique_ptr<ShellWindows> shellWindows;
    std::unique_ptr<ShellOpen> shellOpen;
    std::unique_ptr<AutostartStore> autostart;
    std::unique_ptr<Environment> environment;
    // The programs' recent-files lists; may be null (no such lists).
    std::unique_ptr<RecentDocuments> recentDocuments;
};

Platform CreatePlatform();

}  // namespace qarvex
