#include "platform/wayland/kwin_script_source.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryFile>
#include <QTimer>
#include <QUuid>

#include "platform/wayland/compositor_answer.h"
#include "platform/wayland/kwin_report.h"

namespace qarvex {

namespace {

using Clock = std::chrono::steady_clock;

const QString kKWinService = QStringLiteral("org.kde.KWin");
const QString kObjectPath = QStringLiteral("/org/qarvex/KWinWindows");
const QString kInterface = QStringLiteral("org.qarvex.KWinWindows");

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// A call that waits no longer than the deadline allows; nothing on error or time-out.
std::optional<QDBusMessage> CallUntil(QDBusConnection& bus, const QDBusMessage& call,
                                      Clock::time_point deadline) {
    const int left = MillisecondsLeft(deadline);
    if (left <= 0) {
        return std::nullopt;
    }
    QDBusMessage reply = bus.call(call, QDBus::Block, left);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return std::nullopt;
    }
    return reply;
}

QDBusMessage ScriptingCall(const QString& method) {
    return QDBusMessage::createMethodCall(kKWinService, QStringLiteral("/Scripting"),
                                          QStringLiteral("org.kde.kwin.Scripting"), method);
}

}  // namespace

KWinScriptSource::KWinScriptSource(std::chrono::milliseconds budget) : m_budget(budget) {}

KWinScriptSource::~KWinScriptSource() {
    if (m_registered) {
        QDBusConnection::sessionBus().unregisterObject(kObjectPath);
    }
}

void KWinScriptSource::Report(const QString& token, const QString& json) {
    // Anyone on the bus may call this object; only KWin was given the token.
    const QString sender = calledFromDBus() ? message().service() : QString();
    if (!m_token.isEmpty() && token == m_token && !m_kwin.isEmpty() && sender == m_kwin) {
        m_report = json.toStdString();
        m_reporter = sender;
    }
}

std::optional<std::vector<WaylandToplevel>> KWinScriptSource::Read() {
    const Clock::time_point deadline = Clock::now() + m_budget;
    if (QCoreApplication::instance() == nullptr) {
        return std::nullopt;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return std::nullopt;
    }
    QDBusMessage getOwner = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
    getOwner << kKWinService;
    const auto owner = CallUntil(bus, getOwner, deadline);
    if (!owner || owner->arguments().isEmpty() || owner->arguments().first().toString().isEmpty()) {
        return std::nullopt;
    }
    m_kwin = owner->arguments().first().toString();
    if (!m_registered) {
        m_registered =
            bus.registerObject(kObjectPath, this, QDBusConnection::ExportScriptableSlots);
        if (!m_registered) {
            return std::nullopt;
        }
    }

    m_token = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_report.reset();
    m_reporter.clear();
    QTemporaryFile script(QDir::tempPath() + QStringLiteral("/qarvex-kwin-XXXXXX.js"));
    if (!script.open()) {
        return std::nullopt;
    }
    script.write(QByteArray::fromStdString(
        KWinScriptText(bus.baseService().toStdString(), kObjectPath.toStdString(),
                       kInterface.toStdString(), m_token.toStdString())));
    script.flush();

    // One plugin name per process, so a pass cut short leaves nothing that the next
    // one can't replace.
    const QString plugin =
        QStringLiteral("qarvex-windows-%1").arg(QCoreApplication::applicationPid());
    QDBusMessage unload = ScriptingCall(QStringLiteral("unloadScript"));
    unload << plugin;
    CallUntil(bus, unload, deadline);

    QDBusMessage load = ScriptingCall(QStringLiteral("loadScript"));
    load << script.fileName() << plugin;
    const auto loaded = CallUntil(bus, load, deadline);
    const int id =
        loaded && !loaded->arguments().isEmpty() ? loaded->arguments().first().toInt() : -1;
    if (id >= 0) {
        // The script's object moved between KWin versions.
        bool ran = false;
        for (const QString& path :
             {QStringLiteral("/Scripting/Script%1").arg(id), QStringLiteral("/%1").arg(id)}) {
            const QDBusMessage run = QDBusMessage::createMethodCall(
                kKWinService, path, QStringLiteral("org.kde.kwin.Script"), QStringLiteral("run"));
            if (CallUntil(bus, run, deadline)) {
                ran = true;
                break;
            }
        }
        if (ran && !m_report) {
            // The report arrives as a call on this object: let the bus deliver it, and
            // nothing a user does, until it is here or the time is up.
            QEventLoop loop;
            QTimer timer;
            timer.setSingleShot(true);
            QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, &loop, [this, &loop] {
                if (m_report) {
                    loop.quit();
                }
            });
            timer.start(MillisecondsLeft(deadline));
            poll.start(2);
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
    }
    QDBusMessage unloadAfter = ScriptingCall(QStringLiteral("unloadScript"));
    unloadAfter << plugin;
    bus.send(unloadAfter);
    m_token.clear();
    if (!m_report) {
        return std::nullopt;
    }
    std::optional<std::vector<WaylandToplevel>> windows = ParseWindowReport(*m_report);
    if (windows) {
        KeepProcessesOnlyFromCompositor(m_reporter, *windows);
    }
    return windows;
}

}  // namespace qarvex
