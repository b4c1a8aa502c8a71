#include "platform/x11/file_manager_windows.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QMap>
#include <QStringList>
#include <QVariant>

#include "platform/x11/folder_address.h"

namespace qarvex {

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");
const QString kPath = QStringLiteral("/org/freedesktop/FileManager1");

// a{sas}: window object path -> the locations it shows (tabs, split views).
std::vector<std::string> LocationsFrom(const QVariant& value) {
    std::vector<std::string> locations;
    if (!value.canConvert<QDBusArgument>()) {
        return locations;
    }
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("a{sas}")) {
        return locations;
    }
    QMap<QString, QStringList> windows;
    argument >> windows;
    for (auto it = windows.cbegin(); it != windows.cend(); ++it) {
        for (const QString& uri : it.value()) {
            if (!uri.isEmpty()) {
                locations.push_back(FolderAddressFromUri(uri.toStdString()));
            }
        }
    }
    return locations;
}

}  // namespace

std::vector<std::string> FileManagerWindows(int timeoutMs) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr) {
        return {};
    }
    // NameHasOwner rather than a call that would activate the service: opening the file
    // manager just to ask it what it shows would be a surprise.
    QDBusMessage hasOwner = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    hasOwner << kService;
    const QDBusMessage owned = bus.call(hasOwner, QDBus::Block, timeoutMs);
    if (owned.type() != QDBusMessage::ReplyMessage || owned.arguments().isEmpty() ||
        !owned.arguments().first().toBool()) {
        return {};
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kService << QStringLiteral("OpenWindowsWithLocations");
    get.setAutoStartService(false);
    const QDBusMessage reply = bus.call(get, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    return LocationsFrom(reply.arguments().first().value<QDBusVariant>().variant());
}

}  // namespace qarvex
