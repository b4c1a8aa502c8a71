#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>

#include "store/doc_search.h"
#include "store/history.h"
#include "store/ini_file.h"
#include "store/stored_list.h"
#include "support/temp_dir.h"
#include "views/history_tree_model.h"
#include "views/search_box.h"

namespace qarvex {
namespace {

// Pages and folders, recorded as scan passes record them.
struct Docs {
    explicit Docs(int count) {
        history.BeginRecordingPass();
        for (int n = 0; n < count; ++n) {
            if (n % 2 == 0) {
                history.AddDoc(
                    "http://Host" + std::to_string(n % 97) + ".example/Page" + std::to_string(n),
                    "页面 Title " + std::to_string(n), "", false);
            } else {
                history.AddDoc("file:///home/u/Documents/Folder" + std::to_string(n % 53) + "/f" +
                                   std::to_string(n),
                               "f", "", false);
            }
        }
        history.EndRecordingPass();
    }

    test::TempDir dir;
    IniFile ini{dir.File("defualt.ini")};
    StoredList recent;
    History history{ini, recent, [] { return std::string("2026-12-09"); }, nullptr, "/home/u",
                    [](const std::string&) { return false; }};
};

// One keystroke: the whole history searched for the box's text, as it is typed.
void BM_SearchKeystroke(benchmark::State& state) {
    const Docs docs(static_cast<int>(state.range(0)));
    std::size_t lines = 0;
    for (auto _ : state) {
        const auto found = RankedMatches(docs.history, "  Folder1 ", "2026-12-09");
        lines = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["matches"] = static_cast<double>(lines);
}
BENCHMARK(BM_SearchKeystroke)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

QApplication& App() {
    static int argc = 1;
    static char name[] = "qarvex_ui_bench";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QApplication> app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        return std::make_unique<QApplication>(argc, argv);
    }();
    return *app;
}

// The same keystroke with the floating result list refilled, as the search box does, up to
// the list's first layout; the rest of a long list is laid out in batches between events.
void BM_SearchKeystrokeWithList(benchmark::State& state) {
    App();
    const Docs docs(static_cast<int>(state.range(0)));
    const TreeImageList images;
    QListWidget list;
    list.resize(600, 200);
    list.setLayoutMode(QListView::Batched);  // as the search box sets its list
    list.show();
    for (auto _ : state) {
        list.clear();
        SearchBox::FillRows(list, docs.history, images, "  Folder1 ");
        QCoreApplication::processEvents();
    }
    state.counters["matches"] = static_cast<double>(list.count());
}
BENCHMARK(BM_SearchKeystrokeWithList)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qarvex
