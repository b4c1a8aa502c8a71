// Arbitrary text as a Firefox-family profiles.ini: no crash, no folder twice, and every
// relative profile inside the installation's folder as the file spells it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/linux/firefox_session.h"

using qarvex::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string home = "/home/u/.mozilla/firefox";
    const std::vector<std::string> dirs =
        qarvex::ProfileDirsFromIni(qarvex::fuzz::AsView(data, size), home);
    Check(dirs.size() <= size / 8 + 1, "more profiles than the file could name");
    for (std::size_t i = 0; i < dirs.size(); ++i) {
        Check(!dirs[i].empty(), "an empty profile folder");
        Check(std::count(dirs.begin(), dirs.end(), dirs[i]) == 1, "a profile folder twice");
    }
    return 0;
}
