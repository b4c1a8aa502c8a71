// The real Wayland enumeration: the windows a wlroots compositor lists. Run it inside a
// session (bench/wayland_bench.sh starts headless sway with 50 windows).
#include <benchmark/benchmark.h>

#include "platform/wayland/wayland_desktop_windows.h"

namespace qarvex {
namespace {

void BM_WaylandWlrListWindows(benchmark::State& state) {
    WaylandToplevelSource source(ToplevelProtocol::WlrForeignToplevel);
    std::size_t found = 0;
    for (auto _ : state) {
        const auto list = source.Read();
        found = list ? list->size() : 0;
        benchmark::DoNotOptimize(found);
    }
    state.counters["windows"] = static_cast<double>(found);
}
BENCHMARK(BM_WaylandWlrListWindows)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

// What one program scan asks: every source in turn (the newer protocol is missing
// here), then each window's application through the desktop entries.
void BM_WaylandScanWithApplications(benchmark::State& state) {
    WaylandDesktopWindows desktop(DefaultToplevelSources(), nullptr);
    std::size_t resolved = 0;
    for (auto _ : state) {
        resolved = 0;
        for (const TopWindow& window : desktop.TopWindows()) {
            resolved += desktop.Application(window.id) ? 1 : 0;
        }
        benchmark::DoNotOptimize(resolved);
    }
    state.counters["resolved"] = static_cast<double>(resolved);
}
BENCHMARK(BM_WaylandScanWithApplications)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

}  // namespace
}  // namespace qarvex
