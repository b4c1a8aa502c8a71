#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "store/doc_table.h"

namespace qarvex {

// Text functions that decide what a captured address is and how it is grouped. They touch
// no file system and never fail. Windows-form texts ("file:///C:/...", "C:\...") keep the
// rules the stored history was always written with; a "file:///" address whose text after
// the marker does not begin with a drive letter and a colon is a POSIX local path.

// True when the address must never be recorded: it contains "res://" in any letter case,
// or it is no path the list files can hold (see FitsOneListLine): read back, it would name
// another file, which a click would then open or run.
bool IsRejectedAddress(std::string_view address);

// True for the bare roots of drives C: to J: ("c:", "C:\", "file:///C:", "file:///c:/",
// "FILE:\\\J:\") and for the POSIX root ("/", "file:///", any run of slashes). The whole
// text is compared: callers trim first.
bool IsDriveRoot(std::string_view address);

// True when the address, after leading blanks, starts with "file:///". Only such a text is
// a local file or folder: a web address that merely carries "file:///" in its query or
// fragment must never be taken for (and opened as) the local file it names.
bool IsFileAddress(std::string_view address);

// "file://localhost/x" (the same local file, named with this machine as its host) as
// "file:///x", in any letter case; any other text unchanged.
std::string LocalFileAddress(std::string_view address);

// True when the address is a file address and the text after "file:///" does not begin
// with a drive letter and a colon.
bool IsPosixFileAddress(std::string_view address);

// True for the file manager's remote locations ("smb://nas/share/x", "sftp://h/home",
// "mtp://phone/Internal storage"): folders with a URI instead of a local path.
bool IsRemoteFolderAddress(std::string_view address);

// True for file-manager views that are not places ("trash:///", "recent:///",
// "x-nautilus-search:…"): there is nothing there to reopen.
bool IsNonPlaceLocation(std::string_view address);

// The mount points of the file systems besides the root one, which the grouping of POSIX
// paths asks for only when a path lies outside the home folder.
class MountTable {
public:
    MountTable() = default;
    virtual ~MountTable() = default;
    MountTable(const MountTable&) = delete;
    MountTable& operator=(const MountTable&) = delete;

    // Longest first, so the first one a path lies under is its own file system.
    virtual const std::vector<std::string>& MountPoints() = 0;
};

// A fixed list, for tests and for callers that read the table themselves.
class FixedMountTable : public MountTable {
public:
    explicit FixedMountTable(std::vector<std::string> mountPoints);
    const std::vector<std::string>& MountPoints() override { return m_points; }

private:
    std::vector<std::string> m_points;
};

// The running system's table from /proc/self/mountinfo, read again when the last reading
// is older than a few seconds (disks come and go while the program runs).
class SystemMountTable : public MountTable {
public:
    const std::vector<std::string>& MountPoints() override;

private:
    std::vector<std::string> m_points;
    std::chrono::steady_clock::time_point m_readAt{};
    bool m_read = false;
};

// The mount points of a /proc/self/mountinfo text, longest first, without the root and
// without the kernel's own file systems (proc, sysfs, tmpfs, cgroup, ...).
std::vector<std::string> ParseMountInfo(std::string_view mountinfo);

// The grouping key: a web host, a drive with its first folder ("C:\Program Files"), or for
// a POSIX file address the first folder below the root ("/usr"), below the user's home
// folder ("/home/u/Documents"), or below the mount point of another file system
// ("/media/u/DATA/Photos"); a remote folder groups by scheme, host and share
// ("smb://nas/share"). Empty for anything without a scheme. An empty home disables the
// home rule; without a mount table every POSIX path is on the root file system.
std::string DeriveRootPath(std::string_view address, std::string_view home,
                           MountTable* mounts = nullptr);

// 3 for a file address or a remote folder, else 2 for software, else 1.
DocKind KindOf(std::string_view address, bool software);

// The Path and DisplayName of a folder or file entry, from a file address (after its
// "%20" replacement): Windows form drops the first 8 characters and turns "///", then
// "//", then "/" into "\"; POSIX form is "/" plus the text after the marker with runs of
// "/" collapsed. A remote folder keeps its URI.
std::string LocalPathForAddDoc(std::string_view address);

// The form the duplicate test compares with stored paths: a file address after its
// "file:///" with every "/" turned into "\" (POSIX: as LocalPathForAddDoc). Other texts
// stay as they are.
std::string LocalPathForIsDocKnown(std::string_view address);

// The list files' cut: a file address loses its "file:///"; with backslashes, Windows-form
// texts get "\" for "/". POSIX paths keep "/".
std::string LocalPathForList(std::string_view text, bool backslashes);

// What the settings file stores as the path of a folder or file entry: "file:///" in front
// of a Windows path that lacks it, "file://" in front of a POSIX path, so that a reload
// yields the same entry. A remote folder's URI is stored as it is.
std::string StoredPathForIni(std::string_view path);

// The caption text of the child node a non-software entry gets below its group, or empty
// when no child is made (the entry is the group root). `address` is the recorded form
// (after trimming and "%20" replacement).
std::string ChildTextForAddDoc(std::string_view address, DocKind kind, std::string_view root);

}  // namespace qarvex
