#include "platform/fake/fake_shell_windows.h"

#include <string>

namespace qarvex {

std::vector<ShellWindow> FakeShellWindows::Windows() {
    ++m_windowsCalls;
    if (m_duringWalk) {
        m_duringWalk();
    }
    std::vector<ShellWindow> result;
    for (const ShellWindow& w : m_windows) {
        if (m_failAfter && result.size() == *m_failAfter) {
            throw ShellWindowsError("shell window list failed after " +
                                    std::to_string(*m_failAfter) + " windows");
        }
        result.push_back(w);
    }
    return result;
}

}  // namespace qarvex
