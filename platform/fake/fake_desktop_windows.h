#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/desktop_windows.h"

namespace qarvex {

// One window of the fake desktop together with the program that owns it.
struct FakeWindow {
    TopWindow window;
    std::optional<std::string> programPath;  // nothing: the owner can't be found
};

// A desktop whose windows the test sets. Windows come back in the order given, which
// stands for the stacking order (top first).
class FakeDesktopWindows : public DesktopWindows {
public:
    void SetWindows(std::vector<FakeWindow> windows) { m_windows = std::move(windows); }
    // Appends a window below the ones already set.
    void AddWindow(TopWindow window, std::optional<std::string> programPath);
    const std::vector<FakeWindow>& Windows() const { return m_windows; }

    std::vector<TopWindow> TopWindows() override;
    // The path of the first window with that id; nothing for an unknown id.
    std::optional<std::string> ProgramPath(std::uint64_t windowId) override;
    // The application a window resolves to, when the test says; otherwise its program.
    void SetApplication(std::uint64_t windowId, AppIdentity identity) {
        m_applications[windowId] = std::move(identity);
    }
    std::optional<AppIdentity> Application(std::uint64_t windowId) override;
    void ShowDesktop() override { ++m_showDesktopCount; }

    int TopWindowsCalls() const { return m_topWindowsCalls; }
    int ProgramPathCalls() const { return m_programPathCalls; }
    int ShowDesktopCount() const { return m_showDesktopCount; }

private:
    std::vector<FakeWindow> m_windows;
    std::map<std::uint64_t, AppIdentity> m_applications;
    int m_topWindowsCalls = 0;
    int m_programPathCalls = 0;
    int m_showDesktopCount = 0;
};

}  // namespace qarvex
