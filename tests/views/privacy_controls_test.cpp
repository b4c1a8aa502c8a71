#include "views/privacy_controls.h"

#include <filesystem>

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "capture/openers.h"
#include "capture/scanner.h"
#include "store/app_state.h"
#include "store/history.h"
#include "store/ini_file.h"
#include "store/list_file.h"
#include "store/stored_list.h"
#include "support/qt/main_window_fixture.h"
#include "support/qt/qt_app.h"
#include "views/history_tree_model.h"

namespace qarvex {
namespace {

class PrivacyControlsTest : public test::MainWindowFixture {
protected:
    std::vector<std::string> Paths() {
        std::vector<std::string> paths;
        for (const TMyDoc& doc : Main().history().Docs()) {
            paths.push_back(doc.Path);
        }
        return paths;
    }
    void Page(const std::string& url, const std::string& title) {
        fakes.shellWindows->AddWindow(ShellWindow{url, true, true, title});
    }
};

TEST_F(PrivacyControlsTest, PauseBoxAndTrayItemAgreeStopTheScanAndSurviveARestart) {
    TFrmMain& main = Start();
    auto* box = Find<QCheckBox>("CbQVPauseRecord");
    QAction* item = main.trayMenu().MnQVPauseRecord;
    ASSERT_TRUE(box && item);
    EXPECT_FALSE(box->isChecked());
    box->setChecked(true);
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(main.trayIcon()->toolTip(), QStringLiteral("Qarvex (已暂停记录)"));
    EXPECT_TRUE(IniFile(ConfigFile("defualt.ini")).ReadBool("default", "PauseRecord", false));

    Page("http://site.example/a.html", "A");
    main.scanner().RefreshAllDocs();
    EXPECT_TRUE(main.history().Docs().empty());
    EXPECT_TRUE(main.state().RecentList().Lines().empty());

    TFrmMain& again = Restart();
    EXPECT_TRUE(Find<QCheckBox>("CbQVPauseRecord")->isChecked());
    EXPECT_TRUE(again.trayMenu().MnQVPauseRecord->isChecked());
    again.trayMenu().MnQVPauseRecord->trigger();
    EXPECT_FALSE(Find<QCheckBox>("CbQVPauseRecord")->isChecked());
    EXPECT_EQ(again.trayIcon()->toolTip(), QStringLiteral("ZEQQarvex"));
    again.scanner().RefreshAllDocs();
    EXPECT_EQ(Paths(), std::vector<std::string>{"http://site.example/a.html"});
}

TEST_F(PrivacyControlsTest, ANewRuleIsStoredAndOffersToDeleteWhatItAlreadyMatches) {
    TFrmMain& main = Start();
    History& history = main.history();
    history.AddDoc("https://www.bank.example/login", "银行", "", false);
    history.AddDoc("http://news.example/a.html", "新闻", "", false);
    history.AddDoc("https://bank.example/", "银行首页", "", false);

    Find<QPlainTextEdit>("MmQVExclusions")
        ->setPlainText(QStringLiteral("# 银行\n*.bank.example\n"));
    messages.answer = true;
    QTest::mouseClick(Find<QPushButton>("BtnQVSaveExclusions"), Qt::LeftButton);
    ASSERT_EQ(messages.asked.size(), 1U);
    EXPECT_NE(messages.asked[0].text.find("2"), std::string::npos);
    EXPECT_EQ(Paths(), std::vector<std::string>{"http://news.example/a.html"});
    for (const std::string& line : main.state().RecentList().Lines()) {
        EXPECT_EQ(line.find("bank"), std::string::npos) << line;
    }
    // GB18030 with CR LF, as every file of the program.
    EXPECT_EQ(ReadConfigFile("exclude.txt"), "# \xd2\xf8\xd0\xd0\r\n*.bank.example\r\n");

    // Saving again asks nothing: no rule is new.
    QTest::mouseClick(Find<QPushButton>("BtnQVSaveExclusions"), Qt::LeftButton);
    EXPECT_EQ(messages.asked.size(), 1U);

    Page("https://mail.bank.example/inbox", "邮件");
    Page("http://news.example/b.html", "新闻二");
    main.scanner().RefreshAllDocs();
    EXPECT_EQ(Paths(), (std::vector<std::string>{"http://news.example/a.html",
                                                 "http://news.example/b.html"}));
    Restart();
    EXPECT_EQ(Find<QPlainTextEdit>("MmQVExclusions")->toPlainText(),
              QStringLiteral("# 银行\n*.bank.example"));
}

TEST_F(PrivacyControlsTest, NoLongerRecordAddsTheNarrowestRuleAndDeletesTheSelection) {
    TFrmMain& main = Start();
    main.timerFirstRun()->stop();
    History& history = main.history();
    history.AddDoc("http://news.example/a.html", "甲", "", false);
    history.AddDoc("http://news.example/b.html", "乙", "", false);
    history.AddDoc("http://www.news.example/c.html", "丙", "", false);
    Find<QTabWidget>("TVControl")->setCurrentIndex(0);
    QTreeView* tree = Find<QTreeView>("TVDoc");
    const QModelIndexList found =
        tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, QStringLiteral("甲"), 1,
                             Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1);
    tree->selectionModel()->setCurrentIndex(found.first(), QItemSelectionModel::ClearAndSelect);

    messages.answer = false;  // keep the other page of the host
    main.docTreeMenu().MnQVNoRecord->trigger();
    ASSERT_EQ(messages.asked.size(), 1U);
    EXPECT_EQ(Paths(), (std::vector<std::string>{"http://news.example/b.html",
                                                 "http://www.news.example/c.html"}));
    EXPECT_EQ(Find<QPlainTextEdit>("MmQVExclusions")->toPlainText(),
              QStringLiteral("news.example"));
    Page("http://news.example/a.html", "甲");
    main.scanner().RefreshAllDocs();
    EXPECT_EQ(Paths().size(), 2U);
}

// The history records a program by its desktop entry; the user names the program.
TEST_F(PrivacyControlsTest, AProgramRuleCoversTheDesktopEntryThatStartsIt) {
    const std::string viewer = files.Write("evince", "#!/bin/sh\n");
    const std::string entry =
        files.Write("org.gnome.Evince.desktop",
                    "[Desktop Entry]\nType=Application\nName=Evince\nExec=env GDK_BACKEND=x11 " +
                        viewer + " %U\n");
    TFrmMain& main = Start();
    main.history().AddDoc(entry, "文档查看器", "", true);
    Find<QPlainTextEdit>("MmQVExclusions")->setPlainText(QString::fromStdString(viewer));
    messages.answer = true;
    QTest::mouseClick(Find<QPushButton>("BtnQVSaveExclusions"), Qt::LeftButton);
    EXPECT_EQ(messages.asked.size(), 1U);
    EXPECT_TRUE(Paths().empty());

    TopWindow window;
    window.id = 1;
    window.visible = true;
    window.title = "report.pdf";
    fakes.desktopWindows->AddWindow(window, viewer);
    AppIdentity application;
    application.path = entry;
    application.programPath = viewer;
    fakes.desktopWindows->SetApplication(1, application);
    main.scanner().RefreshAllDocs();
    EXPECT_TRUE(Paths().empty());
}

// Opening a favourite or a recent entry is a sighting too: not while recording is paused,
// nor when a rule excludes it.
TEST_F(PrivacyControlsTest, OpeningWhilePausedOrExcludedLeavesNoRecentEntry) {
    TFrmMain& main = Start();
    FinishStartup();
    const std::string folder = files.Path();
    Find<QCheckBox>("CbQVPauseRecord")->setChecked(true);
    main.openers().OpenDoc(folder, "文件");
    main.openers().OpenDoc("https://bank.example/", "银行");
    Find<QCheckBox>("CbQVPauseRecord")->setChecked(false);
    Find<QPlainTextEdit>("MmQVExclusions")->setPlainText(QStringLiteral("bank.example"));
    QTest::mouseClick(Find<QPushButton>("BtnQVSaveExclusions"), Qt::LeftButton);
    main.openers().OpenDoc("https://bank.example/", "银行");
    EXPECT_TRUE(main.state().RecentList().Lines().empty());
    main.openers().OpenDoc(folder, "文件");
    EXPECT_EQ(main.state().RecentList().Lines(), std::vector<std::string>{folder + "*|*文件"});
}

TEST(PrivacyExportTest, TheExportButtonWritesTheFileTheUserPicked) {
    test::EnsureQtApp();
    test::TempDir dir;
    IniFile ini(dir.File("defualt.ini"));
    StoredList recent;
    History history(
        ini, recent, [] { return std::string("2026-12-08"); }, nullptr, "/home/u");
    history.AddDoc("http://news.example/a.html", "新闻, \"头条\"", "", false);
    QWidget page;
    PrivacyControls::Services services;
    services.history = &history;
    services.configDir = dir.Path() + "/";
    QString picked = QString::fromStdString(dir.File("历史"));
    services.askExportPath = [&picked] { return picked; };
    const PrivacyWidgets widgets = BuildPrivacyWidgets(&page);
    PrivacyControls controls(widgets, nullptr, services);

    QTest::mouseClick(widgets.BtnQVExportHistory, Qt::LeftButton);
    const std::string csv = dir.Read("历史.csv");  // no known extension: CSV
    EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(csv.find("\"新闻, \"\"头条\"\"\""), std::string::npos);

    picked = QString::fromStdString(dir.File("历史.json"));
    QTest::mouseClick(widgets.BtnQVExportHistory, Qt::LeftButton);
    EXPECT_EQ(dir.Read("历史.json").substr(0, 1), "[");
}

}  // namespace
}  // namespace qarvex
