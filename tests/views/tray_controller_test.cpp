#include "views/tray_controller.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/frm_main.h"
#include "capture/openers.h"
#include "platform/fake/fake_shell_open.h"
#include "store/app_state.h"
#include "store/history.h"
#include "store/list_file.h"
#include "support/qt/main_window_fixture.h"
#include "ui_TFrmMain.h"

namespace qarvex {
namespace {

using ListKind = TrayController::ListKind;

std::string Name(int i) {
    return "doc" + std::to_string(i);
}
std::string Address(int i) {
    return "http://site" + std::to_string(i) + ".example/";
}

class TrayControllerTest : public test::MainWindowFixture {
protected:
    void SetUp() override { FinishStartup(); }

    TrayController& Tray() { return *Main().trayController(); }

    StoredList& List(ListKind kind) {
        switch (kind) {
            case ListKind::Recent:
                return Main().state().RecentList();
            case ListKind::Run:
                return Main().state().RunList();
            case ListKind::Fav:
                break;
        }
        return Main().state().FavList();
    }

    QMenu* Submenu(ListKind kind) {
        const char* names[] = {"PmRecent", "PmAutoRun", "PmMyDocs"};
        return Find<QMenu>(names[static_cast<int>(kind)]);
    }

    // Newest first, as the lists are kept: line i is "Address(i)*|*Name(i)".
    void FillList(ListKind kind, int count) {
        std::vector<std::string> lines;
        std::vector<std::string> items;
        for (int i = 0; i < count; ++i) {
            lines.push_back(MakeListLine(Address(i), Name(i)));
            items.push_back(Name(i));
        }
        List(kind).SetLines(lines);
        List(kind).SetItems(items);
    }

    static std::vector<std::string> Captions(const QMenu* menu) {
        std::vector<std::string> captions;
        for (const QAction* action : menu->actions()) {
            captions.push_back(action->text().toStdString());
        }
        return captions;
    }

    const std::vector<ShellOpenCall>& ShellCalls() { return fakes.shellOpen->Calls(); }
};

TEST_F(TrayControllerTest, RecentSubmenuHoldsTwentyNewestWithTheNewestAtTheBottom) {
    FillList(ListKind::Recent, 25);
    Tray().FillDocSubmenus();

    const QList<QAction*> items = Submenu(ListKind::Recent)->actions();
    ASSERT_EQ(items.size(), 20);
    EXPECT_EQ(items.front()->text().toStdString(), "（&20） " + Name(19));
    EXPECT_EQ(items.front()->data().toInt(), 19);
    EXPECT_EQ(items.back()->text().toStdString(), "（&1） " + Name(0));
    EXPECT_EQ(items.back()->data().toInt(), 0);
    EXPECT_EQ(items.back()->statusTip().toStdString(), "当前路径" + Address(0));
    EXPECT_EQ(items.back()->toolTip(),
              QString::fromStdString(Name(0)) + QLatin1Char('\n') + items.back()->statusTip());
}

TEST_F(TrayControllerTest, RecentItemsShowDecodedNamesElidedInTheMiddle) {
    const std::string longTitle = std::string(40, 'a') + "%20middle%20" + std::string(40, 'z');
    List(ListKind::Recent)
        .SetLines({MakeListLine("/d/my%20notes.txt", "my%20notes.txt"),
                   MakeListLine("http://x/", longTitle), MakeListLine("/d/odd", "100%zz%FF")});
    Tray().ShowRecentDocInPopmenu();
    const QList<QAction*> items = Submenu(ListKind::Recent)->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[2]->text(), QStringLiteral("（&1） my notes.txt"));
    const QString full =
        QString(40, QLatin1Char('a')) + QStringLiteral(" middle ") + QString(40, QLatin1Char('z'));
    const QString shown = items[1]->text().mid(QStringLiteral("（&2） ").size());
    EXPECT_EQ(shown.size(), 60);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("aaaa")) && shown.endsWith(QStringLiteral("zzzz")));
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    EXPECT_TRUE(items[1]->toolTip().startsWith(full + QLatin1Char('\n')));
    // Not valid text once decoded: shown as stored.
    EXPECT_EQ(items[0]->text(), QStringLiteral("（&3） 100%zz%FF"));
}

TEST_F(TrayControllerTest, RunAndFavouriteSubmenusKeepListOrderWithTheirOwnHints) {
    struct Case {
        ListKind kind;
        std::string hintPrefix;
    };
    for (const Case& c : {Case{ListKind::Run, "当前路径"}, Case{ListKind::Fav, "所在路径:"}}) {
        SCOPED_TRACE(c.hintPrefix);
        FillList(c.kind, 25);  // no limit on these two
        Tray().FillDocSubmenus();

        const QList<QAction*> items = Submenu(c.kind)->actions();
        ASSERT_EQ(items.size(), 25);
        for (int i = 0; i < 25; ++i) {
            EXPECT_EQ(items[i]->text().toStdString(),
                      "（&" + std::to_string(i + 1) + "） " + Name(i));
            EXPECT_EQ(items[i]->data().toInt(), i);
        }
        EXPECT_EQ(items[3]->statusTip().toStdString(), c.hintPrefix + Address(3));
    }
}

TEST_F(TrayControllerTest, EveryRightPressRebuildsFromTheListsAsTheyAreNow) {
    FillList(ListKind::Recent, 5);
    FillList(ListKind::Run, 3);
    FillList(ListKind::Fav, 2);
    Tray().FillDocSubmenus();
    ASSERT_EQ(Submenu(ListKind::Recent)->actions().size(), 5);

    // Emptied lists give empty submenus: no placeholder item, nothing left from before.
    for (ListKind kind : {ListKind::Recent, ListKind::Run, ListKind::Fav}) {
        List(kind).Clear();
    }
    Tray().FillDocSubmenus();
    for (ListKind kind : {ListKind::Recent, ListKind::Run, ListKind::Fav}) {
        EXPECT_TRUE(Submenu(kind)->actions().isEmpty());
    }
}

TEST_F(TrayControllerTest, AccessKeyIsTheFirstDigitOfTheNumber) {
    FillList(ListKind::Recent, 20);
    Tray().ShowRecentDocInPopmenu();

    for (const QAction* item : Submenu(ListKind::Recent)->actions()) {
        const int number = item->data().toInt() + 1;
        const Qt::Key digit = static_cast<Qt::Key>(Qt::Key_0 + std::to_string(number)[0] - '0');
        EXPECT_EQ(QKeySequence::mnemonic(item->text()), QKeySequence(Qt::ALT | digit))
            << item->text().toStdString();
    }
}

TEST_F(TrayControllerTest, NamesWithAmpersandsAreShownAsWritten) {
    List(ListKind::Run).SetLines({MakeListLine("/opt/a", "Tom & Jerry")});
    List(ListKind::Run).SetItems({"Tom & Jerry"});
    Tray().ShowRunDocInPopmenu();

    const QAction* item = Submenu(ListKind::Run)->actions().value(0);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text().toStdString(), "（&1） Tom && Jerry");
    EXPECT_EQ(QKeySequence::mnemonic(item->text()), QKeySequence(Qt::ALT | Qt::Key_1));
}

TEST_F(TrayControllerTest, ItemOpensTheLineAtItsIndexWhenClicked) {
    FillList(ListKind::Recent, 3);
    Tray().FillDocSubmenus();
    QAction* newest = Submenu(ListKind::Recent)->actions().back();
    ASSERT_EQ(newest->data().toInt(), 0);

    // A scan records something while the menu is open.
    List(ListKind::Recent).InsertLine(0, MakeListLine("http://late.example/", "late"));
    List(ListKind::Recent).InsertItem(0, "late");
    newest->trigger();

    ASSERT_EQ(ShellCalls().size(), 1u);
    EXPECT_EQ(ShellCalls()[0], ShellOpenCall::MakeOpen("http://late.example/"));
    // Opening from the tray moves and records nothing.
    EXPECT_EQ(List(ListKind::Recent).LineCount(), 4);
    EXPECT_EQ(List(ListKind::Recent).Lines()[1], MakeListLine(Address(0), Name(0)));
}

TEST_F(TrayControllerTest, ItemWhoseLineIsGoneOpensNothing) {
    FillList(ListKind::Fav, 3);
    Tray().FillDocSubmenus();
    QAction* last = Submenu(ListKind::Fav)->actions().back();
    ASSERT_EQ(last->data().toInt(), 2);

    List(ListKind::Fav).RemoveLine(2);
    List(ListKind::Fav).RemoveItem(2);
    last->trigger();
    // A line without a path is never taken for a host name either.
    List(ListKind::Fav).SetLine(0, "no separator here");
    Submenu(ListKind::Fav)->actions().front()->trigger();

    EXPECT_TRUE(ShellCalls().empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(TrayControllerTest, MissingLocalPathIsReported) {
    const std::string missing = files.Path() + "/gone/away.txt";
    List(ListKind::Recent).SetLines({MakeListLine(missing, "away")});
    List(ListKind::Recent).SetItems({"away"});
    Tray().ShowRecentDocInPopmenu();
    Submenu(ListKind::Recent)->actions().front()->trigger();

    EXPECT_TRUE(ShellCalls().empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "此路径不存在：" + missing);
}

TEST_F(TrayControllerTest, SystemItemsOpenTheirPlaces) {
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
        ASSERT_EQ(ShellCalls().size(), 1u);
        EXPECT_EQ(ShellCalls()[0], c.expected);
    }
    // The two hidden items do nothing.
    fakes.shellOpen->ClearCalls();
    Find<QAction>("MnQVRecent")->trigger();
    Find<QAction>("MnQVRun")->trigger();
    EXPECT_TRUE(ShellCalls().empty());
}

TEST_F(TrayControllerTest, OpenItemAndLeftPressBringTheWindowBackFromTheTray) {
    Main().show();
    Main().HideToTray();
    ASSERT_FALSE(Main().isVisible());
    Find<QAction>("MnOpenQarvex")->trigger();
    EXPECT_TRUE(Main().isVisible());
    EXPECT_GE(Main().y(), 0);

    Main().HideToTray();
    const int scansBefore = fakes.shellWindows->WindowsCalls();
    Tray().TrayIconActivated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(Main().isVisible());
    EXPECT_GE(Main().y(), 0);
    // The web page tab is current: its refresh walks the open browser windows.
    ASSERT_EQ(Main().VisibleTabIndex(), 0);
    EXPECT_GT(fakes.shellWindows->WindowsCalls(), scansBefore);
}

TEST_F(TrayControllerTest, RightPressThenEscapeOpensNothingAndTheNextLeftPressShowsTheWindow) {
    FillList(ListKind::Recent, 3);
    Main().show();
    QMenu* menu = Main().trayMenu().popMenu;
    bool escaped = false;
    // The menu runs its own loop: Escape is typed once it is up; a menu that never comes
    // up is closed after a while so that the test fails instead of hanging.
    QTimer typist;
    QObject::connect(&typist, &QTimer::timeout, [&] {
        if (menu->isVisible()) {
            QTest::keyClick(menu, Qt::Key_Escape);
            escaped = true;
            typist.stop();
        }
    });
    typist.start(10);
    QTimer::singleShot(20000, menu, [menu] { menu->close(); });
    Tray().TrayIconActivated(QSystemTrayIcon::Context);
    EXPECT_TRUE(escaped);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_TRUE(ShellCalls().empty());
    EXPECT_TRUE(messages.shown.empty());

    Tray().TrayIconActivated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(Main().isVisible());
    EXPECT_FALSE(Main().isMinimized());
    EXPECT_TRUE(QGuiApplication::primaryScreen()->geometry().contains(Main().geometry()));
}

TEST_F(TrayControllerTest, ExitAsksFirstAndNoKeepsRunning) {
    messages.answer = false;
    Find<QAction>("MnQVExit")->trigger();
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(messages.asked[0].text, "要退出系统吗?");
    EXPECT_EQ(Main().saveStepsDone(), 0);
}

TEST_F(TrayControllerTest, WithoutATrayTheTopBarButtonOpensTheSameMenu) {
    // A desktop without a tray, whatever this machine's session bus offers.
    TFrmMain::SetTrayAvailabilityOverride(0);
    Restart();
    TFrmMain::SetTrayAvailabilityOverride(-1);
    FinishStartup();
    ASSERT_FALSE(Main().hasTray());
    auto* button = Find<QToolButton>("BtnQVTrayMenu");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button, Tray().menuButton());
    EXPECT_EQ(Main().ui().PnlTop->contextMenuPolicy(), Qt::CustomContextMenu);

    FillList(ListKind::Recent, 2);
    Main().show();
    QMenu* shown = nullptr;
    // The menu runs its own loop; close it as soon as it is up.
    QTimer::singleShot(0, [&shown] {
        shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (shown) {
            shown->close();
        }
    });
    button->click();
    EXPECT_EQ(shown, Find<QMenu>("popMenu"));
    EXPECT_EQ(Submenu(ListKind::Recent)->actions().size(), 2);
}

}  // namespace
}  // namespace qarvex
