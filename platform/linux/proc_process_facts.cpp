#include "platform/linux/proc_process_facts.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/bounded_read.h"
#include "store/strings.h"

namespace qarvex {

namespace {

// Command lines and environments are small; a sandbox file even more so.
constexpr std::size_t kMaxProcFileBytes = 1024 * 1024;
constexpr std::size_t kMaxInfoBytes = 64 * 1024;

std::optional<std::string> ReadLink(const std::string& path) {
    std::string buffer(PATH_MAX, '\0');
    const ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        return std::nullopt;
    }
    buffer.resize(static_cast<std::size_t>(length));
    return buffer;
}

std::vector<std::string> SplitNul(std::string_view text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\0', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

}  // namespace

ProcProcessFacts::ProcProcessFacts(std::string procRoot) : m_procRoot(std::move(procRoot)) {}

std::string ProcProcessFacts::PidFolder(std::int64_t pid) const {
    return m_procRoot + "/" + std::to_string(pid);
}

std::optional<std::string> ProcProcessFacts::Executable(std::int64_t pid) {
    if (pid <= 0) {
        return std::nullopt;
    }
    std::optional<std::string> exe = ReadLink(PidFolder(pid) + "/exe");
    // A program replaced while it runs (an upgrade) reads "/usr/bin/x (deleted)".
    if (exe && EndsWith(*exe, " (deleted)")) {
        exe->resize(exe->size() - 10);
    }
    return exe;
}

std::vector<std::string> ProcProcessFacts::CommandLine(std::int64_t pid) {
    if (pid <= 0) {
        return {};
    }
    const auto text = ReadFileUpTo(PidFolder(pid) + "/cmdline", kMaxProcFileBytes);
    return text ? SplitNul(*text) : std::vector<std::string>();
}

std::optional<std::string> ProcProcessFacts::WorkingFolder(std::int64_t pid) {
    return pid > 0 ? ReadLink(PidFolder(pid) + "/cwd") : std::nullopt;
}

std::map<std::string, std::string> ProcProcessFacts::EnvironmentVariables(
    std::int64_t pid, const std::vector<std::string>& names) {
    std::map<std::string, std::string> values;
    if (pid <= 0) {
        return values;
    }
    const auto text = ReadFileUpTo(PidFolder(pid) + "/environ", kMaxProcFileBytes);
    if (!text) {
        return values;
    }
    for (const std::string& entry : SplitNul(*text)) {
        const std::size_t eq = entry.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        const std::string name = entry.substr(0, eq);
        if (std::find(names.begin(), names.end(), name) != names.end()) {
            values.emplace(name, entry.substr(eq + 1));
        }
    }
    return values;
}

std::optional<std::string> ProcProcessFacts::FlatpakInfo(std::int64_t pid) {
    if (pid <= 0) {
        return std::nullopt;
    }
    return ReadFileUpTo(PidFolder(pid) + "/root/.flatpak-info", kMaxInfoBytes);
}

std::string ProcProcessFacts::ControlGroups(std::int64_t pid) {
    if (pid <= 0) {
        return {};
    }
    return ReadFileUpTo(PidFolder(pid) + "/cgroup", kMaxInfoBytes).value_or("");
}

std::optional<std::int64_t> ProcProcessFacts::ParentProcess(std::int64_t pid) {
    if (pid <= 0) {
        return std::nullopt;
    }
    // "PID (NAME) STATE PPID ...": the name may hold blanks and parentheses itself.
    const auto stat = ReadFileUpTo(PidFolder(pid) + "/stat", kMaxInfoBytes);
    if (!stat) {
        return std::nullopt;
    }
    const std::size_t close = stat->rfind(')');
    if (close == std::string::npos || close + 4 >= stat->size()) {
        return std::nullopt;
    }
    std::int64_t parent = 0;
    bool digits = false;
    for (std::size_t i = close + 4; i < stat->size() && (*stat)[i] >= '0' && (*stat)[i] <= '9';
         ++i) {
        parent = parent * 10 + ((*stat)[i] - '0');
        digits = true;
        if (parent > (std::int64_t{1} << 32)) {
            return std::nullopt;
        }
    }
    return digits && parent > 0 ? std::optional<std::int64_t>(parent) : std::nullopt;
}

bool ProcProcessFacts::SeesOurFileSystem(std::int64_t pid) {
    if (pid <= 0) {
        return false;
    }
    // Namespaces read as "mnt:[4026531841]"; a root is the same folder when its device
    // and inode are.
    if (!m_ownViewRead) {
        m_ownViewRead = true;
        const std::optional<std::string> ours = ReadLink(m_procRoot + "/self/ns/mnt");
        struct stat ourRoot {};
        if (ours && ::stat((m_procRoot + "/self/root").c_str(), &ourRoot) == 0) {
            m_ownView = OwnView{*ours, static_cast<std::uint64_t>(ourRoot.st_dev),
                                static_cast<std::uint64_t>(ourRoot.st_ino)};
        }
    }
    if (!m_ownView) {
        return false;
    }
    const std::optional<std::string> theirs = ReadLink(PidFolder(pid) + "/ns/mnt");
    struct stat theirRoot {};
    return theirs && *theirs == m_ownView->mountNamespace &&
           ::stat((PidFolder(pid) + "/root").c_str(), &theirRoot) == 0 &&
           static_cast<std::uint64_t>(theirRoot.st_dev) == m_ownView->rootDevice &&
           static_cast<std::uint64_t>(theirRoot.st_ino) == m_ownView->rootInode;
}

std::optional<std::string> ProcProcessFacts::CanonicalFile(const std::string& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        return std::nullopt;
    }
    std::string canonical(resolved);
    std::free(resolved);
    struct stat info {};
    if (stat(canonical.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return canonical;
}

std::optional<std::string> ProcProcessFacts::FindOnPath(const std::string& name) {
    if (name.empty() || Contains(name, "/")) {
        return std::nullopt;
    }
    const char* path = std::getenv("PATH");
    const std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t colon = folders.find(':', start);
        if (colon == std::string_view::npos) {
            colon = folders.size();
        }
        const std::string_view folder = folders.substr(start, colon - start);
        start = colon + 1;
        if (folder.empty()) {
            continue;
        }
        const std::string candidate = std::string(folder) + "/" + name;
        struct stat info {};
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return std::nullopt;
}

}  // namespace qarvex
