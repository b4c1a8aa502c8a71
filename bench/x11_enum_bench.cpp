// The real X11 enumeration: 50 top-level windows under a window manager. Run it under
// an X server (bench/x11_bench.sh starts Xvfb and openbox).
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include "platform/x11/x11_desktop_windows.h"

namespace qarvex {
namespace {

constexpr int kWindows = 50;

class FiftyWindows {
public:
    FiftyWindows() {
        m_connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_connection)) {
            return;
        }
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        const xcb_atom_t netWmName = Atom("_NET_WM_NAME");
        const xcb_atom_t utf8 = Atom("UTF8_STRING");
        for (int n = 0; n < kWindows; ++n) {
            const xcb_window_t window = xcb_generate_id(m_connection);
            xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, screen->root, 10 + n,
                              10 + n, 200, 100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                              screen->root_visual, 0, nullptr);
            const std::string title = "窗口 " + std::to_string(n);
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, netWmName, utf8, 8,
                                static_cast<std::uint32_t>(title.size()), title.data());
            xcb_map_window(m_connection, window);
        }
        xcb_flush(m_connection);
        // Let the window manager take them on.
        std::this_thread::sleep_for(std::chrono::seconds(2));
    }
    ~FiftyWindows() { xcb_disconnect(m_connection); }

private:
    xcb_atom_t Atom(const char* name) {
        auto cookie =
            xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(strlen(name)), name);
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(m_connection, cookie, nullptr);
        const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        free(reply);
        return atom;
    }

    xcb_connection_t* m_connection = nullptr;
};

// One set of windows for both benchmarks.
void EnsureWindows() {
    static FiftyWindows windows;
}

void BM_X11EnumerateFiftyWindows(benchmark::State& state) {
    EnsureWindows();
    X11DesktopWindows desktop(std::string(), -1);  // our own windows count here
    std::size_t found = 0;
    for (auto _ : state) {
        const auto list = desktop.TopWindows();
        found = list.size();
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["windows"] = static_cast<double>(found);
}
BENCHMARK(BM_X11EnumerateFiftyWindows)->Unit(benchmark::kMicrosecond);

void BM_X11EnumerateAndProgramPaths(benchmark::State& state) {
    EnsureWindows();
    X11DesktopWindows desktop(std::string(), -1);
    std::size_t paths = 0;
    for (auto _ : state) {
        paths = 0;
        for (const TopWindow& window : desktop.TopWindows()) {
            paths += desktop.ProgramPath(window.id).has_value() ? 1 : 0;
        }
        benchmark::DoNotOptimize(paths);
    }
    state.counters["program_paths"] = static_cast<double>(paths);
}
BENCHMARK(BM_X11EnumerateAndProgramPaths)->Unit(benchmark::kMicrosecond);

// A busier desktop for the refresh figures: 200 windows of 100 processes, and 1000
// applications installed in a private $XDG_DATA_HOME. Run it alone (--benchmark_filter=Refresh200)
// so the fifty windows above are not there too.
constexpr int kRefreshWindows = 200;
constexpr int kInstalledEntries = 1000;

class BusyDesktop {
public:
    BusyDesktop() {
        std::string pattern = std::filesystem::temp_directory_path() / "qarvex-x11-bench-XXXXXX";
        m_dir = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
        std::filesystem::create_directories(m_dir + "/applications");
        for (int n = 0; n < kInstalledEntries; ++n) {
            std::ofstream(m_dir + "/applications/org.example.App" + std::to_string(n) + ".desktop")
                << "[Desktop Entry]\nType=Application\nName=App " << n << "\nIcon=app" << n
                << "\nExec=/usr/bin/app" << n << " %U\n"
                << (n % 2 == 0 ? "StartupWMClass=App" + std::to_string(n) + "\n" : "");
        }
        setenv("XDG_DATA_HOME", m_dir.c_str(), 1);

        // Processes of our own that live as long as the benchmark, two windows each.
        std::vector<std::uint32_t> pids;
        for (int n = 0; n < kRefreshWindows / 2; ++n) {
            const pid_t child = fork();
            if (child == 0) {
                execl("/bin/sleep", "sleep", "3600", static_cast<char*>(nullptr));
                _exit(127);
            }
            if (child > 0) {
                m_children.push_back(child);
                pids.push_back(static_cast<std::uint32_t>(child));
            }
        }
        m_connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_connection) || pids.empty()) {
            return;
        }
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        const xcb_atom_t netWmPid = Atom("_NET_WM_PID");
        for (int n = 0; n < kRefreshWindows; ++n) {
            const xcb_window_t window = xcb_generate_id(m_connection);
            xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, screen->root, n, n, 100,
                              50, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0,
                              nullptr);
            const std::uint32_t pid = pids[static_cast<std::size_t>(n) % pids.size()];
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, netWmPid,
                                XCB_ATOM_CARDINAL, 32, 1, &pid);
            xcb_map_window(m_connection, window);
        }
        xcb_flush(m_connection);
        m_processes = std::min<std::size_t>(pids.size(), kRefreshWindows);
        std::this_thread::sleep_for(std::chrono::seconds(2));
    }
    ~BusyDesktop() {
        for (const pid_t child : m_children) {
            kill(child, SIGTERM);
            waitpid(child, nullptr, 0);
        }
        xcb_disconnect(m_connection);
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    std::size_t Processes() const { return m_processes; }

private:
    xcb_atom_t Atom(const char* name) {
        auto cookie =
            xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(strlen(name)), name);
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(m_connection, cookie, nullptr);
        const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        free(reply);
        return atom;
    }

    std::string m_dir;
    xcb_connection_t* m_connection = nullptr;
    std::size_t m_processes = 0;
    std::vector<pid_t> m_children;
};

BusyDesktop& Busy() {
    static BusyDesktop desktop;
    return desktop;
}

// Today's refresh: each window's program path.
void BM_X11Refresh200ProgramPaths(benchmark::State& state) {
    Busy();
    X11DesktopWindows desktop(std::string(), -1);
    std::size_t found = 0;
    for (auto _ : state) {
        found = 0;
        for (const TopWindow& window : desktop.TopWindows()) {
            found += desktop.ProgramPath(window.id).has_value() ? 1 : 0;
        }
        benchmark::DoNotOptimize(found);
    }
    state.counters["windows"] = static_cast<double>(found);
    state.counters["processes"] = static_cast<double>(Busy().Processes());
}
BENCHMARK(BM_X11Refresh200ProgramPaths)->Unit(benchmark::kMillisecond);

// Each window's application: its hints, its process, the 1000 entries.
void BM_X11Refresh200Applications(benchmark::State& state) {
    Busy();
    X11DesktopWindows desktop(std::string(), -1);
    std::size_t found = 0;
    for (auto _ : state) {
        found = 0;
        for (const TopWindow& window : desktop.TopWindows()) {
            found += desktop.Application(window.id).has_value() ? 1 : 0;
        }
        benchmark::DoNotOptimize(found);
    }
    state.counters["windows"] = static_cast<double>(found);
    state.counters["processes"] = static_cast<double>(Busy().Processes());
}
BENCHMARK(BM_X11Refresh200Applications)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qarvex
