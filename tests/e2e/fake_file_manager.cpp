// Stands in for the desktop's file manager on a private session bus: owns
// org.freedesktop.FileManager1 and answers OpenWindowsWithLocations with the windows
// given on the command line ("--window" starts the next window, every other argument is
// one location). "--wrong-type" answers with a plain string instead; "--silent" never
// answers. Prints "ready" once the name is owned.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMap>
#include <QStringList>
#include <cstdio>

namespace {

using WindowLocations = QMap<QString, QStringList>;

class FileManager : public QDBusVirtualObject {
public:
    FileManager(WindowLocations windows, QString mode)
        : m_windows(std::move(windows)), m_mode(std::move(mode)) {}

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != QLatin1String("org.freedesktop.DBus.Properties") ||
            message.member() != QLatin1String("Get")) {
            return false;
        }
        if (m_mode == QLatin1String("--silent")) {
            message.setDelayedReply(true);  // and never answer
            return true;
        }
        QVariant value = m_mode == QLatin1String("--wrong-type")
                             ? QVariant(QStringLiteral("not a map"))
                             : QVariant::fromValue(m_windows);
        connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
        return true;
    }

private:
    WindowLocations m_windows;
    QString m_mode;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<WindowLocations>();
    WindowLocations windows;
    QString mode;
    int window = 0;
    QString current = QStringLiteral("/window/0");
    for (const QString& argument : app.arguments().mid(1)) {
        if (argument == QLatin1String("--window")) {
            current = QStringLiteral("/window/%1").arg(++window);
        } else if (argument.startsWith(QLatin1String("--"))) {
            mode = argument;
        } else {
            windows[current] << argument;
        }
    }
    FileManager fileManager(windows, mode);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerVirtualObject(QStringLiteral("/org/freedesktop/FileManager1"), &fileManager) ||
        !bus.registerService(QStringLiteral("org.freedesktop.FileManager1"))) {
        std::fprintf(stderr, "fake_file_manager: can't own the name\n");
        return 2;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
