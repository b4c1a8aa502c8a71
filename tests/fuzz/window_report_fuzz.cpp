// Arbitrary text as the window report of the KWin script or the GNOME Shell extension:
// no crash, the same windows for the same text, no more windows than the text could
// describe, and no process for a window that says it is an X11 one.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/wayland/kwin_report.h"
#include "store/strings.h"

using qarvex::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = qarvex::fuzz::AsView(data, size);
    const auto windows = qarvex::ParseWindowReport(input);
    if (!windows) {
        return 0;
    }
    // "[{}]" is the smallest report of one window; each further one costs ",{}".
    Check(windows->size() <= size / 3, "more windows than the report holds");
    for (const qarvex::WaylandToplevel& window : *windows) {
        Check(!window.pid || *window.pid > 0, "a process id that names no process");
        Check(window.appId == window.desktopFile, "the app id is not the desktop file");
    }
    const auto again = qarvex::ParseWindowReport(input);
    Check(again && again->size() == windows->size(), "a second reading differs");
    for (std::size_t i = 0; i < windows->size(); ++i) {
        Check((*again)[i].title == (*windows)[i].title && (*again)[i].pid == (*windows)[i].pid,
              "a second reading differs");
    }
    // The script made from hostile names stays one script: the names come back escaped.
    const std::string script = qarvex::KWinScriptText(input, input, input, input);
    Check(qarvex::Contains(script, "callDBus("), "the script lost its call");
    return 0;
}
