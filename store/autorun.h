#pragma once

#include <optional>
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
// A path as one quoted argument of a desktop entry's Exec line: in double quotes, with
// " ` $ \ backslash-escaped and % doubled. Nothing for a path with a line break.
std::optional<std::string> QuotedExecArgument(std::string_view path);
// With enable, writes name = the quoted path (nothing when it can't be quoted);
// otherwise deletes the value.
void SetRunValue(AutostartStore& store, const std::string& name, const std::string& path,
                 bool enable);
// Deletes the names earlier versions used; never the program's own entry.
void RemoveLegacyRunValues(AutostartStore& store);

}  // namespace qarvex
