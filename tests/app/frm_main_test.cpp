#include "app/frm_main.h"

#include <filesystem>
#include <stdexcept>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QWindowStateChangeEvent>

#include "app/session_saver.h"
#include "capture/openers.h"
#include "capture/scanner.h"
#include "store/app_state.h"
#include "store/atomic_file.h"
#include "store/history.h"
#include "store/ini_file.h"
#include "store/list_file.h"
#include "support/app/main_window_fixture.h"
#include "views/doc_trees.h"

namespace qarvex {
namespace {

class FrmMainTest : public test::MainWindowFixture {
protected:
    // An editor with a window on the desktop; gives the editor's program.
    std::string ShowEditor() {
        const std::string program = files.Write("editor", "#!/bin/sh\n");
        TopWindow window;
        window.id = 7;
        window.visible = true;
        window.title = "Editor";
        fakes.desktopWindows->AddWindow(window, program);
        return program;
    }
};

TEST_F(FrmMainTest, FirstStartThenExitLeavesEveryFile) {
    Start();
    FinishStartup();
    Stop();
    for (const char* name :
         {"defualt.ini", "fav.dat", "rec.dat", "run.dat", "lr.dat", "note.txt"}) {
        EXPECT_TRUE(std::filesystem::is_regular_file(ConfigFile(name))) << name;
    }
    IniFile ini(ConfigFile("defualt.ini"));
    EXPECT_FALSE(ini.ReadBool("default", "needRemoveAllStart", true));
    EXPECT_TRUE(ini.ReadBool("default", "CbRefresh", false));
    EXPECT_EQ(ini.ReadInteger("default", "CheckDocInterval", 0), 120);
}

TEST_F(FrmMainTest, DefaultsOnAFirstStart) {
    TFrmMain& main = Start();
    EXPECT_TRUE(Find<QCheckBox>("CbQVRefresh")->isChecked());
    EXPECT_TRUE(main.timerCheckDocs()->isActive());
    EXPECT_EQ(main.timerCheckDocs()->interval(), 120000);
    EXPECT_EQ(Find<QLabel>("LbQVCheckTime")->text(), QStringLiteral("每120秒刷新一次"));
    EXPECT_TRUE(Find<QCheckBox>("CbFavEdit")->isChecked());
    EXPECT_TRUE(main.menus().fav.MnShowFavEdit->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("CbAutoRunDocs")->isChecked());
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Qarvex3.0"));
    EXPECT_TRUE(main.timerFirstRun()->isActive());
}

TEST_F(FrmMainTest, StoredIntervalIsClampedAndWrittenBack) {
    struct Case {
        const char* stored;
        int seconds;
    };
    for (const Case c : {Case{"30", 60}, Case{"1000", 600}, Case{"abc", 120}, Case{"300", 300}}) {
        Stop();
        WriteConfigFile("defualt.ini",
                        std::string("[default]\r\nCheckDocInterval=") + c.stored + "\r\n");
        TFrmMain& main = Start();
        EXPECT_EQ(main.timerCheckDocs()->interval(), c.seconds * 1000) << c.stored;
        EXPECT_EQ(Find<QScrollBar>("SbCheckTime")->value(), c.seconds);
        IniFile ini(ConfigFile("defualt.ini"));
        // A value other than the bar's start position runs the handler, which stores it.
        EXPECT_EQ(ini.ReadInteger("default", "CheckDocInterval", -1),
                  c.seconds == 60 ? (std::string(c.stored) == "30" ? 30 : 60) : c.seconds)
            << c.stored;
    }
}

TEST_F(FrmMainTest, CheckBoxesWriteTheirSettingAtOnce) {
    TFrmMain& main = Start();
    Find<QCheckBox>("CbQVRefresh")->setChecked(false);
    EXPECT_FALSE(main.timerCheckDocs()->isActive());
    Find<QCheckBox>("CbAutoRunDocs")->setChecked(true);
    Find<QCheckBox>("CbQueryAutoRunDoc")->setChecked(true);
    IniFile ini(ConfigFile("defualt.ini"));
    EXPECT_FALSE(ini.ReadBool("default", "CbRefresh", true));
    EXPECT_TRUE(ini.ReadBool("default", "RunSelectDoc", false));
    EXPECT_TRUE(ini.ReadBool("default", "QueryAutoRunDoc", false));

    // Unticking the refresh keeps the scan stopped across a restart.
    TFrmMain& again = Restart();
    EXPECT_FALSE(Find<QCheckBox>("CbQVRefresh")->isChecked());
    EXPECT_FALSE(again.timerCheckDocs()->isActive());
    EXPECT_TRUE(Find<QCheckBox>("CbAutoRunDocs")->isChecked());
}

TEST_F(FrmMainTest, StoredPageAndEditBarAndNotesComeBack) {
    WriteConfigFile("defualt.ini", "[default]\r\nControlIndex=2\r\nShowFavEdit=0\r\n");
    WriteConfigFile("note.txt", "first\r\nsecond\r\n");
    TFrmMain& main = Start();
    EXPECT_EQ(Find<QTabWidget>("TVControl")->currentIndex(), 2);
    EXPECT_FALSE(Find<QCheckBox>("CbFavEdit")->isChecked());
    EXPECT_FALSE(main.menus().fav.MnShowFavEdit->isChecked());
    EXPECT_EQ(Find<QPlainTextEdit>("MmNote")->toPlainText(), QStringLiteral("first\nsecond"));
    Find<QPlainTextEdit>("MmNote")->setPlainText(QStringLiteral("甲\n乙"));
    Stop();
    IniFile ini(ConfigFile("defualt.ini"));
    EXPECT_EQ(ini.ReadInteger("default", "ControlIndex", -1), 2);
    EXPECT_FALSE(ini.ReadBool("default", "ShowFavEdit", true));
    EXPECT_EQ(ReadConfigFile("note.txt"), "\xbc\xd7\r\n\xd2\xd2\r\n");  // GB18030, CR LF

    // The day view's page, which comes after the layout's, is remembered like any other.
    const int dayPage = Start().parts().docTrees->IndexOf(Page::Day);
    Find<QTabWidget>("TVControl")->setCurrentIndex(dayPage);
    Restart();
    EXPECT_EQ(Find<QTabWidget>("TVControl")->currentIndex(), dayPage);
}

TEST_F(FrmMainTest, ShowFavEditSettingIsAppliedAtStart) {
    WriteConfigFile("defualt.ini", "[default]\r\nShowFavEdit=0\r\n");
    Start();
    EXPECT_TRUE(Find<QFrame>("PnlNewFav")->isHidden());
    EXPECT_FALSE(Main().menus().fav.MnShowFavEdit->isChecked());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FrmMainTest, HidingTheEditBarByHandShowsNoMessage) {
    QCheckBox* box = Find<QCheckBox>("CbFavEdit");
    box->click();
    ASSERT_FALSE(box->isChecked());
    EXPECT_TRUE(Find<QFrame>("PnlNewFav")->isHidden());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FrmMainTest, SaveSequenceGoesOnPastAFileThatCannotBeWritten) {
    Start();
    std::filesystem::create_directories(ConfigFile("run.dat"));  // a folder can't become a file
    Find<QPlainTextEdit>("MmNote")->setPlainText(QStringLiteral("kept"));
    Stop();
    EXPECT_TRUE(std::filesystem::is_regular_file(ConfigFile("fav.dat")));
    EXPECT_TRUE(std::filesystem::is_regular_file(ConfigFile("rec.dat")));
    EXPECT_TRUE(std::filesystem::is_directory(ConfigFile("run.dat")));
    EXPECT_TRUE(std::filesystem::is_regular_file(ConfigFile("lr.dat")));
    EXPECT_EQ(ReadConfigFile("note.txt"), "kept\r\n");
    EXPECT_TRUE(IniFile(ConfigFile("defualt.ini")).ValueExists("default", "needRemoveAllStart"));
    EXPECT_TRUE(messages.shown.empty());  // the exit reports nothing
}

// A power cut or a killed session loses seconds, not the whole run.
TEST_F(FrmMainTest, ChangedListsAndNotesReachTheDiskWithinSeconds) {
    TFrmMain& main = Start();
    FinishStartup();
    AddMyLove(main.services().state.FavList(), "/home/u/收藏.txt", "收藏");
    AddMyRun(main.services().state.RunList(), "/usr/bin/gedit", "gedit");
    Find<QPlainTextEdit>("MmNote")->setPlainText(QStringLiteral("笔记"));
    const auto written = [&] {
        return ReadConfigFile("fav.dat") == "/home/u/\xca\xd5\xb2\xd8.txt*|*\xca\xd5\xb2\xd8\r\n" &&
               ReadConfigFile("run.dat") == "/usr/bin/gedit*|*gedit\r\n" &&
               ReadConfigFile("note.txt") == "\xb1\xca\xbc\xc7\r\n";
    };
    EXPECT_TRUE(QTest::qWaitFor(written, 20000));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FrmMainTest, FileThatCannotBeSavedIsToldOnceAndNothingIsDamaged) {
    TFrmMain& main = Start();
    FinishStartup();
    std::filesystem::create_directories(ConfigFile("fav.dat"));  // no file can replace it
    AddMyLove(main.services().state.FavList(), "/a", "a");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !messages.shown.empty(); }, 20000));
    AddMyLove(main.services().state.FavList(), "/b", "b");
    main.services().history.AddDoc("http://site-a/", "A", "", false);
    QTest::qWait(0);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !main.sessionSaver()->IsPending(AppState::StoredFile::Favourites); }, 20000));
    QCoreApplication::processEvents();
    Stop();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("无法保存历史记录和列表"), std::string::npos);
    EXPECT_NE(messages.shown[0].text.find(ConfigDir()), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(ConfigFile("fav.dat")));
}

TEST_F(FrmMainTest, SettingsFileTooLargeIsLeftAloneAndTold) {
    WriteConfigFile("defualt.ini", "[docs]\r\npath0=http://a/\r\nname0=a\r\n");
    std::filesystem::resize_file(ConfigFile("defualt.ini"), kMaxStoredFileBytes + 1);
    TFrmMain& main = Start();
    EXPECT_TRUE(main.services().history.Docs().empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !messages.shown.empty(); }, 10000));
    main.services().history.AddDoc("http://site-a/", "A", "", false);
    QCoreApplication::processEvents();
    Stop();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("defualt.ini"), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(ConfigFile("defualt.ini")), kMaxStoredFileBytes + 1);
    EXPECT_EQ(ReadConfigFile("defualt.ini").substr(0, 8), "[docs]\r\n");
}

TEST_F(FrmMainTest, SessionManagerSaveRecordsWhatIsOpenAndKeepsRunning) {
    WriteConfigFile("lr.dat", "https://old.example/\r\n");
    const std::string program = ShowEditor();
    TFrmMain& main = Start();
    FinishStartup();
    main.SaveForSessionManager();
    EXPECT_EQ(ReadConfigFile("lr.dat"), program + "\r\n");
    EXPECT_EQ(main.saveStepsDone(), 5);
    EXPECT_TRUE(IniFile(ConfigFile("defualt.ini")).ValueExists("default", "needRemoveAllStart"));
    // Still running: later changes are still kept current.
    AddMyLove(main.services().state.FavList(), "/a", "a");
    EXPECT_TRUE(QTest::qWaitFor([&] { return ReadConfigFile("fav.dat") == "/a*|*a\r\n"; }, 20000));
}

// Opening a favourite or a recent entry is a sighting too: not while recording is paused,
// nor when a rule excludes it.
TEST_F(FrmMainTest, OpeningWhilePausedOrExcludedLeavesNoRecentEntry) {
    TFrmMain& main = Start();
    FinishStartup();
    const std::string folder = files.Path();
    Find<QCheckBox>("CbQVPauseRecord")->setChecked(true);
    main.services().openers.OpenDoc(folder, "文件");
    main.services().openers.OpenDoc("https://bank.example/", "银行");
    Find<QCheckBox>("CbQVPauseRecord")->setChecked(false);
    Find<QPlainTextEdit>("MmQVExclusions")->setPlainText(QStringLiteral("bank.example"));
    QTest::mouseClick(Find<QPushButton>("BtnQVSaveExclusions"), Qt::LeftButton);
    main.services().openers.OpenDoc("https://bank.example/", "银行");
    EXPECT_TRUE(main.services().state.RecentList().Lines().empty());
    main.services().openers.OpenDoc(folder, "文件");
    EXPECT_EQ(main.services().state.RecentList().Lines(),
              std::vector<std::string>{folder + "*|*文件"});
}

// The X server goes away while a scan runs: Qt ends the process from inside the pass,
// and the exit save must still put what the pass found on disk.
TEST_F(FrmMainTest, DisplayLostInTheMiddleOfAPassKeepsWhatThePassFound) {
    const std::string program = ShowEditor();
    TFrmMain& main = Start();
    FinishStartup();
    std::string settings;
    std::string recent;
    fakes.shellWindows->SetDuringWalk([&] {
        main.SaveBeforeForcedExit();
        settings = ReadConfigFile("defualt.ini");
        recent = ReadConfigFile("rec.dat");
    });
    main.services().scanner.RefreshAllDocs();
    EXPECT_EQ(main.saveStepsDone(), 5);
    EXPECT_NE(settings.find("needRemoveAllStart"), std::string::npos);
    EXPECT_NE(settings.find(program), std::string::npos);
    EXPECT_NE(recent.find(program), std::string::npos);
}

TEST_F(FrmMainTest, MinimiseHidesTheWindowToTheTrayKeepingItsGeometry) {
    TFrmMain::SetTrayAvailabilityOverride(1);
    TFrmMain& main = Start();
    TFrmMain::SetTrayAvailabilityOverride(-1);
    ASSERT_TRUE(main.HasTray());
    main.show();
    main.setGeometry(40, 50, 600, 400);
    const QSize size = main.size();
    main.setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(main.windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(main.size(), size);
    EXPECT_GE(main.y(), 0);

    // The tray's left click brings it back to the lower right.
    main.ShowMainWindowAtCorner();
    EXPECT_GE(main.y(), 0);
}

TEST_F(FrmMainTest, WindowSizeSettlesOnTheFavouritesPageAndStoredSizesFitTheScreen) {
    WriteConfigFile("defualt.ini", "[default]\r\nControlIndex=4\r\nwidth=13541\r\nheight=9000\r\n");
    TFrmMain& main = Start();
    ASSERT_EQ(Find<QTabWidget>("TVControl")->currentIndex(), 4);
    main.show();
    main.resize(700, 500);
    for (int round = 0; round < 20; ++round) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(main.width(), 700);

    Stop();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    IniFile ini(ConfigFile("defualt.ini"));
    EXPECT_LE(ini.ReadInteger("default", "width", 0), screen.width());
    EXPECT_LE(ini.ReadInteger("default", "height", 0), screen.height());
}

TEST_F(FrmMainTest, AtTheNarrowestWidthTheSearchBoxShrinksAndTheButtonStaysInside) {
    TFrmMain& main = Start();
    main.show();
    main.resize(580, 400);
    QCoreApplication::processEvents();
    ASSERT_EQ(main.width(), 580);
    auto* button = Find<QToolButton>("BtnQVSearch");
    auto* box = Find<QLineEdit>("EdtSearch");
    const QRect buttonInWindow(button->mapTo(&main, QPoint(0, 0)), button->size());
    EXPECT_TRUE(main.rect().contains(buttonInWindow));
    EXPECT_GT(box->width(), 80);
    EXPECT_LE(box->mapTo(&main, QPoint(box->width(), 0)).x(), buttonInWindow.left());
    // Without a tray, its menu's button too.
    auto* menu = Find<QToolButton>("BtnQVTrayMenu");
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(main.rect().contains(QRect(menu->mapTo(&main, QPoint(0, 0)), menu->size())));
}

TEST_F(FrmMainTest, TabGoesFromTheSearchBoxToTheTreeThenToTheTabsWhichShowIt) {
    TFrmMain& main = Start();
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    QTabBar* strip = Find<QTabWidget>("TVControl")->tabBar();
    const QImage unfocused = strip->grab().toImage();
    Find<QLineEdit>("EdtSearch")->setFocus();

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(),
              static_cast<QWidget*>(main.parts().docTrees->CurrentDocTree()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(strip));
    EXPECT_NE(strip->grab().toImage(), unfocused) << "no focus mark on the tab strip";
}

TEST_F(FrmMainTest, TabsAreCountedByPageNotByPosition) {
    TFrmMain& main = Start();
    auto* tabs = Find<QTabWidget>("TVControl");
    EXPECT_TRUE(tabs->isTabVisible(4));  // 收藏
    EXPECT_TRUE(tabs->isTabVisible(7));  // 笔记
    // The refresh and the web search count 0 web .. 5 settings, whatever else is shown
    // (the day view and the other machines' page, last, have no number of their own).
    const int expected[] = {0, 1, 2, -1, -1, 3, 4, -1, 5, -1, -1, -1};
    for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        EXPECT_EQ(main.parts().docTrees->VisibleTabIndex(), expected[page]) << page;
    }
}

TEST_F(FrmMainTest, StandardDialogTextsAreChinese) {
    Start();
    ASSERT_TRUE(TFrmMain::LoadQtTranslations()) << "qt6-translations-l10n is missing";
    const QString yes = QCoreApplication::translate("QPlatformTheme", "&Yes");
    EXPECT_NE(yes, QStringLiteral("&Yes"));
    EXPECT_TRUE(yes.contains(QStringLiteral("是"))) << yes.toStdString();
    EXPECT_NE(QCoreApplication::translate("QLineEdit", "&Copy"), QStringLiteral("&Copy"));
    // The type column of the export dialog.
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "Folder"),
              QStringLiteral("文件夹"));
}

TEST_F(FrmMainTest, WithoutATrayMinimisingIsOrdinary) {
    TFrmMain::SetTrayAvailabilityOverride(0);
    TFrmMain& main = Start();
    TFrmMain::SetTrayAvailabilityOverride(-1);
    main.show();
    main.setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    EXPECT_TRUE(main.windowState() & Qt::WindowMinimized);
}

TEST_F(FrmMainTest, AnsweringNoToTheExitQuestionSavesNothing) {
    TFrmMain& main = Start();
    messages.answer = false;
    main.MnQVExitClick();
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(messages.asked[0].text, "要退出系统吗?");
    EXPECT_EQ(messages.asked[0].caption, "提示");
    EXPECT_FALSE(std::filesystem::exists(ConfigFile("fav.dat")));
}

TEST_F(FrmMainTest, CloseBoxRecordsWhatIsOpenWhileTheExitCommandKeepsTheStoredList) {
    WriteConfigFile("lr.dat", "https://old.example/\r\n");
    const std::string program = ShowEditor();

    // The exit command: lr.dat goes back as it was read.
    Start();
    Stop();
    EXPECT_EQ(ReadConfigFile("lr.dat"), "https://old.example/\r\n");

    // The close box: lr.dat holds what is open now.
    TFrmMain& main = Start();
    main.close();
    Stop();
    EXPECT_EQ(ReadConfigFile("lr.dat"), program + "\r\n");
}

// Cut on reload, a long address was recorded again, whole, by the next scan.
TEST_F(FrmMainTest, LongAddressIsOneEntryAcrossARestart) {
    const std::string address = "https://example.com/search?q=" + std::string(3000, 'x');
    Start().services().history.AddDoc(address, "Search", "", false);
    TFrmMain& again = Restart();
    ASSERT_EQ(again.services().history.Docs().size(), 1u);
    EXPECT_EQ(again.services().history.Docs()[0].Path, address);
    again.services().history.AddDoc(address, "Search", "", false);
    EXPECT_EQ(again.services().history.Docs().size(), 1u);
}

TEST_F(FrmMainTest, HistorySurvivesARestart) {
    TFrmMain& main = Start();
    main.services().history.AddDoc("http://site-a/news.html", "News", "", false);
    main.services().history.AddDoc("file:///home/u/Documents/a.txt", "a.txt", "", false);
    TFrmMain& again = Restart();
    ASSERT_EQ(again.services().history.Docs().size(), 2u);
    EXPECT_EQ(again.services().history.Docs()[0].Date, "2026-12-08");
    EXPECT_EQ(again.services().history.Docs()[1].Path, "/home/u/Documents/a.txt");
}

TEST_F(FrmMainTest, ScanTimerRecordsWhatOpenedSinceOnlyWhileRefreshIsTicked) {
    TFrmMain& main = Start();
    FinishStartup();
    const std::string program = ShowEditor();
    QTimer* timer = main.timerCheckDocs();
    int ticks = 0;
    QObject::connect(timer, &QTimer::timeout, [&] { ++ticks; });

    // Unticked, yet the timer runs (rebuilds of the history restart it): ticks do nothing.
    Find<QCheckBox>("CbQVRefresh")->setChecked(false);
    timer->setInterval(1);
    timer->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 10000));
    EXPECT_TRUE(main.services().history.Docs().empty());

    Find<QCheckBox>("CbQVRefresh")->setChecked(true);
    timer->setInterval(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main.services().history.Docs().empty(); }, 10000));
    timer->stop();
    EXPECT_EQ(main.services().history.Docs()[0].Path, program);
    EXPECT_EQ(main.services().history.Docs()[0].DocType, dkSoftware);
    EXPECT_EQ(IniFile(ConfigFile("defualt.ini")).ReadString("docs", "path0", ""), program);
}

TEST_F(FrmMainTest, AnExceptionEscapingAHandlerLeavesTheProgramRunningQuietly) {
    TFrmMain& main = Start();
    main.show();
    bool laterEventRan = false;
    QTimer::singleShot(0, &main, [] { throw std::runtime_error("a handler failed"); });
    QTimer::singleShot(1, &main, [&] { laterEventRan = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return laterEventRan; }, 10000));
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(messages.asked.empty());
    // The window still does its work: F5 records what is open.
    const std::string program = files.Write("viewer", "#!/bin/sh\n");
    TopWindow window;
    window.id = 8;
    window.visible = true;
    window.title = "Viewer";
    fakes.desktopWindows->AddWindow(window, program);
    Find<QTabWidget>("TVControl")->setCurrentIndex(1);
    QTest::keyClick(&main, Qt::Key_F5);
    ASSERT_EQ(main.services().history.Docs().size(), 1u);
    EXPECT_EQ(main.services().history.Docs()[0].Path, program);
}

TEST_F(FrmMainTest, FirstGeometryFollowsTheScreenWhateverSizeIsStored) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect expected(10, 10, screen.width() - 20, screen.height() - 50);
    for (const char* size :
         {"width=5000\r\nheight=4000", "width=120\r\nheight=90", "width=-5\r\nheight=abc", ""}) {
        SCOPED_TRACE(size);
        Stop();
        WriteConfigFile("defualt.ini", std::string("[default]\r\n") + size + "\r\n");
        TFrmMain& main = Start();
        main.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
        EXPECT_EQ(main.geometry(), expected);
    }
}

}  // namespace
}  // namespace qarvex
