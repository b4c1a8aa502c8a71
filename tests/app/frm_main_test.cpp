#include "app/frm_main.h"

#include <filesystem>

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QWindowStateChangeEvent>

#include "store/app_state.h"
#include "store/history.h"
#include "store/ini_file.h"
#include "support/qt/main_window_fixture.h"

namespace qarvex {
namespace {

using FrmMainTest = test::MainWindowFixture;

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
    EXPECT_TRUE(main.favMenu().MnShowFavEdit->isChecked());
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
    EXPECT_FALSE(main.favMenu().MnShowFavEdit->isChecked());
    EXPECT_EQ(Find<QPlainTextEdit>("MmNote")->toPlainText(), QStringLiteral("first\nsecond"));
    Find<QPlainTextEdit>("MmNote")->setPlainText(QStringLiteral("甲\n乙"));
    Stop();
    IniFile ini(ConfigFile("defualt.ini"));
    EXPECT_EQ(ini.ReadInteger("default", "ControlIndex", -1), 2);
    EXPECT_FALSE(ini.ReadBool("default", "ShowFavEdit", true));
    EXPECT_EQ(ReadConfigFile("note.txt"), "\xbc\xd7\r\n\xd2\xd2\r\n");  // GB18030, CR LF
}

TEST_F(FrmMainTest, SaveSequenceStopsAtTheFirstFileThatCannotBeWritten) {
    Start();
    std::filesystem::create_directories(ConfigFile("run.dat"));  // a folder can't become a file
    Find<QPlainTextEdit>("MmNote")->setPlainText(QStringLiteral("kept out"));
    Stop();
    EXPECT_TRUE(std::filesystem::is_regular_file(ConfigFile("fav.dat")));
    EXPECT_TRUE(std::filesystem::is_regular_file(ConfigFile("rec.dat")));
    EXPECT_FALSE(std::filesystem::exists(ConfigFile("lr.dat")));
    EXPECT_FALSE(std::filesystem::exists(ConfigFile("note.txt")));
    EXPECT_FALSE(IniFile(ConfigFile("defualt.ini")).ValueExists("default", "needRemoveAllStart"));
}

TEST_F(FrmMainTest, MinimiseHidesTheWindowToTheTrayKeepingItsGeometry) {
    TFrmMain::SetTrayAvailabilityOverride(1);
    TFrmMain& main = Start();
    TFrmMain::SetTrayAvailabilityOverride(-1);
    ASSERT_TRUE(main.hasTray());
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

TEST_F(FrmMainTest, TabsAreCountedByPageNotByPosition) {
    TFrmMain& main = Start();
    auto* tabs = Find<QTabWidget>("TVControl");
    EXPECT_TRUE(tabs->isTabVisible(4));  // 收藏
    EXPECT_TRUE(tabs->isTabVisible(7));  // 笔记
    // The refresh and the web search count 0 web .. 5 settings, whatever else is shown.
    const int expected[] = {0, 1, 2, -1, -1, 3, 4, -1, 5, -1};
    for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        EXPECT_EQ(main.VisibleTabIndex(), expected[page]) << page;
    }
}

TEST_F(FrmMainTest, StandardDialogTextsAreChinese) {
    Start();
    ASSERT_TRUE(TFrmMain::LoadQtTranslations()) << "qt6-translations-l10n is missing";
    const QString yes = QCoreApplication::translate("QPlatformTheme", "&Yes");
    EXPECT_NE(yes, QStringLiteral("&Yes"));
    EXPECT_TRUE(yes.contains(QStringLiteral("是"))) << yes.toStdString();
    EXPECT_NE(QCoreApplication::translate("QLineEdit", "&Copy"), QStringLiteral("&Copy"));
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
    const std::string program = files.Write("editor", "#!/bin/sh\n");
    TopWindow window;
    window.id = 7;
    window.visible = true;
    window.title = "Editor";
    fakes.desktopWindows->AddWindow(window, program);

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

TEST_F(FrmMainTest, HistorySurvivesARestart) {
    TFrmMain& main = Start();
    main.history().AddDoc("http://site-a/news.html", "News", "", false);
    main.history().AddDoc("file:///home/u/Documents/a.txt", "a.txt", "", false);
    TFrmMain& again = Restart();
    ASSERT_EQ(again.history().Docs().size(), 2u);
    EXPECT_EQ(again.history().Docs()[0].Date, "2026-12-08");
    EXPECT_EQ(again.history().Docs()[1].Path, "/home/u/Documents/a.txt");
}

}  // namespace
}  // namespace qarvex
