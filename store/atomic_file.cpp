#include "store/atomic_file.h"

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <new>
#include <random>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qarvex {

namespace {

constexpr std::string_view kTempMarker = ".tmp-";
constexpr std::size_t kTempRandomChars = 6;

struct PathParts {
    std::string folder;
    std::string name;
};

PathParts SplitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {".", path};
    }
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

FileStamp StampOf(const struct stat& st) {
    FileStamp stamp;
    stamp.device = static_cast<std::int64_t>(st.st_dev);
    stamp.inode = static_cast<std::int64_t>(st.st_ino);
    stamp.size = static_cast<std::int64_t>(st.st_size);
    stamp.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.ctimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return stamp;
}

bool WriteAll(int fd, std::string_view bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int Get() const { return m_fd; }
    bool Close() {
        if (m_fd < 0) {
            return true;
        }
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

void SyncFolder(const std::string& folder) {
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) {
        // The rename has happened; a failed folder sync only weakens the crash guarantee
        // for this one write, so it does not turn the write into a failure.
        ::fsync(dir.Get());
    }
}

// The file a chain of symbolic links at path ends in (path itself when it is no link).
// Users keep such files elsewhere on purpose (a synchronised folder, a dotfiles
// repository); replacing the link with a plain file would silently cut them off.
std::string FollowLinks(const std::string& path) {
    constexpr int kMaxHops = 40;  // the kernel's own limit for a path
    std::string current = path;
    for (int hop = 0; hop < kMaxHops; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return current;
        }
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 256) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) {
            return current;
        }
        target.resize(static_cast<std::size_t>(n));
        if (target.front() != '/') {
            target = SplitPath(current).folder + "/" + target;
        }
        current = std::move(target);
    }
    return current;
}

// Creates a temporary file beside the target with a fresh random suffix. It is made with
// 0666 so that the kernel takes the user's umask (and a folder's default ACL) off it, as
// for any new file: the history must never be readable by more people than the user's
// own files are. mkostemp would make it 0600 and the mode would then have to be guessed.
int CreateTemp(std::string& temp) {
    static constexpr char kAlphabet[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static std::minstd_rand random{std::random_device{}()};
    const std::size_t suffix = temp.size() - kTempRandomChars;
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (std::size_t i = suffix; i < temp.size(); ++i) {
            temp[i] = kAlphabet[random() % (sizeof kAlphabet - 1)];
        }
        const int fd =
            ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

}  // namespace

bool WriteFileAtomic(const std::string& linkOrPath, std::string_view bytes) {
    return WriteFileAtomic(linkOrPath, [bytes](const PieceSink& sink) { sink(bytes); });
}

bool WriteFileAtomic(const std::string& linkOrPath,
                     const std::function<void(const PieceSink&)>& produce) {
    const std::string path = FollowLinks(linkOrPath);
    const PathParts parts = SplitPath(path);
    if (parts.name.empty()) {
        return false;
    }
    std::string temp = parts.folder + "/." + parts.name + std::string(kTempMarker) +
                       std::string(kTempRandomChars, 'X');

    // A file that is there keeps its mode (the user may have set it); a new one gets
    // what the umask leaves of 0666.
    std::optional<mode_t> keptMode;
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        keptMode = old.st_mode & 07777;
    }

    Fd fd(CreateTemp(temp));
    if (fd.Get() < 0) {
        return false;
    }
    // Small pieces are gathered, large ones go straight through.
    constexpr std::size_t kBufferBytes = 256 * 1024;
    std::string buffer;
    buffer.reserve(kBufferBytes);
    bool written = !keptMode || ::fchmod(fd.Get(), *keptMode) == 0;
    std::int64_t total = 0;
    const auto flush = [&] {
        written = written && WriteAll(fd.Get(), buffer);
        buffer.clear();
    };
    try {
        produce([&](std::string_view piece) {
            total += static_cast<std::int64_t>(piece.size());
            if (!written || total > kMaxStoredFileBytes) {
                written = false;
                return;
            }
            if (buffer.size() + piece.size() > kBufferBytes) {
                flush();
            }
            if (piece.size() >= kBufferBytes) {
                written = written && WriteAll(fd.Get(), piece);
            } else {
                buffer.append(piece);
            }
        });
        flush();
    } catch (const std::exception&) {
        written = false;
    }
    written = written && ::fsync(fd.Get()) == 0;
    if (!fd.Close() || !written || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    SyncFolder(parts.folder);
    return true;
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    return ReadFileBytes(path, nullptr);
}

std::optional<std::string> ReadFileBytes(const std::string& path, FileStamp* stamp) {
    // O_NONBLOCK keeps a FIFO planted at the path from blocking the open.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.Get() < 0) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxStoredFileBytes) {
        return std::nullopt;
    }
    try {
        std::string bytes;
        // One byte over the size, so that the read which finds the end needs no regrowth
        // (a copy of the whole file).
        bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
        std::size_t used = 0;
        while (true) {
            if (used == bytes.size()) {
                // The file may have grown since fstat.
                if (bytes.size() >= static_cast<std::size_t>(kMaxStoredFileBytes)) {
                    return std::nullopt;
                }
                bytes.resize(bytes.size() + 64 * 1024);
            }
            const ssize_t n = ::read(fd.Get(), bytes.data() + used, bytes.size() - used);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return std::nullopt;
            }
            if (n == 0) {
                break;
            }
            used += static_cast<std::size_t>(n);
        }
        bytes.resize(used);
        if (stamp != nullptr) {
            *stamp = StampOf(st);
        }
        return bytes;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<FileStamp> StatFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return StampOf(st);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsOversizedFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           st.st_size > kMaxStoredFileBytes;
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsAtomicTempName(std::string_view fileName) {
    if (fileName.size() < 1 + 1 + kTempMarker.size() + kTempRandomChars || fileName[0] != '.') {
        return false;
    }
    const std::string_view tail = fileName.substr(fileName.size() - kTempRandomChars);
    const std::string_view marker = fileName.substr(
        fileName.size() - kTempRandomChars - kTempMarker.size(), kTempMarker.size());
    if (marker != kTempMarker) {
        return false;
    }
    for (char c : tail) {
        const bool alnum =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!alnum) {
            return false;
        }
    }
    return true;
}

int RemoveStaleTempFiles(const std::string& path) {
    const PathParts parts = SplitPath(FollowLinks(path));
    if (parts.name.empty()) {
        return 0;
    }
    const std::string prefix = "." + parts.name + std::string(kTempMarker);
    DIR* dir = ::opendir(parts.folder.c_str());
    if (dir == nullptr) {
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name.size() == prefix.size() + kTempRandomChars &&
            name.substr(0, prefix.size()) == prefix && IsAtomicTempName(name)) {
            if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) {
                ++removed;
            }
        }
    }
    ::closedir(dir);
    return removed;
}

}  // namespace qarvex
