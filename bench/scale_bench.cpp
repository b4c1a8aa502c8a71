// The history at 1000, 10 000 and 100 000 entries: start-up load, the memory the entries
// hold, and one delete-and-rebuild. (The keystroke of search is in search_bench.cpp.)
#include <cstdio>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

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

void Fill(History& history, IniFile& ini, int entries) {
    IniFile::Batch batch(ini);
    for (int n = 0; n < entries; ++n) {
        history.AddDoc(Address(n), "name" + std::to_string(n), "", false);
    }
}

long ResidentKb() {
    long pages = 0;
    long resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(f);
    }
    return resident * 4;
}

// The start reads the settings file whole, then replays its first 1000 stored entries (the
// load examines no more) and writes the history back in one replace.
void BM_ScaleStartupLoad(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    test::TempDir folder;
    {
        IniFile ini(folder.File("defualt.ini"));
        StoredList recent;
        Fill(*MakeHistory(ini, recent), ini, entries);
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
// text and the recent list it fed), as the growth of this process's resident set.
void BM_ScaleResidentMemory(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    long grown = 0;
    for (auto _ : state) {
        test::TempDir folder;
        IniFile ini(folder.File("defualt.ini"));
        StoredList recent;
        const long before = ResidentKb();
        auto history = MakeHistory(ini, recent);
        Fill(*history, ini, entries);
        grown = ResidentKb() - before;
        benchmark::DoNotOptimize(history->Docs().size());
    }
    state.counters["resident_kB"] = static_cast<double>(grown);
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
    Fill(*history, ini, entries);
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
