// Arbitrary addresses through every address rule: no crash, and the few promises the
// rules make to each other hold.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "store/address_rules.h"
#include "store/list_file.h"
#include "store/strings.h"

using qarvex::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto [address, name] = qarvex::fuzz::SplitAtNul(qarvex::fuzz::AsView(data, size));
    // Local only when the text starts with the marker; one inside a web address is no file.
    const bool hasMarker = qarvex::IsFileAddress(address);
    const bool remoteFolder = qarvex::IsRemoteFolderAddress(address);

    (void)qarvex::IsRejectedAddress(address);
    (void)qarvex::IsDriveRoot(address);
    const bool posix = qarvex::IsPosixFileAddress(address);
    Check(!posix || hasMarker, "a POSIX file address without the marker");

    for (const bool software : {false, true}) {
        const qarvex::DocKind kind = qarvex::KindOf(address, software);
        Check(hasMarker || remoteFolder
                  ? kind == qarvex::dkFolderOrFile
                  : kind == (software ? qarvex::dkSoftware : qarvex::dkWebPage),
              "kind not decided by the address and the caller");
        for (const char* home : {"", "/home/u", "/"}) {
            const std::string root = qarvex::DeriveRootPath(address, home);
            (void)qarvex::ChildTextForAddDoc(address, kind, root);
        }
    }

    (void)qarvex::LocalPathForIsDocKnown(address);
    for (const bool backslashes : {false, true}) {
        (void)qarvex::LocalPathForList(address, backslashes);
        (void)qarvex::CutFileUrl(address, backslashes);
        (void)qarvex::CutFileUrl(name, backslashes);
    }
    (void)qarvex::StartsWithDriveLetter(address);

    if (hasMarker) {
        // A folder or file entry written to the settings must come back as the same entry.
        const std::string path = qarvex::LocalPathForAddDoc(address);
        const std::string stored = qarvex::StoredPathForIni(path);
        Check(qarvex::Contains(stored, qarvex::kFileUrlMarker),
              "a stored folder path without the marker");
        (void)qarvex::LocalPathForAddDoc(stored);
    } else {
        (void)qarvex::StoredPathForIni(address);
    }
    return 0;
}
