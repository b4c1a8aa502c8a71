#pragma once

#include <string>
#include <string_view>

#include "store/doc_table.h"

namespace qarvex {

// Text functions that decide what a captured address is and how it is grouped. They touch
// no file system and never fail. Windows-form texts ("file:///C:/...", "C:\...") keep the
// rules the stored history was always written with; a "file:///" address whose text after
// the marker does not begin with a drive letter and a colon is a POSIX local path.

// True when the address must never be recorded: it contains "res://" in any letter case.
bool IsRejectedAddress(std::string_view address);

// True for the bare roots of drives C: to J: ("c:", "C:\", "file:///C:", "file:///c:/",
// "FILE:\\\J:\") and for the POSIX root ("/", "file:///", any run of slashes). The whole
// text is compared: callers trim first.
bool IsDriveRoot(std::string_view address);

// True when the address contains "file:///" and the text after it does not begin with a
// drive letter and a colon.
bool IsPosixFileAddress(std::string_view address);

// The grouping key: a web host, a drive with its first folder ("C:\Program Files"), or for
// a POSIX file address the first folder below the root ("/usr"), or below the user's home
// folder ("/home/u/Documents"). Empty for anything without a scheme. An empty home
// disables the home rule.
std::string DeriveRootPath(std::string_view address, std::string_view home);

// 3 when the address contains "file:///", else 2 for software, else 1.
DocKind KindOf(std::string_view address, bool software);

// The Path and DisplayName of a folder or file entry, from an address that contains
// "file:///" (after its "%20" replacement): Windows form drops the first 8 characters and
// turns "///", then "//", then "/" into "\"; POSIX form is "/" plus the text after the
// marker with runs of "/" collapsed.
std::string LocalPathForAddDoc(std::string_view address);

// The form the duplicate test compares with stored paths: after the first "file:///" with
// every "/" turned into "\" (POSIX: as LocalPathForAddDoc). Other texts stay as they are.
std::string LocalPathForIsDocKnown(std::string_view address);

// The list files' cut: the text after the first "file:///"; with backslashes, Windows-form
// texts get "\" for "/". POSIX paths keep "/".
std::string LocalPathForList(std::string_view text, bool backslashes);

// What the settings file stores as the path of a folder or file entry: "file:///" in front
// of a Windows path that lacks it, "file://" in front of a POSIX path, so that a reload
// yields the same entry.
std::string StoredPathForIni(std::string_view path);

// The caption text of the child node a non-software entry gets below its group, or empty
// when no child is made (the entry is the group root, or an "https://" page). `address` is
// the recorded form (after trimming and "%20" replacement).
std::string ChildTextForAddDoc(std::string_view address, DocKind kind, std::string_view root);

}  // namespace qarvex
