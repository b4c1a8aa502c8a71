// Every side window's layout must hold the controls the program's code looks up by name,
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
#include "ui_TFrmAutoRunSet.h"
#include "ui_TFrmAutorunDoc.h"
#include "ui_TFrmHelp.h"
#include "ui_TFrmMyFavType.h"
#include "ui_TFrmVersion.h"
#include "ui_TFromDocDisplay.h"
#include "ui_TfrmRun.h"
#include "views/skin.h"

namespace qarvex {
namespace {

using namespace test;

TEST_F(LayoutsTest, StartUpEntriesWindow) {
    Form<Ui::TfrmRun, QDialog> f;
    EXPECT_EQ(f.widget.windowTitle(), QStringLiteral("开机启动"));
    ExpectControls(f.widget, {
                                 {"LV", "QTableWidget", kAny, kAny, true},
                                 {"LbQVPCStartName", "QLabel", "启动名称", kAny, true},
                                 {"LbQVPCStartPath", "QLabel", "所在路径", kAny, true},
                                 {"TxtStartName", "QLineEdit", "", kAny, true},
                                 {"TxtStartPath", "QLineEdit", "", kAny, true},
                                 {"BtnQVPCRun", "QAbstractButton", kAny, kAny, true},
                                 {"BtnQVAddPCStart", "QAbstractButton", kAny, kAny, true},
                                 {"BtnQVDeletePCStart", "QAbstractButton", kAny, kAny, true},
                                 {"BtnQVClearPCStart", "QAbstractButton", kAny, kAny, true},
                                 {"BtnClose", "QAbstractButton", kAny, kAny, true},
                             });
    ExpectUniqueNames(f.widget);
    auto* lv = f.ui.LV;
    ASSERT_EQ(lv->columnCount(), 2);
    EXPECT_EQ(lv->horizontalHeaderItem(0)->text(), QStringLiteral("名称"));
    EXPECT_EQ(lv->horizontalHeaderItem(1)->text(), QStringLiteral("所在路径"));
    EXPECT_EQ(lv->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(lv->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(lv->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_TRUE(lv->showGrid());
    EXPECT_TRUE(lv->isSortingEnabled());
    const auto labels = f.widget.findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](const QLabel* l) {
        return l->text() == QStringLiteral("开机启动的所有程序：");
    }));
}

TEST_F(LayoutsTest, StartUpKindDialog) {
    Form<Ui::TFrmAutoRunSet, QDialog> f;
    EXPECT_EQ(f.widget.windowTitle(), QStringLiteral("自动启动选择"));
    auto* group = f.widget.findChild<QGroupBox*>();
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), QStringLiteral("启动的类型"));
    const auto radios = group->findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 3);
    const char* items[] = {"最近打开的文档", "我的收藏夹", "不启动任何文档"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(radios[i]->text(), QString::fromUtf8(items[i]));
        // "Nothing" is preselected, so confirming an untouched dialog opens nothing.
        EXPECT_EQ(radios[i]->isChecked(), i == 2);
    }
    EXPECT_EQ(f.widget.findChildren<QAbstractButton*>().size(), 5);
    ExpectUniqueNames(f.widget);
}

TEST_F(LayoutsTest, DocumentSelectionDialog) {
    Form<Ui::TFrmAutorunDoc, QDialog> f;
    EXPECT_EQ(f.widget.windowTitle(), QStringLiteral("文档自动启动"));
    ExpectControls(f.widget,
                   {
                       {"LbSelectDoc", "QListWidget", kAny, kAny, true},
                       {"CbSelectAll", "QCheckBox", "选择所有", kAny, true},
                       {"CbNotQuery", "QCheckBox", "不再跳出此提示框", kAny, true},
                       {"LblQVSelectHint", "QLabel",
                        "请选择一个或多个(按下『Ctrl』或『Shift』，鼠标选择)你希望打开的历史文档，"
                        "单击按钮『确定』，软件将自动打开这些文档。 ",
                        kAny, true},
                       {"LblQVResetHint", "QLabel", "可以在『设置』中重新设置启动时跳出此提示框。",
                        kAny, true},
                   });
    EXPECT_EQ(f.ui.LbSelectDoc->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(f.ui.LblQVResetHint->styleSheet().contains(QLatin1String("color")));
    ExpectUniqueNames(f.widget);
}

TEST_F(LayoutsTest, DisplayNameWindow) {
    Form<Ui::TFromDocDisplay, QDialog> f;
    EXPECT_EQ(f.widget.windowTitle(), QStringLiteral("显示名称映射"));
    ExpectControls(
        f.widget, {
                      {"LblQVDocDisplayHint", "QLabel", "请配置下列路径希望显示的名称", kAny, true},
                      {"GbQVPathList", "QGroupBox", "路径列表", kAny, true},
                      {"LbDocDisplay", "QListWidget", kAny, kAny, true},
                      {"GbQVDisplayList", "QGroupBox", "对应显示列表", kAny, true},
                  });
    EXPECT_EQ(f.ui.LbDocDisplay->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(f.ui.GbQVPathList->isAncestorOf(f.ui.LbDocDisplay));
    EXPECT_EQ(f.ui.GbQVDisplayList->maximumWidth(), 250);
    ExpectUniqueNames(f.widget);
}

TEST_F(LayoutsTest, AboutAndHelpWindows) {
    Form<Ui::TFrmVersion, QDialog> about;
    ExpectControls(about.widget, {
                                     {"Image1", "QLabel", kAny, kAny, true},
                                     {"LblVersion", "QLabel", "3.0", kAny, true},
                                     {"Label1", "QLabel", "_____________________", kAny, true},
                                     {"BtnClose", "QAbstractButton", kAny, kAny, true},
                                 });
    EXPECT_TRUE(about.ui.Label1->font().underline());
    ExpectUniqueNames(about.widget);

    Form<Ui::TFrmHelp, QDialog> help;
    ExpectControls(help.widget, {
                                    {"WebBrowser1Host", "QWidget", kAny, kAny, true},
                                    {"BtnClose", "QAbstractButton", kAny, kAny, true},
                                });
    ASSERT_NE(help.ui.WebBrowser1Host->layout(), nullptr);
    EXPECT_EQ(help.ui.WebBrowser1Host->layout()->count(), 0);
    ExpectUniqueNames(help.widget);

    Form<Ui::TFrmMyFavType, QDialog> favType;
    EXPECT_EQ(favType.widget.objectName(), QStringLiteral("TFrmMyFavType"));
}

}  // namespace
}  // namespace qarvex
