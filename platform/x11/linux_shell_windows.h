#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/shell_windows.h"

namespace qarvex {

// The desktop's browser and folder windows, in a fixed order: the file manager's
// folder windows first, then the open tabs of the running Firefox-family browsers, then
// those of the running Chromium-family browsers.
class LinuxShellWindows : public ShellWindows {
public:
    // home and xdgConfigHome locate the browser profiles ($XDG_CONFIG_HOME as it is set,
    // possibly empty).
    LinuxShellWindows(std::string home, std::string xdgConfigHome);

    std::vector<ShellWindow> Windows() override;

private:
    std::string m_home;
    std::string m_xdgConfigHome;
};

}  // namespace qarvex
