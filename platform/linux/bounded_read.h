#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qarvex {

// The whole content of a regular file, or nothing when it is missing, unreadable, not a
// regular file (a folder, a FIFO that would block) or larger than maxBytes. Files we only
// peek into (other programs' state) are read through this, so a stray huge file can
// never make us allocate without bound.
std::optional<std::string> ReadFileUpTo(const std::string& path, std::size_t maxBytes);

// Finding other programs' files: none of these ever throws; a folder that can't be read
// is one with nothing in it.
std::string JoinPath(const std::string& folder, std::string_view name);
bool IsDirectory(const std::string& path);
// One key for a folder however it is spelled, so that a folder reached two ways (a
// symbolic link to it, say) is read once.
std::string FolderIdentity(const std::string& path);
// The sub-folders of one folder, sorted.
std::vector<std::string> SubFolders(const std::string& folder);

}  // namespace qarvex
