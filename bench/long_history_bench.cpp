// The worst history the bounds allow: 100 000 entries with long names and addresses, a
// settings file close to its 48 MB bound. The start-up load, one keystroke of search, and
// one scan pass that records one page with the trees and their views attached, as in the
// running program.
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QTreeView>

#include "keystroke.h"
#include "store/day_groups.h"
#include "store/doc_search.h"
#include "store/docs_section.h"
#include "store/history.h"
#include "store/ini_file.h"
#include "store/stored_list.h"
#include "store/strings.h"
#include "support/temp_dir.h"
#include "views/history_tree_model.h"

namespace qarvex {
namespace {

constexpr int kEntries = 100000;

// Pages with tracking parameters and long titles, folders deep in a project tree, and a few
// programs: about 450 bytes an entry on disk.
struct LongEntry {
    std::string address;
    std::string name;
    std::string root;
    int kind;
};

LongEntry Entry(int n) {
    const std::string i = std::to_string(n);
    LongEntry e;
    switch (n % 20) {
        case 0:
            e.kind = dkSoftware;
            e.address = "/opt/tools/suite-" + std::to_string(n % 300) + "/bin/tool-" + i;
            e.name = "项目管理工具 Project Tool " + i + " - 工作区";
            break;
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6: {
            e.kind = dkFolderOrFile;
            const std::string folder = "项目资料" + std::to_string(n % 300);
            e.address = "file:///home/u/Documents/" + folder +
                        "/2026/客户/reports-and-presentations/quarterly/final/section-" + i;
            e.name = e.address;
            e.root = "/home/u/Documents";
            break;
        }
        default: {
            e.kind = dkWebPage;
            const std::string host = "www.news-site-" + std::to_string(n % 500) + ".example.com";
            e.address = "https://" + host + "/2026/12/09/world/section" + std::to_string(n % 10) +
                        "/a-very-long-article-slug-about-the-day-" + i +
                        "?utm_source=newsletter&utm_medium=email&utm_campaign=daily-" + i +
                        "&utm_content=top-story&ref=homepage";
            e.name = "红烧肉的做法与家常菜谱大全：一步一步教你做出好吃的红烧肉 | 美食频道 " + i;
            e.root = host;
            break;
        }
    }
    return e;
}

std::unique_ptr<History> MakeHistory(IniFile& ini, StoredList& recent);

// The settings file as the program writes it (recorded by scan passes of 2000 sightings),
// made once for the whole run.
const test::TempDir& StoredHistory() {
    static const std::unique_ptr<test::TempDir> folder = [] {
        auto dir = std::make_unique<test::TempDir>();
        IniFile ini(dir->File("defualt.ini"));
        StoredList recent;
        auto history = MakeHistory(ini, recent);
        for (int n = 0; n < kEntries; ++n) {
            if (n % 2000 == 0) {
                if (n > 0) {
                    history->EndRecordingPass();
                }
                history->BeginRecordingPass();
            }
            const LongEntry e = Entry(n);
            const std::string date =
                n % 2 == 0 ? "2026-11-20" : "2026-12-0" + std::to_string(1 + n % 9);
            history->AddDoc(e.address, e.name, date, e.kind == dkSoftware);
        }
        history->EndRecordingPass();
        return dir;
    }();
    return *folder;
}

std::unique_ptr<History> MakeHistory(IniFile& ini, StoredList& recent) {
    auto history = std::make_unique<History>(
        ini, recent, [] { return std::string("2026-12-09"); }, nullptr, "/home/u",
        [](const std::string&) { return false; });
    history->SetLimits({.maxDocs = 0, .maxFileBytes = kMaxHistoryFileBytes});
    return history;
}

long HeapInUseKb() {
    return static_cast<long>(mallinfo2().uordblks / 1024);
}

void BM_LongHistoryLoad(benchmark::State& state) {
    const test::TempDir& folder = StoredHistory();
    const std::string bytes = folder.Read("defualt.ini");
    std::size_t entries = 0;
    long heapKb = 0;
    for (auto _ : state) {
        const long before = HeapInUseKb();
        auto ini = std::make_unique<IniFile>(folder.File("defualt.ini"));
        auto recent = std::make_unique<StoredList>();
        auto history = MakeHistory(*ini, *recent);
        history->LoadHistory();
        entries = history->Docs().size();
        heapKb = HeapInUseKb() - before;
        state.PauseTiming();  // the program lets go of it only at exit
        history.reset();
        recent.reset();
        ini.reset();
        state.ResumeTiming();
    }
    state.counters["entries"] = static_cast<double>(entries);
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / (1024.0 * 1024.0);
    state.counters["heap_MB"] = static_cast<double>(heapKb) / 1024.0;
}
BENCHMARK(BM_LongHistoryLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

// The running program's side of the history: the four trees and the day view, each shown
// in a view, as the window has them.
struct LoadedWindow {
    LoadedWindow() : ini(StoredHistory().File("defualt.ini")) {
        history = MakeHistory(ini, recent);
        history->LoadHistory();
        day = std::make_unique<DayTree>([] { return std::string("2026-12-09"); },
                                        [](int) { return kImageWebPage; });
        day->Rebuild(history->Docs());
        history->SetDocsChangedHook([this](int added) {
            if (added == History::kDocsReplaced) {
                day->Rebuild(history->Docs());
            } else if (added >= 0) {
                day->Added(history->Docs(), added);
            }
        });
        HistoryTree* trees[] = {&history->TVDocs(), &history->TVDoc(), &history->TVApp(),
                                &history->TVPath(), &day->Tree()};
        for (HistoryTree* tree : trees) {
            views.push_back(std::make_unique<QTreeView>());
            models.push_back(std::make_unique<HistoryTreeModel>(*tree, images));
            models.back()->SetView(views.back().get());
            views.back()->resize(600, 400);
            views.back()->show();
        }
        // As the window does: a trim rebuilds the trees with the views looking away.
        history->SetBulkChangeHook([this](bool begins) {
            for (const auto& model : models) {
                if (begins) {
                    model->BeginBulkChange();
                } else {
                    model->EndBulkChange();
                }
            }
        });
        history->TVDocs().ExpandAll();
        QCoreApplication::processEvents();
    }

    QApplication& app = App();
    IniFile ini;
    StoredList recent;
    std::unique_ptr<History> history;
    std::unique_ptr<DayTree> day;
    TreeImageList images;
    std::vector<std::unique_ptr<QTreeView>> views;
    std::vector<std::unique_ptr<HistoryTreeModel>> models;
};

// One pass that finds one new page: recorded, shown in the trees, the settings file
// replaced once.
void BM_LongHistoryPassRecordingOnePage(benchmark::State& state) {
    LoadedWindow window;
    int n = 0;
    for (auto _ : state) {
        window.history->BeginRecordingPass();
        const std::string i = std::to_string(n++);
        window.history->AddDoc("https://www.news-site-7.example.com/new/" + i, "新的一页 " + i, "",
                               false);
        window.history->EndRecordingPass();
        QCoreApplication::processEvents();
    }
    state.counters["entries"] = static_cast<double>(window.history->Docs().size());
}
BENCHMARK(BM_LongHistoryPassRecordingOnePage)->Unit(benchmark::kMillisecond)->Iterations(10);

// The same pass at the count bound: the oldest 1% go, the rest is renumbered and the trees
// are rebuilt, once per 1% of growth.
void BM_LongHistoryPassThatTrims(benchmark::State& state) {
    LoadedWindow window;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        window.history->SetLimits(
            {.maxDocs = window.history->Docs().size(), .maxFileBytes = kMaxHistoryFileBytes});
        state.ResumeTiming();
        window.history->BeginRecordingPass();
        window.history->AddDoc("https://www.news-site-7.example.com/trim/" + std::to_string(n++),
                               "新的一页", "", false);
        window.history->EndRecordingPass();
        QCoreApplication::processEvents();
    }
    state.counters["entries"] = static_cast<double>(window.history->Docs().size());
}
BENCHMARK(BM_LongHistoryPassThatTrims)->Unit(benchmark::kMillisecond)->Iterations(2);

// The same load with names left without their pinyin forms, as the load was before them.
void BM_LongHistoryLoadWithoutPinyin(benchmark::State& state) {
    const test::TempDir& folder = StoredHistory();
    for (auto _ : state) {
        auto ini = std::make_unique<IniFile>(folder.File("defualt.ini"));
        auto recent = std::make_unique<StoredList>();
        auto history = MakeHistory(*ini, *recent);
        history->SetPinyinIndexing(false);
        history->LoadHistory();
        state.PauseTiming();
        history.reset();
        recent.reset();
        ini.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LongHistoryLoadWithoutPinyin)->Unit(benchmark::kMillisecond)->Iterations(3);

// The stored history, loaded.
struct LoadedHistory {
    LoadedHistory() : ini(StoredHistory().File("defualt.ini")) {
        history = MakeHistory(ini, recent);
        history->LoadHistory();
    }
    IniFile ini;
    StoredList recent;
    std::unique_ptr<History> history;
};

// The ranked search alone, without the list.
void BM_LongHistorySearchAlone(benchmark::State& state, const char* typed) {
    const LoadedHistory loaded;
    const DocSearchIndex& index = loaded.history->SearchIndex();
    std::size_t matches = 0;
    for (auto _ : state) {
        const std::vector<int> found = RankedMatches(*loaded.history, typed, "2026-12-09");
        matches = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["matches"] = static_cast<double>(matches);
    state.counters["pinyin_MB"] = static_cast<double>(index.PinyinBytes()) / (1024.0 * 1024.0);
    state.counters["text_MB"] = static_cast<double>(index.TextBytes()) / (1024.0 * 1024.0);
}

// The search as it was: two lower-cased copies per entry, substrings only, table order.
void BM_LongHistorySearchUnranked(benchmark::State& state) {
    const LoadedHistory loaded;
    const DocTable& docs = loaded.history->Docs();
    std::size_t matches = 0;
    for (auto _ : state) {
        std::vector<int> found;
        const std::string keyword = AsciiLower(Trim("  section3 "));
        for (std::size_t n = 0; n < docs.size(); ++n) {
            if (Contains(AsciiLower(docs[n].Path), keyword) ||
                Contains(AsciiLower(docs[n].DisplayName), keyword)) {
                found.push_back(static_cast<int>(n));
            }
        }
        matches = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["matches"] = static_cast<double>(matches);
}
BENCHMARK(BM_LongHistorySearchUnranked)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongHistorySearchAlone, latin, "  section3 ")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongHistorySearchAlone, initials, "hsr")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongHistorySearchAlone, few, "xiangmuguanli")->Unit(benchmark::kMillisecond);

// One keystroke: the ranked search and the result list refilled, up to its first layout.
// Typed: a Latin word of the addresses, pinyin syllables and initials of the page names,
// and the pinyin of the program names only.
void BM_LongHistorySearchKeystroke(benchmark::State& state, const char* typed) {
    App();
    const LoadedHistory loaded;
    MeasureKeystrokeWithList(state, *loaded.history, typed);
}
BENCHMARK_CAPTURE(BM_LongHistorySearchKeystroke, latin, "  section3 ")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongHistorySearchKeystroke, syllables, "hongshaorou")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongHistorySearchKeystroke, initials, "hsr")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LongHistorySearchKeystroke, few, "xiangmuguanli")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qarvex
