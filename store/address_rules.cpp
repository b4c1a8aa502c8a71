#include "store/address_rules.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "store/list_file.h"
#include "store/strings.h"

namespace qarvex {

namespace {

constexpr std::string_view kFileMarker = "file:///";
constexpr std::array<std::string_view, 8> kDriveRoots = {
    "C:", "D:", "E:", "F:", "G:", "H:", "I:", "J:"};

// File managers call these places folders, but they live on other machines or devices;
// GVfs names them so.
constexpr std::array<std::string_view, 11> kRemoteFolderSchemes = {
    "smb://", "sftp://", "ftp://", "ftps://", "dav://",         "davs://",
    "mtp://", "afc://",  "nfs://", "afp://",  "google-drive://"};

constexpr std::array<std::string_view, 5> kNonPlaceSchemes = {
    "x-nautilus-search:", "trash:", "recent:", "computer:", "other-locations:"};

// What the kernel mounts for itself: nothing a user keeps documents on.
constexpr std::array<std::string_view, 19> kPseudoFileSystems = {
    "proc",       "sysfs",   "devtmpfs",    "devpts",  "tmpfs",   "cgroup", "cgroup2",
    "securityfs", "pstore",  "bpf",         "debugfs", "tracefs", "mqueue", "hugetlbfs",
    "configfs",   "fusectl", "binfmt_misc", "autofs",  "efivarfs"};

constexpr auto kMountTableLifetime = std::chrono::seconds(3);

std::string_view SkipLeadingBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= 0x20) {
        ++i;
    }
    return text.substr(i);
}

std::string_view AfterMarker(std::string_view address) {
    const std::string_view s = SkipLeadingBlanks(address);
    return StartsWith(s, kFileMarker) ? s.substr(kFileMarker.size()) : std::string_view();
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool IsUnder(std::string_view path, std::string_view folder) {
    return StartsWith(path, folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

// Octal escapes of mountinfo ("\040" for a blank).
std::string UnescapeMountField(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
            field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::string PosixLocalPath(std::string_view address) {
    std::string path = "/";
    path.append(AfterMarker(address));
    return CollapseSlashRuns(path);
}

bool IsAllSlashes(std::string_view text) {
    return !text.empty() && text.find_first_not_of('/') == std::string_view::npos;
}

// Text from the 1-based character position on, empty past the end.
std::string_view FromCharacter(std::string_view text, std::size_t position) {
    return position - 1 < text.size() ? text.substr(position - 1) : std::string_view();
}

std::string WindowsDrivePart(std::string_view text) {
    if (text.size() >= 2 && text[1] == ':') {
        return std::string(text.substr(0, 2));
    }
    if (StartsWith(text, "\\\\")) {
        const std::size_t serverEnd = text.find('\\', 2);
        if (serverEnd == std::string_view::npos) {
            return std::string(text);
        }
        const std::size_t shareEnd = text.find('\\', serverEnd + 1);
        return std::string(text.substr(0, shareEnd));
    }
    return {};
}

std::string WindowsRootPath(std::string_view s) {
    const std::string drive = WindowsDrivePart(FromCharacter(s, 9));
    const std::string rest = SlashesToBackslashes(FromCharacter(s, 12));
    const std::size_t separator = rest.find('\\');
    return drive + "\\" + (separator == std::string::npos ? rest : rest.substr(0, separator));
}

std::string FirstComponent(std::string_view relative) {
    const std::size_t separator = relative.find('/');
    return std::string(separator == std::string_view::npos ? relative
                                                           : relative.substr(0, separator));
}

std::string RemoteRootPath(std::string_view address) {
    const std::size_t scheme = address.find("://");
    const std::string_view afterScheme = address.substr(scheme + 3);
    const std::size_t hostEnd = afterScheme.find('/');
    std::string root(address.substr(0, scheme + 3));
    if (hostEnd == std::string_view::npos) {
        return root + std::string(afterScheme);
    }
    root.append(afterScheme.substr(0, hostEnd));
    std::string_view rest = afterScheme.substr(hostEnd);
    while (StartsWith(rest, "/")) {
        rest.remove_prefix(1);
    }
    const std::string share = FirstComponent(rest);
    return share.empty() ? root : root + "/" + share;
}

std::string PosixRootPath(std::string_view address, std::string_view home, MountTable* mounts) {
    const std::string local = PosixLocalPath(address);
    std::string homeDir = CollapseSlashRuns(home);
    while (homeDir.size() > 1 && homeDir.back() == '/') {
        homeDir.pop_back();
    }
    // Under the home folder the first level below it is what tells documents apart;
    // everything there would otherwise share one "/home" group.
    if (homeDir.size() > 1 && homeDir.front() == '/') {
        if (local == homeDir || local == homeDir + "/") {
            return homeDir;
        }
        if (StartsWith(local, homeDir + "/")) {
            return homeDir + "/" +
                   FirstComponent(std::string_view(local).substr(homeDir.size() + 1));
        }
    }
    // Another disk or share: its mount point is the place the user knows it by.
    if (mounts != nullptr) {
        for (const std::string& mount : mounts->MountPoints()) {
            if (!IsUnder(local, mount)) {
                continue;
            }
            if (local.size() <= mount.size() + 1) {
                return mount;
            }
            return mount + "/" + FirstComponent(std::string_view(local).substr(mount.size() + 1));
        }
    }
    const std::string first = FirstComponent(std::string_view(local).substr(1));
    return "/" + first;
}

}  // namespace

bool IsRejectedAddress(std::string_view address) {
    return Contains(AsciiLower(address), "res://") || !FitsOneListLine(address);
}

bool IsDriveRoot(std::string_view address) {
    if (IsAllSlashes(address)) {
        return true;
    }
    const std::string upper = AsciiUpper(address);
    if (StartsWith(upper, "FILE:///") &&
        (upper.size() == kFileMarker.size() || IsAllSlashes(FromCharacter(upper, 9)))) {
        return true;
    }
    // "C:", "C:\\", "file:///C:" or "file:///C:/", either slash, for the drives listed.
    const std::string a = ReplaceAll(upper, "/", "\\");
    std::string_view rest = a;
    if (StartsWith(rest, "FILE:\\\\\\")) {
        rest.remove_prefix(8);
    }
    if (rest.size() == 3 && rest[2] == '\\') {
        rest.remove_suffix(1);
    }
    return std::find(kDriveRoots.begin(), kDriveRoots.end(), rest) != kDriveRoots.end();
}

bool IsFileAddress(std::string_view address) {
    return StartsWith(SkipLeadingBlanks(address), kFileMarker);
}

std::string LocalFileAddress(std::string_view address) {
    constexpr std::string_view kLocalHost = "file://localhost/";
    if (StartsWithIgnoringCase(address, kLocalHost)) {
        return std::string(kFileMarker) + std::string(address.substr(kLocalHost.size()));
    }
    return std::string(address);
}

bool IsPosixFileAddress(std::string_view address) {
    return IsFileAddress(address) && !StartsWithDriveLetter(AfterMarker(address));
}

bool IsRemoteFolderAddress(std::string_view address) {
    const std::string_view s = SkipLeadingBlanks(address);
    return std::any_of(kRemoteFolderSchemes.begin(), kRemoteFolderSchemes.end(),
                       [s](std::string_view scheme) { return StartsWithIgnoringCase(s, scheme); });
}

bool IsNonPlaceLocation(std::string_view address) {
    const std::string_view s = SkipLeadingBlanks(address);
    return std::any_of(kNonPlaceSchemes.begin(), kNonPlaceSchemes.end(),
                       [s](std::string_view scheme) { return StartsWithIgnoringCase(s, scheme); });
}

FixedMountTable::FixedMountTable(std::vector<std::string> mountPoints)
    : m_points(std::move(mountPoints)) {
    std::stable_sort(
        m_points.begin(), m_points.end(),
        [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
}

const std::vector<std::string>& SystemMountTable::MountPoints() {
    const auto now = std::chrono::steady_clock::now();
    if (m_read && now - m_readAt < kMountTableLifetime) {
        return m_points;
    }
    m_read = true;
    m_readAt = now;
    try {
        std::ifstream in("/proc/self/mountinfo", std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        m_points = ParseMountInfo(text);
        // Containers mount single files (/etc/hosts); only folders hold documents.
        std::erase_if(m_points, [](const std::string& point) {
            std::error_code error;
            return !std::filesystem::is_directory(point, error);
        });
    } catch (...) {
        m_points.clear();
    }
    return m_points;
}

std::vector<std::string> ParseMountInfo(std::string_view mountinfo) {
    std::vector<std::string> points;
    std::size_t start = 0;
    while (start < mountinfo.size()) {
        std::size_t end = mountinfo.find('\n', start);
        if (end == std::string_view::npos) {
            end = mountinfo.size();
        }
        const std::string_view line = mountinfo.substr(start, end - start);
        start = end + 1;
        // "id parent major:minor root mount-point options [optional...] - type source ..."
        std::vector<std::string_view> fields;
        std::size_t at = 0;
        while (at < line.size()) {
            const std::size_t blank = line.find(' ', at);
            const std::size_t stop = blank == std::string_view::npos ? line.size() : blank;
            if (stop > at) {
                fields.push_back(line.substr(at, stop - at));
            }
            at = stop + 1;
        }
        if (fields.size() < 7) {
            continue;
        }
        std::string_view type;
        for (std::size_t i = 6; i + 1 < fields.size(); ++i) {
            if (fields[i] == "-") {
                type = fields[i + 1];
                break;
            }
        }
        if (type.empty() || std::find(kPseudoFileSystems.begin(), kPseudoFileSystems.end(), type) !=
                                kPseudoFileSystems.end()) {
            continue;
        }
        std::string point = UnescapeMountField(fields[4]);
        while (point.size() > 1 && point.back() == '/') {
            point.pop_back();
        }
        if (point.empty() || point.front() != '/' || point == "/" || IsUnder(point, "/proc") ||
            IsUnder(point, "/sys") || IsUnder(point, "/dev")) {
            continue;
        }
        if (std::find(points.begin(), points.end(), point) == points.end()) {
            points.push_back(std::move(point));
        }
    }
    std::stable_sort(points.begin(), points.end(), [](const std::string& a, const std::string& b) {
        return a.size() > b.size();
    });
    return points;
}

std::string DeriveRootPath(std::string_view address, std::string_view home, MountTable* mounts) {
    const std::string s = Trim(address);
    if (IsFileAddress(s)) {
        return IsPosixFileAddress(s) ? PosixRootPath(s, home, mounts) : WindowsRootPath(s);
    }
    if (IsRemoteFolderAddress(s)) {
        return RemoteRootPath(s);
    }
    const std::size_t scheme = s.find("://");
    if (scheme != std::string::npos) {
        const std::string_view host = std::string_view(s).substr(scheme + 3);
        return std::string(host.substr(0, host.find('/')));
    }
    return {};
}

DocKind KindOf(std::string_view address, bool software) {
    if (IsFileAddress(address) || IsRemoteFolderAddress(address)) {
        return dkFolderOrFile;
    }
    return software ? dkSoftware : dkWebPage;
}

std::string LocalPathForAddDoc(std::string_view address) {
    if (!IsFileAddress(address)) {
        return std::string(address);
    }
    if (IsPosixFileAddress(address)) {
        return PosixLocalPath(address);
    }
    return SlashesToBackslashes(AfterMarker(address));
}

std::string LocalPathForIsDocKnown(std::string_view address) {
    if (!IsFileAddress(address)) {
        return std::string(address);
    }
    if (IsPosixFileAddress(address)) {
        return PosixLocalPath(address);
    }
    return ReplaceAll(AfterMarker(address), "/", "\\");
}

std::string LocalPathForList(std::string_view text, bool backslashes) {
    return CutFileUrl(text, backslashes);
}

std::string StoredPathForIni(std::string_view path) {
    if (IsFileAddress(path) || IsRemoteFolderAddress(path)) {
        return std::string(path);
    }
    if (StartsWith(path, "/")) {
        return "file://" + std::string(path);
    }
    return std::string(kFileMarker) + std::string(path);
}

std::string ChildTextForAddDoc(std::string_view address, DocKind kind, std::string_view root) {
    if (kind == dkFolderOrFile && IsPosixFileAddress(address)) {
        const std::string local = PosixLocalPath(address);
        return local == root ? std::string() : Trim(local);
    }
    if (kind == dkFolderOrFile && IsRemoteFolderAddress(address)) {
        const std::string r(root);
        return address == r || address == r + "/" ? std::string() : Trim(address);
    }
    std::string a(address);
    // Secure pages are most of today's web: they get their node under the host as plain
    // ones always did.
    std::string_view webScheme = "http://";
    if (kind == dkFolderOrFile) {
        a = ReplaceAll(a, "/", "\\");
        if (a == "file:\\\\\\" + std::string(root)) {
            return {};
        }
    } else if (kind == dkWebPage) {
        if (StartsWith(a, "https://")) {
            webScheme = "https://";
        }
        const std::string top = std::string(webScheme) + std::string(root);
        if (a == top || a == top + "/") {
            return {};
        }
    } else {
        return {};
    }
    if (kind == dkFolderOrFile && StartsWith(a, "file:\\\\\\")) {
        return Trim(FromCharacter(a, 9));
    }
    if (kind == dkWebPage && Contains(a, webScheme)) {
        return Trim(AfterFirst(a, webScheme));
    }
    return {};
}

}  // namespace qarvex
