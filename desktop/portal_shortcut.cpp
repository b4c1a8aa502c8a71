#include "desktop/portal_shortcut.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QKeySequence>

namespace qarvex {

namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

struct PortalShortcutEntry {
    QString id;
    QVariantMap properties;
};

}  // namespace

}  // namespace qarvex

Q_DECLARE_METATYPE(qarvex::PortalShortcutEntry)

namespace qarvex {

namespace {

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcutEntry& entry) {
    argument.beginStructure();
    argument << entry.id << entry.properties;
    argument.endStructure();
    return argument;
}
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcutEntry& entry) {
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.endStructure();
    return argument;
}

}  // namespace

PortalShortcut::PortalShortcut(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)) {
    qDBusRegisterMetaType<PortalShortcutEntry>();
    qDBusRegisterMetaType<QList<PortalShortcutEntry>>();
    m_bus.connect(kPortal, kPortalPath, kShortcuts, QStringLiteral("Activated"), this,
                  SLOT(ShortcutActivated(QDBusMessage)));
}

QString PortalShortcut::PortalTrigger(const QString& portableText) {
    const QKeySequence sequence =
        QKeySequence::fromString(portableText, QKeySequence::PortableText);
    if (sequence.count() != 1) {
        return {};
    }
    const QKeyCombination combination = sequence[0];
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    QString trigger;
    if (modifiers & Qt::ControlModifier) {
        trigger += QStringLiteral("CTRL+");
    }
    if (modifiers & Qt::AltModifier) {
        trigger += QStringLiteral("ALT+");
    }
    if (modifiers & Qt::ShiftModifier) {
        trigger += QStringLiteral("SHIFT+");
    }
    if (modifiers & Qt::MetaModifier) {
        trigger += QStringLiteral("LOGO+");
    }
    QString key = QKeySequence(combination.key()).toString(QKeySequence::PortableText);
    // Keys go by their XKB names: letters and "space" in lower case, "F1", "Return".
    if (key.size() == 1 || key == QStringLiteral("Space")) {
        key = key.toLower();
    }
    return trigger + key;
}

bool PortalShortcut::Ask(const QString& token, const char* answerSlot, const QString& method,
                         const QVariantList& arguments) {
    // The portal answers on a request object whose path it makes from our name and the
    // token; listening first means no answer can come before we listen.
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString request =
        kPortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    if (!m_bus.connect(kPortal, request, kRequest, QStringLiteral("Response"), this, answerSlot)) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kShortcuts, method);
    call.setArguments(arguments);
    return m_bus.send(call);
}

void PortalShortcut::Bind(const QString& portableText) {
    m_trigger = PortalTrigger(portableText);
    if (!m_session.isEmpty()) {
        BindInSession();
        return;
    }
    // Only a portal that offers the interface gets asked: the others would never answer.
    QDBusMessage offered = QDBusMessage::createMethodCall(
        kPortal, kPortalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    offered << kShortcuts << QStringLiteral("version");
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(offered), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (w->isError()) {
            emit bound(false);
            return;
        }
        const QString token = QStringLiteral("qarvex_session_%1").arg(++m_requests);
        const QVariantMap options{{QStringLiteral("handle_token"), token},
                                  {QStringLiteral("session_handle_token"), token}};
        if (!Ask(token, SLOT(SessionAnswered(uint, QVariantMap)), QStringLiteral("CreateSession"),
                 {options})) {
            emit bound(false);
        }
    });
}

void PortalShortcut::SessionAnswered(uint response, const QVariantMap& results) {
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    m_session = handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                     : handle.toString();
    if (m_session.isEmpty()) {
        m_session = handle.toString();
    }
    if (response != 0 || m_session.isEmpty()) {
        m_session.clear();
        emit bound(false);
        return;
    }
    BindInSession();
}

void PortalShortcut::BindInSession() {
    const QString token = QStringLiteral("qarvex_bind_%1").arg(++m_requests);
    QVariantMap properties{{QStringLiteral("description"), QStringLiteral("打开 Qarvex 的搜索")}};
    if (!m_trigger.isEmpty()) {
        properties.insert(QStringLiteral("preferred_trigger"), m_trigger);
    }
    const QList<PortalShortcutEntry> shortcuts{{QString::fromLatin1(kShortcutId), properties}};
    if (!Ask(token, SLOT(BindAnswered(uint, QVariantMap)), QStringLiteral("BindShortcuts"),
             {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts),
              QString(), QVariantMap{{QStringLiteral("handle_token"), token}}})) {
        emit bound(false);
    }
}

void PortalShortcut::BindAnswered(uint response, const QVariantMap&) {
    emit bound(response == 0);
}

void PortalShortcut::ShortcutActivated(const QDBusMessage& message) {
    const QVariantList arguments = message.arguments();
    if (arguments.size() >= 2 && arguments[0].value<QDBusObjectPath>().path() == m_session &&
        arguments[1].toString() == QLatin1String(kShortcutId)) {
        emit activated();
    }
}

}  // namespace qarvex
