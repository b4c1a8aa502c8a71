#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "capture/scanner.h"
#include "platform/fake/fake_desktop_windows.h"
#include "platform/fake/fake_shell_windows.h"
#include "platform/linux/app_resolver.h"
#include "platform/linux/proc_process_facts.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

constexpr int kEntries = 1000;
constexpr int kWindows = 200;

// 1000 installed applications, each with an Exec, a TryExec for a third of them and a
// StartupWMClass for half, in one "applications" folder with a few subfolders.
class InstalledApplications {
public:
    InstalledApplications() {
        for (int n = 0; n < kEntries; ++n) {
            const std::string sub = n % 10 == 0 ? "/vendor" + std::to_string(n % 3) : "";
            std::filesystem::create_directories(m_dir.File("applications" + sub));
            std::ofstream(m_dir.File("applications" + sub + "/org.example.App" + std::to_string(n) +
                                     ".desktop"))
                << "[Desktop Entry]\nType=Application\nName=App " << n << "\nIcon=app" << n
                << "\nExec=/usr/bin/app" << n << " %U\n"
                << (n % 3 == 0 ? "TryExec=app" + std::to_string(n) + "\n" : "")
                << (n % 2 == 0 ? "StartupWMClass=App" + std::to_string(n) + "\n" : "");
        }
        index.Entries();
    }

    test::TempDir m_dir;
    ProcProcessFacts facts;
    DesktopEntryIndex index{{m_dir.File("applications")}, facts};
    AppResolver resolver{index, facts};
};

// The floor: what the scan did per window before, the program path alone.
void BM_BareProgramPathRead(benchmark::State& state) {
    ProcProcessFacts facts;
    const std::int64_t pid = getpid();
    for (auto _ : state) {
        benchmark::DoNotOptimize(facts.Executable(pid));
    }
}
BENCHMARK(BM_BareProgramPathRead)->Unit(benchmark::kMicrosecond);

// A window nothing identifies (every step tried, the program recorded) and one whose
// WM_CLASS finds its entry.
void BM_ResolveWindowNoEntry(benchmark::State& state) {
    InstalledApplications installed;
    const WindowHints hints{.pid = getpid(), .wmClassInstance = "bench", .wmClassClass = "Bench"};
    for (auto _ : state) {
        // Once per pass in the program; here per window, as if each were another process.
        installed.index.Refresh();
        installed.resolver.StartPass();
        benchmark::DoNotOptimize(installed.resolver.Resolve(hints));
    }
}
BENCHMARK(BM_ResolveWindowNoEntry)->Unit(benchmark::kMicrosecond);

void BM_ResolveWindowByWmClass(benchmark::State& state) {
    InstalledApplications installed;
    const WindowHints hints{.pid = getpid(), .wmClassClass = "App500"};
    for (auto _ : state) {
        installed.resolver.StartPass();
        benchmark::DoNotOptimize(installed.resolver.Resolve(hints));
    }
}
BENCHMARK(BM_ResolveWindowByWmClass)->Unit(benchmark::kMicrosecond);

void BM_IndexBuild1000Entries(benchmark::State& state) {
    InstalledApplications installed;
    for (auto _ : state) {
        DesktopEntryIndex index({installed.m_dir.File("applications")}, installed.facts);
        benchmark::DoNotOptimize(index.Entries().size());
    }
}
BENCHMARK(BM_IndexBuild1000Entries)->Unit(benchmark::kMillisecond);

// The fake desktop of the refresh figures, each window's application found by the real
// resolver over this process (the worst case: nothing identifies it).
class ResolvingDesktop : public FakeDesktopWindows {
public:
    explicit ResolvingDesktop(InstalledApplications& installed) : m_installed(installed) {}
    std::vector<TopWindow> TopWindows() override {
        m_installed.index.Refresh();
        m_installed.resolver.StartPass();
        return FakeDesktopWindows::TopWindows();
    }
    std::optional<AppIdentity> Application(std::uint64_t) override {
        return m_installed.resolver.Resolve({.pid = getpid()});
    }

private:
    InstalledApplications& m_installed;
};

// Today's way: the program path of each window's process.
class ProgramPathDesktop : public FakeDesktopWindows {
public:
    std::optional<std::string> ProgramPath(std::uint64_t) override {
        return m_facts.Executable(getpid());
    }

private:
    ProcProcessFacts m_facts;
};

void RunProgramScan(benchmark::State& state, bool resolve) {
    InstalledApplications installed;
    ProgramPathDesktop plain;
    ResolvingDesktop resolving(installed);
    FakeShellWindows shell;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    for (int n = 0; n < kWindows; ++n) {
        TopWindow window;
        window.id = static_cast<std::uint64_t>(n + 1);
        window.visible = true;
        window.title = "窗口 " + std::to_string(n);
        plain.AddWindow(window, self);
        resolving.AddWindow(window, self);
    }
    std::vector<std::string> known;
    Scanner::History sink;
    sink.addDoc = [&](const std::string& a, const std::string&, bool) { known.push_back(a); };
    sink.isDocKnown = [&](const std::string& a) {
        return std::find(known.begin(), known.end(), a) != known.end();
    };
    Scanner scanner(resolve ? static_cast<DesktopWindows&>(resolving) : plain, shell, sink, {});
    scanner.ScanPrograms();
    for (auto _ : state) {
        scanner.ScanPrograms();  // everything known: the steady state of a timer tick
    }
}

void BM_ProgramScan200WindowsProgramPath(benchmark::State& state) {
    RunProgramScan(state, false);
}
BENCHMARK(BM_ProgramScan200WindowsProgramPath)->Unit(benchmark::kMillisecond);

void BM_ProgramScan200WindowsResolved(benchmark::State& state) {
    RunProgramScan(state, true);
}
BENCHMARK(BM_ProgramScan200WindowsResolved)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qarvex
