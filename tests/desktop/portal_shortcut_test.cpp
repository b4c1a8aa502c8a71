#include "desktop/portal_shortcut.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QTest>

#include "support/cannot_run.h"
#include "support/qt/qt_app.h"

struct AskedShortcut {
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(AskedShortcut)

QDBusArgument& operator<<(QDBusArgument& argument, const AskedShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}
const QDBusArgument& operator>>(const QDBusArgument& argument, AskedShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

namespace qarvex {
namespace {

const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");

// A desktop portal that gives every key asked for, as KDE's does once the user agrees,
// on a connection of its own.
class FakeShortcutPortal : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)

public:
    FakeShortcutPortal(QObject* object, QDBusConnection bus)
        : QDBusAbstractAdaptor(object), m_bus(std::move(bus)) {
        qDBusRegisterMetaType<AskedShortcut>();
        qDBusRegisterMetaType<QList<AskedShortcut>>();
    }
    uint version() const { return 1; }

    QString trigger;
    const QString session = kPortalPath + QStringLiteral("/session/asker/qarvex");

    void Press() {
        QDBusMessage signal = QDBusMessage::createSignal(
            kPortalPath, QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
            QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(session)) << QStringLiteral("toggle-search")
               << qulonglong(0) << QVariantMap();
        m_bus.send(signal);
    }

public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& call) {
        return Answer(call, options, {{QStringLiteral("session_handle"), session}});
    }
    QDBusObjectPath BindShortcuts(const QDBusObjectPath&, const QList<AskedShortcut>& shortcuts,
                                  const QString&, const QVariantMap& options,
                                  const QDBusMessage& call) {
        for (const AskedShortcut& shortcut : shortcuts) {
            trigger = shortcut.properties.value(QStringLiteral("preferred_trigger")).toString();
        }
        return Answer(call, options, {});
    }

private:
    QDBusObjectPath Answer(const QDBusMessage& call, const QVariantMap& options,
                           const QVariantMap& results) {
        QString sender = call.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString request = kPortalPath + QStringLiteral("/request/") + sender +
                                QLatin1Char('/') +
                                options.value(QStringLiteral("handle_token")).toString();
        QDBusMessage response = QDBusMessage::createSignal(
            request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        response << 0u << results;
        m_bus.send(response);
        return QDBusObjectPath(request);
    }

    QDBusConnection m_bus;
};

TEST(PortalShortcut, TheDesktopPortalGivesTheKeyAndItsPressArrives) {
    test::EnsureQtApp();
    if (!QDBusConnection::sessionBus().isConnected()) {
        QARVEX_CANNOT_RUN("no session bus (run the test under dbus-run-session)");
    }
    QDBusConnection portalBus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("portal"));
    QObject portalObject;
    auto* portal = new FakeShortcutPortal(&portalObject, portalBus);
    ASSERT_TRUE(
        portalBus.registerObject(kPortalPath, &portalObject, QDBusConnection::ExportAdaptors));
    ASSERT_TRUE(portalBus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));

    PortalShortcut shortcut(QDBusConnection::sessionBus());
    int bound = 0;
    int pressed = 0;
    QObject::connect(&shortcut, &PortalShortcut::bound, [&](bool ok) { bound += ok ? 1 : -100; });
    QObject::connect(&shortcut, &PortalShortcut::activated, [&] { ++pressed; });
    shortcut.Bind(QStringLiteral("Ctrl+Alt+Space"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bound != 0; }, 20000)) << "the portal never answered";
    ASSERT_EQ(bound, 1);
    EXPECT_EQ(portal->trigger, QStringLiteral("CTRL+ALT+space"));

    portal->Press();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pressed != 0; }, 20000)) << "the press never arrived";
    EXPECT_EQ(pressed, 1);
    portalBus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

}  // namespace
}  // namespace qarvex

#include "portal_shortcut_test.moc"
