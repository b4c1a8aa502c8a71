#include "views/popup_menus.h"

#include <QAction>
#include <QMenu>
#include <QString>
#include <QWidget>

namespace qarvex {

namespace {

// Special-folder numbers of the places the system menus open.
constexpr int kDesktop = 0;
constexpr int kPrograms = 2;
constexpr int kControls = 3;
constexpr int kPrinters = 4;
constexpr int kPersonal = 5;
constexpr int kStartup = 7;
constexpr int kSendTo = 9;
constexpr int kBitBucket = 10;
constexpr int kStartMenu = 11;
constexpr int kDesktopDirectory = 16;
constexpr int kDrives = 17;
constexpr int kNetHood = 19;
constexpr int kFonts = 20;
constexpr int kCommonStartMenu = 22;
constexpr int kCommonPrograms = 23;
constexpr int kCommonStartup = 24;
constexpr int kCommonDesktopDirectory = 25;
constexpr int kPrintHood = 27;
constexpr int kCommonFavorites = 31;
constexpr int kInternetCache = 32;
constexpr int kCookies = 33;

QAction* AddItem(QMenu* menu, const char* name, const QString& caption) {
    auto* action = new QAction(caption, menu);
    action->setObjectName(QLatin1String(name));
    menu->addAction(action);
    return action;
}

QAction* AddPlace(QMenu* menu, const char* name, const QString& caption, int place) {
    QAction* action = AddItem(menu, name, caption);
    action->setData(place);
    return action;
}

QMenu* AddSubmenu(QMenu* menu, const char* name, const QString& caption) {
    auto* sub = new QMenu(caption, menu);
    sub->setObjectName(QLatin1String(name));
    menu->addMenu(sub);
    return sub;
}

QMenu* NewMenu(QWidget* parent, const char* name) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

void Hide(QAction* action) {
    action->setVisible(false);
}

void Hide(QMenu* menu) {
    menu->menuAction()->setVisible(false);
}

}  // namespace

TrayMenu BuildPopMenu(QWidget* parent) {
    TrayMenu m;
    m.popMenu = NewMenu(parent, "popMenu");
    m.MnOpenQarvex = AddItem(m.popMenu, "MnOpenQarvex", QStringLiteral("打开Qarvex(&S)"));
    m.popMenu->addSeparator();
    m.MnQVPauseRecord = AddItem(m.popMenu, "MnQVPauseRecord", QStringLiteral("暂停记录"));
    m.MnQVPauseRecord->setCheckable(true);

    // Date and kind views were planned but never filled; they stay hidden.
    m.MnQVWeb = AddItem(m.popMenu, "MnQVWeb", QStringLiteral("网页"));
    m.MnQVDir = AddItem(m.popMenu, "MnQVDir", QStringLiteral("文件夹"));
    m.MnSoftware = AddItem(m.popMenu, "MnSoftware", QStringLiteral("软件"));
    m.MnDayCalify = AddSubmenu(m.popMenu, "MnDayCalify", QStringLiteral("按日期分类"));
    m.MnToday = AddItem(m.MnDayCalify, "MnToday", QStringLiteral("今天"));
    m.MnYesday = AddItem(m.MnDayCalify, "MnYesday", QStringLiteral("昨天"));
    m.MnPre3days = AddItem(m.MnDayCalify, "MnPre3days", QStringLiteral("前三天"));
    m.MnPreWeek = AddItem(m.MnDayCalify, "MnPreWeek", QStringLiteral("前一周"));
    m.MnQVAll = AddItem(m.MnDayCalify, "MnQVAll", QStringLiteral("所有"));
    Hide(m.MnQVWeb);
    Hide(m.MnQVDir);
    Hide(m.MnSoftware);
    Hide(m.MnDayCalify);
    Hide(m.popMenu->addSeparator());

    m.PmAutoRun = AddSubmenu(m.popMenu, "PmAutoRun", QStringLiteral("自动启动"));
    Hide(m.PmAutoRun);

    m.MnSystemUse = AddSubmenu(m.popMenu, "MnSystemUse", QStringLiteral("系统常用"));
    m.MnMyComputer = AddPlace(m.MnSystemUse, "MnMyComputer", QStringLiteral("我的电脑"), kDrives);
    m.MnQVMyDoc = AddPlace(m.MnSystemUse, "MnQVMyDoc", QStringLiteral("我的文档"), kPersonal);
    m.MnMyDesk = AddPlace(m.MnSystemUse, "MnMyDesk", QStringLiteral("我的桌面"), kDesktop);
    m.MnQVControl = AddPlace(m.MnSystemUse, "MnQVControl", QStringLiteral("控制面板"), kControls);
    m.MnQVRecycle =
        AddPlace(m.MnSystemUse, "MnQVRecycle", QStringLiteral("垃圾回收站"), kBitBucket);
    m.MnQVTask =
        AddPlace(m.MnSystemUse, "MnQVTask", QStringLiteral("任务管理器"), kOpensTaskManager);
    m.MnQVRecent = AddPlace(m.MnSystemUse, "MnQVRecent", QStringLiteral("最近使用"), kOpensNothing);
    m.MnQVRun = AddPlace(m.MnSystemUse, "MnQVRun", QStringLiteral("启动"), kOpensNothing);
    Hide(m.MnQVRecent);
    Hide(m.MnQVRun);

    m.PmRecent = AddSubmenu(m.popMenu, "PmRecent", QStringLiteral("最近使用"));
    // Shown: what the user adds to the favourites must be reachable from the tray too.
    m.PmMyDocs = AddSubmenu(m.popMenu, "PmMyDocs", QStringLiteral("我的收藏"));
    m.popMenu->addSeparator();
    m.MnQVExit = AddItem(m.popMenu, "MnQVExit", QStringLiteral("退出(&E)"));
    return m;
}

DocTreeMenu BuildPmDocTree(QWidget* parent) {
    DocTreeMenu m;
    m.PmDocTree = NewMenu(parent, "PmDocTree");
    m.MyMyLove = AddItem(m.PmDocTree, "MyMyLove", QStringLiteral("加入到『收藏』中"));
    m.MnAddToRunList = AddItem(m.PmDocTree, "MnAddToRunList", QStringLiteral("加入到『启动』中"));
    m.MnExpandAll = AddItem(m.PmDocTree, "MnExpandAll", QStringLiteral("展开全部(&E)"));
    m.MnExpandAll->setCheckable(true);
    m.MnOpenDIr = AddItem(m.PmDocTree, "MnOpenDIr", QStringLiteral("打开所在的文件夹"));
    m.MnRefresh = AddItem(m.PmDocTree, "MnRefresh", QStringLiteral("刷新"));
    m.MnDeleteAllDocs = AddItem(m.PmDocTree, "MnDeleteAllDocs", QStringLiteral("删除所有(&D)"));
    m.MnDeleteSelected = AddItem(m.PmDocTree, "MnDeleteSelected", QStringLiteral("删除所选(&D)"));
    m.MnQVNoRecord = AddItem(m.PmDocTree, "MnQVNoRecord", QStringLiteral("不再记录此项"));
    return m;
}

FavMenu BuildPmMyFav(QWidget* parent) {
    FavMenu m;
    m.PmMyFav = NewMenu(parent, "PmMyFav");
    m.MnOpenMyFavDoc = AddItem(m.PmMyFav, "MnOpenMyFavDoc", QStringLiteral("打开"));
    m.MyDeleteFav = AddItem(m.PmMyFav, "MyDeleteFav", QStringLiteral("删除所选"));
    m.MnQVAddToRun = AddItem(m.PmMyFav, "MnQVAddToRun", QStringLiteral("加入到『启动』"));
    m.MnQVDeleteNotExistsDoc =
        AddItem(m.PmMyFav, "MnQVDeleteNotExistsDoc", QStringLiteral("删除已不存在文档"));
    m.MnNewToFav = AddItem(m.PmMyFav, "MnNewToFav", QStringLiteral("新增到收藏夹"));
    m.MnUpdateFav = AddItem(m.PmMyFav, "MnUpdateFav", QStringLiteral("修改收藏夹"));
    m.MnShowFavEdit = AddItem(m.PmMyFav, "MnShowFavEdit", QStringLiteral("显示收藏夹编辑栏"));
    m.MnShowFavEdit->setCheckable(true);
    m.MnShowFavEdit->setChecked(true);
    return m;
}

AutoRunListMenu BuildPmAutoRunList(QWidget* parent) {
    AutoRunListMenu m;
    m.PmAutoRunList = NewMenu(parent, "PmAutoRunList");
    m.N35 = AddItem(m.PmAutoRunList, "N35", QStringLiteral("加入到『收藏夹』"));
    m.N37 = AddItem(m.PmAutoRunList, "N37", QStringLiteral("删除启动"));
    m.N38 = AddItem(m.PmAutoRunList, "N38", QStringLiteral("直接打开"));
    m.MnOpenDirInAutoRUn =
        AddItem(m.PmAutoRunList, "MnOpenDirInAutoRUn", QStringLiteral("打开所在文件夹"));
    return m;
}

MoreSpecialDirMenu BuildPmMoreSpecialDir(QWidget* parent) {
    MoreSpecialDirMenu m;
    m.PmMoreSpecialDir = NewMenu(parent, "PmMoreSpecialDir");

    QMenu* cur = AddSubmenu(m.PmMoreSpecialDir, "PmCurrentUser", QStringLiteral("当前用户"));
    m.PmCurrentUser = cur;
    m.PmDesktopPath =
        AddPlace(cur, "PmDesktopPath", QStringLiteral("桌面文件夹"), kDesktopDirectory);
    m.Cookie1 = AddPlace(cur, "Cookie1", QStringLiteral("Cookies"), kCookies);
    m.pmFont = AddPlace(cur, "pmFont", QStringLiteral("系统字体"), kFonts);
    m.N4 = AddPlace(cur, "N4", QStringLiteral("驱动"), kDrives);
    m.N11 = AddPlace(cur, "N11", QStringLiteral("缓存"), kInternetCache);
    m.lianj1 = AddPlace(cur, "lianj1", QStringLiteral("网络连接"), kNetHood);
    m.N12 = AddPlace(cur, "N12", QStringLiteral("打印机"), kPrinters);
    m.N13 = AddPlace(cur, "N13", QStringLiteral("网络打印机"), kPrintHood);
    m.N14 = AddPlace(cur, "N14", QStringLiteral("程序文件所在文件夹"), kOpensNothing);
    m.N15 = AddPlace(cur, "N15", QStringLiteral("程序菜单文件夹"), kPrograms);
    m.N16 = AddPlace(cur, "N16", QStringLiteral("发送到文件夹"), kSendTo);
    m.N17 = AddPlace(cur, "N17", QStringLiteral("开始菜单"), kStartMenu);
    m.N18 = AddPlace(cur, "N18", QStringLiteral("驱动"), kDrives);
    m.Windows1 = AddPlace(cur, "Windows1", QStringLiteral("Windows文件夹"), kOpensSystemFolder);
    m.N19 = AddPlace(cur, "N19", QStringLiteral("发送给"), kOpensNothing);

    QMenu* all = AddSubmenu(m.PmMoreSpecialDir, "PmAllUsers", QStringLiteral("所有用户"));
    m.PmAllUsers = all;
    m.N3 = AddPlace(all, "N3", QStringLiteral("我的文档"), kOpensNothing);
    m.N5 = AddPlace(all, "N5", QStringLiteral("桌面"), kCommonDesktopDirectory);
    m.N6 = AddPlace(all, "N6", QStringLiteral("我的收藏夹"), kCommonFavorites);
    m.N7 = AddPlace(all, "N7", QStringLiteral("程序"), kCommonPrograms);
    m.N8 = AddPlace(all, "N8", QStringLiteral("开始菜单"), kCommonStartMenu);
    m.N9 = AddPlace(all, "N9", QStringLiteral("启动"), kCommonStartup);
    m.N10 = AddPlace(all, "N10", QStringLiteral("模块"), kOpensNothing);
    return m;
}

}  // namespace qarvex
