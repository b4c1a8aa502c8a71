#include "startup/auto_run.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include "capture/scanner.h"
#include "startup/frm_auto_run_set.h"
#include "startup/frm_autorun_doc.h"
#include "store/app_state.h"
#include "store/history.h"
#include "store/list_file.h"
#include "store/strings.h"
#include "support/qt/feature_fixture.h"
#include "views/doc_trees.h"
#include "views/history_tree_model.h"
#include "views/popup_menus.h"

namespace qarvex {
namespace {

using Calls = std::vector<ShellOpenCall>;

std::vector<std::string> OpenedTargets(const Calls& calls) {
    std::vector<std::string> targets;
    for (const ShellOpenCall& call : calls) {
        targets.push_back(call.target);
    }
    return targets;
}

// The auto-run page, the two start-up settings of the settings page and the progress bar.
class AutoRunTest : public test::FeatureFixture {
protected:
    void MakePart() override {
        Trees();
        QWidget* page = Find<QWidget>("TsQVSet");
        AutoRunWidgets widgets;
        widgets.LbAutoRun = Make<QListWidget>("LbAutoRun", page);
        widgets.LbAutoRun->setSelectionMode(QAbstractItemView::ExtendedSelection);
        widgets.RgAutorOpenTypeItem0 = Make<QRadioButton>("RgAutorOpenTypeItem0", page);
        widgets.RgAutorOpenTypeItem1 = Make<QRadioButton>("RgAutorOpenTypeItem1", page);
        widgets.RgAutorOpenTypeItem2 = Make<QRadioButton>("RgAutorOpenTypeItem2", page);
        widgets.BtnQVStart = Make<QToolButton>("BtnQVStart", page);
        widgets.BtnQVAutoRunSet = Make<QToolButton>("BtnQVAutoRunSet", page);
        widgets.CbAutoRunDocs = Make<QCheckBox>("CbAutoRunDocs", page);
        widgets.CbQueryAutoRunDoc = Make<QCheckBox>("CbQueryAutoRunDoc", page);
        widgets.ProgressBar1 = Make<QProgressBar>("ProgressBar1");
        widgets.menu = menu = BuildPmAutoRunList(&Window());
        widgets.dialogParent = &Window();
        // The two settings as the window's start-up load sets them.
        widgets.CbAutoRunDocs->setChecked(autoRunDocs);
        widgets.CbQueryAutoRunDoc->setChecked(queryAutoRunDoc);
        part = new AutoRun(Svc(), Trees(), widgets, Owner());
    }

    // The end of the start: what the start-up preferences ask to reopen.
    void FinishStartup() { part->RunStartupReopen(); }

    AutoRun& Part() {
        Start();
        return *part;
    }
    QListWidget* RunBox() { return Find<QListWidget>("LbAutoRun"); }

    // Runs `answer` on the dialog once it is up modally; a dialog the answer left open is
    // closed so that a failing test cannot hang.
    void WhenDialogShows(const char* name, std::function<void(QDialog&)> answer) {
        QTimer::singleShot(0, &Window(), [this, name, answer] {
            QDialog* dialog = Window().findChild<QDialog*>(QString::fromLatin1(name));
            if (dialog == nullptr || !dialog->isVisible()) {
                ADD_FAILURE() << name << " is not showing";
                if (QWidget* modal = QApplication::activeModalWidget()) {
                    modal->close();
                }
                return;
            }
            answer(*dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << name << " was left open";
                dialog->reject();
            }
        });
    }

    void ChooseKind(int radio) {
        WhenDialogShows("TFrmAutoRunSet", [radio](QDialog& dialog) {
            dialog.findChild<QRadioButton*>(QStringLiteral("RgStartKindItem%1").arg(radio))
                ->setChecked(true);
            QTest::keyClick(&dialog, Qt::Key_Return);
        });
    }

    // A program with a visible window, so that the next scan finds its path open.
    std::string OpenProgram(const std::string& fileName) {
        const std::string path = files.Write(fileName, "#!");
        TopWindow window;
        window.id = static_cast<std::uint64_t>(fakes.desktopWindows->Windows().size() + 1);
        window.visible = true;
        window.title = fileName;
        fakes.desktopWindows->AddWindow(window, path);
        return path;
    }

    void AddRecent(const std::vector<std::string>& newestFirst) {
        StoredList& recent = State().RecentList();
        recent.Clear();
        for (auto it = newestFirst.rbegin(); it != newestFirst.rend(); ++it) {
            recent.InsertLine(0, *it);
            recent.InsertItem(0, AfterFirst(*it, kListSeparator));
        }
    }

    // Web pages "http://hN/" named "pageN", N from 0.
    void AddWebHistory(int count) {
        for (int n = 0; n < count; ++n) {
            Hist().AddDoc("http://h" + std::to_string(n) + "/", "page" + std::to_string(n), {},
                          false);
        }
    }

    std::vector<int> MarkedEntries() {
        std::vector<int> marked;
        const DocTable& docs = Hist().Docs();
        for (std::size_t i = 0; i < docs.size(); ++i) {
            if (docs[i].Selected != 0) {
                marked.push_back(static_cast<int>(i));
            }
        }
        return marked;
    }

    void AnswerAutorunDoc(std::vector<int> rows, const char* button) {
        WhenDialogShows("TFrmAutorunDoc", [rows, button](QDialog& dialog) {
            auto* list = dialog.findChild<QListWidget*>(QStringLiteral("LbSelectDoc"));
            if (!rows.empty()) {
                list->clearSelection();
                for (const int row : rows) {
                    list->item(row)->setSelected(true);
                }
            }
            dialog.findChild<QPushButton*>(QString::fromLatin1(button))->click();
        });
    }

    // The window's "启动后自动打开" and "询问" settings for the next start.
    bool autoRunDocs = false;
    bool queryAutoRunDoc = false;
    AutoRunListMenu menu;
    AutoRun* part = nullptr;
};

TEST_F(AutoRunTest, ListBoxFollowsTheRunList) {
    AddMyRun(State().RunList(), "file:///C:/a/b", "b");
    AddMyRun(State().RunList(), "/usr/bin/tool", "tool");
    ASSERT_EQ(RunBox()->count(), 2);
    EXPECT_EQ(RunBox()->item(0)->text().toStdString(), "tool");
    // Forward slashes stay in the auto-run list.
    EXPECT_EQ(State().RunList().Lines()[1], "C:/a/b*|*b");

    RunBox()->item(0)->setSelected(true);
    QTest::keyClick(RunBox(), Qt::Key_Delete);
    ASSERT_EQ(RunBox()->count(), 1);
    EXPECT_EQ(State().RunList().Lines(), std::vector<std::string>{"C:/a/b*|*b"});
}

TEST_F(AutoRunTest, AddsTheSelectedHistoryNodeUnderItsCaption) {
    Hist().AddDoc("http://host/page", "Page", {}, false);
    Pages()->setCurrentIndex(3);
    QTreeView* tree = Trees().CurrentDocTree();
    tree->setCurrentIndex(Trees().ModelOf(tree)->index(0, 0, {}));
    const std::string caption = Trees().ModelOf(tree)->NodeAt(tree->currentIndex())->Caption();

    Part().MnAddToRunListClick();
    Part().MnAddToRunListClick();
    const std::string line = "http://host/page*|*" + caption;
    EXPECT_EQ(State().RunList().Lines(), (std::vector<std::string>{line, line}));
}

TEST_F(AutoRunTest, OpenAndOpenFolderUseTheCurrentLine) {
    const std::string doc = files.Write("doc.txt", "x");
    AddMyRun(State().RunList(), "C:/gone/x.txt", "gone");
    AddMyRun(State().RunList(), doc, "doc");
    RunBox()->setCurrentRow(0);
    QTest::keyClick(RunBox(), Qt::Key_Return);
    menu.MnOpenDirInAutoRUn->trigger();
    EXPECT_EQ(OpenedTargets(fakes.shellOpen->Calls()),
              (std::vector<std::string>{doc, files.Path() + "/"}));

    // A Windows-form folder that is not there opens nothing and says nothing.
    fakes.shellOpen->ClearCalls();
    RunBox()->setCurrentRow(1);
    menu.MnOpenDirInAutoRUn->trigger();
    RunBox()->setCurrentRow(-1);
    menu.N38->trigger();
    EXPECT_TRUE(fakes.shellOpen->Calls().empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(AutoRunTest, RecentDocumentsReopenTheTenNewestLocalOnes) {
    std::vector<std::string> lines;
    for (int n = 15; n >= 1; --n) {
        lines.push_back("C:\\docs\\f" + std::to_string(n) + ".txt*|*f" + std::to_string(n));
        if (n == 14) {
            // Web pages and resource addresses are skipped without being counted.
            lines.push_back("http://w/x*|*web");
            lines.push_back("https://w/y*|*web");
            lines.push_back("res://shell/x*|*res");
            lines.push_back("C:\\docs\\page.htm*|*numbered*2*1");
            lines.push_back("line without separator");
        }
    }
    AddRecent(lines);

    ChooseKind(TFrmAutoRunSet::kRecentDocuments);
    Find<QToolButton>("BtnQVStart")->click();

    std::vector<std::string> expected;
    for (int n = 15; n >= 6; --n) {
        expected.push_back("C:\\docs\\f" + std::to_string(n) + ".txt");
    }
    EXPECT_EQ(OpenedTargets(fakes.shellOpen->Calls()), expected);
}

TEST_F(AutoRunTest, OpenDocumentsAreSkippedAndNotCounted) {
    const std::string open = OpenProgram("editor");
    std::vector<std::string> lines = {open + "*|*editor"};
    for (int n = 1; n <= 11; ++n) {
        lines.push_back("C:\\d\\f" + std::to_string(n) + ".txt*|*f");
    }
    AddRecent(lines);
    Scan().CollectOpenPrograms();
    ASSERT_TRUE(Scan().IsDocumentOpen(open));

    Part().ReopenRecentDocuments();

    const std::vector<std::string> opened = OpenedTargets(fakes.shellOpen->Calls());
    ASSERT_EQ(opened.size(), 10u);
    EXPECT_EQ(opened.front(), "C:\\d\\f1.txt");
    EXPECT_EQ(opened.back(), "C:\\d\\f10.txt");
}

TEST_F(AutoRunTest, ClosingTheChoiceOpensNothing) {
    AddRecent({"C:\\d\\a.txt*|*a"});
    State().FavList().InsertLine(0, "C:\\d\\b.txt*|*b");
    const std::vector<std::function<void(QDialog&)>> closings = {
        [](QDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); },
        [](QDialog& dialog) {
            dialog.findChild<QPushButton*>(QStringLiteral("BtnClose"))->click();
        },
        [](QDialog& dialog) { dialog.close(); },
    };
    for (std::size_t i = 0; i < closings.size(); ++i) {
        SCOPED_TRACE(i);
        // A confirmed choice first: closing must not fall back on it.
        ChooseKind(TFrmAutoRunSet::kFavourites);
        EXPECT_EQ(Part().ChooseStartupKind(), TFrmAutoRunSet::kFavourites);
        WhenDialogShows("TFrmAutoRunSet", [&](QDialog& dialog) {
            dialog.findChild<QRadioButton*>(QStringLiteral("RgStartKindItem0"))->setChecked(true);
            closings[i](dialog);
        });
        Find<QToolButton>("BtnQVStart")->click();
        EXPECT_EQ(Part().autoRunSet()->Result(), TFrmAutoRunSet::kNothing);
    }
    EXPECT_TRUE(fakes.shellOpen->Calls().empty());
}

TEST_F(AutoRunTest, FavouritesReopenEveryOneNotOpenIncludingWebPages) {
    const std::string open = OpenProgram("viewer");
    const std::string file = files.Write("notes.txt", "n");
    StoredList& fav = State().FavList();
    for (const std::string& line :
         {std::string("https://example.org/*|*Example"), open + "*|*viewer", file + "*|*notes",
          std::string("C:\\d\\a.txt*|*a")}) {
        fav.InsertLine(fav.LineCount(), line);
        fav.InsertItem(fav.ItemCount(), AfterFirst(line, kListSeparator));
    }
    Scan().CollectOpenPrograms();

    ChooseKind(TFrmAutoRunSet::kFavourites);
    Find<QToolButton>("BtnQVStart")->click();

    EXPECT_EQ(OpenedTargets(fakes.shellOpen->Calls()),
              (std::vector<std::string>{"https://example.org/", file, "C:\\d\\a.txt"}));
}

TEST_F(AutoRunTest, ChoosingDocumentsSetsTheMarksAndTheSecondButtonClearsThem) {
    AddWebHistory(6);
    Hist().SetSelected(1, true);

    // The list comes up with the marked entry selected.
    WhenDialogShows("TFrmAutorunDoc", [](QDialog& dialog) {
        auto* list = dialog.findChild<QListWidget*>(QStringLiteral("LbSelectDoc"));
        EXPECT_EQ(list->count(), 6);
        EXPECT_EQ(list->item(2)->text().toStdString(), "page2");
        EXPECT_EQ(list->selectedItems().size(), 1);
        EXPECT_TRUE(list->item(1)->isSelected());
        dialog.reject();
    });
    Find<QToolButton>("BtnQVAutoRunSet")->click();
    EXPECT_EQ(MarkedEntries(), std::vector<int>{1});  // closing changes nothing

    AnswerAutorunDoc({0, 2, 5}, "BtnConfirm");
    Find<QToolButton>("BtnQVAutoRunSet")->click();
    EXPECT_EQ(MarkedEntries(), (std::vector<int>{0, 2, 5}));

    AnswerAutorunDoc({}, "BtnClearSelected");
    Find<QToolButton>("BtnQVAutoRunSet")->click();
    EXPECT_TRUE(MarkedEntries().empty());
    EXPECT_EQ(Part().autorunDoc(), Window().findChild<TFrmAutorunDoc*>());  // made once
}

TEST_F(AutoRunTest, SelectAllAndClickingInTheList) {
    AddWebHistory(3);
    WhenDialogShows("TFrmAutorunDoc", [this](QDialog& dialog) {
        auto* list = dialog.findChild<QListWidget*>(QStringLiteral("LbSelectDoc"));
        auto* all = dialog.findChild<QCheckBox*>(QStringLiteral("CbSelectAll"));
        all->setChecked(true);
        EXPECT_EQ(list->selectedItems().size(), 3);
        // Picking by hand drops "select all" and the selection it made.
        dialog.show();
        list->doItemsLayout();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(1)).center());
        EXPECT_FALSE(all->isChecked());
        EXPECT_TRUE(list->selectedItems().isEmpty());
        // A double-click opens the entry's address.
        emit static_cast<TFrmAutorunDoc&>(dialog).EntryDoubleClicked(2);
        EXPECT_EQ(OpenedTargets(fakes.shellOpen->Calls()), std::vector<std::string>{"http://h2/"});
        dialog.reject();
    });
    Find<QToolButton>("BtnQVAutoRunSet")->click();
}

TEST_F(AutoRunTest, DontAskAgainIsTheOppositeOfAskingAtStart) {
    QCheckBox* query = Find<QCheckBox>("CbQueryAutoRunDoc");
    query->setChecked(true);
    WhenDialogShows("TFrmAutorunDoc", [](QDialog& dialog) {
        auto* notQuery = dialog.findChild<QCheckBox*>(QStringLiteral("CbNotQuery"));
        EXPECT_FALSE(notQuery->isChecked());
        notQuery->click();
        dialog.reject();
    });
    Find<QToolButton>("BtnQVAutoRunSet")->click();
    EXPECT_FALSE(query->isChecked());
}

// The start-up reopen: which documents come back for each setting of the preferences.
class StartupReopenTest : public AutoRunTest {
protected:
    // A first run that records four web pages, marks `marked`, sets the preferences and
    // leaves `recent` as the recent list; the second start's reopen is what is tested.
    void FirstRun(const std::vector<int>& marked, bool autoRun, bool query) {
        AddWebHistory(4);
        if (!marked.empty()) {
            AnswerAutorunDoc(marked, "BtnConfirm");
            Find<QToolButton>("BtnQVAutoRunSet")->click();
        }
        AddMyRecent(State().RecentList(), "C:\\d\\recent.txt", "recent");
        autoRunDocs = autoRun;
        queryAutoRunDoc = query;
        Restart();
        fakes.shellOpen->ClearCalls();
    }
};

TEST_F(StartupReopenTest, NothingWhenAutoRunIsOff) {
    FirstRun({1, 3}, false, false);
    FinishStartup();
    EXPECT_TRUE(fakes.shellOpen->Calls().empty());
    // The marks are known again all the same, ready for the dialog.
    EXPECT_EQ(MarkedEntries(), (std::vector<int>{1, 3}));
}

TEST_F(StartupReopenTest, MarkedEntriesOpenWithoutAsking) {
    FirstRun({1, 3}, true, false);
    FinishStartup();
    EXPECT_EQ(OpenedTargets(fakes.shellOpen->Calls()),
              (std::vector<std::string>{"http://h1/", "http://h3/"}));
    // Once per run.
    Part().RunStartupReopen();
    EXPECT_EQ(fakes.shellOpen->Calls().size(), 2u);
}

TEST_F(StartupReopenTest, RecentDocumentsWhenNothingIsMarked) {
    FirstRun({}, true, false);
    FinishStartup();
    EXPECT_EQ(OpenedTargets(fakes.shellOpen->Calls()),
              std::vector<std::string>{"C:\\d\\recent.txt"});
}

TEST_F(StartupReopenTest, AskingOpensWhatTheUserConfirms) {
    FirstRun({1}, true, true);
    AnswerAutorunDoc({0, 2}, "BtnConfirm");
    FinishStartup();
    EXPECT_EQ(OpenedTargets(fakes.shellOpen->Calls()),
              (std::vector<std::string>{"http://h0/", "http://h2/"}));
}

TEST_F(StartupReopenTest, AskingAndClosingOpensNothing) {
    FirstRun({1}, true, true);
    WhenDialogShows("TFrmAutorunDoc", [](QDialog& dialog) { dialog.reject(); });
    FinishStartup();
    EXPECT_TRUE(fakes.shellOpen->Calls().empty());
}

TEST_F(StartupReopenTest, TheStoredChoiceDecidesWhatReopensQuietlyAndOnce) {
    const std::string folder = files.Path();
    const std::string gone = folder + "/gone.txt";
    State().LastRunList() = {folder, "http://h9/", gone, folder};
    AddMyLove(State().FavList(), "http://fav/", "fav");
    AddMyLove(State().FavList(), gone, "gone");
    AddMyLove(State().FavList(), "http://fav/", "fav again");
    autoRunDocs = true;
    Find<QRadioButton>("RgAutorOpenTypeItem0")->click();
    Restart();
    fakes.shellOpen->ClearCalls();
    EXPECT_TRUE(Find<QRadioButton>("RgAutorOpenTypeItem0")->isChecked());
    FinishStartup();
    EXPECT_EQ(OpenedTargets(fakes.shellOpen->Calls()),
              (std::vector<std::string>{folder, "http://h9/"}));
    EXPECT_TRUE(messages.shown.empty());

    Find<QRadioButton>("RgAutorOpenTypeItem1")->click();
    Restart();
    fakes.shellOpen->ClearCalls();
    EXPECT_TRUE(Find<QRadioButton>("RgAutorOpenTypeItem1")->isChecked());
    FinishStartup();
    EXPECT_EQ(OpenedTargets(fakes.shellOpen->Calls()), std::vector<std::string>{"http://fav/"});
    EXPECT_TRUE(messages.shown.empty());
}

// The close-time scan writes an open folder as the file manager's address.
TEST_F(StartupReopenTest, AFolderWrittenAsAnAddressReopensByItsPath) {
    const std::string folder = files.Path() + "/My Docs";
    std::filesystem::create_directories(folder);
    State().LastRunList() = {"file://" + ReplaceAll(folder, " ", "%20")};
    autoRunDocs = true;
    Find<QRadioButton>("RgAutorOpenTypeItem0")->click();
    Restart();
    fakes.shellOpen->ClearCalls();
    FinishStartup();
    EXPECT_EQ(OpenedTargets(fakes.shellOpen->Calls()), std::vector<std::string>{folder});
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(StartupReopenTest, DamagedMarksInTheSettingsAreIgnored) {
    autoRunDocs = true;
    WriteConfigFile("defualt.ini",
                    "[default]\r\n[docs]\r\npath0=http://a/\r\nname0=a\r\n"
                    "doctype0=1\r\nselected0=yes\r\npath1=http://b/\r\nname1=b\r\ndoctype1=1\r\n"
                    "selected1=1\r\nselected7=1\r\n");
    Start();
    FinishStartup();
    EXPECT_EQ(MarkedEntries(), std::vector<int>{1});
    EXPECT_EQ(OpenedTargets(fakes.shellOpen->Calls()), std::vector<std::string>{"http://b/"});
}

}  // namespace
}  // namespace qarvex
