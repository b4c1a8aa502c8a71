#include "platform/x11/linux_shell_windows.h"

#include "platform/linux/chromium_session.h"
#include "platform/linux/firefox_session.h"
#include "platform/x11/file_manager_windows.h"

namespace qarvex {

LinuxShellWindows::LinuxShellWindows(std::string home, std::string xdgConfigHome)
    : m_home(std::move(home)), m_xdgConfigHome(std::move(xdgConfigHome)) {}

std::vector<ShellWindow> LinuxShellWindows::Windows() {
    std::vector<ShellWindow> windows;
    for (std::string& address : FileManagerWindows()) {
        ShellWindow folder;
        folder.title = address;
        folder.locationUrl = std::move(address);
        windows.push_back(std::move(folder));
    }
    for (ShellWindow& page : ReadFirefoxPages(m_home, m_xdgConfigHome)) {
        windows.push_back(std::move(page));
    }
    for (ShellWindow& page : ReadChromiumPages(m_home, m_xdgConfigHome)) {
        windows.push_back(std::move(page));
    }
    return windows;
}

}  // namespace qarvex
