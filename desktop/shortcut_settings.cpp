#include "desktop/shortcut_settings.h"

#include <cstdio>

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPushButton>

#include "store/ini_file.h"
#include "store/settings.h"
#include "views/settings_page.h"

namespace qarvex {

namespace {

QString StateText(GlobalShortcut::Result result, const QString& keys) {
    switch (result) {
        case GlobalShortcut::Result::Taken:
            return QStringLiteral("%1 已被其他程序占用，请换一个快捷键").arg(keys);
        case GlobalShortcut::Result::Invalid:
            return QStringLiteral("无法使用快捷键 %1").arg(keys);
        case GlobalShortcut::Result::Unsupported:
            return QStringLiteral(
                "此桌面不让程序占用快捷键：请在桌面的键盘设置中把快捷键绑定到命令 "
                "qarvex --toggle-search");
        case GlobalShortcut::Result::Asked:
            return QStringLiteral("已请桌面分配快捷键 %1").arg(keys);
        case GlobalShortcut::Result::Bound:
        case GlobalShortcut::Result::None:
            break;
    }
    return {};
}

}  // namespace

ShortcutWidgets BuildShortcutWidgets(QWidget* settingsPage) {
    ShortcutWidgets w;
    w.GbQVHotkey = new QGroupBox(QStringLiteral("全局快捷键（打开搜索）"), settingsPage);
    w.GbQVHotkey->setObjectName(QStringLiteral("GbQVHotkey"));
    auto* row = new QHBoxLayout(w.GbQVHotkey);
    w.EdtQVHotkey = new QKeySequenceEdit(w.GbQVHotkey);
    w.EdtQVHotkey->setObjectName(QStringLiteral("EdtQVHotkey"));
    w.BtnQVClearHotkey = new QPushButton(QStringLiteral("不用快捷键"), w.GbQVHotkey);
    w.BtnQVClearHotkey->setObjectName(QStringLiteral("BtnQVClearHotkey"));
    w.LblQVHotkeyState = new QLabel(w.GbQVHotkey);
    w.LblQVHotkeyState->setObjectName(QStringLiteral("LblQVHotkeyState"));
    w.LblQVHotkeyState->setWordWrap(true);
    row->addWidget(w.EdtQVHotkey);
    row->addWidget(w.BtnQVClearHotkey);
    row->addWidget(w.LblQVHotkeyState, 1);
    AddToSettingsPage(settingsPage, w.GbQVHotkey);
    return w;
}

ShortcutSettings::ShortcutSettings(IniFile& settings, GlobalShortcut& shortcut,
                                   const ShortcutWidgets& widgets, QObject* parent)
    : QObject(parent), m_settings(settings), m_shortcut(shortcut), m_widgets(widgets) {
    const QString keys = StoredKey();
    m_widgets.EdtQVHotkey->setKeySequence(
        QKeySequence::fromString(keys, QKeySequence::PortableText));
    connect(&m_shortcut, &GlobalShortcut::resultChanged, this,
            [this](GlobalShortcut::Result result) {
                m_result = result;
                m_widgets.LblQVHotkeyState->setText(StateText(result, StoredKey()));
            });
    Apply(keys);
    connect(m_widgets.EdtQVHotkey, &QKeySequenceEdit::editingFinished, this, [this] {
        Change(m_widgets.EdtQVHotkey->keySequence().toString(QKeySequence::PortableText));
    });
    connect(m_widgets.BtnQVClearHotkey, &QPushButton::clicked, this, [this] {
        m_widgets.EdtQVHotkey->clear();
        Change(QString());
    });
}

QString ShortcutSettings::StoredKey() const {
    if (!m_settings.ValueExists(kDefaultSectionName, kKeyHotkey)) {
        return QString::fromLatin1(kDefaultHotkey.data(),
                                   static_cast<qsizetype>(kDefaultHotkey.size()));
    }
    return QString::fromStdString(m_settings.ReadString(kDefaultSectionName, kKeyHotkey, ""));
}

void ShortcutSettings::Apply(const QString& keys) {
    m_result = m_shortcut.Bind(keys);
    m_widgets.LblQVHotkeyState->setText(StateText(m_result, keys));
    if (m_result == GlobalShortcut::Result::Taken) {
        std::fprintf(stderr, "qarvex: the shortcut %s is held by another program\n",
                     keys.toLocal8Bit().constData());
    }
}

void ShortcutSettings::Change(const QString& keys) {
    if (keys == StoredKey() && m_result == GlobalShortcut::Result::Bound) {
        return;
    }
    m_settings.WriteString(kDefaultSectionName, kKeyHotkey, keys.toStdString());
    Apply(keys);
}

}  // namespace qarvex
