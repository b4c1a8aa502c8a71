// The window's parts meet where one part's menu item or key is another part's command:
// these tests run the whole window.

#include "app/window_parts.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "platform/fake/fake_shell_open.h"
#include "store/app_state.h"
#include "store/history.h"
#include "store/list_file.h"
#include "support/app/main_window_fixture.h"
#include "support/qt/tree_probe.h"
#include "views/search_box.h"
#include "views/tray_controller.h"

namespace qarvex {
namespace {

using test::Shown;

constexpr int kPageWeb = 0;
constexpr int kPageSoftware = 1;
constexpr int kPageFolders = 2;

class WindowPartsTest : public test::MainWindowFixture {
protected:
    // The window is shown so the views lay out their rows; the first-run timer is
    // stopped so that nothing it loads races the test.
    TFrmMain& Open(int page) {
        TFrmMain& main = Main();
        main.timerFirstRun()->stop();
        main.resize(700, 500);
        main.show();
        Find<QTabWidget>("TVControl")->setCurrentIndex(page);
        QCoreApplication::processEvents();
        main.parts().docTrees->ExpandCurrentTree();
        return main;
    }

    QTreeView* Tree(const char* name) { return Find<QTreeView>(name); }
    AppState& State() { return Main().services().state; }
    void Record(const std::string& address, const std::string& name, bool software = false) {
        Main().services().history.AddDoc(address, name, "", software);
    }
    // An existing program file below the fake home.
    std::string Program(const std::string& name) {
        std::filesystem::create_directories(files.Path() + "/bin");
        return files.Write("bin/" + name, "#!/bin/sh\n");
    }
};

TEST_F(WindowPartsTest, TreeMenuAddsTheSelectedEntryToFavouritesAndRunListUnderItsCaption) {
    const std::string docs = files.Path() + "/Docs";
    std::filesystem::create_directories(docs);
    Main();
    Record("http://site-a/one.html", "One");
    Record("file://" + docs + "/r.txt", "r");

    struct Case {
        int page;
        const char* tree;
        std::string caption;
        std::string path;
    };
    for (const Case& c : {Case{kPageWeb, "TVDoc", "One", "http://site-a/one.html"},
                          Case{kPageFolders, "TVPath", docs + "/r.txt", docs + "/r.txt"}}) {
        SCOPED_TRACE(c.caption);
        TFrmMain& main = Open(c.page);
        test::SelectShown(Tree(c.tree), {c.caption});
        main.menus().docTree.MyMyLove->trigger();
        main.menus().docTree.MnAddToRunList->trigger();
        const std::string line = MakeListLine(c.path, c.caption);
        ASSERT_GT(State().FavList().LineCount(), 0);
        ASSERT_GT(State().RunList().LineCount(), 0);
        EXPECT_EQ(State().FavList().Lines().front(), line);
        EXPECT_EQ(State().FavList().Items().front(), c.caption);
        EXPECT_EQ(State().RunList().Lines().front(), line);
    }
}

TEST_F(WindowPartsTest, F5OnTheProgramTabScansProgramsOnlyWhileRefreshScansEverything) {
    const std::string editor = Program("editor");
    fakes.desktopWindows->AddWindow(TopWindow{7, true, false, false, "Editor"}, editor);
    fakes.shellWindows->AddWindow(ShellWindow{"http://site-z/p.html", true, true, "P"});
    Open(kPageSoftware);
    const int shellCallsBefore = fakes.shellWindows->WindowsCalls();

    QTest::keyClick(Tree("TVApp"), Qt::Key_F5);
    EXPECT_EQ(Shown(Tree("TVApp")), (std::vector<std::string>{"Editor"}));
    EXPECT_TRUE(Shown(Tree("TVDoc")).empty());
    EXPECT_EQ(fakes.shellWindows->WindowsCalls(), shellCallsBefore);

    Main().menus().docTree.MnRefresh->trigger();
    EXPECT_EQ(Shown(Tree("TVDoc")), (std::vector<std::string>{"site-z", "  P"}));
}

TEST_F(WindowPartsTest, TraySystemItemsOpenTheirPlacesAsTheSystemPageDoes) {
    fakes.environment->SetSpecialFolder(5, files.Path() + "/Documents");
    fakes.environment->SetSpecialFolder(0, files.Path() + "/Desktop");
    fakes.environment->SetSpecialFolder(10, "trash:///");
    struct Case {
        const char* item;
        ShellOpenCall expected;
    };
    const Case cases[] = {
        {"MnMyComputer", ShellOpenCall::MakePlace(ShellPlace::Computer)},
        {"MnQVMyDoc", ShellOpenCall::MakeOpen(files.Path() + "/Documents")},
        {"MnMyDesk", ShellOpenCall::MakeOpen(files.Path() + "/Desktop")},
        {"MnQVControl", ShellOpenCall::MakePlace(ShellPlace::Settings)},
        {"MnQVRecycle", ShellOpenCall::MakePlace(ShellPlace::Trash)},
        {"MnQVTask", ShellOpenCall::MakePlace(ShellPlace::TaskManager)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        fakes.shellOpen->ClearCalls();
        Find<QAction>(c.item)->trigger();
        ASSERT_EQ(fakes.shellOpen->Calls().size(), 1u);
        EXPECT_EQ(fakes.shellOpen->Calls()[0], c.expected);
    }
    // The two hidden items do nothing.
    fakes.shellOpen->ClearCalls();
    Find<QAction>("MnQVRecent")->trigger();
    Find<QAction>("MnQVRun")->trigger();
    EXPECT_TRUE(fakes.shellOpen->Calls().empty());
}

TEST_F(WindowPartsTest, OpenItemAndLeftPressBringTheWindowBackOnScreenFromTheTray) {
    Main().show();
    Main().HideToTray();
    ASSERT_FALSE(Main().isVisible());
    Find<QAction>("MnOpenQarvex")->trigger();
    EXPECT_TRUE(Main().isVisible());
    EXPECT_GE(Main().y(), 0);

    Main().HideToTray();
    Main().parts().trayController->TrayIconActivated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(Main().isVisible());
    EXPECT_FALSE(Main().isMinimized());
    EXPECT_TRUE(QGuiApplication::primaryScreen()->geometry().contains(Main().geometry()));
}

TEST_F(WindowPartsTest, TreeMenuStopsRecordingTheSelectedEntry) {
    Main();
    Record("http://news.example/a.html", "甲");
    Open(kPageWeb);
    test::SelectShown(Tree("TVDoc"), {"甲"});
    Main().menus().docTree.MnQVNoRecord->trigger();
    EXPECT_TRUE(Main().services().history.Docs().empty());
    EXPECT_EQ(Find<QPlainTextEdit>("MmQVExclusions")->toPlainText(),
              QStringLiteral("news.example"));
}

TEST_F(WindowPartsTest, AutoRunAndFavouritesMenusAddTheSelectedEntryToEachOthersList) {
    Main();
    Record("http://host/page", "Page");
    Open(kPageWeb);
    test::SelectShown(Tree("TVDoc"), {"host"});
    Main().menus().autoRunList.N35->trigger();
    Main().menus().fav.MnQVAddToRun->trigger();
    EXPECT_EQ(State().FavList().Lines(), std::vector<std::string>{"http://host/page*|*host"});
    EXPECT_EQ(State().RunList().Lines(), std::vector<std::string>{"http://host/page*|*host"});
}

TEST_F(WindowPartsTest, EditBarVisibilityFollowsMenuAndCheckBox) {
    QFrame* panel = Find<QFrame>("PnlNewFav");
    QCheckBox* box = Find<QCheckBox>("CbFavEdit");
    QAction* menuItem = Main().menus().fav.MnShowFavEdit;
    ASSERT_TRUE(menuItem->isChecked());

    menuItem->trigger();  // toggles its own check
    EXPECT_TRUE(panel->isHidden());
    EXPECT_FALSE(box->isChecked());

    Main().menus().fav.MnNewToFav->trigger();
    EXPECT_FALSE(panel->isHidden());
    EXPECT_TRUE(menuItem->isChecked());
    EXPECT_FALSE(box->isChecked());

    box->setChecked(true);
    menuItem->trigger();
    EXPECT_TRUE(panel->isHidden());
    Main().menus().fav.MnUpdateFav->trigger();
    EXPECT_FALSE(panel->isHidden());
    EXPECT_TRUE(messages.shown.empty());  // hidden by code or menu: no notice
}

TEST_F(WindowPartsTest, TheFirstRunAsksForTheSearchPageWithoutMakingTheBrowser) {
    FinishStartup();
    EXPECT_TRUE(Main().parts().searchBox->searchPageRequested());
    EXPECT_FALSE(Main().parts().searchBox->browserCreated());
}

}  // namespace
}  // namespace qarvex
