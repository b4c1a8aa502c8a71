// The history at 1000, 10 000 and 100 000 entries: start-up load, the memory the entries
// hold, and one delete-and-rebuild. (The keystroke of search is in search_bench.cpp.)
#include <algorithm>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include "store/history.h"
#include "store/ini_file.h"
#include "store/stored_list.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

// A mix of the three kinds spread over many groups, as in history_bench.cpp.
std::string Address(int n) {
    switch (n % 3) {
        case 0:
            return "http://host" + std::to_string(n % 97) + "/page" + std::to_string(n);
        case 1:
            return "file:///home/u/folder" + std::to_string(n % 53) + "/f" + std::to_string(n);
        default:
            return "file:///D:/Work" + std::to_string(n % 41) + "/d" + std::to_string(n);
    }
}

std::unique_ptr<History> MakeHistory(IniFile& ini, StoredList& recent) {
    return std::make_unique<History>(
        ini, recent, [] { return std::string("2026-01-01"); }, nullptr, "/home/u",
        [](const std::string&) { return false; });
}

// Recorded the way the program records: scan passes, here of 2000 sightings each.
void Fill(History& history, int entries) {
    for (int n = 0; n < entries; ++n) {
        if (n % 2000 == 0) {
            if (n > 0) {
                history.EndRecordingPass();
            }
            history.BeginRecordingPass();
        }
        history.AddDoc(Address(n), "name" + std::to_string(n), "", false);
    }
    history.EndRecordingPass();
}

// Bytes the allocator has handed out and not had back.
long HeapInUseKb() {
    return static_cast<long>(mallinfo2().uordblks / 1024);
}

// The start reads the settings file whole and replays every stored entry. The file is one
// the program wrote (a first load compacts it), so a start writes nothing back.
void BM_ScaleStartupLoad(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    test::TempDir folder;
    {
        // A thousand entries as the program records them, then the rest as stored keys.
        IniFile ini(folder.File("defualt.ini"));
        StoredList recent;
        Fill(*MakeHistory(ini, recent), std::min(entries, 1000));
        IniFile::Batch batch(ini);
        for (int n = 1000; n < entries; ++n) {
            const std::string i = std::to_string(n);
            ini.WriteString("docs", "name" + i, "name" + i);
            ini.WriteString("docs", "date" + i, "2026-01-01");
            ini.WriteString("docs", "RootPath" + i, "host" + std::to_string(n % 97));
            ini.WriteInteger("docs", "doctype" + i, 1);
            ini.WriteString("docs", "path" + i, Address(n));
            ini.WriteInteger("docs", "selected" + i, 0);
        }
    }
    {
        IniFile ini(folder.File("defualt.ini"));
        StoredList recent;
        MakeHistory(ini, recent)->LoadHistory();
    }
    for (auto _ : state) {
        IniFile ini(folder.File("defualt.ini"));
        StoredList recent;
        auto history = MakeHistory(ini, recent);
        history->LoadHistory();
        benchmark::DoNotOptimize(history->Docs().size());
    }
}
BENCHMARK(BM_ScaleStartupLoad)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// What a history of N entries holds in memory (table, four trees, indexes, the settings
// text and the recent list it fed), as the growth of the heap in use.
void BM_ScaleResidentMemory(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    long grown = 0;
    for (auto _ : state) {
        test::TempDir folder;
        IniFile ini(folder.File("defualt.ini"));
        StoredList recent;
        const long before = HeapInUseKb();
        auto history = MakeHistory(ini, recent);
        Fill(*history, entries);
        grown = HeapInUseKb() - before;
        benchmark::DoNotOptimize(history->Docs().size());
    }
    state.counters["heap_kB"] = static_cast<double>(grown);
}
BENCHMARK(BM_ScaleResidentMemory)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Deleting one entry: the table emptied and every other entry recorded again, with the
// settings written once.
void BM_ScaleDeleteAndRebuild(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    test::TempDir folder;
    IniFile ini(folder.File("defualt.ini"));
    StoredList recent;
    auto history = MakeHistory(ini, recent);
    Fill(*history, entries);
    int next = entries;
    for (auto _ : state) {
        history->DeleteSelectDocs(0);
        state.PauseTiming();
        history->AddDoc(Address(next), "name", "", false);
        ++next;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ScaleDeleteAndRebuild)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qarvex
