#include <cstdio>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "store/day_groups.h"
#include "store/exclusions.h"

namespace qarvex {
namespace {

constexpr int kEntries = 1000;

// A list as a careful user might keep it: hosts, folders and programs.
std::vector<std::string> Rules(int count) {
    std::vector<std::string> lines;
    for (int n = 0; n < count; ++n) {
        switch (n % 3) {
            case 0:
                lines.push_back("*.host" + std::to_string(n) + ".example");
                break;
            case 1:
                lines.push_back("/home/u/private" + std::to_string(n));
                break;
            default:
                lines.push_back("program" + std::to_string(n));
                break;
        }
    }
    return lines;
}

// One scan's sightings checked against the list (none of them excluded, the usual case).
void BM_ExclusionsPerScan(benchmark::State& state) {
    const Exclusions rules(Rules(static_cast<int>(state.range(0))), "/home/u");
    std::vector<std::string> addresses;
    for (int n = 0; n < 40; ++n) {
        addresses.push_back(n % 2 ? "https://www.site" + std::to_string(n) + ".org/page"
                                  : "file:///home/u/work/folder" + std::to_string(n));
    }
    for (auto _ : state) {
        int hits = 0;
        for (const std::string& address : addresses) {
            hits += rules.MatchesSighting(address, "title", false) ? 1 : 0;
            hits += rules.MatchesSighting("/usr/bin/tool", "Tool", true) ? 1 : 0;
        }
        benchmark::DoNotOptimize(hits);
    }
}
BENCHMARK(BM_ExclusionsPerScan)->Arg(10)->Arg(100);

// Regrouping the whole history by day, as after midnight or a deletion.
void BM_DayTreeRebuild(benchmark::State& state) {
    DocTable docs(kEntries);
    for (int n = 0; n < kEntries; ++n) {
        TMyDoc& doc = docs[static_cast<std::size_t>(n)];
        doc.DocType = dkWebPage;
        doc.DisplayName = "page " + std::to_string(n);
        const int day = 1 + (n * 400 / kEntries);  // about 400 days, oldest first
        const int year = 2026 - (day > 365 ? 1 : 0);
        const int dayOfYear = day > 365 ? day - 365 : day;
        const int month = 1 + (dayOfYear - 1) / 31 % 12;
        const int dom = 1 + (dayOfYear - 1) % 28;
        char date[16];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", year, month, dom);
        doc.Date = date;
    }
    DayTree tree([] { return std::string("2026-12-09"); }, [](int) { return 2; });
    for (auto _ : state) {
        tree.Rebuild(docs);
        benchmark::DoNotOptimize(tree.Tree().TopLevelCount());
    }
}
BENCHMARK(BM_DayTreeRebuild);

}  // namespace
}  // namespace qarvex
