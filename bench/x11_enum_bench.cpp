// The real X11 enumeration: 50 top-level windows under a window manager. Run it under
// an X server (bench/x11_bench.sh starts Xvfb and openbox).
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>
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

}  // namespace
}  // namespace qarvex
