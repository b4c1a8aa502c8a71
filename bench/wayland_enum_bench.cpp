// The real Wayland enumeration: the windows a compositor lists. Run it inside a session
// (bench/wayland_bench.sh starts headless sway, KWin or GNOME Shell with 50 windows); the
// source the
// compositor doesn't offer reports an error.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "platform/wayland/gnome_shell_source.h"
#include "platform/wayland/kwin_script_source.h"
#include "platform/wayland/wayland_desktop_windows.h"

namespace qarvex {
namespace {

void ListWindows(benchmark::State& state, ToplevelSource& source) {
    std::size_t found = 0;
    for (auto _ : state) {
        const auto list = source.Read();
        if (!list) {
            state.SkipWithError("the compositor does not offer this source");
            break;
        }
        found = list->size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["windows"] = static_cast<double>(found);
}

void BM_WaylandWlrListWindows(benchmark::State& state) {
    WaylandToplevelSource source(ToplevelProtocol::WlrForeignToplevel);
    ListWindows(state, source);
}
BENCHMARK(BM_WaylandWlrListWindows)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void BM_KWinScriptListWindows(benchmark::State& state) {
    KWinScriptSource source;
    ListWindows(state, source);
}
BENCHMARK(BM_KWinScriptListWindows)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void BM_GnomeShellListWindows(benchmark::State& state) {
    GnomeShellSource source;
    ListWindows(state, source);
}
BENCHMARK(BM_GnomeShellListWindows)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

// What one program scan asks: every source in turn until one answers, then each
// window's application through the desktop entries.
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

int main(int argc, char** argv) {
    // The KWin source receives its report over the session bus, through Qt.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
