#include "views/day_view.h"

#include <gtest/gtest.h>

#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>

#include "store/history.h"
#include "support/qt/feature_fixture.h"
#include "support/qt/tree_probe.h"
#include "views/doc_trees.h"
#include "views/history_tree_model.h"
#include "views/skin_tab_bar.h"
#include "views/tree_views.h"

namespace qarvex {
namespace {

using test::Shown;

class DayViewTest : public test::FeatureFixture {
protected:
    void MakePart() override {
        views =
            new TreeViews(Trees(), Svc(),
                          {Pages(), Make<QLabel>("PnlHint"), Make<QListWidget>("LbSearchResult"),
                           Make<QToolButton>("BtnQVDeleteAllDocs"), BuildPmDocTree(&Window())},
                          Owner());
    }

    TreeViews* views = nullptr;
};

TEST_F(DayViewTest, GroupsByFirstDayFollowTheHistoryAndOpenLikeTheOtherTrees) {
    fakes.environment->SetToday("2027-01-01");
    History& history = Hist();
    DayView& day = Trees().Day();
    QTreeView* tree = Find<QTreeView>("TVQVDay");
    ASSERT_EQ(tree, day.Tree());
    EXPECT_EQ(Pages()->tabText(day.PageIndex()), QStringLiteral("按日期分类"));

    history.AddDoc("http://old.example/a.html", "旧页", "2026-11-30", false);
    history.AddDoc("http://eve.example/b.html", "除夕", "2026-12-31", false);
    history.AddDoc("http://new.example/c.html", "新页", "", false);
    EXPECT_EQ(Shown(tree), (std::vector<std::string>{"今天", "  新页", "昨天", "  除夕",
                                                     "2026年11月", "  旧页"}));
    const QModelIndex page = tree->model()->index(0, 0, tree->model()->index(0, 0));
    EXPECT_EQ(page.data(Qt::DecorationRole).value<QIcon>().cacheKey(),
              Svc().images.Icon(kImageWebPage).cacheKey());

    // Opening and the menus act on the entry behind the node.
    Pages()->setCurrentIndex(day.PageIndex());
    EXPECT_EQ(Trees().CurrentPage(), Page::Day);
    EXPECT_EQ(Trees().CurrentDocTree(), tree);
    tree->selectionModel()->setCurrentIndex(page, QItemSelectionModel::ClearAndSelect);
    fakes.shellOpen->ClearCalls();
    views->OpenSelectedNode();
    ASSERT_EQ(fakes.shellOpen->Calls().size(), 1U);
    EXPECT_EQ(Trees().SelectedDocIndexes(), std::vector<int>{2});

    // A deletion rebuilds the history; the day view catches up once, at the end.
    QSignalSpy resets(tree->model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(tree->model(), &QAbstractItemModel::rowsInserted);
    Trees().BulkHistoryChange([&history] { history.DeleteSelectDocs(0); });
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserts.count(), 0);
    EXPECT_EQ(Shown(tree), (std::vector<std::string>{"今天", "  新页", "昨天", "  除夕"}));

    // The load fills it again.
    Restart();
    EXPECT_EQ(Shown(Find<QTreeView>("TVQVDay")),
              (std::vector<std::string>{"今天", "  新页", "昨天", "  除夕"}));
}

}  // namespace
}  // namespace qarvex
