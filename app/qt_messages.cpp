#include "app/qt_messages.h"

#include <QMessageBox>

namespace qarvex {

void QtMessages::Show(const std::string& text, const std::string& caption, Icon icon) {
    QMessageBox box(icon == Icon::Error ? QMessageBox::Critical : QMessageBox::Information,
                    QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                    m_owner);
    box.exec();
}

bool QtMessages::AskYesNo(const std::string& text, const std::string& caption) {
    return QMessageBox::question(m_owner, QString::fromStdString(caption),
                                 QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool QtMessages::AskYesNoDefaultNo(const std::string& text, const std::string& caption) {
    return QMessageBox::question(m_owner, QString::fromStdString(caption),
                                 QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void QtMessages::Notify(const std::string& text, const std::string& caption) {
    if (m_tray && m_tray->isVisible() && QSystemTrayIcon::supportsMessages()) {
        m_tray->showMessage(QString::fromStdString(caption), QString::fromStdString(text),
                            QSystemTrayIcon::Warning, 10000);
        return;
    }
    Show(text, caption, Icon::Error);
}

}  // namespace qarvex
