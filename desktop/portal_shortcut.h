#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace qarvex {

// The global shortcut through the desktop portal (org.freedesktop.portal.GlobalShortcuts),
// the one way a Wayland desktop lets a program have a key (KDE offers it). Every step is
// a request the portal answers later, so nothing here waits.
class PortalShortcut : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kShortcutId = "toggle-search";

    explicit PortalShortcut(QDBusConnection bus, QObject* parent = nullptr);

    // Asks for the key (Qt's portable text); the answer comes as bound().
    void Bind(const QString& portableText);

    // "Ctrl+Alt+Space" as the portal's triggers are written: "CTRL+ALT+space".
    static QString PortalTrigger(const QString& portableText);

signals:
    void bound(bool ok);
    void activated();

private slots:
    void SessionAnswered(uint response, const QVariantMap& results);
    void BindAnswered(uint response, const QVariantMap& results);
    void ShortcutActivated(const QDBusMessage& message);

private:
    // Listens for the answer to the request with this token, then makes the call.
    bool Ask(const QString& token, const char* answerSlot, const QString& method,
             const QVariantList& arguments);
    void BindInSession();

    QDBusConnection m_bus;
    QString m_session;
    QString m_trigger;
    int m_requests = 0;
};

}  // namespace qarvex
