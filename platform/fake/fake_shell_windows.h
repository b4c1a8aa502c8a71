#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "platform/shell_windows.h"

namespace qarvex {

// A shell window list the test sets, which can also be told to fail part-way.
class FakeShellWindows : public ShellWindows {
public:
    void SetWindows(std::vector<ShellWindow> windows) { m_windows = std::move(windows); }
    void AddWindow(ShellWindow window) { m_windows.push_back(std::move(window)); }
    const std::vector<ShellWindow>& WindowList() const { return m_windows; }

    // From now on the walk fails once `count` windows have been read: Windows() throws
    // ShellWindowsError instead of answering (a count at or beyond the list's size
    // never fails). FailAfter(std::nullopt) makes it answer in full again.
    void FailAfter(std::optional<std::size_t> count) { m_failAfter = count; }

    // Runs at each walk, before it answers: what happens to the desktop meanwhile.
    void SetDuringWalk(std::function<void()> action) { m_duringWalk = std::move(action); }

    std::vector<ShellWindow> Windows() override;
    int WindowsCalls() const { return m_windowsCalls; }

private:
    std::vector<ShellWindow> m_windows;
    std::optional<std::size_t> m_failAfter;
    std::function<void()> m_duringWalk;
    int m_windowsCalls = 0;
};

}  // namespace qarvex
