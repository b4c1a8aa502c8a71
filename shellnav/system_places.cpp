#include "shellnav/system_places.h"

#include <optional>

#include <QAction>
#include <QMenu>
#include <QToolButton>

#include "capture/openers.h"
#include "platform/platform.h"
#include "platform/shell_open.h"
#include "store/atomic_file.h"
#include "store/guarded.h"
#include "views/doc_trees.h"
#include "views/services.h"
#include "views/window_actions.h"

namespace qarvex {

namespace {

// Below the button's top edge, so the menu opens under the button rather than over it.
constexpr int kMenuDropOffset = 30;

// Places a file manager shows under a name of its own, and the desktop's own programs.
std::optional<ShellPlace> ShellPlaceOf(int place) {
    switch (place) {
        case csidl::kBitBucket:
            return ShellPlace::Trash;
        case csidl::kHistory:
            return ShellPlace::Recent;
        case csidl::kNetwork:
        case csidl::kNetHood:
            return ShellPlace::Network;
        case csidl::kPrinters:
        case csidl::kPrintHood:
            return ShellPlace::Printers;
        case csidl::kControls:
            return ShellPlace::Settings;
        case kOpensTaskManager:
            return ShellPlace::TaskManager;
        default:
            return std::nullopt;
    }
}

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

SystemPlaces::SystemPlaces(const Services& services, WindowActions& window,
                           const SystemPlacesWidgets& widgets, QObject* parent)
    : QObject(parent),
      m_shellOpen(*services.platform.shellOpen),
      m_environment(*services.platform.environment),
      m_openers(services.openers),
      m_window(window),
      m_widgets(widgets) {
    QWidget* page = m_widgets.TsQVSystem;
    for (const ButtonPlace& entry : kButtonPlaces) {
        ConnectButton(page->findChild<QAbstractButton*>(QLatin1String(entry.button)), entry.place);
    }
    connect(m_widgets.BtnMoreSpecDir, &QToolButton::clicked, this,
            [this] { BtnMoreSpecDirClick(); });

    for (const ButtonPlace& entry : kButtonPlaces) {
        MarkAvailability(page->findChild<QAbstractButton*>(QLatin1String(entry.button)),
                         entry.place);
    }

    // The tray's system submenu opens through the same routing (TrayController).
    const TrayMenu& tray = m_widgets.trayMenu;
    if (tray.MnSystemUse != nullptr) {
        tray.MnSystemUse->setToolTipsVisible(true);
    }
    for (QAction* action : {tray.MnMyComputer, tray.MnQVMyDoc, tray.MnMyDesk, tray.MnQVControl,
                            tray.MnQVRecycle, tray.MnQVTask}) {
        if (action != nullptr) {
            MarkAvailability(action, action->data().toInt());
        }
    }

    // Listed one by one: the submenus' own actions carry no place and must stay inert.
    const MoreSpecialDirMenu& menu = m_widgets.moreMenu;
    for (QMenu* submenu : {menu.PmMoreSpecialDir, menu.PmCurrentUser, menu.PmAllUsers}) {
        if (submenu != nullptr) {
            submenu->setToolTipsVisible(true);
        }
    }
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
    bool isNumber = false;
    const int place = action->data().toInt(&isNumber);
    if (isNumber) {
        MarkAvailability(action, place);
    }
    connect(action, &QAction::triggered, this, [this, action] {
        bool isNumber = false;
        const int place = action->data().toInt(&isNumber);
        if (isNumber) {
            OpenPlace(place);
        }
    });
}

QString SystemPlaces::UnavailableReason(int place) const {
    switch (place) {
        case csidl::kStartMenu:
        case csidl::kCommonStartMenu:
        case csidl::kPrograms:
        case csidl::kCommonPrograms: {
            // The desktop's menu entries stand for the start menu: the user's own, or the
            // installed ones.
            const std::optional<std::string> folder = m_environment.SpecialFolderPath(place);
            if (folder && DirectoryExists(*folder)) {
                return {};
            }
            return QStringLiteral("没有找到菜单项文件夹 %1")
                .arg(QString::fromStdString(folder.value_or(std::string())));
        }
        case csidl::kCookies:
            return QStringLiteral("Cookies 由各个浏览器分别保存，桌面上没有统一的位置");
        default:
            break;
    }
    const std::optional<ShellPlace> shellPlace = ShellPlaceOf(place);
    if (!shellPlace || m_shellOpen.HasPlace(*shellPlace)) {
        return {};
    }
    switch (*shellPlace) {
        case ShellPlace::Settings:
            return QStringLiteral("没有找到桌面的设置程序");
        case ShellPlace::TaskManager:
            return QStringLiteral("没有找到系统监视器");
        case ShellPlace::Printers:
            return QStringLiteral("没有找到打印机设置程序，也没有本机打印系统");
        case ShellPlace::Recent:
            return QStringLiteral("文件管理器需要 gvfs 才能显示最近使用的文件，本机没有安装");
        case ShellPlace::Network:
            return QStringLiteral("文件管理器需要 gvfs 才能显示网络上的位置，本机没有安装");
        default:
            return {};
    }
}

void SystemPlaces::MarkAvailability(QAbstractButton* button, int place) const {
    const QString reason = UnavailableReason(place);
    if (button == nullptr || reason.isEmpty()) {
        return;
    }
    button->setEnabled(false);
    button->setToolTip(reason);
}

void SystemPlaces::MarkAvailability(QAction* action, int place) const {
    const QString reason = UnavailableReason(place);
    if (action == nullptr || reason.isEmpty()) {
        return;
    }
    action->setEnabled(false);
    action->setToolTip(reason);
}

void SystemPlaces::OpenPlace(int place) {
    // A place that can't be opened simply opens nothing.
    Guarded([&] {
        if (!UnavailableReason(place).isEmpty()) {
            return;
        }
        if (place == csidl::kFavorites || place == csidl::kCommonFavorites) {
            // The favourites this program keeps are the desktop's nearest equivalent.
            m_window.ShowPage(Page::Favourites);
            m_window.ShowMainWindowAtCorner();
            return;
        }
        if (const std::optional<ShellPlace> shellPlace = ShellPlaceOf(place)) {
            m_shellOpen.OpenPlace(*shellPlace);
            return;
        }
        if (place >= 0) {
            m_openers.OpenSpecialFolder(place);
        } else if (place == kOpensSystemFolder) {
            m_openers.OpenSystemFolder();
        } else if (place == kOpensTaskManager) {
            m_openers.OpenTaskManager();
        }
    });
}

QPoint SystemPlaces::MoreSpecialDirMenuPos() const {
    // Just below the button's top-left corner, on screen. The button sits inside the page's
    // layout, so its own position is relative to that, not to the window.
    const QWidget* button = m_widgets.BtnMoreSpecDir;
    return button->mapToGlobal(QPoint(0, kMenuDropOffset));
}

void SystemPlaces::BtnMoreSpecDirClick() {
    if (QMenu* menu = m_widgets.moreMenu.PmMoreSpecialDir) {
        menu->popup(MoreSpecialDirMenuPos());
    }
}

}  // namespace qarvex
