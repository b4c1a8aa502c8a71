// The history shared through a synced folder: ten other machines of 20 000 entries each,
// read at start (one Refresh of a fresh view), beside the floor, reading the ten files'
// bytes alone, and the decode alone; then one search keystroke over all of them and a
// local history of 20 000 entries.
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "store/atomic_file.h"
#include "store/doc_search.h"
#include "store/sync_folder.h"
#include "store/text_codec.h"
#include "support/temp_dir.h"

namespace qarvex {
namespace {

constexpr int kMachines = 10;
constexpr int kEntries = 20000;
constexpr const char* kToday = "2026-12-09";

constexpr std::array<const char*, 12> kWords = {"项目", "计划", "报告", "会议", "记录", "财务",
                                                "预算", "设计", "笔记", "合同", "旅行", "照片"};

std::string Day(int n) {
    return "2026-" + std::to_string(10 + n % 3) + "-1" + std::to_string(n % 10);
}

// A mix as a long-used history holds it: web pages with their titles (some pages on every
// machine), documents and folders with Chinese names, programs.
SharedEntry MakeEntry(int machine, int n) {
    SharedEntry e;
    e.firstDay = Day(n);
    e.lastUsed = Day(n + 7);
    e.count = n % 13;
    const std::string id = std::to_string(machine) + "-" + std::to_string(n);
    switch (n % 10) {
        case 0:  // read on every machine
            e.kind = dkWebPage;
            e.address = "https://news.example.com/2026/12/story-" + std::to_string(n % 4000);
            e.name = "Story " + std::to_string(n % 4000) + " - Example News";
            e.group = "网页";
            break;
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
            e.kind = dkWebPage;
            e.address = "https://docs.host" + std::to_string(n % 300) +
                        ".example.org/guide/section-" + id + "?lang=en#configuration";
            e.name = "Configuring widget " + id + " | Host " + std::to_string(n % 300) + " Docs";
            e.group = "网页";
            break;
        case 6:
        case 7:
        case 8: {
            const std::string name = std::string(kWords[static_cast<std::size_t>(n % 12)]) +
                                     kWords[static_cast<std::size_t>((n / 12) % 12)] + " " + id;
            e.kind = dkFolderOrFile;
            e.address = "/home/u/文档/" + std::string(kWords[static_cast<std::size_t>(n % 7)]) +
                        "/" + name + ".odt";
            e.name = name;
            e.group = "/home/u/文档";
            break;
        }
        default:
            e.kind = dkSoftware;
            e.address = "/opt/tools/program" + std::to_string(n % 500) + "/bin/tool-" + id;
            e.name = "Tool " + id;
            e.group = "程序";
            break;
    }
    return e;
}

// The folder, written once per run: ten machines' files; and this machine's own history.
struct SharedFolder {
    SharedFolder() {
        for (int m = 0; m < kMachines; ++m) {
            MachineShard shard;
            shard.syncId = NewSyncId();
            shard.machineName = "machine-" + std::to_string(m);
            shard.written = 1765286400 + m;
            shard.entries.reserve(kEntries);
            for (int n = 0; n < kEntries; ++n) {
                shard.entries.push_back(MakeEntry(m, n));
            }
            const std::string path = dir.File(ShardFileName(shard.syncId));
            WriteFileAtomic(path, FormatShard(shard));
            files.push_back(path);
        }
        local.reserve(kEntries);
        for (int n = 0; n < kEntries; ++n) {
            local.push_back(DocOfShared(MakeEntry(kMachines, n)));
        }
    }
    SyncIdentity Self() const { return {dir.Path(), "here", NewSyncId()}; }

    test::TempDir dir;
    std::vector<std::string> files;
    DocTable local;
};

SharedFolder& Folder() {
    static SharedFolder folder;
    return folder;
}

void BM_SyncStartReadBytes(benchmark::State& state) {
    SharedFolder& folder = Folder();
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (const std::string& file : folder.files) {
            bytes += ReadFileBytes(file)->size();
        }
        benchmark::DoNotOptimize(bytes);
        state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    }
}
BENCHMARK(BM_SyncStartReadBytes)->Unit(benchmark::kMillisecond);

void BM_SyncStartDecode(benchmark::State& state) {
    SharedFolder& folder = Folder();
    for (auto _ : state) {
        std::size_t size = 0;
        for (const std::string& file : folder.files) {
            size += DecodeStoredText(*ReadFileBytes(file)).size();
        }
        benchmark::DoNotOptimize(size);
    }
}
BENCHMARK(BM_SyncStartDecode)->Unit(benchmark::kMillisecond);

void BM_SyncStartParse(benchmark::State& state) {
    SharedFolder& folder = Folder();
    for (auto _ : state) {
        // All ten kept, as the view keeps them: a shard freed before the next is parsed
        // has the allocator give its pages back and fault them in again.
        std::vector<MachineShard> shards(folder.files.size());
        for (std::size_t n = 0; n < folder.files.size(); ++n) {
            ParseShard(*ReadFileBytes(folder.files[n]), shards[n]);
        }
        benchmark::DoNotOptimize(shards.back().entries.size());
    }
}
BENCHMARK(BM_SyncStartParse)->Unit(benchmark::kMillisecond);

// The whole start: every file read, parsed and merged against the local history, the
// search index of the merged view built.
void BM_SyncStartRefresh(benchmark::State& state) {
    SharedFolder& folder = Folder();
    for (auto _ : state) {
        SyncFolder view(folder.Self());
        view.Refresh(folder.local);
        benchmark::DoNotOptimize(view.Remote().Size());
        state.counters["entries"] = static_cast<double>(view.Remote().Size());
    }
}
BENCHMARK(BM_SyncStartRefresh)->Unit(benchmark::kMillisecond);

// A pass with nothing changed in the folder: one stat per file and the local check.
void BM_SyncIdleRefresh(benchmark::State& state) {
    SharedFolder& folder = Folder();
    SyncFolder view(folder.Self());
    view.Refresh(folder.local);
    for (auto _ : state) {
        benchmark::DoNotOptimize(view.Refresh(folder.local));
    }
}
BENCHMARK(BM_SyncIdleRefresh)->Unit(benchmark::kMillisecond);

// Another machine wrote its file again (after its pass): that file read, the view rebuilt.
void BM_SyncOneMachineWrote(benchmark::State& state) {
    SharedFolder& folder = Folder();
    SyncFolder view(folder.Self());
    view.Refresh(folder.local);
    const std::string bytes = *ReadFileBytes(folder.files.front());
    for (auto _ : state) {
        state.PauseTiming();
        WriteFileAtomic(folder.files.front(), bytes);
        state.ResumeTiming();
        benchmark::DoNotOptimize(view.Refresh(folder.local));
    }
}
BENCHMARK(BM_SyncOneMachineWrote)->Unit(benchmark::kMillisecond);

// One keystroke: the ranked search over the local history and over the merged view.
void BM_SyncKeystroke(benchmark::State& state, const char* typed) {
    SharedFolder& folder = Folder();
    SyncFolder view(folder.Self());
    view.Refresh(folder.local);
    DocSearchIndex localIndex;
    for (const TMyDoc& doc : folder.local) {
        localIndex.Add(doc);
    }
    for (auto _ : state) {
        const auto here = RankedMatches(folder.local, localIndex, typed, kToday);
        const auto there =
            RankedMatches(view.Remote().Docs(), view.Remote().SearchIndex(), typed, kToday);
        benchmark::DoNotOptimize(here.size() + there.size());
        state.counters["matches"] = static_cast<double>(here.size() + there.size());
    }
}
BENCHMARK_CAPTURE(BM_SyncKeystroke, widget, "widget 3-1")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SyncKeystroke, pinyin, "xiangmu")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SyncKeystroke, initials, "xmjh")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SyncKeystroke, one_letter, "s")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qarvex
