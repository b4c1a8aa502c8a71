#pragma once

#include "platform/messages.h"

class QWidget;

namespace qarvex {

// Message boxes on the desktop, owned by the main window when there is one.
class QtMessages : public Messages {
public:
    QtMessages() = default;

    void SetOwner(QWidget* owner) { m_owner = owner; }

    void Show(const std::string& text, const std::string& caption, Icon icon) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    bool AskYesNoDefaultNo(const std::string& text, const std::string& caption) override;

private:
    QWidget* m_owner = nullptr;
};

}  // namespace qarvex
