#pragma once

#include <QObject>
#include <QSystemTrayIcon>

#include "views/popup_menus.h"

class QAction;
class QFrame;
class QMenu;
class QPoint;
class QToolButton;

namespace qarvex {

class AppState;
class Openers;
class Scanner;
class StoredList;
class WindowActions;
struct Services;

// The tray menu, and the window's top bar that stands in for the tray where there is none.
struct TrayWidgets {
    TrayMenu menu;
    QFrame* PnlTop = nullptr;
    // The trayless menu button goes right of the search bar.
    QFrame* SbSearchText = nullptr;
};

// The tray icon's clicks and its menu. Where the desktop has no tray, the same menu
// opens from a small button on the window's top bar and from the bar's context menu.
class TrayController : public QObject {
    Q_OBJECT

public:
    // The three lists the tray menu shows; each item remembers which one it came from.
    enum class ListKind { Recent, Run, Fav };

    // The recent submenu shows at most this many of the newest lines.
    static constexpr int kRecentItemLimit = 20;

    TrayController(const Services& services, WindowActions& window, const TrayWidgets& widgets,
                   QObject* parent = nullptr);
    ~TrayController() override;

    // Takes over the icon's clicks; called once the window has made its icon.
    void AttachTrayIcon(QSystemTrayIcon* icon);

    void TrayIconActivated(QSystemTrayIcon::ActivationReason reason);
    // Left press: bring the window up at its corner and refresh the visible page.
    void TrayLeftPress();
    // Right press: refill the document submenus and pop the menu at the cursor.
    void TrayRightPress();

    // Refill one submenu from its list as it is now.
    void ShowFavDocInPopmenu();
    void ShowRunDocInPopmenu();
    void ShowRecentDocInPopmenu();

    // The three list submenus, refilled in the order the tray uses.
    void FillDocSubmenus();

    // Opens the line at `tag` of the given list as the list is now; nothing when the
    // list has no such line.
    void OpenListLine(ListKind kind, int tag);

    void MnOpenQarvexClick();
    // A "系统常用" item: its place is kept in the action's data().
    void OpenSystemPlace(const QAction* action);

    // The top-bar button that stands in for the tray; null while a tray is present.
    QToolButton* menuButton() const { return m_menuButton; }

signals:
    // A "系统常用" item was chosen: the system page's places open it, the same way as there.
    void SystemPlaceRequested(int place);

private:
    StoredList& ListOf(ListKind kind);
    QMenu* SubmenuOf(ListKind kind) const;
    void FillSubmenu(ListKind kind);
    void PopMenuAt(const QPoint& at);
    void ProvideTraylessAccess();

    AppState& m_state;
    Scanner& m_scanner;
    Openers& m_openers;
    WindowActions& m_window;
    TrayWidgets m_widgets;
    QSystemTrayIcon* m_icon = nullptr;
    QToolButton* m_menuButton = nullptr;
};

}  // namespace qarvex
