#include "platform/wayland/gnome_shell_source.h"

#include <utility>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include "platform/wayland/compositor_answer.h"
#include "platform/wayland/gnome_extension.h"
#include "platform/wayland/kwin_report.h"

namespace qarvex {

namespace {

const QString kShellService = QStringLiteral("org.gnome.Shell");

// The first value of the reply, and who sent it.
std::optional<std::pair<QVariant, QString>> Call(const QDBusMessage& call,
                                                 std::chrono::milliseconds budget) {
    if (QCoreApplication::instance() == nullptr) {
        return std::nullopt;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return std::nullopt;
    }
    const QDBusMessage reply = bus.call(call, QDBus::Block, static_cast<int>(budget.count()));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    return std::make_pair(reply.arguments().first(), reply.service());
}

}  // namespace

GnomeShellSource::GnomeShellSource(std::chrono::milliseconds budget) : m_budget(budget) {}

std::optional<std::vector<WaylandToplevel>> GnomeShellSource::Read() {
    const QDBusMessage call = QDBusMessage::createMethodCall(
        kShellService, QString::fromLatin1(kGnomeWindowsPath),
        QString::fromLatin1(kGnomeWindowsInterface), QStringLiteral("GetWindows"));
    const auto report = Call(call, m_budget);
    if (!report) {
        return std::nullopt;
    }
    std::optional<std::vector<WaylandToplevel>> windows =
        ParseWindowReport(report->first.toString().toStdString());
    if (windows) {
        KeepProcessesOnlyFromCompositor(report->second, *windows);
    }
    return windows;
}

std::optional<int> GnomeShellMajorVersion(std::chrono::milliseconds budget) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        kShellService, QStringLiteral("/org/gnome/Shell"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.gnome.Shell") << QStringLiteral("ShellVersion");
    const auto value = Call(call, budget);
    if (!value) {
        return std::nullopt;
    }
    const QString version = value->first.value<QDBusVariant>().variant().toString();
    bool ok = false;
    const int major = version.section(QLatin1Char('.'), 0, 0).toInt(&ok);
    if (!ok || major <= 0) {
        return std::nullopt;
    }
    return major;
}

}  // namespace qarvex
