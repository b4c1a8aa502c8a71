#pragma once

class QAction;
class QMenu;
class QWidget;

namespace qarvex {

// What a system-place menu item opens, kept in QAction::data() so one handler serves them all:
// a CSIDL-style special-folder number (>= 0) or one of these.
inline constexpr int kOpensNothing = -1;
inline constexpr int kOpensSystemFolder = -2;
inline constexpr int kOpensTaskManager = -3;

// The tray menu. Hidden entries exist (and keep their names) but are never shown.
struct TrayMenu {
    QMenu* popMenu = nullptr;
    QAction* MnOpenQarvex = nullptr;
    QAction* MnQVPauseRecord = nullptr;  // checkable: checked while recording is paused
    QAction* MnQVWeb = nullptr;
    QAction* MnQVDir = nullptr;
    QAction* MnSoftware = nullptr;
    QMenu* MnDayCalify = nullptr;
    QAction* MnToday = nullptr;
    QAction* MnYesday = nullptr;
    QAction* MnPre3days = nullptr;
    QAction* MnPreWeek = nullptr;
    QAction* MnQVAll = nullptr;
    QMenu* PmAutoRun = nullptr;
    QMenu* MnSystemUse = nullptr;
    QAction* MnMyComputer = nullptr;
    QAction* MnQVMyDoc = nullptr;
    QAction* MnMyDesk = nullptr;
    QAction* MnQVControl = nullptr;
    QAction* MnQVRecycle = nullptr;
    QAction* MnQVTask = nullptr;
    QAction* MnQVRecent = nullptr;
    QAction* MnQVRun = nullptr;
    QMenu* PmRecent = nullptr;
    QMenu* PmMyDocs = nullptr;
    QAction* MnQVExit = nullptr;
};

// Context menu of the four history trees.
struct DocTreeMenu {
    QMenu* PmDocTree = nullptr;
    QAction* MyMyLove = nullptr;
    QAction* MnAddToRunList = nullptr;
    QAction* MnExpandAll = nullptr;  // checkable, off at start
    QAction* MnOpenDIr = nullptr;    // shown only for programs; the opener decides
    QAction* MnRefresh = nullptr;
    QAction* MnDeleteAllDocs = nullptr;
    QAction* MnDeleteSelected = nullptr;
    QAction* MnQVNoRecord = nullptr;  // a rule that keeps the selected entries out, then delete
};

// Context menu of the favourites list LbMyLove.
struct FavMenu {
    QMenu* PmMyFav = nullptr;
    QAction* MnOpenMyFavDoc = nullptr;
    QAction* MyDeleteFav = nullptr;
    QAction* MnQVAddToRun = nullptr;
    QAction* MnQVDeleteNotExistsDoc = nullptr;
    QAction* MnNewToFav = nullptr;
    QAction* MnUpdateFav = nullptr;
    QAction* MnShowFavEdit = nullptr;  // checkable, mirrors CbFavEdit
};

// Context menu of the auto-run list LbAutoRun.
struct AutoRunListMenu {
    QMenu* PmAutoRunList = nullptr;
    QAction* N35 = nullptr;
    QAction* N37 = nullptr;
    QAction* N38 = nullptr;
    QAction* MnOpenDirInAutoRUn = nullptr;
};

// The "更多..." menu of the system page: every item carries its place in data().
struct MoreSpecialDirMenu {
    QMenu* PmMoreSpecialDir = nullptr;
    QMenu* PmCurrentUser = nullptr;  // "当前用户"
    QAction* PmDesktopPath = nullptr;
    QAction* Cookie1 = nullptr;
    QAction* pmFont = nullptr;
    QAction* N4 = nullptr;
    QAction* N11 = nullptr;
    QAction* lianj1 = nullptr;
    QAction* N12 = nullptr;
    QAction* N13 = nullptr;
    QAction* N14 = nullptr;
    QAction* N15 = nullptr;
    QAction* N16 = nullptr;
    QAction* N17 = nullptr;
    QAction* N18 = nullptr;
    QAction* Windows1 = nullptr;
    QAction* N19 = nullptr;
    QMenu* PmAllUsers = nullptr;  // "所有用户"
    QAction* N3 = nullptr;
    QAction* N5 = nullptr;
    QAction* N6 = nullptr;
    QAction* N7 = nullptr;
    QAction* N8 = nullptr;
    QAction* N9 = nullptr;
    QAction* N10 = nullptr;
};

// Each builder creates the menu as a child of parent (so parent->findChild<QMenu*>("PmDocTree")
// and findChild<QAction*>("MnExpandAll") find it), with its items in display order. Submenus are
// children of their menu; their objectName is on the QMenu.
TrayMenu BuildPopMenu(QWidget* parent);
DocTreeMenu BuildPmDocTree(QWidget* parent);
FavMenu BuildPmMyFav(QWidget* parent);
AutoRunListMenu BuildPmAutoRunList(QWidget* parent);
MoreSpecialDirMenu BuildPmMoreSpecialDir(QWidget* parent);

}  // namespace qarvex
