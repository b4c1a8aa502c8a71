#include "views/tree_views.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include "store/app_state.h"
#include "store/docs_section.h"
#include "store/history.h"
#include "store/ini_file.h"
#include "store/list_file.h"
#include "support/qt/feature_fixture.h"
#include "support/qt/tree_probe.h"
#include "views/doc_trees.h"
#include "views/history_tree_model.h"
#include "views/popup_menus.h"
#include "views/skin_tab_bar.h"

namespace qarvex {
namespace {

constexpr int kPageWeb = 0;
constexpr int kPageSoftware = 1;
constexpr int kPageFolders = 2;
constexpr int kPageSystem = 5;

using test::FindShown;
using test::OnLabel;
using test::Shown;

class TreeViewsTest : public test::FeatureFixture {
protected:
    void MakePart() override {
        menu = BuildPmDocTree(&Window());
        part = new TreeViews(Trees(), Svc(),
                             {Pages(), Make<QLabel>("PnlHint"), Make<QListWidget>("LbSearchResult"),
                              Make<QToolButton>("BtnQVDeleteAllDocs"), menu},
                             Owner());
    }

    void SetUp() override { Start(); }

    // The window is shown so the views lay out their rows.
    void Open(int page) {
        Window().show();
        Pages()->setCurrentIndex(page);
        QCoreApplication::processEvents();
        Trees().ExpandCurrentTree();
    }

    QTreeView* Tree(const char* name) { return Find<QTreeView>(name); }
    QLabel* Hint() { return Find<QLabel>("PnlHint"); }

    void Record(const std::string& address, const std::string& name, bool software = false,
                const std::string& date = "") {
        Hist().AddDoc(address, name, date, software);
    }

    // A folder below the fake home, so that its entries group by their first folder.
    std::string HomeFolder(const std::string& name) {
        const std::string path = files.Path() + "/" + name;
        std::filesystem::create_directories(path);
        return path;
    }

    // An existing program file below the fake home.
    std::string Program(const std::string& name) {
        const std::string dir = HomeFolder("bin");
        files.Write("bin/" + name, "#!/bin/sh\n");
        return dir + "/" + name;
    }

    void Select(QTreeView* tree, const std::vector<std::string>& captions) {
        test::SelectShown(tree, captions);
    }

    void MoveMouse(QTreeView* tree, const QPoint& pos) {
        QMouseEvent move(QEvent::MouseMove, pos, tree->viewport()->mapToGlobal(pos), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(tree->viewport(), &move);
    }

    std::string Caption(const HistoryNode* node) { return node ? node->Caption() : "(none)"; }

    DocTreeMenu menu;
    TreeViews* part = nullptr;
};

TEST_F(TreeViewsTest, GroupsStandNewestFirstAndChildrenOldestFirstAcrossARestart) {
    const std::string docs = HomeFolder("Docs");
    Start();
    Record("http://site-a/one.html", "One");
    Record("http://site-a/two.html", "Two");
    Record("file://" + docs + "/r.txt", "r");
    Record("http://site-b/x.html", "X");
    Record("http://site-a/three.html", "Three");

    const std::vector<std::string> web = {"site-b", "  X", "site-a", "  One", "  Two", "  Three"};
    const std::vector<std::string> folders = {docs, "  " + docs + "/r.txt"};
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run == 0 ? "as recorded" : "after a restart");
        EXPECT_EQ(Shown(Tree("TVDoc")), web);
        EXPECT_EQ(Shown(Tree("TVPath")), folders);
        EXPECT_EQ(Shown(Tree("TVDocs")),
                  (std::vector<std::string>{"site-b", "  X", docs, "  " + docs + "/r.txt", "site-a",
                                            "  One", "  Two", "  Three"}));
        Restart();
    }
}

TEST_F(TreeViewsTest, HoverHintShowsTheOpenTargetOncePerNodeAndOnlyOverIconOrLabel) {
    const std::string docs = HomeFolder("Docs");
    Start();
    Record("http://site-a/one.html", "One");
    Record("http://site-b/x.html", "Page X");
    Record("file://" + docs + "/r.txt", "r");
    Open(kPageWeb);
    QTreeView* web = Tree("TVDoc");
    const QModelIndex one = FindShown(web, "One");
    const QModelIndex siteB = FindShown(web, "site-b");
    ASSERT_TRUE(one.isValid() && siteB.isValid());

    // A web page shows its address, not its title, and says it once while the mouse
    // stays on that node.
    MoveMouse(web, OnLabel(web, one));
    EXPECT_EQ(Hint()->text().toStdString(), "http://site-a/one.html");
    EXPECT_EQ(web->toolTip().toStdString(), "http://site-a/one.html");
    Hint()->setText("untouched");
    MoveMouse(web, OnLabel(web, one) + QPoint(3, 0));
    EXPECT_EQ(Hint()->text().toStdString(), "untouched");

    // Over the expand arrow, past the caption or below every row: no hint, and the node
    // the hint belongs to stays the same.
    const QRect groupRect = web->visualRect(siteB);
    const QRect oneRect = web->visualRect(one);
    for (const QPoint pos :
         {QPoint(groupRect.left() - web->indentation() / 2, groupRect.center().y()),
          QPoint(oneRect.right() - 3, oneRect.center().y()),
          QPoint(10, web->viewport()->height() - 3)}) {
        MoveMouse(web, pos);
        EXPECT_EQ(Hint()->text().toStdString(), "untouched") << pos.x() << "," << pos.y();
        EXPECT_EQ(Caption(part->LastHoveredNode()), "One");
    }

    // The group node gives the address of the entry that made the group.
    MoveMouse(web, OnLabel(web, siteB));
    EXPECT_EQ(Hint()->text().toStdString(), "http://site-b/x.html");
    EXPECT_EQ(Caption(part->LastHoveredNode()), "site-b");

    // A folder entry shows its local path.
    Find<QTabWidget>("TVControl")->setCurrentIndex(kPageFolders);
    QTreeView* folders = Tree("TVPath");
    folders->expandAll();
    const QModelIndex file = FindShown(folders, docs + "/r.txt");
    ASSERT_TRUE(file.isValid());
    MoveMouse(folders, OnLabel(folders, file));
    EXPECT_EQ(Hint()->text().toStdString(), docs + "/r.txt");
}

TEST_F(TreeViewsTest, HoveredNodeIsForgottenWhenItsNodeIsRemoved) {
    Start();
    Record("http://site-a/one.html", "One");
    Open(kPageWeb);
    QTreeView* web = Tree("TVDoc");
    const QPoint pos = OnLabel(web, FindShown(web, "One"));
    MoveMouse(web, pos);
    ASSERT_EQ(Caption(part->LastHoveredNode()), "One");

    Hist().DeleteAllDocs();
    EXPECT_EQ(part->LastHoveredNode(), nullptr);
    Record("http://site-c/new.html", "New");
    Trees().ExpandCurrentTree();
    Hint()->clear();
    // A new node in the old node's place is a different node: the hint follows it.
    MoveMouse(web, OnLabel(web, FindShown(web, "New")));
    EXPECT_EQ(Hint()->text().toStdString(), "http://site-c/new.html");
}

TEST_F(TreeViewsTest, DeleteKeyHidesTheSelectedNodesFromThatTreeOnlyUntilTheNextStart) {
    Start();
    Record("http://site-a/one.html", "One");
    Record("http://site-a/two.html", "Two");
    Record("http://site-b/x.html", "X");
    Record("http://site-c/y.html", "Y");
    Open(kPageWeb);
    QTreeView* web = Tree("TVDoc");
    const auto allDocs = Shown(Tree("TVDocs"));
    const std::string storedBefore = ReadConfigFile("defualt.ini");

    Select(web, {"One", "X", "site-c"});
    QTest::keyClick(web, Qt::Key_Delete);

    EXPECT_EQ(Shown(web), (std::vector<std::string>{"site-b", "site-a", "  Two"}));
    EXPECT_EQ(Shown(Tree("TVDocs")), allDocs);
    EXPECT_EQ(Hist().Docs().size(), 4u);
    EXPECT_EQ(ReadConfigFile("defualt.ini"), storedBefore);

    Restart();
    EXPECT_EQ(Shown(Tree("TVDoc")), (std::vector<std::string>{"site-c", "  Y", "site-b", "  X",
                                                              "site-a", "  One", "  Two"}));
}

TEST_F(TreeViewsTest, DeleteKeyWithAGroupAndItsChildSelectedRemovesTheGroupOnce) {
    Start();
    Record("http://site-a/one.html", "One");
    Record("http://site-a/two.html", "Two");
    Record("http://site-b/x.html", "X");
    Open(kPageWeb);
    QTreeView* web = Tree("TVDoc");
    // The group is marked first, so its children come after it in the selection.
    Select(web, {"site-a", "Two", "One"});
    QTest::keyClick(web, Qt::Key_Delete);
    EXPECT_EQ(Shown(web), (std::vector<std::string>{"site-b", "  X"}));
}

TEST_F(TreeViewsTest, RightPressSelectsTheNodeUnderItAndLeavesTheSelectionElsewhere) {
    Start();
    Record("http://site-a/one.html", "One");
    Record("http://site-a/two.html", "Two");
    Record("http://site-b/x.html", "X");
    Open(kPageWeb);
    QTreeView* web = Tree("TVDoc");

    Select(web, {"One"});
    const QPoint emptySpace(10, web->viewport()->height() - 3);
    ASSERT_FALSE(web->indexAt(emptySpace).isValid());
    QTest::mouseClick(web->viewport(), Qt::RightButton, {}, emptySpace);
    EXPECT_EQ(Caption(Trees().SelectedNode(web)), "One");
    EXPECT_EQ(web->selectionModel()->selectedIndexes().size(), 1);

    // The menu then acts on the selection that was kept.
    menu.MnDeleteSelected->trigger();
    EXPECT_EQ(Shown(web), (std::vector<std::string>{"site-b", "  X", "site-a", "  Two"}));

    Trees().ExpandCurrentTree();
    Select(web, {"Two"});
    QTest::mouseClick(web->viewport(), Qt::RightButton, {}, OnLabel(web, FindShown(web, "X")));
    EXPECT_EQ(Caption(Trees().SelectedNode(web)), "X");
    EXPECT_EQ(web->selectionModel()->selectedIndexes().size(), 1);
}

TEST_F(TreeViewsTest, MenuActsOnTheFocusedNodeOrElseTheFirstMarkedOne) {
    Start();
    Record("http://site-a/one.html", "One");
    Record("http://site-a/two.html", "Two");
    Record("http://site-a/three.html", "Three");
    Open(kPageWeb);
    QTreeView* web = Tree("TVDoc");
    // Ctrl-clicking "Three" again unmarks it but leaves it the focused node.
    Select(web, {"Two", "One", "Three", "Three"});
    ASSERT_EQ(Caption(Trees().SelectedNode(web)), "Two");
    menu.MnDeleteSelected->trigger();
    Trees().ExpandCurrentTree();
    EXPECT_EQ(Shown(web), (std::vector<std::string>{"site-a", "  One", "  Three"}));
}

TEST_F(TreeViewsTest, FolderCommandIsOfferedForProgramsOnly) {
    const std::string editor = Program("editor");
    const std::string docs = HomeFolder("Docs");
    Start();
    Record("http://site-a/one.html", "One");
    Record(editor, "Editor", true);
    Record("file://" + docs + "/r.txt", "r");

    struct Case {
        int page;
        const char* tree;
        std::string caption;  // empty: nothing selected
        bool shown;
    };
    const std::vector<Case> cases = {
        {kPageSoftware, "TVApp", "Editor", true},         {kPageWeb, "TVDoc", "One", false},
        {kPageFolders, "TVPath", docs + "/r.txt", false}, {kPageSoftware, "TVApp", "", false},
        {kPageSystem, "TVApp", "Editor", false},  // no history tree on that page
    };
    QAction* openDir = menu.MnOpenDIr;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.page) + " " + c.caption);
        Open(c.page == kPageSystem ? kPageSoftware : c.page);
        QTreeView* tree = Tree(c.tree);
        tree->expandAll();
        if (c.caption.empty()) {
            tree->selectionModel()->clear();
        } else {
            Select(tree, {c.caption});
        }
        Find<QTabWidget>("TVControl")->setCurrentIndex(c.page);
        openDir->setVisible(!c.shown);
        emit menu.PmDocTree->aboutToShow();
        EXPECT_EQ(openDir->isVisible(), c.shown);
    }
}

TEST_F(TreeViewsTest, OpenFolderOpensTheProgramsFolder) {
    const std::string editor = Program("editor");
    Start();
    Record(editor, "Editor", true);
    Open(kPageSoftware);
    Select(Tree("TVApp"), {"Editor"});
    menu.MnOpenDIr->trigger();
    EXPECT_EQ(fakes.shellOpen->Calls(),
              (std::vector<ShellOpenCall>{ShellOpenCall::MakeOpen(files.Path() + "/bin/")}));
    EXPECT_EQ(Hint()->text().toStdString(), editor);
}

TEST_F(TreeViewsTest, DeleteSelectedRebuildsKeepingGroupsAndDates) {
    const std::string docs = HomeFolder("Docs");
    Start();
    Record("http://site-a/one.html", "One", false, "2020-01-01");
    Record("http://site-a/two.html", "Two", false, "2020-01-02");
    Record("file://" + docs + "/r.txt", "r", false, "2020-01-03");
    Record("http://site-a/three.html", "Three", false, "2020-01-04");
    Open(kPageWeb);
    QTreeView* web = Tree("TVDoc");

    // Three marked, the focused one last: only that one goes.
    Select(web, {"One", "Three", "Two"});
    menu.MnDeleteSelected->trigger();
    Trees().ExpandCurrentTree();

    EXPECT_EQ(Shown(web), (std::vector<std::string>{"site-a", "  One", "  Three"}));
    EXPECT_EQ(Shown(Tree("TVPath")), (std::vector<std::string>{docs, "  " + docs + "/r.txt"}));
    std::vector<std::string> dates;
    std::vector<int> kinds;
    for (const TMyDoc& doc : Hist().Docs()) {
        dates.push_back(doc.Date);
        kinds.push_back(doc.DocType);
    }
    EXPECT_EQ(dates, (std::vector<std::string>{"2020-01-01", "2020-01-03", "2020-01-04"}));
    EXPECT_EQ(kinds, (std::vector<int>{dkWebPage, dkFolderOrFile, dkWebPage}));
    EXPECT_TRUE(scanTimerOn);
}

TEST_F(TreeViewsTest, DeleteAllEmptiesEverythingAndLeavesTheScanTimerOn) {
    struct Case {
        const char* how;
        bool recordFirst;
        std::function<void()> run;
    };
    const std::vector<Case> cases = {
        {"settings button", true, [this] { Find<QToolButton>("BtnQVDeleteAllDocs")->click(); }},
        {"tree menu", true, [this] { menu.MnDeleteAllDocs->trigger(); }},
        {"tree menu, nothing recorded", false, [this] { menu.MnDeleteAllDocs->trigger(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        Stop();
        std::filesystem::remove_all(ConfigDir());
        Open(kPageWeb);
        if (c.recordFirst) {
            Record("http://site-a/one.html", "One");
            Record(Program("editor"), "Editor", true);
        }
        AddMyLove(State().FavList(), "http://fav/", "Fav");
        scanTimerOn = false;

        // Answering no keeps everything; only yes deletes.
        messages.asked.clear();
        messages.answer = false;
        c.run();
        ASSERT_EQ(messages.asked.size(), 1u);
        EXPECT_EQ(messages.asked[0].text, "确定要删除所有历史文档吗?");
        EXPECT_EQ(Hist().Docs().size(), c.recordFirst ? 2u : 0u);
        messages.answer = true;
        c.run();

        for (const char* name : {"TVDocs", "TVDoc", "TVApp", "TVPath"}) {
            EXPECT_TRUE(Shown(Tree(name)).empty()) << name;
        }
        EXPECT_TRUE(Hist().Docs().empty());
        EXPECT_EQ(State().RecentList().LineCount(), 0);
        EXPECT_EQ(State().FavList().LineCount(), 1);
        EXPECT_FALSE(IniFile(ConfigFile("defualt.ini")).SectionExists(kDocsSection));
        EXPECT_TRUE(scanTimerOn);
    }
}

TEST_F(TreeViewsTest, EnterSpaceAndDoubleClickOpenTheSelectedEntryThroughTheShell) {
    const std::string docs = HomeFolder("Docs");
    Start();
    Record("http://site-a/", "A home");
    Record("http://site-a/one.html", "One");
    Record("file://" + docs, "Docs");

    struct Case {
        const char* how;
        int page;
        const char* tree;
        std::string caption;
        std::string target;
    };
    const std::vector<Case> cases = {
        {"enter", kPageWeb, "TVDoc", "One", "http://site-a/one.html"},
        // A group node opens the entry that made it, under the host's name.
        {"space", kPageWeb, "TVDoc", "site-a", "http://site-a/"},
        {"double-click", kPageFolders, "TVPath", docs, docs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        Open(c.page);
        QTreeView* tree = Tree(c.tree);
        Select(tree, {c.caption});
        fakes.shellOpen->ClearCalls();
        State().RecentList().Clear();
        const QPoint pos = OnLabel(tree, FindShown(tree, c.caption));
        if (std::string(c.how) == "enter") {
            QTest::keyClick(tree, Qt::Key_Return);
        } else if (std::string(c.how) == "space") {
            QTest::keyClick(tree, Qt::Key_Space);
        } else {
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, pos);
        }
        EXPECT_EQ(fakes.shellOpen->Calls(),
                  (std::vector<ShellOpenCall>{ShellOpenCall::MakeOpen(c.target)}));
        EXPECT_EQ(State().RecentList().Lines(),
                  (std::vector<std::string>{MakeListLine(c.target, c.caption)}));
        EXPECT_EQ(Hint()->text().toStdString(), c.target);
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST_F(TreeViewsTest, CommandsWithoutASelectedEntryDoNothing) {
    Start();
    Record("http://site-a/one.html", "One");
    Record(Program("editor"), "Editor", true);
    for (const int page : {kPageWeb, kPageSystem}) {
        SCOPED_TRACE(page);
        Open(page);
        if (page != kPageSystem) {
            Tree("TVDoc")->selectionModel()->clear();
        } else {
            Select(Tree("TVDoc"), {"One"});  // selected, but not on the active page
            Find<QTabWidget>("TVControl")->setCurrentIndex(kPageSystem);
        }
        fakes.shellOpen->ClearCalls();

        QTest::keyClick(Tree("TVDoc"), Qt::Key_Return);
        part->OpenSelectedNode();
        menu.MnOpenDIr->trigger();
        menu.MnDeleteSelected->trigger();

        EXPECT_TRUE(fakes.shellOpen->Calls().empty());
        EXPECT_EQ(Hist().Docs().size(), 2u);
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST_F(TreeViewsTest, ExpandAllTogglesTheThreeGroupedTrees) {
    const std::string docs = HomeFolder("Docs");
    Start();
    Record("http://site-a/one.html", "One");
    Record("file://" + docs + "/r.txt", "r");
    Open(kPageWeb);
    QAction* expandAll = menu.MnExpandAll;
    ASSERT_FALSE(expandAll->isChecked());
    const std::vector<std::pair<const char*, std::string>> groups = {
        {"TVDocs", "site-a"}, {"TVDoc", "site-a"}, {"TVPath", docs}};

    for (const bool expanded : {true, false}) {
        expandAll->trigger();
        EXPECT_EQ(expandAll->isChecked(), expanded);
        for (const auto& [name, caption] : groups) {
            QTreeView* tree = Tree(name);
            EXPECT_EQ(tree->isExpanded(FindShown(tree, caption)), expanded) << name;
        }
    }
}

TEST_F(TreeViewsTest, PressOnTheTabStripClearsHintsAndScansTheTabItShows) {
    const std::string editor = Program("editor");
    fakes.desktopWindows->AddWindow(TopWindow{7, true, false, false, "Editor"}, editor);
    fakes.shellWindows->AddWindow(ShellWindow{"http://site-z/p.html", true, true, "P"});
    Open(kPageWeb);
    auto* results = Find<QListWidget>("LbSearchResult");
    results->addItem(QStringLiteral("stale"));
    Hint()->setText(QStringLiteral("stale"));
    SkinTabBar* bar = Find<SkinTabWidget>("TVControl")->SkinBar();

    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(kPageSoftware).center());
    EXPECT_EQ(results->count(), 0);
    EXPECT_TRUE(Hint()->text().isEmpty());
    // The scan runs once the press is handled, for the tab the press made visible.
    QCoreApplication::processEvents();
    EXPECT_EQ(Shown(Tree("TVApp")), (std::vector<std::string>{"Editor"}));
    EXPECT_TRUE(Shown(Tree("TVDoc")).empty());
}

TEST_F(TreeViewsTest, ClicksFocusAndPageChangesPutTheSearchResultsAway) {
    Start();
    Record("http://site-a/one.html", "One");
    Open(kPageWeb);
    QApplication::setActiveWindow(&Window());
    auto* results = Find<QListWidget>("LbSearchResult");
    // A control outside the pages, as the search box is.
    auto* search = Make<QLineEdit>("EdtSearch");
    search->show();
    QTreeView* web = Tree("TVDoc");

    // A click on a tree that already has the focus.
    web->setFocus();
    ASSERT_TRUE(web->hasFocus());
    results->show();
    QTest::mouseClick(web->viewport(), Qt::LeftButton, {}, OnLabel(web, FindShown(web, "One")));
    EXPECT_TRUE(results->isHidden());

    // The focus coming into the pages from the search box.
    search->setFocus();
    ASSERT_TRUE(search->hasFocus());
    results->show();
    web->setFocus();
    EXPECT_TRUE(results->isHidden());

    results->addItem(QStringLiteral("found"));
    Hint()->setText(QStringLiteral("stale"));
    Find<QTabWidget>("TVControl")->setCurrentIndex(kPageFolders);
    EXPECT_EQ(results->count(), 0);
    EXPECT_TRUE(Hint()->text().isEmpty());
}

}  // namespace
}  // namespace qarvex
