#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qarvex {

// What identifies one version of a file on disk: an atomic replace gives a new inode, an
// edit in place a new size or modification time.
struct FileStamp {
    std::int64_t device = 0;
    std::int64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::int64_t ctimeNs = 0;  // also moves when only the permissions change

    bool operator==(const FileStamp&) const = default;
};

// Writes the whole file by an atomic replace: a temporary file in the same folder,
// fsync, rename over the target, fsync of the folder. A crash leaves either the old or
// the new content, never a torn file. Returns false (and leaves the old file) on failure.
// The temporary file is named ".<name>.tmp-XXXXXX" so that a leftover from a killed
// process is never taken for data. A symbolic link at path is followed: its target is
// replaced atomically and the link stays. A file that is replaced keeps its mode; a new
// one gets what the umask leaves of 0666 (0600 under umask 077), as any new file does.
bool WriteFileAtomic(const std::string& path, std::string_view bytes);

// The same for a file made of many pieces: produce hands each piece to the sink it is
// given, in order, and the file is written as they come, without the whole of it in
// memory at once. A file that would be larger than kMaxStoredFileBytes is not written
// (false): this program would refuse to read it back.
using PieceSink = std::function<void(std::string_view piece)>;
bool WriteFileAtomic(const std::string& path, const std::function<void(const PieceSink&)>& produce);

// No file this program writes comes near this size; a larger one is something else, and
// reading it whole could exhaust memory.
inline constexpr std::int64_t kMaxStoredFileBytes = 64 * 1024 * 1024;

// The whole file, or nothing when it is missing or unreadable (including when it is not
// a regular file or is larger than kMaxStoredFileBytes). stamp, when given, receives the stamp of
// the version that was read.
std::optional<std::string> ReadFileBytes(const std::string& path);
std::optional<std::string> ReadFileBytes(const std::string& path, FileStamp* stamp);

// The stamp of the file at path (following links), or nothing when there is no file.
std::optional<FileStamp> StatFile(const std::string& path);

bool FileExists(const std::string& path);       // a regular file (following links)
bool IsOversizedFile(const std::string& path);  // a file larger than kMaxStoredFileBytes
bool DirectoryExists(const std::string& path);  // a directory (following links)

// True for a name WriteFileAtomic gives its temporary files.
bool IsAtomicTempName(std::string_view fileName);

// Removes temporary files that a killed writer of path left next to it. Only safe while
// no other process is writing path. Returns how many were removed.
int RemoveStaleTempFiles(const std::string& path);

}  // namespace qarvex
