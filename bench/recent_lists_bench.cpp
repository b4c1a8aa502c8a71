// A pass over GTK's recent-files list of 5000 documents (as GTK writes it, in 50 folders
// of existing files): the first reading that records every one, a pass after the list
// changed with nothing new in it, and an idle pass over an unchanged list; beside them the
// floor, reading the file's bytes alone, and the parse alone.
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "capture/scanner.h"
#include "platform/fake/fake_desktop_windows.h"
#include "platform/fake/fake_shell_windows.h"
#include "platform/linux/bounded_read.h"
#include "platform/linux/recent_lists.h"
#include "platform/linux/xbel_reader.h"
#include "store/history.h"
#include "store/ini_file.h"
#include "store/stored_list.h"
#include "support/file_uri.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

constexpr int kDocuments = 5000;
constexpr int kFolders = 50;

// A home with the files and the list GTK keeps of them.
class RecentHome {
public:
    RecentHome() {
        std::filesystem::create_directories(Data());
        std::string xbel =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xbel version=\"1.0\"\n"
            "      xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\"\n"
            "      xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\"\n>\n";
        for (int n = 0; n < kDocuments; ++n) {
            const std::string folder = "项目" + std::to_string(n % kFolders);
            const std::string name = "报告 " + std::to_string(n) + ".txt";
            std::filesystem::create_directories(Home() + "/" + folder);
            std::ofstream(Home() + "/" + folder + "/" + name) << "x";
            const std::string stamp = "2026-12-0" + std::to_string(1 + n % 9) +
                                      "T10:" + std::to_string(10 + n % 50) + ":00.516173Z";
            xbel += "  <bookmark href=\"" + test::FileUri(Home() + "/" + folder + "/" + name) +
                    "\" added=\"" + stamp + "\" modified=\"" + stamp + "\" visited=\"" + stamp +
                    "\">\n    <info>\n      <metadata owner=\"http://freedesktop.org\">\n"
                    "        <mime:mime-type type=\"text/plain\"/>\n"
                    "        <bookmark:applications>\n"
                    "          <bookmark:application name=\"Mousepad\" exec=\"&apos;mousepad "
                    "%u&apos;\" modified=\"" +
                    stamp +
                    "\" count=\"1\"/>\n        </bookmark:applications>\n      </metadata>\n"
                    "    </info>\n  </bookmark>\n";
        }
        xbel += "</xbel>";
        std::ofstream(Xbel(), std::ios::binary) << xbel;
    }

    std::string Home() const { return m_dir.File("home"); }
    std::string Data() const { return m_dir.File("data"); }
    std::string Xbel() const { return Data() + "/recently-used.xbel"; }

    // A new modification time, as a program that rewrote the list leaves it.
    void Touch() {
        ++m_touches;
        const timespec times[2] = {{m_touches, 0}, {m_touches, 0}};
        utimensat(AT_FDCWD, Xbel().c_str(), times, 0);
    }

private:
    test::TempDir m_dir;
    long m_touches = 1000000000;
};

// The scan as the program sets it up: one write of the settings file per pass.
class Run {
public:
    explicit Run(const RecentHome& home)
        : m_ini(m_config.File("defualt.ini")),
          m_history(
              m_ini, m_recent, [] { return std::string("2026-12-09"); }, nullptr, home.Home()),
          m_lists(home.Home(), home.Data()) {
        Scanner::History sink;
        sink.addDoc = [this](const std::string& a, const std::string& n, bool s) {
            m_history.AddDoc(a, n, {}, s);
        };
        sink.isDocKnown = [this](const std::string& a) { return m_history.IsDocKnown(a); };
        Scanner::Hooks hooks;
        hooks.recordingPass = [this](bool begins) {
            if (begins) {
                m_history.BeginRecordingPass();
            } else {
                m_history.EndRecordingPass();
            }
        };
        m_scanner = std::make_unique<Scanner>(m_desktop, m_shell, sink, hooks);
        m_scanner->SetRecentDocuments(&m_lists);
    }

    Scanner& Scan() { return *m_scanner; }
    const History& Hist() const { return m_history; }

private:
    test::TempDir m_config;
    IniFile m_ini;
    StoredList m_recent;
    History m_history;
    FakeDesktopWindows m_desktop;
    FakeShellWindows m_shell;
    DesktopRecentLists m_lists;
    std::unique_ptr<Scanner> m_scanner;
};

void BM_RecentFilesReadBytesOnly(benchmark::State& state) {
    RecentHome home;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadFileUpTo(home.Xbel(), kMaxRecentListBytes));
    }
}
BENCHMARK(BM_RecentFilesReadBytesOnly)->Unit(benchmark::kMillisecond);

void BM_RecentFilesParseOnly(benchmark::State& state) {
    RecentHome home;
    const std::string text = *ReadFileUpTo(home.Xbel(), kMaxRecentListBytes);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ParseXbel(text));
    }
}
BENCHMARK(BM_RecentFilesParseOnly)->Unit(benchmark::kMillisecond);

void BM_RecentFilesFirstPassRecordsAll(benchmark::State& state) {
    RecentHome home;
    for (auto _ : state) {
        state.PauseTiming();
        auto run = std::make_unique<Run>(home);
        state.ResumeTiming();
        run->Scan().ScanRecentFiles();
        state.PauseTiming();
        if (run->Hist().Docs().size() != kDocuments) {
            state.SkipWithError("not every document was recorded");
        }
        run.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RecentFilesFirstPassRecordsAll)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RecentFilesChangedListNothingNew(benchmark::State& state) {
    RecentHome home;
    Run run(home);
    run.Scan().ScanRecentFiles();
    for (auto _ : state) {
        home.Touch();
        run.Scan().ScanRecentFiles();
    }
}
BENCHMARK(BM_RecentFilesChangedListNothingNew)->Unit(benchmark::kMillisecond);

void BM_RecentFilesUnchangedList(benchmark::State& state) {
    RecentHome home;
    Run run(home);
    run.Scan().ScanRecentFiles();
    for (auto _ : state) {
        run.Scan().ScanRecentFiles();
    }
}
BENCHMARK(BM_RecentFilesUnchangedList)->Unit(benchmark::kMicrosecond);

// The lists' own share of an idle pass: looking whether anything changed.
void BM_RecentFilesUnchangedCheckOnly(benchmark::State& state) {
    RecentHome home;
    DesktopRecentLists lists(home.Home(), home.Data());
    benchmark::DoNotOptimize(lists.ChangedDocuments());
    for (auto _ : state) {
        benchmark::DoNotOptimize(lists.ChangedDocuments());
    }
}
BENCHMARK(BM_RecentFilesUnchangedCheckOnly)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qarvex
