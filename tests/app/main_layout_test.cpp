// The main window's layout must hold the controls the program's code looks up by name,
// with the captions, hints and visibility the user is meant to see.

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWidget>

#include "support/qt/layout_checks.h"
#include "ui_TFrmMain.h"
#include "views/skin.h"
#include "views/skin_tab_bar.h"

namespace qarvex {
namespace {

using namespace test;

class MainLayoutTest : public LayoutsTest {
protected:
    Form<Ui::TFrmMain, QWidget> m_form;
    QWidget& w() { return m_form.widget; }
};

TEST_F(MainLayoutTest, HoldsEveryNamedControl) {
    ExpectControls(w(), {
                            // Search bar and floating result list.
                            {"SbSearchText", "QFrame", kAny, kAny, true},
                            {"ShapeSearch", "QFrame", kAny, kAny, true},
                            {"EdtSearch", "QLineEdit", "", kAny, true},
                            {"BtnQVSearch", "QAbstractButton", kAny, kAny, true},
                            {"LbSearchResult", "QListWidget", kAny, kAny, false},
                            // Pages.
                            {"TVControl", "qarvex::SkinTabWidget", kAny, kAny, true},
                            {"TVDoc", "QTreeView", kAny, kAny, true},
                            {"TVApp", "QTreeView", kAny, kAny, true},
                            {"TVPath", "QTreeView", kAny, kAny, true},
                            {"TVIEFav", "QTreeView", kAny, kAny, true},
                            {"SVIEFav", "QListWidget", kAny, kAny, true},
                            {"GbQVFavList", "QGroupBox", "收藏夹", kAny, true},
                            {"CbFavEdit", "QCheckBox", "显示收藏夹编辑栏", kAny, true},
                            {"LbMyLove", "QListWidget", kAny, kAny, true},
                            {"PnlNewFav", "QWidget", kAny, kAny, true},
                            {"GbQVFavEdit", "QGroupBox", "收藏夹编辑", kAny, true},
                            {"LblQVFavName", "QLabel", "名称", kAny, true},
                            {"LblQVFavPath", "QLabel", "路径", kAny, true},
                            {"EdtNewFavDisplay", "QLineEdit", "", kAny, true},
                            {"EdtNewFavPath", "QLineEdit", "", kAny, true},
                            {"BtnQVAddToFav", "QAbstractButton", kAny, kAny, true},
                            {"BtnQVUpdateFav", "QAbstractButton", kAny, kAny, true},
                            {"WebBrowser1Host", "QWidget", kAny, kAny, true},
                            {"MmNote", "QPlainTextEdit", kAny, kAny, true},
                            // Bottom of the window.
                            {"GbQVAllDocs", "QGroupBox", "最近访问的所有文档树形", kAny, false},
                            {"TVDocs", "QTreeView", kAny, kAny, true},
                            {"LbAutoRun", "QListWidget", kAny, kAny, false},
                            {"ProgressBar1", "QProgressBar", kAny, kAny, false},
                            {"PnlHint", "QLabel", "", kAny, true},
                            // Settings page.
                            {"CbQVOnTop", "QCheckBox", "窗体总在最上方", kAny, true},
                            {"MnQVAutoRun", "QCheckBox", "开机时启动", kAny, true},
                            {"GBQVNavSet", "QGroupBox", "导航已打开文档", kAny, true},
                            {"CbQVRefresh", "QCheckBox", "刷新", kAny, true},
                            {"LbQVCheckTime", "QLabel", "每15秒刷新一次", kAny, true},
                            {"SbCheckTime", "QScrollBar", kAny, kAny, true},
                            {"GbQVAutoRundDoc", "QGroupBox", "设置启动文档", kAny, true},
                            {"CbQueryAutoRunDoc", "QCheckBox", "自动启动文档时询问", kAny, true},
                            {"CbAutoRunDocs", "QCheckBox", "自动启动历史文档", kAny, true},
                            {"BtnQVAutoRunSet", "QAbstractButton", kAny, "启动文档设置", true},
                            {"RgAutorOpenType", "QGroupBox", "启动后自动打开", kAny, true},
                            {"BtnQVDeleteAllDocs", "QAbstractButton", kAny, kAny, true},
                            {"BtnQVPCStart", "QAbstractButton", kAny, kAny, true},
                            {"BtnHelp", "QAbstractButton", kAny, "帮助文档", true},
                            {"BtnAbout", "QAbstractButton", kAny, kAny, true},
                            {"BtnQVStart", "QAbstractButton", kAny, kAny, false},
                            {"BtnDocDisplay", "QAbstractButton", "显示名称映射", kAny, false},
                            // System page.
                            {"ImgQVPCControl", "QLabel", kAny, kAny, true},
                            {"SpeedButton5", "QAbstractButton", kAny, "", true},
                            {"SpeedButton9", "QAbstractButton", kAny, "控制面板", true},
                            {"SpeedButton23", "QAbstractButton", kAny, "历史记录", true},
                            {"SpeedButton17", "QAbstractButton", kAny, "开始菜单", true},
                            {"SpeedButton6", "QAbstractButton", kAny, "", true},
                            {"SpeedButton7", "QAbstractButton", kAny, "我的桌面", true},
                            {"SpeedButton22", "QAbstractButton", kAny, "收藏夹", true},
                            {"SpeedButton14", "QAbstractButton", kAny, "程序", true},
                            {"SpeedButton11", "QAbstractButton", kAny, "桌面路径", true},
                            {"SpeedButton19", "QAbstractButton", kAny, "网上邻居", true},
                            {"SpeedButton8", "QAbstractButton", kAny, "垃圾回收站", true},
                            {"SpeedButton16", "QAbstractButton", kAny, "启动", true},
                            {"SpeedButton1", "QAbstractButton", kAny, "Windows系统路径", true},
                            {"BtmManageTask", "QAbstractButton", kAny, "任务管理器", true},
                            {"BtnMoreSpecDir", "QAbstractButton", "更多...", kAny, true},
                            {"SpeedButton2", "QAbstractButton", kAny, "管理工具", false},
                            {"SpeedButton3", "QAbstractButton", kAny, "删除程序", false},
                            {"SpeedButton4", "QAbstractButton", kAny, "服务", false},
                            {"PnlQVQuick", "QWidget", kAny, kAny, false},
                        });
    ExpectUniqueNames(w());
}

TEST_F(MainLayoutTest, PagesStandInOrderWithTheirStoredCaptionsAndHiddenTabs) {
    QTabWidget* tabs = m_form.ui.TVControl;
    struct Page {
        const char* caption;
        const char* control;  // a control that lives on this page
        bool tabShown;
    };
    const Page pages[] = {
        {"网页", "TVDoc", true},
        {"软件启", "TVApp", true},
        {"文件夹  ", "TVPath", true},
        {"网页收藏 ", "TVIEFav", false},
        {"收藏   ", "LbMyLove", true},
        {"系统   ", "ImgQVPCControl", true},
        {"常用   ", "WebBrowser1Host", true},
        {"笔记   ", "MmNote", true},
        {"设置  ", "CbQVOnTop", true},
        {"全部   ", nullptr, false},
    };
    ASSERT_EQ(tabs->count(), static_cast<int>(std::size(pages)));
    ApplyHiddenTabs(tabs);
    for (int i = 0; i < tabs->count(); ++i) {
        SCOPED_TRACE(i);
        const Page& page = pages[i];
        EXPECT_EQ(tabs->tabText(i), QString::fromUtf8(page.caption));
        EXPECT_EQ(tabs->isTabVisible(i), page.tabShown);
        if (page.control != nullptr) {
            auto* control = w().findChild<QWidget*>(QLatin1String(page.control));
            ASSERT_NE(control, nullptr);
            EXPECT_TRUE(tabs->widget(i)->isAncestorOf(control));
        } else {
            EXPECT_TRUE(tabs->widget(i)->findChildren<QWidget*>().isEmpty());
        }
    }
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_NE(qobject_cast<SkinTabBar*>(tabs->tabBar()), nullptr);
}

TEST_F(MainLayoutTest, HistoryTreesShareOneLook) {
    for (QTreeView* tree : {m_form.ui.TVDoc, m_form.ui.TVApp, m_form.ui.TVPath, m_form.ui.TVDocs}) {
        SCOPED_TRACE(tree->objectName().toStdString());
        EXPECT_EQ(tree->selectionMode(), QAbstractItemView::ExtendedSelection);
        EXPECT_EQ(tree->editTriggers(), QAbstractItemView::NoEditTriggers);
        EXPECT_EQ(tree->indentation(), 19);
        EXPECT_EQ(tree->frameShape(), QFrame::NoFrame);
        EXPECT_TRUE(tree->isHeaderHidden());
        EXPECT_TRUE(tree->styleSheet().contains(QLatin1String("#F5FAFE")));
        EXPECT_EQ(tree->font().family(), QStringLiteral("宋体"));
    }
}

TEST_F(MainLayoutTest, TreeSelectionStaysVisibleWithoutFocus) {
    QTreeView* tree = m_form.ui.TVPath;
    ApplyHistoryTreeLook(tree);
    ApplyHistoryTreeLook(nullptr);
    const QPalette& palette = tree->palette();
    EXPECT_EQ(palette.color(QPalette::Inactive, QPalette::Highlight),
              palette.color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(palette.color(QPalette::Inactive, QPalette::HighlightedText),
              palette.color(QPalette::Active, QPalette::HighlightedText));
    EXPECT_EQ(tree->font().pixelSize(), 13);
    // 宋体 first, with fallbacks for desktops that don't have it.
    EXPECT_EQ(tree->font().families().value(0), QStringLiteral("宋体"));
    EXPECT_GT(tree->font().families().size(), 1);
}

TEST_F(MainLayoutTest, SearchBarKeepsItsGeometry) {
    const auto& ui = m_form.ui;
    EXPECT_EQ(ui.SbSearchText->geometry(), QRect(350, 0, 401, 25));
    EXPECT_EQ(ui.ShapeSearch->geometry(), QRect(9, 0, 312, 23));
    EXPECT_EQ(ui.EdtSearch->geometry(), QRect(12, 2, 234, 19));
    EXPECT_EQ(ui.ShapeSearch->parentWidget(), ui.SbSearchText);
    EXPECT_EQ(ui.EdtSearch->parentWidget(), ui.SbSearchText);
    EXPECT_EQ(ui.BtnQVSearch->parentWidget(), ui.SbSearchText);
    EXPECT_FALSE(ui.EdtSearch->hasFrame());
    EXPECT_TRUE(ui.ShapeSearch->styleSheet().contains(QLatin1String("#336699")));
    // The button sits right of the box and inside the bar.
    EXPECT_GE(ui.BtnQVSearch->geometry().left(), ui.ShapeSearch->geometry().right());
    EXPECT_TRUE(QRect(QPoint(0, 0), ui.SbSearchText->size()).contains(ui.BtnQVSearch->geometry()));

    ui.EdtSearch->ensurePolished();
    EXPECT_EQ(ui.EdtSearch->font().pixelSize(), 15);
    EXPECT_EQ(SearchEditFont().pixelSize(), 15);

    // The result list floats over the pages, so it belongs to the window itself.
    EXPECT_EQ(ui.LbSearchResult->parentWidget(), &w());
    EXPECT_EQ(ui.LbSearchResult->selectionMode(), QAbstractItemView::SingleSelection);
    ui.LbSearchResult->addItem(QStringLiteral("c:\\windows"));
    ui.LbSearchResult->ensurePolished();
    EXPECT_EQ(ui.LbSearchResult->sizeHintForRow(0), 13);
}

TEST_F(MainLayoutTest, SettingsControlsHaveTheirRanges) {
    const auto& ui = m_form.ui;
    EXPECT_EQ(ui.SbCheckTime->orientation(), Qt::Horizontal);
    EXPECT_EQ(ui.SbCheckTime->minimum(), 60);
    EXPECT_EQ(ui.SbCheckTime->maximum(), 600);
    EXPECT_TRUE(ui.SbCheckTime->value() >= 60 && ui.SbCheckTime->value() <= 600);
    EXPECT_TRUE(ui.GBQVNavSet->isAncestorOf(ui.CbQVRefresh));
    EXPECT_TRUE(ui.GBQVNavSet->isAncestorOf(ui.LbQVCheckTime));
    EXPECT_TRUE(ui.GbQVAutoRundDoc->isAncestorOf(ui.CbQueryAutoRunDoc));
    EXPECT_TRUE(ui.GbQVAutoRundDoc->isAncestorOf(ui.CbAutoRunDocs));
    EXPECT_TRUE(ui.GbQVAutoRundDoc->isAncestorOf(ui.BtnQVAutoRunSet));

    const auto radios = ui.RgAutorOpenType->findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 3);
    const char* items[] = {"上一次所有文档", "收藏中的文档", "所有历史文档"};
    int checked = 0;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(radios[i]->text(), QString::fromUtf8(items[i]));
        checked += radios[i]->isChecked() ? 1 : 0;
    }
    EXPECT_EQ(checked, 1);

    EXPECT_EQ(ui.LbMyLove->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(ui.LbAutoRun->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(ui.GbQVFavList->isAncestorOf(ui.CbFavEdit));
    EXPECT_TRUE(ui.PnlNewFav->isAncestorOf(ui.EdtNewFavDisplay));
    EXPECT_TRUE(ui.PnlNewFav->isAncestorOf(ui.BtnQVUpdateFav));
}

TEST_F(MainLayoutTest, BrowserHostIsAnEmptyContainerWithALayout) {
    QWidget* host = m_form.ui.WebBrowser1Host;
    ASSERT_NE(qobject_cast<QVBoxLayout*>(host->layout()), nullptr);
    EXPECT_EQ(host->layout()->count(), 0);
    EXPECT_TRUE(host->findChildren<QWidget*>().isEmpty());
}

TEST_F(MainLayoutTest, SystemButtonsLieOverThePictureWithoutOverlapping) {
    const QLabel* picture = m_form.ui.ImgQVPCControl;
    QWidget* panel = picture->parentWidget();
    ASSERT_NE(panel, nullptr);
    std::vector<QWidget*> buttons;
    for (QAbstractButton* b : panel->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
        if (!b->isHidden()) {
            buttons.push_back(b);
        }
    }
    EXPECT_EQ(buttons.size(), 15u);
    const QList<QObject*> siblings = panel->children();
    const auto pictureAt = siblings.indexOf(const_cast<QLabel*>(picture));
    for (QWidget* b : buttons) {
        SCOPED_TRACE(b->objectName().toStdString());
        EXPECT_TRUE(picture->geometry().contains(b->geometry()));
        // Later siblings paint on top.
        EXPECT_GT(siblings.indexOf(b), pictureAt);
        for (QWidget* other : buttons) {
            if (other != b) {
                EXPECT_FALSE(b->geometry().intersects(other->geometry()))
                    << other->objectName().toStdString();
            }
        }
    }
    // The tiles are painted for exactly this picture size.
    EXPECT_EQ(picture->size(), LoadSkinJpeg(QStringLiteral("ImgQVPCControl")).size());
}

TEST_F(MainLayoutTest, GlyphsGoOntoTheirButtons) {
    ApplySkinGlyphs(&w());
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(m_form.ui.BtnQVSearch),
                               static_cast<QAbstractButton*>(m_form.ui.BtnHelp),
                               static_cast<QAbstractButton*>(m_form.ui.BtnQVStart)}) {
        EXPECT_FALSE(b->icon().isNull()) << b->objectName().toStdString();
    }
    EXPECT_TRUE(m_form.ui.SpeedButton5->icon().isNull());
}

}  // namespace
}  // namespace qarvex
