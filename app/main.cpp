#include <cstdlib>
#include <string>
#include <vector>

#include <QDBusConnection>
#include <QEvent>
#include <QIcon>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include "app/command_line.h"
#include "app/frm_main.h"
#include "app/qarvex_application.h"
#include "app/qt_messages.h"
#include "app/session_end.h"
#include "app/single_instance.h"
#include "desktop/quick_search.h"
#include "desktop/search_providers.h"
#include "platform/platform.h"
#include "platform/wayland/display_choice.h"
#include "platform/wayland/gnome_extension.h"
#include "platform/wayland/gnome_shell_source.h"
#include "platform/x11/linux_environment.h"
#include "store/app_state.h"
#include "store/config_dir.h"
#include "views/skin.h"

int main(int argc, char** argv) {
    // Help, version, search and export need no display: they are done before Qt looks
    // for one, and touch no file of the configuration folder.
    const qarvex::CommandLine command =
        qarvex::ParseCommandLine(std::vector<std::string>(argv, argv + argc));
    {
        qarvex::LinuxEnvironment environment;
        if (const int code = qarvex::RunWithoutDisplay(command, environment); code >= 0) {
            return code;
        }
    }
    // Decided before Qt picks a platform: in a Wayland session the window goes through
    // XWayland when there is one, so that placing and hiding it keep working.
    const qarvex::DisplayEnvironment display = qarvex::DisplayEnvironmentFromProcess();
    const qarvex::DisplayRoute route = qarvex::ChooseDisplayRoute(display);
    // Without XWayland the window runs natively: it never moves itself off-screen, and with a
    // tray it hides there when minimised, as everywhere.
    const std::string platformName = qarvex::ForcedQtPlatform(route);
    if (!platformName.empty()) {
        setenv("QT_QPA_PLATFORM", platformName.c_str(), 1);
    }
    qarvex::QarvexApplication app(argc, argv);
    if (!platformName.empty()) {
        // Qt has read it; the programs Qarvex opens must pick their own platform.
        unsetenv("QT_QPA_PLATFORM");
    }
    // The compositor knows the window by this name, and the scan drops it by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.qarvex.Qarvex"));
    QCoreApplication::setApplicationName(QStringLiteral("Qarvex"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/images/qarvex.png")));
    // The program lives in the tray: hiding or moving its window off-screen never ends it.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    qarvex::UseCjkApplicationFont();

    qarvex::Platform platform = qarvex::CreatePlatform();

    const std::string configDir = qarvex::GetConfigDir(platform.environment->ConfigRoot());
    qarvex::SingleInstance instance(qarvex::SingleInstanceKey(QString::fromStdString(configDir)));
    if (!instance.Claim()) {
        instance.ActivateRunningCopy(command.action == qarvex::CommandLine::Action::ToggleSearch
                                         ? qarvex::SingleInstance::Request::ToggleSearch
                                     : command.action == qarvex::CommandLine::Action::Show
                                         ? qarvex::SingleInstance::Request::ShowSearch
                                         : qarvex::SingleInstance::Request::Show);
        return 0;
    }

    qarvex::QtMessages messages;
    qarvex::TFrmMain mainWindow(platform, messages, configDir);
    messages.SetOwner(&mainWindow);
    if (mainWindow.HasTray()) {
        messages.SetTray(mainWindow.trayIcon());
    }
    QObject::connect(&instance, &qarvex::SingleInstance::activationRequested, &mainWindow,
                     [&mainWindow] {
                         mainWindow.ShowMainWindowAtCorner();
                         mainWindow.raise();
                         mainWindow.activateWindow();
                     });
    qarvex::QuickSearch& quickSearch = *mainWindow.parts().quickSearch;
    QObject::connect(&instance, &qarvex::SingleInstance::searchRequested, &quickSearch,
                     [&quickSearch](bool toggle) {
                         if (toggle) {
                             quickSearch.ToggleSearch();
                         } else {
                             quickSearch.ShowSearch();
                         }
                     });
    if (command.action == qarvex::CommandLine::Action::Show ||
        command.action == qarvex::CommandLine::Action::ToggleSearch) {
        // No copy ran: this one is the copy asked for, and comes up searching.
        QTimer::singleShot(0, &quickSearch, [&quickSearch] { quickSearch.ShowSearch(); });
    } else if (!command.inTray) {
        mainWindow.show();
    }
    // The desktop's own search (GNOME Shell's overview, KRunner) asks over the session bus.
    qarvex::DesktopSearch desktopSearch(
        mainWindow.services().history, mainWindow.services().openers,
        [&quickSearch](const QString& text) { quickSearch.ShowSearch(text); });
    desktopSearch.Register(QDBusConnection::sessionBus());
    const qarvex::SessionEnd sessionEnd(mainWindow);
    if (!display.waylandDisplay.empty()) {
        // GNOME Shell shows its windows only to its extensions: offer ours once, and
        // say how to turn it on (the Shell reads new extensions at the next log-in).
        if (const std::optional<int> shell = qarvex::GnomeShellMajorVersion()) {
            const char* dataHome = std::getenv("XDG_DATA_HOME");
            const std::string dataFolder =
                dataHome != nullptr && dataHome[0] == '/'
                    ? std::string(dataHome)
                    : platform.environment->HomeFolder() + "/.local/share";
            if (qarvex::OfferGnomeExtension(dataFolder, *shell,
                                            QCoreApplication::applicationFilePath().toStdString(),
                                            mainWindow.services().state.Settings(), messages)) {
                messages.Show(qarvex::GnomeExtensionNotice(), "Qarvex",
                              qarvex::Messages::Icon::Information);
            }
        }
    }

    const int result = QApplication::exec();
    mainWindow.FormDestroy();
    return result;
}
