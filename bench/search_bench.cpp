#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>
#include <QStringList>

#include "store/doc_table.h"
#include "views/search_box.h"

namespace qarvex {
namespace {

DocTable MakeDocs(int count) {
    DocTable docs;
    docs.reserve(static_cast<std::size_t>(count));
    for (int n = 0; n < count; ++n) {
        TMyDoc doc;
        if (n % 2 == 0) {
            doc.DocType = dkWebPage;
            doc.Path = "http://Host" + std::to_string(n % 97) + ".example/Page" + std::to_string(n);
            doc.DisplayName = "页面 Title " + std::to_string(n);
        } else {
            doc.DocType = dkFolderOrFile;
            doc.Path =
                "/home/u/Documents/Folder" + std::to_string(n % 53) + "/f" + std::to_string(n);
            doc.DisplayName = doc.Path;
        }
        docs.push_back(std::move(doc));
    }
    return docs;
}

// One keystroke: the whole history searched for the box's text, as it is typed.
void BM_SearchKeystroke(benchmark::State& state) {
    const DocTable docs = MakeDocs(static_cast<int>(state.range(0)));
    std::size_t lines = 0;
    for (auto _ : state) {
        const auto found = SearchBox::MatchingLines(docs, "  Folder1 ");
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
    const DocTable docs = MakeDocs(static_cast<int>(state.range(0)));
    QListWidget list;
    list.resize(600, 200);
    list.setLayoutMode(QListView::Batched);  // as the search box sets its list
    list.show();
    for (auto _ : state) {
        list.clear();
        const auto found = SearchBox::MatchingLines(docs, "  Folder1 ");
        QStringList items;
        items.reserve(static_cast<qsizetype>(found.size()));
        for (const std::string& line : found) {
            items.push_back(QString::fromStdString(line));
        }
        list.addItems(items);
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
