#include "platform/fake/fake_desktop_windows.h"

#include <utility>

namespace qarvex {

void FakeDesktopWindows::AddWindow(TopWindow window, std::optional<std::string> programPath) {
    m_windows.push_back(FakeWindow{std::move(window), std::move(programPath)});
}

std::vector<TopWindow> FakeDesktopWindows::TopWindows() {
    ++m_topWindowsCalls;
    std::vector<TopWindow> result;
    result.reserve(m_windows.size());
    for (const FakeWindow& w : m_windows) {
        result.push_back(w.window);
    }
    return result;
}

std::optional<std::string> FakeDesktopWindows::ProgramPath(std::uint64_t windowId) {
    ++m_programPathCalls;
    for (const FakeWindow& w : m_windows) {
        if (w.window.id == windowId) {
            return w.programPath;
        }
    }
    return std::nullopt;
}

std::optional<AppIdentity> FakeDesktopWindows::Application(std::uint64_t windowId) {
    const auto it = m_applications.find(windowId);
    if (it == m_applications.end()) {
        return DesktopWindows::Application(windowId);
    }
    ++m_programPathCalls;
    return it->second;
}

}  // namespace qarvex
