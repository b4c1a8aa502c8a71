#include "platform/linux/app_lookup.h"

#include <utility>

#include "platform/linux/desktop_entry.h"
#include "platform/linux/proc_process_facts.h"

namespace qarvex {

AppLookup::AppLookup()
    : AppLookup(std::make_unique<ProcProcessFacts>(), DesktopEntryIndex::FoldersFromEnvironment()) {
}

AppLookup::AppLookup(std::unique_ptr<ProcessFacts> processFacts,
                     std::vector<std::string> entryFolders)
    : facts(std::move(processFacts)),
      index(std::make_unique<DesktopEntryIndex>(std::move(entryFolders), *facts)),
      resolver(std::make_unique<AppResolver>(*index, *facts, LocalePostfixesFromEnvironment())) {}

}  // namespace qarvex
