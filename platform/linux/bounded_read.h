#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace qarvex {

// The whole content of a regular file, or nothing when it is missing, unreadable, not a
// regular file (a folder, a FIFO that would block) or larger than maxBytes. Files we only
// peek into (other programs' state) are read through this, so a stray huge file can
// never make us allocate without bound.
std::optional<std::string> ReadFileUpTo(const std::string& path, std::size_t maxBytes);

}  // namespace qarvex
