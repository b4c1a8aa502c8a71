#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include "views/popup_menus.h"

class QAbstractButton;
class QAction;
class QToolButton;
class QWidget;

namespace qarvex {

class Environment;
class Openers;
class ShellOpen;
class WindowActions;
struct Services;

struct SystemPlacesWidgets {
    // The system page: its buttons are found by the names in SystemPlaces::kButtonPlaces.
    QWidget* TsQVSystem = nullptr;
    QToolButton* BtnMoreSpecDir = nullptr;
    MoreSpecialDirMenu moreMenu;
    // The tray's "系统常用" items are marked when this desktop lacks their place; the tray
    // sends their choice here.
    TrayMenu trayMenu;
};

// The system page's buttons and the "更多..." menu, each opening one fixed place of the
// desktop. Nothing here is recorded or remembered.
class SystemPlaces : public QObject {
    Q_OBJECT

public:
    // Which special place each button of the system page opens.
    struct ButtonPlace {
        const char* button;
        int place;  // a special-folder number or one of the kOpens* values
    };
    static const ButtonPlace kButtonPlaces[];
    static const int kButtonPlaceCount;

    SystemPlaces(const Services& services, WindowActions& window,
                 const SystemPlacesWidgets& widgets, QObject* parent = nullptr);
    ~SystemPlaces() override;

    // Opens what a button or menu item stands for: a special-folder number, the system
    // folder, the task manager, or nothing.
    void OpenPlace(int place);

    // Why a place can't be opened on this desktop; empty when it can.
    QString UnavailableReason(int place) const;
    // Disables a control whose place this desktop lacks, its tool tip saying why.
    void MarkAvailability(QAbstractButton* button, int place) const;
    void MarkAvailability(QAction* action, int place) const;

    // Where the "更多..." menu appears, in screen coordinates.
    QPoint MoreSpecialDirMenuPos() const;
    void BtnMoreSpecDirClick();

private:
    void ConnectButton(QAbstractButton* button, int place);
    void ConnectMenuItem(QAction* action);

    ShellOpen& m_shellOpen;
    Environment& m_environment;
    Openers& m_openers;
    WindowActions& m_window;
    SystemPlacesWidgets m_widgets;
};

}  // namespace qarvex
