#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "store/history.h"
#include "store/history_tree.h"
#include "store/ini_file.h"
#include "store/stored_list.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

constexpr int kEntries = 1000;

using ScratchFolder = qarvex::test::TempDir;

// A mix of the three kinds, spread over many groups the way a long-used history is.
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

std::unique_ptr<History> MakeHistory(IniFile& ini, StoredList& recent, bool useIndex) {
    auto history = std::make_unique<History>(
        ini, recent, [] { return std::string("2026-01-01"); }, nullptr, "/home/u",
        [](const std::string&) { return false; });
    history->SetUseIndex(useIndex);
    return history;
}

void Fill(History& history, IniFile& ini) {
    IniFile::Batch batch(ini);
    for (int n = 0; n < kEntries; ++n) {
        history.AddDoc(Address(n), "name" + std::to_string(n), "", false);
    }
}

// The settings writes are batched so that the figures show the table and tree work, not
// the disk.
void BM_AddDoc1000(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        ScratchFolder folder;
        IniFile ini(folder.File("defualt.ini"));
        StoredList recent;
        auto history = MakeHistory(ini, recent, state.range(0) != 0);
        state.ResumeTiming();
        Fill(*history, ini);
        benchmark::DoNotOptimize(history->Docs().size());
    }
}
BENCHMARK(BM_AddDoc1000)->ArgName("index")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LoadHistory1000(benchmark::State& state) {
    ScratchFolder folder;
    IniFile ini(folder.File("defualt.ini"));
    {
        StoredList recent;
        auto seed = MakeHistory(ini, recent, true);
        Fill(*seed, ini);
    }
    for (auto _ : state) {
        StoredList recent;
        auto history = MakeHistory(ini, recent, state.range(0) != 0);
        history->LoadHistory();
        benchmark::DoNotOptimize(history->Docs().size());
    }
}
BENCHMARK(BM_LoadHistory1000)->ArgName("index")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DeleteSelectDocs1000(benchmark::State& state) {
    ScratchFolder folder;
    IniFile ini(folder.File("defualt.ini"));
    StoredList recent;
    auto history = MakeHistory(ini, recent, state.range(0) != 0);
    Fill(*history, ini);
    int next = kEntries;
    for (auto _ : state) {
        history->DeleteSelectDocs(0);
        state.PauseTiming();
        history->AddDoc(Address(next), "name", "", false);
        ++next;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteSelectDocs1000)->ArgName("index")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The group lookup of the add routine looks at top-level nodes only; the full walk is the
// plain variant that also visits every child.
void BM_FindGroup1000(benchmark::State& state) {
    HistoryTree tree;
    for (int n = 0; n < kEntries; ++n) {
        HistoryNode* group = tree.InsertFirst("host" + std::to_string(n), 2, n);
        tree.AppendChild(group, "page" + std::to_string(n), 2, n);
    }
    const std::string oldest = "HOST0";
    const bool topLevelOnly = state.range(0) != 0;
    for (auto _ : state) {
        HistoryNode* found = topLevelOnly ? FindTopLevelByText(tree, oldest, false)
                                          : FindNodeByText(tree, oldest, false);
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_FindGroup1000)->ArgName("toplevel")->Arg(0)->Arg(1);

}  // namespace
}  // namespace qarvex
