#pragma once

#include <QObject>
#include <QString>

#include "desktop/global_shortcut.h"

class QGroupBox;
class QKeySequenceEdit;
class QLabel;
class QPushButton;
class QWidget;

namespace qarvex {

class IniFile;

// The global shortcut's controls on the "设置" page.
struct ShortcutWidgets {
    QGroupBox* GbQVHotkey = nullptr;
    QKeySequenceEdit* EdtQVHotkey = nullptr;
    QPushButton* BtnQVClearHotkey = nullptr;
    QLabel* LblQVHotkeyState = nullptr;
};
ShortcutWidgets BuildShortcutWidgets(QWidget* settingsPage);

// The key that brings the search up from anywhere: read from the settings at start, and
// changed, or cleared, on the settings page; the page says when it cannot be had.
class ShortcutSettings : public QObject {
    Q_OBJECT

public:
    ShortcutSettings(IniFile& settings, GlobalShortcut& shortcut, const ShortcutWidgets& widgets,
                     QObject* parent = nullptr);

    // The stored key, or Ctrl+Alt+Space when none was ever stored.
    QString StoredKey() const;
    GlobalShortcut::Result result() const { return m_result; }

private:
    void Apply(const QString& keys);
    void Change(const QString& keys);

    IniFile& m_settings;
    GlobalShortcut& m_shortcut;
    ShortcutWidgets m_widgets;
    GlobalShortcut::Result m_result = GlobalShortcut::Result::None;
};

}  // namespace qarvex
