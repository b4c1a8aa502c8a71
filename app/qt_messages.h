#pragma once

#include <QPointer>
#include <QSystemTrayIcon>

#include "platform/messages.h"

class QWidget;

namespace qarvex {

// Message boxes on the desktop, owned by the main window when there is one.
class QtMessages : public Messages {
public:
    QtMessages() = default;

    void SetOwner(QWidget* owner) { m_owner = owner; }
    // Notices go to its balloons while it is shown and the desktop shows them.
    void SetTray(QSystemTrayIcon* tray) { m_tray = tray; }

    void Show(const std::string& text, const std::string& caption, Icon icon) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    bool AskYesNoDefaultNo(const std::string& text, const std::string& caption) override;
    void Notify(const std::string& text, const std::string& caption) override;

private:
    QWidget* m_owner = nullptr;
    QPointer<QSystemTrayIcon> m_tray;
};

}  // namespace qarvex
