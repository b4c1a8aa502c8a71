#include "views/tray_controller.h"

#include <string>

#include <QAction>
#include <QCursor>
#include <QFrame>
#include <QMenu>
#include <QStringDecoder>
#include <QToolButton>

#include "capture/openers.h"
#include "capture/scanner.h"
#include "store/app_state.h"
#include "store/guarded.h"
#include "store/list_file.h"
#include "store/text_tables.h"
#include "views/qt_text.h"
#include "views/services.h"
#include "views/window_actions.h"

namespace qarvex {

namespace {

constexpr qsizetype kMenuNameChars = 60;

// Names taken from addresses keep their "%20"s; show them as a person wrote them. Bytes that
// decode to no valid text are left as they were.
QString DecodedName(const std::string& name) {
    const QString raw = Q(name);
    if (!raw.contains(QLatin1Char('%'))) {
        return raw;
    }
    const QByteArray bytes = QByteArray::fromPercentEncoding(QByteArray::fromStdString(name));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(bytes);
    return utf8.hasError() ? raw : decoded;
}

// Long page titles would stretch the menu across the screen; the middle is the part least
// needed to tell two entries apart.
QString ElidedInTheMiddle(const QString& text) {
    if (text.size() <= kMenuNameChars) {
        return text;
    }
    const qsizetype head = (kMenuNameChars - 1) / 2;
    const qsizetype tail = kMenuNameChars - 1 - head;
    return text.left(head) + QChar(0x2026) + text.right(tail);
}

// "（&n） name": the "&" makes the first digit of the number the access key.
QString ItemCaption(int index, const QString& name) {
    return QStringLiteral("（&%1） ").arg(index + 1) +
           ElidedInTheMiddle(name).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

TrayController::TrayController(const Services& services, WindowActions& window,
                               const TrayWidgets& widgets, QObject* parent)
    : QObject(parent),
      m_state(services.state),
      m_scanner(services.scanner),
      m_openers(services.openers),
      m_window(window),
      m_widgets(widgets) {
    const TrayMenu& menu = m_widgets.menu;
    connect(menu.MnOpenQarvex, &QAction::triggered, this, &TrayController::MnOpenQarvexClick);
    connect(menu.MnQVExit, &QAction::triggered, this, [this] { m_window.MnQVExitClick(); });
    for (QAction* place : {menu.MnMyComputer, menu.MnQVMyDoc, menu.MnMyDesk, menu.MnQVControl,
                           menu.MnQVRecycle, menu.MnQVTask, menu.MnQVRecent, menu.MnQVRun}) {
        connect(place, &QAction::triggered, this, [this, place] { OpenSystemPlace(place); });
    }
    // The location hints of the document items are shown as tool tips.
    for (QMenu* submenu : {menu.PmRecent, menu.PmAutoRun, menu.PmMyDocs}) {
        submenu->setToolTipsVisible(true);
    }
}

TrayController::~TrayController() = default;

void TrayController::AttachTrayIcon(QSystemTrayIcon* icon) {
    m_icon = icon;
    if (m_icon) {
        // No menu of Qt's own: the document submenus are refilled on every right press.
        m_icon->setContextMenu(nullptr);
        connect(m_icon, &QSystemTrayIcon::activated, this, &TrayController::TrayIconActivated);
    }
    if (!m_window.HasTray()) {
        ProvideTraylessAccess();
    }
}

void TrayController::ProvideTraylessAccess() {
    if (m_menuButton) {
        return;
    }
    QFrame* bar = m_widgets.PnlTop;
    const QRect search = m_widgets.SbSearchText->geometry();
    m_menuButton = new QToolButton(bar);
    m_menuButton->setObjectName(QStringLiteral("BtnQVTrayMenu"));
    m_menuButton->setText(QStringLiteral("菜单"));
    m_menuButton->setToolTip(QStringLiteral("托盘菜单"));
    m_menuButton->setAutoRaise(true);
    m_menuButton->setGeometry(search.right() + 8, 1, 48, 23);
    m_menuButton->show();
    connect(m_menuButton, &QToolButton::clicked, this, [this] {
        FillDocSubmenus();
        PopMenuAt(m_menuButton->mapToGlobal(QPoint(0, m_menuButton->height())));
    });

    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(bar, &QWidget::customContextMenuRequested, this, [this, bar](const QPoint& at) {
        FillDocSubmenus();
        PopMenuAt(bar->mapToGlobal(at));
    });
}

void TrayController::TrayIconActivated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            TrayLeftPress();
            break;
        case QSystemTrayIcon::Context:
            TrayRightPress();
            break;
        default:
            break;
    }
}

void TrayController::TrayLeftPress() {
    Guarded([&] {
        m_window.BringToFront();
        m_window.ShowMainWindowAtCorner();
        m_scanner.RefreshPageDocs();
    });
}

void TrayController::TrayRightPress() {
    Guarded([&] {
        // The window goes out of sight while the menu is up and stays so until the tray's
        // left press or the open item places it again. The menu needs no window of ours.
        m_window.HideToTray();
        FillDocSubmenus();
        PopMenuAt(QCursor::pos());
    });
}

void TrayController::PopMenuAt(const QPoint& at) {
    m_widgets.menu.popMenu->exec(at);
}

void TrayController::FillDocSubmenus() {
    ShowFavDocInPopmenu();
    ShowRunDocInPopmenu();
    ShowRecentDocInPopmenu();
}

void TrayController::ShowFavDocInPopmenu() {
    FillSubmenu(ListKind::Fav);
}

void TrayController::ShowRunDocInPopmenu() {
    FillSubmenu(ListKind::Run);
}

void TrayController::ShowRecentDocInPopmenu() {
    FillSubmenu(ListKind::Recent);
}

StoredList& TrayController::ListOf(ListKind kind) {
    switch (kind) {
        case ListKind::Recent:
            return m_state.RecentList();
        case ListKind::Run:
            return m_state.RunList();
        case ListKind::Fav:
            break;
    }
    return m_state.FavList();
}

QMenu* TrayController::SubmenuOf(ListKind kind) const {
    const TrayMenu& menu = m_widgets.menu;
    switch (kind) {
        case ListKind::Recent:
            return menu.PmRecent;
        case ListKind::Run:
            return menu.PmAutoRun;
        case ListKind::Fav:
            break;
    }
    return menu.PmMyDocs;
}

void TrayController::FillSubmenu(ListKind kind) {
    Guarded([&] {
        QMenu* submenu = SubmenuOf(kind);
        submenu->clear();
        const std::vector<std::string>& lines = ListOf(kind).Lines();
        const int count = static_cast<int>(lines.size());
        const std::string hintPrefix = kind == ListKind::Fav ? MainTable().TextFavMenuPathPrefix
                                                             : DialogTable().TextCurrentPath;

        // Each item goes to the top: the recent list is visited newest first, so its
        // newest line ends at the bottom next to the tray; the other two are visited from
        // their end and so keep list order.
        std::vector<int> order;
        if (kind == ListKind::Recent) {
            for (int index = 0; index < count && index < kRecentItemLimit; ++index) {
                order.push_back(index);
            }
        } else {
            for (int index = count - 1; index >= 0; --index) {
                order.push_back(index);
            }
        }
        for (int index : order) {
            const TMyDocObj doc = ParseListLine(lines[static_cast<std::size_t>(index)]);
            // A name is shown as written: an "&" in it must not become an access key.
            const QString name = DecodedName(doc.Name);
            auto* item = new QAction(ItemCaption(index, name), submenu);
            const QString hint = Q(hintPrefix + doc.Path);
            item->setStatusTip(hint);
            // The whole name, as the caption may show only its ends.
            item->setToolTip(name + QLatin1Char('\n') + hint);
            item->setData(index);
            connect(item, &QAction::triggered, this,
                    [this, kind, item] { OpenListLine(kind, item->data().toInt()); });
            const QList<QAction*> present = submenu->actions();
            submenu->insertAction(present.isEmpty() ? nullptr : present.first(), item);
        }
    });
}

void TrayController::OpenListLine(ListKind kind, int tag) {
    Guarded([&] {
        const std::vector<std::string>& lines = ListOf(kind).Lines();
        if (tag < 0 || tag >= static_cast<int>(lines.size())) {
            return;
        }
        const TMyDocObj doc = ParseListLine(lines[static_cast<std::size_t>(tag)]);
        // A line without a path would otherwise be taken for a bare host name.
        if (doc.Path.empty()) {
            return;
        }
        m_openers.OpenPathOrAddress(doc.Path, true);
    });
}

void TrayController::MnOpenQarvexClick() {
    Guarded([&] { m_window.ShowMainWindowAtCorner(); });
}

void TrayController::OpenSystemPlace(const QAction* action) {
    Guarded([&] {
        if (!action) {
            return;
        }
        bool ok = false;
        const int place = action->data().toInt(&ok);
        if (!ok) {
            return;
        }
        // One routing for the system page and the tray: the same place opens the same way.
        emit SystemPlaceRequested(place);
    });
}

}  // namespace qarvex
