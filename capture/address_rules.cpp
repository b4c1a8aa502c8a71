#include "capture/address_rules.h"

#include <array>

#include "store/list_file.h"
#include "store/strings.h"

namespace qarvex {

namespace {

constexpr std::string_view kFileMarker = "file:///";
constexpr std::array<std::string_view, 8> kDriveRoots = {
    "C:", "D:", "E:", "F:", "G:", "H:", "I:", "J:"};

std::string_view AfterMarker(std::string_view address) {
    const std::size_t hit = address.find(kFileMarker);
    return hit == std::string_view::npos ? std::string_view()
                                         : address.substr(hit + kFileMarker.size());
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

std::string PosixRootPath(std::string_view address, std::string_view home) {
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
    const std::string first = FirstComponent(std::string_view(local).substr(1));
    return "/" + first;
}

}  // namespace

bool IsRejectedAddress(std::string_view address) {
    return Contains(AsciiLower(address), "res://");
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
    const std::string a = ReplaceAll(upper, "/", "\\");
    for (const std::string_view drive : kDriveRoots) {
        const std::string d(drive);
        if (a == d || a == d + "\\" || a == "FILE:\\\\\\" + d || a == "FILE:\\\\\\" + d + "\\") {
            return true;
        }
    }
    return false;
}

bool IsPosixFileAddress(std::string_view address) {
    return Contains(address, kFileMarker) && !StartsWithDriveLetter(AfterMarker(address));
}

std::string DeriveRootPath(std::string_view address, std::string_view home) {
    const std::string s = Trim(address);
    if (Contains(s, kFileMarker)) {
        return IsPosixFileAddress(s) ? PosixRootPath(s, home) : WindowsRootPath(s);
    }
    const std::size_t scheme = s.find("://");
    if (scheme != std::string::npos) {
        const std::string_view host = std::string_view(s).substr(scheme + 3);
        return std::string(host.substr(0, host.find('/')));
    }
    return {};
}

DocKind KindOf(std::string_view address, bool software) {
    if (Contains(address, kFileMarker)) {
        return dkFolderOrFile;
    }
    return software ? dkSoftware : dkWebPage;
}

std::string LocalPathForAddDoc(std::string_view address) {
    if (IsPosixFileAddress(address)) {
        return PosixLocalPath(address);
    }
    return SlashesToBackslashes(FromCharacter(address, 9));
}

std::string LocalPathForIsDocKnown(std::string_view address) {
    if (!Contains(address, kFileMarker)) {
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
    if (Contains(path, kFileMarker)) {
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
    std::string a(address);
    if (kind == dkFolderOrFile) {
        a = ReplaceAll(a, "/", "\\");
        if (a == "file:\\\\\\" + std::string(root)) {
            return {};
        }
    } else if (kind == dkWebPage) {
        if (a == "http://" + std::string(root) || a == "http://" + std::string(root) + "/") {
            return {};
        }
    } else {
        return {};
    }
    if (Contains(a, "file:\\\\\\")) {
        return Trim(FromCharacter(a, 9));
    }
    if (Contains(a, "http://")) {
        return Trim(AfterFirst(a, "http://"));
    }
    return {};
}

}  // namespace qarvex
