#include "views/day_view.h"

#include <functional>

#include <gtest/gtest.h>

#include <QIcon>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

#include "capture/openers.h"
#include "store/history.h"
#include "support/qt/main_window_fixture.h"
#include "views/history_tree_model.h"
#include "views/tree_views.h"

namespace qarvex {
namespace {

std::vector<std::string> Shown(const QTreeView* tree) {
    std::vector<std::string> out;
    const QAbstractItemModel* model = tree->model();
    std::function<void(const QModelIndex&, const std::string&)> walk =
        [&](const QModelIndex& parent, const std::string& indent) {
            for (int row = 0; row < model->rowCount(parent); ++row) {
                const QModelIndex index = model->index(row, 0, parent);
                out.push_back(indent + index.data().toString().toStdString());
                walk(index, indent + "  ");
            }
        };
    walk(QModelIndex(), "");
    return out;
}

using DayViewTest = test::MainWindowFixture;

TEST_F(DayViewTest, GroupsByFirstDayFollowTheHistoryAndOpenLikeTheOtherTrees) {
    fakes.environment->SetToday("2027-01-01");
    TFrmMain& main = Start();
    main.timerFirstRun()->stop();
    History& history = main.history();
    DayView* day = main.dayView();
    ASSERT_NE(day, nullptr);
    QTreeView* tree = Find<QTreeView>("TVQVDay");
    ASSERT_EQ(tree, day->Tree());
    EXPECT_EQ(Find<QTabWidget>("TVControl")->tabText(day->PageIndex()),
              QStringLiteral("按日期分类"));

    history.AddDoc("http://old.example/a.html", "旧页", "2026-11-30", false);
    history.AddDoc("http://eve.example/b.html", "除夕", "2026-12-31", false);
    history.AddDoc("http://new.example/c.html", "新页", "", false);
    EXPECT_EQ(Shown(tree), (std::vector<std::string>{"今天", "  新页", "昨天", "  除夕",
                                                     "2026年11月", "  旧页"}));
    const QModelIndex page = tree->model()->index(0, 0, tree->model()->index(0, 0));
    EXPECT_EQ(page.data(Qt::DecorationRole).value<QIcon>().cacheKey(),
              main.images().Icon(kImageWebPage).cacheKey());

    // Opening and the menus act on the entry behind the node.
    Find<QTabWidget>("TVControl")->setCurrentIndex(day->PageIndex());
    EXPECT_EQ(main.CurrentDocTree(), tree);
    tree->selectionModel()->setCurrentIndex(page, QItemSelectionModel::ClearAndSelect);
    fakes.shellOpen->ClearCalls();
    main.treeViews()->OpenSelectedNode();
    ASSERT_EQ(fakes.shellOpen->Calls().size(), 1U);
    EXPECT_EQ(main.treeViews()->SelectedDocIndexes(), std::vector<int>{2});

    // A deletion rebuilds the history; the day view catches up once, at the end.
    QSignalSpy resets(tree->model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(tree->model(), &QAbstractItemModel::rowsInserted);
    main.BulkHistoryChange([&history] { history.DeleteSelectDocs(0); });
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserts.count(), 0);
    EXPECT_EQ(Shown(tree), (std::vector<std::string>{"今天", "  新页", "昨天", "  除夕"}));

    // The page is remembered like any other, and the load fills it again.
    Restart();
    EXPECT_EQ(Find<QTabWidget>("TVControl")->currentIndex(), Main().dayView()->PageIndex());
    EXPECT_EQ(Shown(Find<QTreeView>("TVQVDay")),
              (std::vector<std::string>{"今天", "  新页", "昨天", "  除夕"}));
}

}  // namespace
}  // namespace qarvex
