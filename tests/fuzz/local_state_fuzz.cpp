// Arbitrary text as a Chromium-family "Local State": no crash, at least one profile, none
// twice, and none outside the browser's user-data folder.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/linux/chromium_session.h"
#include "store/strings.h"

using qarvex::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string userData = "/home/u/.config/chromium";
    const std::vector<std::string> dirs =
        qarvex::ChromiumProfileDirs(qarvex::fuzz::AsView(data, size), userData);
    Check(!dirs.empty(), "no profile at all");
    for (const std::string& dir : dirs) {
        Check(qarvex::StartsWith(dir, userData + "/"), "a profile outside the user data");
        const std::string name = dir.substr(userData.size() + 1);
        Check(!name.empty() && name != "." && name != ".." &&
                  name.find_first_of(std::string("/\0", 2)) == std::string::npos,
              "a profile name that leaves its folder");
        Check(std::count(dirs.begin(), dirs.end(), dir) == 1, "a profile twice");
    }
    return 0;
}
