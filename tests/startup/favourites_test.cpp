#include "startup/favourites.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDropEvent>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include "store/app_state.h"
#include "store/history.h"
#include "store/list_file.h"
#include "store/strings.h"
#include "store/text_file.h"
#include "store/text_tables.h"
#include "support/qt/feature_fixture.h"
#include "views/doc_trees.h"
#include "views/history_tree_model.h"
#include "views/popup_menus.h"

namespace qarvex {
namespace {

using Calls = std::vector<ShellOpenCall>;

// The favourites page with its edit bar, as the window lays it out.
class FavouritesTest : public test::FeatureFixture {
protected:
    void MakePart() override {
        Trees();
        QWidget* page = Find<QWidget>("TsQVFav");
        FavouritesWidgets widgets;
        widgets.LbMyLove = Make<QListWidget>("LbMyLove", page);
        widgets.LbMyLove->setSelectionMode(QAbstractItemView::ExtendedSelection);
        page->layout()->addWidget(widgets.LbMyLove);
        widgets.CbFavEdit = Make<QCheckBox>("CbFavEdit", page);
        widgets.PnlNewFav = Make<QFrame>("PnlNewFav", page);
        widgets.EdtNewFavDisplay = Make<QLineEdit>("EdtNewFavDisplay", widgets.PnlNewFav);
        widgets.EdtNewFavPath = Make<QLineEdit>("EdtNewFavPath", widgets.PnlNewFav);
        widgets.BtnQVAddToFav = Make<QToolButton>("BtnQVAddToFav", widgets.PnlNewFav);
        widgets.BtnQVUpdateFav = Make<QToolButton>("BtnQVUpdateFav", widgets.PnlNewFav);
        widgets.PnlHint = Make<QLabel>("PnlHint");
        widgets.menu = menu = BuildPmMyFav(&Window());
        part = new Favourites(Svc(), Trees(), widgets, Owner());
    }

    QListWidget* Box() { return Find<QListWidget>("LbMyLove"); }
    StoredList& Fav() { return State().FavList(); }

    std::vector<std::string> BoxItems() {
        std::vector<std::string> items;
        for (int i = 0; i < Box()->count(); ++i) {
            items.push_back(Box()->item(i)->text().toStdString());
        }
        return items;
    }

    // Saves as at exit and gives the lines of fav.dat as stored.
    std::vector<std::string> SavedFavLines() {
        Stop();
        return ReadTextLines(ConfigFile("fav.dat")).value_or(std::vector<std::string>{});
    }

    void AddFavourites(const std::vector<std::string>& lines) {
        // Oldest first, so that the first given ends on top.
        for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
            Fav().InsertLine(0, *it);
            Fav().InsertItem(0, AfterFirst(*it, kListSeparator));
        }
    }

    void SelectRows(const std::vector<int>& rows) {
        Box()->clearSelection();
        for (const int row : rows) {
            Box()->item(row)->setSelected(true);
        }
    }

    void SendDrop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Box()->viewport(), &drop);
    }

    bool DragIsAccepted(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Box()->viewport(), &enter);
        return enter.isAccepted();
    }

    // Makes the favourites page current and lays out its items, so positions mean items.
    void ShowFavouritesPage() {
        Pages()->setCurrentIndex(4);
        Window().show();
        Box()->doItemsLayout();
    }

    void SendMouse(QEvent::Type type, Qt::MouseButton button, const QPoint& at) {
        QMouseEvent event(type, QPointF(at), QPointF(Box()->viewport()->mapToGlobal(at)), button,
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::MouseButtons(button),
                          Qt::NoModifier);
        QCoreApplication::sendEvent(Box()->viewport(), &event);
    }

    QPoint CentreOfRow(int row) { return Box()->visualItemRect(Box()->item(row)).center(); }
    QPoint BelowTheItems() {
        const QRect last = Box()->visualItemRect(Box()->item(Box()->count() - 1));
        return QPoint(last.center().x(), last.bottom() + 40);
    }

    FavMenu menu;
    Favourites* part = nullptr;
};

TEST_F(FavouritesTest, AddingHistoryNodeCutsFileAddressAndKeepsDuplicates) {
    Hist().AddDoc("file:///C:/a/b.txt", "b.txt", {}, false);
    Pages()->setCurrentIndex(2);  // folders and files
    QTreeView* tree = Trees().CurrentDocTree();
    HistoryTreeModel* model = Trees().ModelOf(tree);
    ASSERT_NE(model, nullptr);
    ASSERT_GT(model->rowCount({}), 0);
    tree->setCurrentIndex(model->index(0, 0, {}));
    const std::string caption = model->NodeAt(model->index(0, 0, {}))->Caption();

    part->MyMyLoveClick();
    part->MyMyLoveClick();

    const std::string expected = "C:\\a\\b.txt*|*" + ReplaceAll(caption, "/", "\\");
    EXPECT_EQ(SavedFavLines(), (std::vector<std::string>{expected, expected}));
}

TEST_F(FavouritesTest, AddingWithoutSelectedNodeOrTreeDoesNothing) {
    Hist().AddDoc("http://host/page", "Page", {}, false);
    Pages()->setCurrentIndex(0);
    Trees().CurrentDocTree()->clearSelection();
    Trees().CurrentDocTree()->setCurrentIndex({});
    part->MyMyLoveClick();
    Pages()->setCurrentIndex(4);  // a page without a tree
    part->MyMyLoveClick();
    EXPECT_EQ(Fav().LineCount(), 0);
    EXPECT_EQ(Box()->count(), 0);
}

TEST_F(FavouritesTest, DroppedFilesBecomeFavouritesLastOnTopWithOneBeep) {
    const std::string a = files.Write("a.txt", "a");
    const std::string b = files.Write("b b.txt", "b");
    const std::string c = files.Write("文档.txt", "c");
    const QList<QUrl> urls = {QUrl::fromLocalFile(QString::fromStdString(a)),
                              QUrl::fromLocalFile(QString::fromStdString(b)),
                              QUrl::fromLocalFile(QString::fromStdString(c))};
    EXPECT_TRUE(DragIsAccepted(urls));
    SendDrop(urls);

    EXPECT_EQ(BoxItems(), (std::vector<std::string>{c, b, a}));
    EXPECT_EQ(fakes.environment->BeepCount(), 1);
    EXPECT_EQ(SavedFavLines(),
              (std::vector<std::string>{c + "*|*" + c, b + "*|*" + b, a + "*|*" + a}));
}

TEST_F(FavouritesTest, DropWithoutLocalFilesIsRefusedQuietly) {
    const QList<QUrl> web = {QUrl(QStringLiteral("https://example.org/page"))};
    EXPECT_FALSE(DragIsAccepted(web));
    SendDrop(web);
    SendDrop({});
    EXPECT_EQ(Box()->count(), 0);
    EXPECT_EQ(fakes.environment->BeepCount(), 0);
}

TEST_F(FavouritesTest, DeleteKeyRemovesTheSelectedItemsAndTheirLines) {
    AddFavourites({"p0*|*n0", "p1*|*n1", "p2*|*n2", "p3*|*n3"});
    SelectRows({1, 2});
    Find<QLineEdit>("EdtNewFavPath")->setText(QStringLiteral("p1"));
    QTest::keyClick(Box(), Qt::Key_Delete);

    EXPECT_EQ(BoxItems(), (std::vector<std::string>{"n0", "n3"}));
    EXPECT_TRUE(Find<QLineEdit>("EdtNewFavPath")->text().isEmpty());
    EXPECT_EQ(SavedFavLines(), (std::vector<std::string>{"p0*|*n0", "p3*|*n3"}));
}

TEST_F(FavouritesTest, DeleteMissingKeepsOnlyExistingPaths) {
    const std::string gone1 = files.Write("gone1.txt", "x");
    const std::string gone2 = files.Write("gone2.txt", "x");
    const std::string folder = files.Path();
    AddFavourites({gone1 + "*|*g1", gone2 + "*|*g2", folder + "*|*dir",
                   "https://example.org/*|*web", "*|*empty"});
    std::filesystem::remove(gone1);
    std::filesystem::remove(gone2);

    menu.MnQVDeleteNotExistsDoc->trigger();

    EXPECT_EQ(BoxItems(), (std::vector<std::string>{"dir"}));
    EXPECT_EQ(SavedFavLines(), (std::vector<std::string>{folder + "*|*dir"}));
}

TEST_F(FavouritesTest, UpdateChangesTheCurrentItemInPlace) {
    AddFavourites({"C:\\p0*|*n0", "C:\\p1*|*n1", "C:\\p2*|*n2"});
    Box()->setCurrentRow(1);
    menu.MnUpdateFav->trigger();
    EXPECT_EQ(Find<QLineEdit>("EdtNewFavDisplay")->text().toStdString(), "n1");
    EXPECT_EQ(Find<QLineEdit>("EdtNewFavPath")->text().toStdString(), "C:\\p1");

    Find<QLineEdit>("EdtNewFavDisplay")->setText(QStringLiteral("  新名称 "));
    Find<QToolButton>("BtnQVUpdateFav")->click();
    EXPECT_EQ(BoxItems(), (std::vector<std::string>{"n0", "新名称", "n2"}));
    EXPECT_TRUE(Find<QLineEdit>("EdtNewFavDisplay")->text().isEmpty());
    EXPECT_TRUE(Find<QLineEdit>("EdtNewFavPath")->text().isEmpty());
    EXPECT_TRUE(Find<QLabel>("PnlHint")->text().isEmpty());

    Box()->setCurrentRow(-1);
    Find<QLineEdit>("EdtNewFavDisplay")->setText(QStringLiteral("other"));
    Find<QToolButton>("BtnQVUpdateFav")->click();
    EXPECT_EQ(SavedFavLines(),
              (std::vector<std::string>{"C:\\p0*|*n0", "C:\\p1*|*新名称", "C:\\p2*|*n2"}));
}

TEST_F(FavouritesTest, AddFromEditBarRefusesARelativePathSayingWhyAndClearsTheBar) {
    AddFavourites({"old*|*old"});
    menu.MnNewToFav->trigger();
    auto* name = Find<QLineEdit>("EdtNewFavDisplay");
    auto* path = Find<QLineEdit>("EdtNewFavPath");
    name->setText(QStringLiteral("Downloads"));
    path->setText(QStringLiteral(" loads "));
    Find<QToolButton>("BtnQVAddToFav")->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("“loads”"), std::string::npos);
    EXPECT_EQ(path->text(), QStringLiteral(" loads ")) << "what was typed stays to be mended";

    for (const std::string& kept : {std::string("file:///C:/x"), files.Path()}) {
        name->setText(QStringLiteral(" Name "));
        path->setText(QString::fromStdString(" " + kept + " "));
        Find<QToolButton>("BtnQVAddToFav")->click();
        EXPECT_TRUE(name->text().isEmpty() && path->text().isEmpty());
    }
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(SavedFavLines(), (std::vector<std::string>{files.Path() + "*|*Name",
                                                         "file:///C:/x*|*Name", "old*|*old"}));
}

TEST_F(FavouritesTest, OpeningUsesTheCurrentLineWithFileAddressesCut) {
    struct Case {
        std::string line;
        Calls expected;
    };
    const std::vector<Case> cases = {
        {"file:///C:/d/a.txt*|*a", {ShellOpenCall::MakeOpen("C:\\d\\a.txt")}},
        {"file:///tmp/q/a.txt*|*a", {ShellOpenCall::MakeOpen("/tmp/q/a.txt")}},
        {"https://example.org/x*|*web", {ShellOpenCall::MakeOpen("https://example.org/x")}},
        {"no separator here", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Fav().Clear();
        Box()->clear();
        AddFavourites({c.line});
        Box()->setCurrentRow(0);
        fakes.shellOpen->ClearCalls();
        QTest::keyClick(Box(), Qt::Key_Return);
        EXPECT_EQ(fakes.shellOpen->Calls(), c.expected);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FavouritesTest, OpenKeysAndMenuOpenTheCurrentItemOnly) {
    AddFavourites({"C:\\d\\one.txt*|*one", "C:\\d\\two.txt*|*two"});
    Box()->setCurrentRow(-1);
    QTest::keyClick(Box(), Qt::Key_Space);
    EXPECT_TRUE(fakes.shellOpen->Calls().empty());

    Box()->setCurrentRow(1);
    QTest::keyClick(Box(), Qt::Key_Space);
    menu.MnOpenMyFavDoc->trigger();
    EXPECT_EQ(fakes.shellOpen->Calls(), (Calls{ShellOpenCall::MakeOpen("C:\\d\\two.txt"),
                                               ShellOpenCall::MakeOpen("C:\\d\\two.txt")}));
    // The opened document is remembered as recent.
    EXPECT_TRUE(IsInRecentList(State().RecentList(), "C:\\d\\two.txt"));
}

TEST_F(FavouritesTest, HintShowsPathAndNameOfTheItemUnderThePointer) {
    EXPECT_EQ(FavouriteHint("C:\\x*|*X"), "所在路径『C:\\x』 文档名称『X』");
    EXPECT_EQ(FavouriteHint("file:///C:/x*|*X"), "所在路径『C:/x』 文档名称『X』");

    AddFavourites({"C:\\x*|*X", "/home/u/b*|*B"});
    ShowFavouritesPage();
    SendMouse(QEvent::MouseMove, Qt::NoButton, CentreOfRow(0));
    EXPECT_EQ(Find<QLabel>("PnlHint")->text().toStdString(), "所在路径『C:\\x』 文档名称『X』");
    SendMouse(QEvent::MouseMove, Qt::NoButton, BelowTheItems());
    EXPECT_EQ(Find<QLabel>("PnlHint")->text().toStdString(), "所在路径『C:\\x』 文档名称『X』");
}

TEST_F(FavouritesTest, RightButtonSelectsExactlyTheItemUnderThePointer) {
    AddFavourites({"a*|*a", "b*|*b", "c*|*c"});
    ShowFavouritesPage();
    SelectRows({0, 1});
    SendMouse(QEvent::MouseButtonPress, Qt::RightButton, CentreOfRow(2));
    EXPECT_EQ(Box()->selectedItems().size(), 1);
    EXPECT_TRUE(Box()->item(2)->isSelected());
    EXPECT_EQ(Box()->currentRow(), 2);

    SendMouse(QEvent::MouseButtonPress, Qt::RightButton, BelowTheItems());
    EXPECT_TRUE(Box()->selectedItems().isEmpty());
}

TEST_F(FavouritesTest, ClickCopiesTheFavouriteIntoTheEditBar) {
    AddFavourites({"C:\\a*|*A", "/home/u/b*|*B"});
    ShowFavouritesPage();
    QTest::mouseClick(Box()->viewport(), Qt::LeftButton, {}, CentreOfRow(1));
    EXPECT_EQ(Find<QLineEdit>("EdtNewFavDisplay")->text().toStdString(), "B");
    EXPECT_EQ(Find<QLineEdit>("EdtNewFavPath")->text().toStdString(), "/home/u/b");
}

TEST_F(FavouritesTest, DamagedFavouritesFileLoadsAndStaysUsable) {
    // A line without separator, bytes that are no text at all, and one good line.
    WriteConfigFile("fav.dat", "no separator\r\n\xff\xfe\x80*|*\x81\r\n\r\nC:\\ok*|*ok\r\n");
    Start();
    ASSERT_EQ(Box()->count(), Fav().LineCount());
    ASSERT_EQ(Box()->count(), 3);

    Box()->setCurrentRow(0);
    QTest::keyClick(Box(), Qt::Key_Return);
    EXPECT_TRUE(fakes.shellOpen->Calls().empty());
    EXPECT_TRUE(messages.shown.empty());

    SelectRows({0, 1});
    QTest::keyClick(Box(), Qt::Key_Delete);
    EXPECT_EQ(BoxItems(), (std::vector<std::string>{"ok"}));
    EXPECT_EQ(SavedFavLines(), (std::vector<std::string>{"C:\\ok*|*ok"}));
}

// A 10001-line fav.dat once lost every favourite at the next exit.
TEST_F(FavouritesTest, FavouritesFileOverTheLimitKeepsItsNewestLines) {
    std::string bytes;
    for (int i = 0; i <= kMaxListLines; ++i) {
        bytes += "C:\\f" + std::to_string(i) + "*|*f\r\n";
    }
    WriteConfigFile("fav.dat", bytes);
    Start();
    EXPECT_EQ(Box()->count(), kMaxListLines);
    EXPECT_EQ(Fav().LineCount(), kMaxListLines);
    const std::vector<std::string> saved = SavedFavLines();
    ASSERT_EQ(saved.size(), static_cast<std::size_t>(kMaxListLines));
    EXPECT_EQ(saved.front(), "C:\\f0*|*f");
    EXPECT_EQ(saved.back(), "C:\\f9999*|*f");
}

}  // namespace
}  // namespace qarvex
