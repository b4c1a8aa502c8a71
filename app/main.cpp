#include <QIcon>

#include "app/frm_main.h"
#include "app/qarvex_application.h"
#include "app/qt_messages.h"
#include "app/session_end.h"
#include "app/single_instance.h"
#include "platform/platform.h"
#include "store/config_dir.h"

int main(int argc, char** argv) {
    qarvex::QarvexApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Qarvex"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/images/qarvex.png")));
    // The program lives in the tray: hiding or moving its window off-screen never ends it.
    QGuiApplication::setQuitOnLastWindowClosed(false);

    qarvex::Platform platform = qarvex::CreatePlatform();

    const std::string configDir = qarvex::GetConfigDir(platform.environment->FixedDrives());
    qarvex::SingleInstance instance(qarvex::SingleInstanceKey(QString::fromStdString(configDir)));
    if (!instance.Claim()) {
        instance.ActivateRunningCopy();
        return 0;
    }

    qarvex::QtMessages messages;
    qarvex::TFrmMain mainWindow(platform, messages);
    messages.SetOwner(&mainWindow);
    QObject::connect(&instance, &qarvex::SingleInstance::activationRequested, &mainWindow,
                     [&mainWindow] {
                         mainWindow.ShowMainWindowAtCorner();
                         mainWindow.raise();
                         mainWindow.activateWindow();
                     });
    mainWindow.show();
    const qarvex::SessionEnd sessionEnd(mainWindow);

    const int result = QApplication::exec();
    mainWindow.FormDestroy();
    return result;
}
