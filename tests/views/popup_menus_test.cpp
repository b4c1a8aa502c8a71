#include "views/popup_menus.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QWidget>

#include "support/qt/qt_app.h"

namespace qarvex {
namespace {

constexpr const char* kSeparator = "-";
constexpr int kNoPlace = -100;  // the item carries no place

struct Item {
    std::string name;  // objectName of the action, or of the submenu; "-" for a separator
    std::string caption;
    bool visible = true;
    int place = kNoPlace;

    bool operator==(const Item&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Item& item) {
    return out << "{" << item.name << ", \"" << item.caption << "\", "
               << (item.visible ? "shown" : "hidden") << ", " << item.place << "}";
}

std::vector<Item> Describe(const QMenu* menu) {
    std::vector<Item> items;
    for (const QAction* action : menu->actions()) {
        Item item;
        if (action->isSeparator()) {
            item.name = kSeparator;
        } else if (action->menu() != nullptr) {
            item.name = action->menu()->objectName().toStdString();
        } else {
            item.name = action->objectName().toStdString();
        }
        item.caption = action->text().toStdString();
        item.visible = action->isVisible();
        item.place = action->data().isValid() ? action->data().toInt() : kNoPlace;
        items.push_back(item);
    }
    return items;
}

class PopupMenusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::EnsureQtApp(); }
    QWidget m_owner;
};

TEST_F(PopupMenusTest, TrayMenuShowsOpenSystemRecentAndExit) {
    const TrayMenu m = BuildPopMenu(&m_owner);
    const std::vector<Item> expected = {
        {"MnOpenQarvex", "打开Qarvex(&S)"},
        {kSeparator, ""},
        {"MnQVPauseRecord", "暂停记录"},
        {"MnQVWeb", "网页", false},
        {"MnQVDir", "文件夹", false},
        {"MnSoftware", "软件", false},
        {"MnDayCalify", "按日期分类", false},
        {kSeparator, "", false},
        {"PmAutoRun", "自动启动", false},
        {"MnSystemUse", "系统常用"},
        {"PmRecent", "最近使用"},
        {"PmMyDocs", "我的收藏", true},
        {kSeparator, ""},
        {"MnQVExit", "退出(&E)"},
    };
    EXPECT_EQ(Describe(m.popMenu), expected);

    const std::vector<Item> days = {
        {"MnToday", "今天"},     {"MnYesday", "昨天"}, {"MnPre3days", "前三天"},
        {"MnPreWeek", "前一周"}, {"MnQVAll", "所有"},
    };
    EXPECT_EQ(Describe(m.MnDayCalify), days);

    const std::vector<Item> system = {
        {"MnMyComputer", "我的电脑", true, 17},
        {"MnQVMyDoc", "我的文档", true, 5},
        {"MnMyDesk", "我的桌面", true, 0},
        {"MnQVControl", "控制面板", true, 3},
        {"MnQVRecycle", "垃圾回收站", true, 10},
        {"MnQVTask", "任务管理器", true, kOpensTaskManager},
        {"MnQVRecent", "最近使用", false, kOpensNothing},
        {"MnQVRun", "启动", false, kOpensNothing},
    };
    EXPECT_EQ(Describe(m.MnSystemUse), system);

    // The document submenus start empty; they are filled on every right click.
    EXPECT_TRUE(m.PmRecent->actions().isEmpty());
    EXPECT_TRUE(m.PmMyDocs->actions().isEmpty());
    EXPECT_TRUE(m.PmAutoRun->actions().isEmpty());
}

TEST_F(PopupMenusTest, HistoryTreeMenu) {
    const DocTreeMenu m = BuildPmDocTree(&m_owner);
    const std::vector<Item> expected = {
        {"MyMyLove", "加入到『收藏』中"},
        {"MnAddToRunList", "加入到『启动』中"},
        {"MnExpandAll", "展开全部(&E)"},
        {"MnOpenDIr", "打开所在的文件夹"},
        {"MnRefresh", "刷新"},
        {"MnDeleteAllDocs", "删除所有(&D)"},
        {"MnDeleteSelected", "删除所选(&D)"},
        {"MnQVNoRecord", "不再记录此项"},
    };
    EXPECT_EQ(Describe(m.PmDocTree), expected);
    EXPECT_TRUE(m.MnExpandAll->isCheckable());
    EXPECT_FALSE(m.MnExpandAll->isChecked());
    for (QAction* action : m.PmDocTree->actions()) {
        if (action != m.MnExpandAll) {
            EXPECT_FALSE(action->isCheckable()) << action->objectName().toStdString();
        }
    }
}

TEST_F(PopupMenusTest, FavouritesMenu) {
    const FavMenu m = BuildPmMyFav(&m_owner);
    const std::vector<Item> expected = {
        {"MnOpenMyFavDoc", "打开"},
        {"MyDeleteFav", "删除所选"},
        {"MnQVAddToRun", "加入到『启动』"},
        {"MnQVDeleteNotExistsDoc", "删除已不存在文档"},
        {"MnNewToFav", "新增到收藏夹"},
        {"MnUpdateFav", "修改收藏夹"},
        {"MnShowFavEdit", "显示收藏夹编辑栏"},
    };
    EXPECT_EQ(Describe(m.PmMyFav), expected);
    // Mirrors the edit bar, which is shown unless the settings say otherwise.
    EXPECT_TRUE(m.MnShowFavEdit->isCheckable());
    EXPECT_TRUE(m.MnShowFavEdit->isChecked());
}

TEST_F(PopupMenusTest, AutoRunListMenu) {
    const AutoRunListMenu m = BuildPmAutoRunList(&m_owner);
    const std::vector<Item> expected = {
        {"N35", "加入到『收藏夹』"},
        {"N37", "删除启动"},
        {"N38", "直接打开"},
        {"MnOpenDirInAutoRUn", "打开所在文件夹"},
    };
    EXPECT_EQ(Describe(m.PmAutoRunList), expected);
}

TEST_F(PopupMenusTest, MoreSpecialFoldersMenuCarriesEveryPlace) {
    const MoreSpecialDirMenu m = BuildPmMoreSpecialDir(&m_owner);
    const std::vector<Item> top = {{"PmCurrentUser", "当前用户"}, {"PmAllUsers", "所有用户"}};
    EXPECT_EQ(Describe(m.PmMoreSpecialDir), top);

    const std::vector<Item> currentUser = {
        {"PmDesktopPath", "桌面文件夹", true, 16},
        {"Cookie1", "Cookies", true, 33},
        {"pmFont", "系统字体", true, 20},
        {"N4", "驱动", true, 17},
        {"N11", "缓存", true, 32},
        {"lianj1", "网络连接", true, 19},
        {"N12", "打印机", true, 4},
        {"N13", "网络打印机", true, 27},
        {"N14", "程序文件所在文件夹", true, kOpensNothing},
        {"N15", "程序菜单文件夹", true, 2},
        {"N16", "发送到文件夹", true, 9},
        {"N17", "开始菜单", true, 11},
        {"N18", "驱动", true, 17},
        {"Windows1", "Windows文件夹", true, kOpensSystemFolder},
        {"N19", "发送给", true, kOpensNothing},
    };
    EXPECT_EQ(Describe(m.PmCurrentUser), currentUser);

    const std::vector<Item> allUsers = {
        {"N3", "我的文档", true, kOpensNothing},
        {"N5", "桌面", true, 25},
        {"N6", "我的收藏夹", true, 31},
        {"N7", "程序", true, 23},
        {"N8", "开始菜单", true, 22},
        {"N9", "启动", true, 24},
        {"N10", "模块", true, kOpensNothing},
    };
    EXPECT_EQ(Describe(m.PmAllUsers), allUsers);
}

// The returned pointers are what handlers get connected to: each must be the item of its name,
// reachable from the owner by name as well.
TEST_F(PopupMenusTest, ReturnedPointersMatchTheNamedItems) {
    const TrayMenu tray = BuildPopMenu(&m_owner);
    const DocTreeMenu tree = BuildPmDocTree(&m_owner);
    const FavMenu fav = BuildPmMyFav(&m_owner);
    const AutoRunListMenu run = BuildPmAutoRunList(&m_owner);
    const MoreSpecialDirMenu more = BuildPmMoreSpecialDir(&m_owner);

    struct Named {
        const char* name;
        const QObject* object;
    };
#define QV_ITEM(s, field) \
    Named {               \
#field, s.field   \
    }
    const Named items[] = {
        QV_ITEM(tray, popMenu),
        QV_ITEM(tray, MnOpenQarvex),
        QV_ITEM(tray, MnQVWeb),
        QV_ITEM(tray, MnQVDir),
        QV_ITEM(tray, MnSoftware),
        QV_ITEM(tray, MnDayCalify),
        QV_ITEM(tray, MnToday),
        QV_ITEM(tray, MnYesday),
        QV_ITEM(tray, MnPre3days),
        QV_ITEM(tray, MnPreWeek),
        QV_ITEM(tray, MnQVAll),
        QV_ITEM(tray, PmAutoRun),
        QV_ITEM(tray, MnSystemUse),
        QV_ITEM(tray, MnMyComputer),
        QV_ITEM(tray, MnQVMyDoc),
        QV_ITEM(tray, MnMyDesk),
        QV_ITEM(tray, MnQVControl),
        QV_ITEM(tray, MnQVRecycle),
        QV_ITEM(tray, MnQVTask),
        QV_ITEM(tray, MnQVRecent),
        QV_ITEM(tray, MnQVRun),
        QV_ITEM(tray, PmRecent),
        QV_ITEM(tray, PmMyDocs),
        QV_ITEM(tray, MnQVExit),
        QV_ITEM(tree, PmDocTree),
        QV_ITEM(tree, MyMyLove),
        QV_ITEM(tree, MnAddToRunList),
        QV_ITEM(tree, MnExpandAll),
        QV_ITEM(tree, MnOpenDIr),
        QV_ITEM(tree, MnRefresh),
        QV_ITEM(tree, MnDeleteAllDocs),
        QV_ITEM(tree, MnDeleteSelected),
        QV_ITEM(fav, PmMyFav),
        QV_ITEM(fav, MnOpenMyFavDoc),
        QV_ITEM(fav, MyDeleteFav),
        QV_ITEM(fav, MnQVAddToRun),
        QV_ITEM(fav, MnQVDeleteNotExistsDoc),
        QV_ITEM(fav, MnNewToFav),
        QV_ITEM(fav, MnUpdateFav),
        QV_ITEM(fav, MnShowFavEdit),
        QV_ITEM(run, PmAutoRunList),
        QV_ITEM(run, N35),
        QV_ITEM(run, N37),
        QV_ITEM(run, N38),
        QV_ITEM(run, MnOpenDirInAutoRUn),
        QV_ITEM(more, PmMoreSpecialDir),
        QV_ITEM(more, PmCurrentUser),
        QV_ITEM(more, PmDesktopPath),
        QV_ITEM(more, Cookie1),
        QV_ITEM(more, pmFont),
        QV_ITEM(more, N4),
        QV_ITEM(more, N11),
        QV_ITEM(more, lianj1),
        QV_ITEM(more, N12),
        QV_ITEM(more, N13),
        QV_ITEM(more, N14),
        QV_ITEM(more, N15),
        QV_ITEM(more, N16),
        QV_ITEM(more, N17),
        QV_ITEM(more, N18),
        QV_ITEM(more, Windows1),
        QV_ITEM(more, N19),
        QV_ITEM(more, PmAllUsers),
        QV_ITEM(more, N3),
        QV_ITEM(more, N5),
        QV_ITEM(more, N6),
        QV_ITEM(more, N7),
        QV_ITEM(more, N8),
        QV_ITEM(more, N9),
        QV_ITEM(more, N10),
    };
#undef QV_ITEM
    for (const Named& item : items) {
        SCOPED_TRACE(item.name);
        ASSERT_NE(item.object, nullptr);
        EXPECT_EQ(item.object->objectName(), QLatin1String(item.name));
        const QList<QObject*> found = m_owner.findChildren<QObject*>(QLatin1String(item.name));
        ASSERT_EQ(found.size(), 1);
        EXPECT_EQ(found.front(), item.object);
    }
}

TEST_F(PopupMenusTest, MenusDieWithTheirOwner) {
    auto* owner = new QWidget;
    const DocTreeMenu m = BuildPmDocTree(owner);
    bool destroyed = false;
    QObject::connect(m.PmDocTree, &QObject::destroyed, [&destroyed] { destroyed = true; });
    delete owner;
    EXPECT_TRUE(destroyed);
}

}  // namespace
}  // namespace qarvex
