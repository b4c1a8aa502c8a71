// Arbitrary text as /proc/self/mountinfo: no crash, and the mount points come longest
// first, each once, absolute, never the root and never the kernel's own folders.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "store/address_rules.h"
#include "fuzz/fuzz_support.h"
#include "store/strings.h"

using qarvex::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> points =
        qarvex::ParseMountInfo(qarvex::fuzz::AsView(data, size));
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::string& point = points[i];
        Check(qarvex::StartsWith(point, "/") && point != "/", "a mount point that is no folder");
        for (const std::string kernel : {"/proc", "/sys", "/dev"}) {
            Check(point != kernel && !qarvex::StartsWith(point, kernel + "/"), "a kernel folder");
        }
        Check(i == 0 || points[i - 1].size() >= point.size(), "not longest first");
        Check(std::count(points.begin(), points.end(), point) == 1, "a mount point twice");
    }
    return 0;
}
