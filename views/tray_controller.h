#pragma once

#include <QObject>
#include <QSystemTrayIcon>

class QAction;
class QMenu;
class QPoint;
class QToolButton;

namespace qarvex {

class StoredList;
class TFrmMain;

// The tray icon's clicks and its menu. Where the desktop has no tray, the same menu
// opens from a small button on the window's top bar and from the bar's context menu.
class TrayController : public QObject {
    Q_OBJECT

public:
    // The three lists the tray menu shows; each item remembers which one it came from.
    enum class ListKind { Recent, Run, Fav };

    // The recent submenu shows at most this many of the newest lines.
    static constexpr int kRecentItemLimit = 20;

    explicit TrayController(TFrmMain& main);
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

private:
    StoredList& ListOf(ListKind kind);
    QMenu* SubmenuOf(ListKind kind) const;
    void FillSubmenu(ListKind kind);
    void PopMenuAt(const QPoint& at);
    void ProvideTraylessAccess();

    TFrmMain& m_main;
    QSystemTrayIcon* m_icon = nullptr;
    QToolButton* m_menuButton = nullptr;
};

}  // namespace qarvex
