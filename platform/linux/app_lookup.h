#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/app_identity.h"
#include "platform/linux/app_resolver.h"
#include "platform/linux/desktop_entry_index.h"

namespace qarvex {

// What finds a window's application: what /proc says of its process, the installed
// desktop entries, and the resolver over both. A session's window sources (the
// compositor's and XWayland's) share one, so the entries are read and kept once.
struct AppLookup {
    // This machine's processes and the entries of the XDG data folders. Applications are
    // named in the language of this program's environment.
    AppLookup();
    AppLookup(std::unique_ptr<ProcessFacts> processFacts, std::vector<std::string> entryFolders);

    std::unique_ptr<ProcessFacts> facts;
    std::unique_ptr<DesktopEntryIndex> index;
    std::unique_ptr<AppResolver> resolver;
};

}  // namespace qarvex
