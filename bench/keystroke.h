#pragma once

#include <memory>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QListWidget>

#include "store/history.h"
#include "views/history_tree_model.h"
#include "views/search_box.h"

namespace qarvex {

// The one application object of the widget benches, offscreen unless a platform is asked for.
inline QApplication& App() {
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

// One keystroke as the search box takes it: the ranked search and the result list refilled,
// up to the list's first layout (the rest is laid out in batches between events). The
// application object must exist.
inline void MeasureKeystrokeWithList(benchmark::State& state, const History& history,
                                     const char* typed) {
    const TreeImageList images;
    QListWidget list;
    list.resize(600, 200);
    list.setLayoutMode(QListView::Batched);  // as the search box sets its list
    list.show();
    for (auto _ : state) {
        list.clear();
        SearchBox::FillRows(list, history, images, typed);
        QCoreApplication::processEvents();
    }
    state.counters["matches"] = static_cast<double>(list.count());
}

}  // namespace qarvex
