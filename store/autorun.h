#pragma once

#include <string>
#include <string_view>

#include "platform/autostart_store.h"

namespace qarvex {

inline constexpr const char* kOwnRunValueName = "Qarvex";
// Earlier versions' start-up entry. Its Chinese-character spellings are not known to
// us, so only the Latin one is cleaned up.
inline constexpr const char* kLegacyRunValueName = "ZEQQarvex";

// True when the store holds the value and its command is not blank.
bool IsRunValuePresent(AutostartStore& store, const std::string& name);
// With enable, writes name = the path in double quotes; otherwise deletes the value.
void SetRunValue(AutostartStore& store, const std::string& name, const std::string& path,
                 bool enable);
// Deletes the names earlier versions used; never the program's own entry.
void RemoveLegacyRunValues(AutostartStore& store);

}  // namespace qarvex
