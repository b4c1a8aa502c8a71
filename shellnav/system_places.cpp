#include "shellnav/system_places.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

#include "app/frm_main.h"
#include "capture/openers.h"
#include "ui_TFrmMain.h"
#include "views/popup_menus.h"

namespace qarvex {

namespace {

// Below the button's top edge, so the menu opens under the button rather than over it.
constexpr int kMenuDropOffset = 30;

}  // namespace

const SystemPlaces::ButtonPlace SystemPlaces::kButtonPlaces[] = {
    {"SpeedButton5", csidl::kDrives},
    {"SpeedButton9", csidl::kControls},
    {"SpeedButton23", csidl::kHistory},
    {"SpeedButton17", csidl::kStartMenu},
    {"SpeedButton6", csidl::kPersonal},
    {"SpeedButton7", csidl::kDesktop},
    {"SpeedButton22", csidl::kFavorites},
    {"SpeedButton14", csidl::kPrograms},
    {"SpeedButton11", csidl::kDesktopDirectory},
    {"SpeedButton19", csidl::kNetwork},
    {"SpeedButton8", csidl::kBitBucket},
    {"SpeedButton16", csidl::kStartup},
    {"SpeedButton1", kOpensSystemFolder},
    {"BtmManageTask", kOpensTaskManager},
};
const int SystemPlaces::kButtonPlaceCount =
    static_cast<int>(sizeof(SystemPlaces::kButtonPlaces) / sizeof(SystemPlaces::kButtonPlaces[0]));

SystemPlaces::SystemPlaces(TFrmMain& main) : QObject(&main), m_main(main) {
    for (const ButtonPlace& entry : kButtonPlaces) {
        ConnectButton(main.findChild<QAbstractButton*>(QLatin1String(entry.button)), entry.place);
    }
    connect(main.ui().BtnMoreSpecDir, &QToolButton::clicked, this,
            [this] { BtnMoreSpecDirClick(); });

    // Listed one by one: the submenus' own actions carry no place and must stay inert.
    const MoreSpecialDirMenu& menu = main.moreSpecialDirMenu();
    for (QAction* action : {menu.PmDesktopPath,
                            menu.Cookie1,
                            menu.pmFont,
                            menu.N4,
                            menu.N11,
                            menu.lianj1,
                            menu.N12,
                            menu.N13,
                            menu.N14,
                            menu.N15,
                            menu.N16,
                            menu.N17,
                            menu.N18,
                            menu.Windows1,
                            menu.N19,
                            menu.N3,
                            menu.N5,
                            menu.N6,
                            menu.N7,
                            menu.N8,
                            menu.N9,
                            menu.N10}) {
        ConnectMenuItem(action);
    }
}

SystemPlaces::~SystemPlaces() = default;

void SystemPlaces::ConnectButton(QAbstractButton* button, int place) {
    if (!button) {
        return;
    }
    connect(button, &QAbstractButton::clicked, this, [this, place] { OpenPlace(place); });
}

void SystemPlaces::ConnectMenuItem(QAction* action) {
    if (!action) {
        return;
    }
    connect(action, &QAction::triggered, this, [this, action] {
        bool isNumber = false;
        const int place = action->data().toInt(&isNumber);
        if (isNumber) {
            OpenPlace(place);
        }
    });
}

void SystemPlaces::OpenPlace(int place) {
    try {
        Openers& openers = m_main.openers();
        if (place >= 0) {
            openers.OpenSpecialFolder(place);
        } else if (place == kOpensSystemFolder) {
            openers.OpenSystemFolder();
        } else if (place == kOpensTaskManager) {
            openers.OpenTaskManager();
        }
    } catch (...) {
        // A place that can't be opened simply opens nothing.
    }
}

QPoint SystemPlaces::MoreSpecialDirMenuPos() const {
    // Just below the button's top-left corner, on screen. The button sits inside the page's
    // layout, so its own position is relative to that, not to the window.
    const QWidget* button = m_main.ui().BtnMoreSpecDir;
    return button->mapToGlobal(QPoint(0, kMenuDropOffset));
}

void SystemPlaces::BtnMoreSpecDirClick() {
    if (QMenu* menu = m_main.moreSpecialDirMenu().PmMoreSpecialDir) {
        menu->popup(MoreSpecialDirMenuPos());
    }
}

}  // namespace qarvex
