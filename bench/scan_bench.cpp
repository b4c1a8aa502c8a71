#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "capture/scanner.h"
#include "platform/fake/fake_desktop_windows.h"
#include "platform/fake/fake_shell_windows.h"
#include "store/history.h"
#include "store/ini_file.h"
#include "store/stored_list.h"

namespace qarvex {
namespace {

constexpr int kWindows = 200;
constexpr int kFolders = 50;
constexpr int kPages = 50;

// A busy desktop: 200 program windows (a fifth of them dialogs and tool windows), 50
// folder windows and 50 web pages.
class BusyDesktop {
public:
    BusyDesktop() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qarvex-bench-XXXXXX");
        m_dir = mkdtemp(pattern.data()) ? pattern : std::string();
        for (int n = 0; n < kWindows; ++n) {
            const std::string program = m_dir + "/program" + std::to_string(n % 60);
            if (!std::filesystem::exists(program)) {
                std::FILE* f = std::fopen(program.c_str(), "w");
                if (f) {
                    std::fclose(f);
                }
            }
            TopWindow window;
            window.id = static_cast<std::uint64_t>(n + 1);
            window.visible = true;
            window.owned = n % 10 == 3;
            window.toolWindow = n % 10 == 7;
            window.title = "窗口 " + std::to_string(n);
            desktop.AddWindow(window, program);
        }
        for (int n = 0; n < kFolders; ++n) {
            ShellWindow w;
            w.locationUrl =
                "file:///home/u/folder" + std::to_string(n % 7) + "/sub" + std::to_string(n);
            shell.AddWindow(w);
        }
        for (int n = 0; n < kPages; ++n) {
            ShellWindow w;
            w.locationUrl =
                "https://host" + std::to_string(n % 9) + ".example/page" + std::to_string(n);
            w.title = "页面 " + std::to_string(n);
            shell.AddWindow(w);
        }
    }
    ~BusyDesktop() {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    const std::string& Dir() const { return m_dir; }

    FakeDesktopWindows desktop;
    FakeShellWindows shell;

private:
    std::string m_dir;
};

// One full refresh into an empty history (every sighting recorded and written), with
// the yields to the event loop counted and the fixed pauses left out (they are 5 ms per
// item and 3 ms per phase by design, and only wait).
void RunRefresh(benchmark::State& state, bool secondPass) {
    BusyDesktop busy;
    int pausedMs = 0;
    int yields = 0;
    int pausedNow = 0;
    int yieldsNow = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(busy.Dir() + "/defualt.ini");
        IniFile ini(busy.Dir() + "/defualt.ini");
        StoredList recent;
        History history(
            ini, recent, [] { return std::string("2026-12-08"); }, nullptr, "/home/u",
            [](const std::string&) { return true; });
        Scanner::History sink;
        sink.addDoc = [&](const std::string& a, const std::string& n, bool s) {
            history.AddDoc(a, n, {}, s);
        };
        sink.isDocKnown = [&](const std::string& a) { return history.IsDocKnown(a); };
        Scanner::Hooks hooks;
        hooks.processEvents = [&] { ++yieldsNow; };
        hooks.pause = [&](int ms) { pausedNow += ms; };
        hooks.recordingPass = [&](bool begins) {
            begins ? history.BeginRecordingPass() : history.EndRecordingPass();
        };
        Scanner scanner(busy.desktop, busy.shell, sink, hooks);
        if (secondPass) {
            scanner.RefreshAllDocs();  // everything known: the steady state of a timer tick
        }
        pausedNow = 0;
        yieldsNow = 0;
        state.ResumeTiming();
        scanner.RefreshAllDocs();
        benchmark::DoNotOptimize(history.Docs().size());
        pausedMs += pausedNow;
        yields += yieldsNow;
    }
    state.counters["fixed_pauses_ms"] =
        benchmark::Counter(pausedMs, benchmark::Counter::kAvgIterations);
    state.counters["yields"] = benchmark::Counter(yields, benchmark::Counter::kAvgIterations);
}

void BM_FullRefreshFirstSighting(benchmark::State& state) {
    RunRefresh(state, false);
}
BENCHMARK(BM_FullRefreshFirstSighting)->Unit(benchmark::kMillisecond);

void BM_FullRefreshAllKnown(benchmark::State& state) {
    RunRefresh(state, true);
}
BENCHMARK(BM_FullRefreshAllKnown)->Unit(benchmark::kMillisecond);

// A pass that meets N new web pages (a browser with N tabs, on 97 hosts) and records them
// all into an empty history, beside a full recent list. With the pass marked, the settings file is
// replaced once at its end; without, once per page (how it was before), which grows with the square
// of N.
void RecordNewPages(benchmark::State& state, bool markPass) {
    const int pages = static_cast<int>(state.range(0));
    BusyDesktop busy;
    FakeShellWindows shell;
    for (int n = 0; n < pages; ++n) {
        ShellWindow w;
        w.locationUrl =
            "https://host" + std::to_string(n % 97) + ".example/tab" + std::to_string(n);
        w.title = "标签页 " + std::to_string(n);
        shell.AddWindow(w);
    }
    FakeDesktopWindows noPrograms;
    // A long-used copy's recent list: 10 000 lines, the most rec.dat keeps.
    std::vector<std::string> recentLines;
    for (int n = 0; n < 10000; ++n) {
        recentLines.push_back("/home/u/文档/file" + std::to_string(n) + ".txt*|*文件" +
                              std::to_string(n));
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(busy.Dir() + "/defualt.ini");
        IniFile ini(busy.Dir() + "/defualt.ini");
        StoredList recent;
        recent.SetLines(recentLines);
        recent.SetItems(recentLines);
        History history(
            ini, recent, [] { return std::string("2026-12-08"); }, nullptr, "/home/u",
            [](const std::string&) { return true; });
        Scanner::History sink;
        sink.addDoc = [&](const std::string& a, const std::string& n, bool s) {
            history.AddDoc(a, n, {}, s);
        };
        sink.isDocKnown = [&](const std::string& a) { return history.IsDocKnown(a); };
        Scanner::Hooks hooks;
        if (markPass) {
            hooks.recordingPass = [&](bool begins) {
                begins ? history.BeginRecordingPass() : history.EndRecordingPass();
            };
        }
        Scanner scanner(noPrograms, shell, sink, hooks);
        state.ResumeTiming();
        scanner.RefreshAllDocs();
        benchmark::DoNotOptimize(history.Docs().size());
    }
    state.counters["per_page"] =
        benchmark::Counter(static_cast<double>(pages) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_PassRecordsNewPages(benchmark::State& state) {
    RecordNewPages(state, true);
}
BENCHMARK(BM_PassRecordsNewPages)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_PassRecordsNewPagesWritingEach(benchmark::State& state) {
    RecordNewPages(state, false);
}
BENCHMARK(BM_PassRecordsNewPagesWritingEach)
    ->Arg(200)
    ->Arg(2000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qarvex
