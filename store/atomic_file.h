#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qarvex {

// Writes the whole file by an atomic replace: a temporary file in the same folder,
// fsync, rename over the target, fsync of the folder. A crash leaves either the old or
// the new content, never a torn file. Returns false (and leaves the old file) on failure.
bool WriteFileAtomic(const std::string& path, std::string_view bytes);

// The whole file, or nothing when it is missing or unreadable.
std::optional<std::string> ReadFileBytes(const std::string& path);

bool FileExists(const std::string& path);       // a regular file (following links)
bool DirectoryExists(const std::string& path);  // a directory (following links)

}  // namespace qarvex
