#include "views/privacy_controls.h"

#include <filesystem>

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
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
#include "store/settings.h"
#include "store/stored_list.h"
#include "support/qt/feature_fixture.h"
#include "support/qt/qt_app.h"
#include "views/doc_trees.h"
#include "views/history_tree_model.h"
#include "views/popup_menus.h"

namespace qarvex {
namespace {

// The settings page's controls and the tray item, the scan asking them as in the program.
class PrivacyControlsTest : public test::FeatureFixture {
protected:
    void MakePart() override {
        Trees();
        trayMenu = BuildPopMenu(&Window());
        PrivacyControls::Services services;
        services.settings = &State().Settings();
        services.configDir = State().ConfigDir();
        services.home = files.Path();
        services.history = &Hist();
        services.recent = &State().RecentList();
        services.messages = &messages;
        services.bulkChange = [this](const std::function<void()>& change) {
            Trees().BulkHistoryChange(change);
        };
        part = new PrivacyControls(BuildPrivacyWidgets(Find<QWidget>("TsQVSet")),
                                   trayMenu.MnQVPauseRecord, std::move(services), Owner());
        isPaused = [this] { return part->IsPaused(); };
        isExcluded = [this](const std::string& address, const std::string& name, bool software) {
            return part->IsExcluded(address, name, software);
        };
        recordRecentFiles = [this] { return part->RecordsRecentFiles(); };
        part->Load();
        icon = new QSystemTrayIcon(&Window());
        part->AttachTrayIcon(icon, QStringLiteral("ZEQQarvex"));
    }

    std::vector<std::string> Paths() {
        std::vector<std::string> paths;
        for (const TMyDoc& doc : Hist().Docs()) {
            paths.push_back(doc.Path);
        }
        return paths;
    }
    void Page(const std::string& url, const std::string& title) {
        fakes.shellWindows->AddWindow(ShellWindow{url, true, true, title});
    }

    TrayMenu trayMenu;
    PrivacyControls* part = nullptr;
    QSystemTrayIcon* icon = nullptr;
};

TEST_F(PrivacyControlsTest, PauseBoxAndTrayItemAgreeStopTheScanAndSurviveARestart) {
    auto* box = Find<QCheckBox>("CbQVPauseRecord");
    QAction* item = trayMenu.MnQVPauseRecord;
    ASSERT_TRUE(box && item);
    EXPECT_FALSE(box->isChecked());
    box->setChecked(true);
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(icon->toolTip(), QStringLiteral("Qarvex (已暂停记录)"));
    EXPECT_TRUE(IniFile(ConfigFile("defualt.ini")).ReadBool("default", "PauseRecord", false));

    Page("http://site.example/a.html", "A");
    Scan().RefreshAllDocs();
    EXPECT_TRUE(Hist().Docs().empty());
    EXPECT_TRUE(State().RecentList().Lines().empty());

    Restart();
    EXPECT_TRUE(Find<QCheckBox>("CbQVPauseRecord")->isChecked());
    EXPECT_TRUE(trayMenu.MnQVPauseRecord->isChecked());
    trayMenu.MnQVPauseRecord->trigger();
    EXPECT_FALSE(Find<QCheckBox>("CbQVPauseRecord")->isChecked());
    EXPECT_EQ(icon->toolTip(), QStringLiteral("ZEQQarvex"));
    Scan().RefreshAllDocs();
    EXPECT_EQ(Paths(), std::vector<std::string>{"http://site.example/a.html"});
}

TEST_F(PrivacyControlsTest, UntickedRecentFilesStayUnrecordedAfterARestartAndTickingAgain) {
    const std::string whileOff = files.Write("报告.txt", "");
    fakes.recentDocuments->SetDocuments({{"file://" + whileOff, 1765000000}});
    auto* box = Find<QCheckBox>("CbQVRecordRecentFiles");
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isChecked());
    box->setChecked(false);
    Scan().RefreshAllDocs();
    EXPECT_TRUE(Hist().Docs().empty());

    Restart();
    EXPECT_FALSE(Find<QCheckBox>("CbQVRecordRecentFiles")->isChecked());
    Find<QCheckBox>("CbQVRecordRecentFiles")->setChecked(true);
    Scan().RefreshAllDocs();
    EXPECT_TRUE(Hist().Docs().empty());
    const std::string afterwards = files.Write("计划.txt", "");
    fakes.recentDocuments->SetDocuments(
        {{"file://" + whileOff, 1765000000}, {"file://" + afterwards, 1765000100}});
    Scan().RefreshAllDocs();
    EXPECT_EQ(Paths(), std::vector<std::string>{afterwards});
}

TEST_F(PrivacyControlsTest, ANewRuleIsStoredAndOffersToDeleteWhatItAlreadyMatches) {
    History& history = Hist();
    history.AddDoc("https://www.bank.example/login", "银行", "", false);
    history.AddDoc("http://news.example/a.html", "新闻", "", false);
    history.AddDoc("https://bank.example/", "银行首页", "", false);

    Find<QPlainTextEdit>("MmQVExclusions")
        ->setPlainText(QStringLiteral("# 银行\n*.bank.example\n"));
    messages.answer = true;
    QTest::mouseClick(Find<QPushButton>("BtnQVSaveExclusions"), Qt::LeftButton);
    ASSERT_EQ(messages.asked.size(), 1U);
    EXPECT_EQ(messages.asked[0].text, "历史中已有2条记录符合新加的规则，要删除它们吗？");
    EXPECT_EQ(Paths(), std::vector<std::string>{"http://news.example/a.html"});
    for (const std::string& line : State().RecentList().Lines()) {
        EXPECT_EQ(line.find("bank"), std::string::npos) << line;
    }
    // GB18030 with CR LF, as every file of the program.
    EXPECT_EQ(ReadConfigFile("exclude.txt"), "# \xd2\xf8\xd0\xd0\r\n*.bank.example\r\n");

    // Saving again asks nothing: no rule is new.
    QTest::mouseClick(Find<QPushButton>("BtnQVSaveExclusions"), Qt::LeftButton);
    EXPECT_EQ(messages.asked.size(), 1U);

    Page("https://mail.bank.example/inbox", "邮件");
    Page("http://news.example/b.html", "新闻二");
    Scan().RefreshAllDocs();
    EXPECT_EQ(Paths(), (std::vector<std::string>{"http://news.example/a.html",
                                                 "http://news.example/b.html"}));
    Restart();
    EXPECT_EQ(Find<QPlainTextEdit>("MmQVExclusions")->toPlainText(),
              QStringLiteral("# 银行\n*.bank.example"));
}

TEST_F(PrivacyControlsTest, NoLongerRecordAddsTheNarrowestRuleAndDeletesTheSelection) {
    History& history = Hist();
    history.AddDoc("http://news.example/a.html", "甲", "", false);
    history.AddDoc("http://news.example/b.html", "乙", "", false);
    history.AddDoc("http://www.news.example/c.html", "丙", "", false);
    Pages()->setCurrentIndex(0);
    QTreeView* tree = Find<QTreeView>("TVDoc");
    const QModelIndexList found =
        tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, QStringLiteral("甲"), 1,
                             Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1);
    tree->selectionModel()->setCurrentIndex(found.first(), QItemSelectionModel::ClearAndSelect);

    messages.answer = false;  // keep the other page of the host
    part->NoLongerRecord(Trees().SelectedDocIndexes());
    ASSERT_EQ(messages.asked.size(), 1U);
    EXPECT_EQ(Paths(), (std::vector<std::string>{"http://news.example/b.html",
                                                 "http://www.news.example/c.html"}));
    EXPECT_EQ(Find<QPlainTextEdit>("MmQVExclusions")->toPlainText(),
              QStringLiteral("news.example"));
    Page("http://news.example/a.html", "甲");
    Scan().RefreshAllDocs();
    EXPECT_EQ(Paths().size(), 2U);
}

// Lowering the bound below what the history holds loses entries: only once the user agrees,
// and the newest stay. The bound survives a restart.
TEST_F(PrivacyControlsTest, LoweringTheBoundAsksFirstAndKeepsTheNewest) {
    for (int n = 0; n < 30; ++n) {
        Hist().AddDoc("http://h/" + std::to_string(n), "p" + std::to_string(n), "", false);
    }
    auto* bound = Find<QSpinBox>("SeQVMaxDocs");
    ASSERT_NE(bound, nullptr);
    bound->setValue(20);
    messages.answer = false;
    emit bound->editingFinished();
    EXPECT_EQ(messages.asked.size(), 1U);
    EXPECT_EQ(Hist().Docs().size(), 30U);
    EXPECT_EQ(bound->value(), kDefaultMaxDocs);

    bound->setValue(20);
    messages.answer = true;
    emit bound->editingFinished();
    ASSERT_EQ(Hist().Docs().size(), 19U);
    EXPECT_EQ(Hist().Docs().front().Path, "http://h/11");
    Restart();
    EXPECT_EQ(Find<QSpinBox>("SeQVMaxDocs")->value(), 20);
    EXPECT_EQ(Hist().Limits().maxDocs, 20U);
}

// The history records a program by its desktop entry; the user names the program.
TEST_F(PrivacyControlsTest, AProgramRuleCoversTheDesktopEntryThatStartsIt) {
    const std::string viewer = files.Write("evince", "#!/bin/sh\n");
    const std::string entry =
        files.Write("org.gnome.Evince.desktop",
                    "[Desktop Entry]\nType=Application\nName=Evince\nExec=env GDK_BACKEND=x11 " +
                        viewer + " %U\n");
    Hist().AddDoc(entry, "文档查看器", "", true);
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
    Scan().RefreshAllDocs();
    EXPECT_TRUE(Paths().empty());
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
