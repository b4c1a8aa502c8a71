#include "views/sync_controls.h"

#include <cstdio>
#include <utility>

#include <QDir>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "capture/sync_service.h"
#include "platform/messages.h"
#include "store/guarded.h"
#include "store/ini_file.h"
#include "store/settings.h"
#include "store/strings.h"
#include "views/privacy_controls.h"
#include "views/qt_text.h"
#include "views/settings_page.h"

namespace qarvex {

SyncWidgets BuildSyncWidgets(QWidget* settingsPage, const QString& hostName) {
    SyncWidgets w;
    // Beside "记录最近打开的文件" in the privacy group when the page has it: what leaves the
    // machine is a privacy matter, and the page has no height for a group of its own.
    auto* row = settingsPage->findChild<QHBoxLayout*>(QString::fromLatin1(kRecentFilesRowName));
    QWidget* owner = row != nullptr ? row->parentWidget() : nullptr;
    if (row == nullptr || owner == nullptr) {
        owner = new QWidget(settingsPage);
        row = new QHBoxLayout(owner);
        row->setContentsMargins(0, 0, 0, 0);
        AddToSettingsPage(settingsPage, owner);
    }
    w.edtSyncFolder = new QLineEdit(owner);
    w.edtSyncFolder->setObjectName(QStringLiteral("edtSyncFolder"));
    w.edtSyncFolder->setPlaceholderText(QStringLiteral("不与其他电脑共享"));
    w.edtSyncFolder->setToolTip(QStringLiteral("由 Syncthing 等同步工具同步的文件夹"));
    w.btnSyncFolder = new QPushButton(QStringLiteral("选择…"), owner);
    w.btnSyncFolder->setObjectName(QStringLiteral("btnSyncFolder"));
    w.edtMachineName = new QLineEdit(owner);
    w.edtMachineName->setObjectName(QStringLiteral("edtMachineName"));
    w.edtMachineName->setPlaceholderText(hostName);
    w.edtMachineName->setToolTip(QStringLiteral("其他电脑上显示的本机名称"));
    auto* folderLabel = new QLabel(QStringLiteral("同步文件夹"), owner);
    folderLabel->setBuddy(w.edtSyncFolder);
    auto* nameLabel = new QLabel(QStringLiteral("本机名称"), owner);
    nameLabel->setBuddy(w.edtMachineName);
    row->addSpacing(12);
    row->addWidget(folderLabel);
    row->addWidget(w.edtSyncFolder, 2);
    row->addWidget(w.btnSyncFolder);
    row->addSpacing(12);
    row->addWidget(nameLabel);
    row->addWidget(w.edtMachineName, 1);
    return w;
}

SyncControls::SyncControls(SyncService& sync, IniFile& settings, Messages& messages,
                           const SyncWidgets& widgets, Options options, QObject* parent)
    : QObject(parent),
      m_sync(sync),
      m_settings(settings),
      m_messages(messages),
      m_widgets(widgets),
      m_options(std::move(options)) {
    m_watcher = new QFileSystemWatcher(this);
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(kFolderSettleMs);
    m_write = new QTimer(this);
    m_write->setSingleShot(true);
    m_write->setInterval(kWriteDelayMs);
    // A replication engine lands a file in several steps (temporary, rename, times): the
    // folder is read once it has been quiet for a moment.
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_settle,
            qOverload<>(&QTimer::start));
    connect(m_settle, &QTimer::timeout, this, &SyncControls::ReadFolder);
    connect(m_write, &QTimer::timeout, this, [this] { Guarded([&] { m_sync.WriteOwn(); }); });

    m_widgets.edtSyncFolder->setText(
        Q(m_settings.ReadString(kDefaultSectionName, kKeySyncFolder, "")));
    m_widgets.edtMachineName->setText(
        Q(m_settings.ReadString(kDefaultSectionName, kKeyMachineName, "")));
    connect(m_widgets.edtSyncFolder, &QLineEdit::editingFinished, this,
            [this] { StoreFolder(m_widgets.edtSyncFolder->text()); });
    connect(m_widgets.edtMachineName, &QLineEdit::editingFinished, this,
            &SyncControls::StoreMachineName);
    connect(m_widgets.btnSyncFolder, &QPushButton::clicked, this, [this] {
        if (!m_options.chooseFolder) {
            return;
        }
        const QString chosen = m_options.chooseFolder(m_widgets.edtSyncFolder->text());
        if (!chosen.isEmpty()) {
            m_widgets.edtSyncFolder->setText(QDir::toNativeSeparators(chosen));
            StoreFolder(chosen);
        }
    });
}

void SyncControls::Start() {
    m_started = true;
    Configure();
}

void SyncControls::Configure() {
    Guarded([&] {
        if (m_sync.Configure(m_settings, m_options.hostName, m_options.owner)) {
            m_messages.Notify(
                "这份设置是从另一台电脑或另一个配置文件夹复制来的，Qarvex "
                "已为本机生成新的同步标识，以免两台电脑写同一个文件。",
                "Qarvex");
        }
        Watch();
        ReadFolder();
        if (m_sync.WriteDue()) {
            m_sync.WriteOwn();
        }
    });
    // Sharing may have been switched on or off: the views show it either way.
    emit RemoteChanged();
}

void SyncControls::Watch() {
    const QStringList watched = m_watcher->directories();
    if (!watched.isEmpty()) {
        m_watcher->removePaths(watched);
    }
    if (m_sync.Enabled()) {
        const QString folder = Q(m_sync.Folder());
        if (QDir(folder).exists()) {
            m_watcher->addPath(folder);
        }
    }
}

void SyncControls::ReadFolder() {
    Guarded([&] {
        // A folder made (or mounted) after the start is watched from its first reading on.
        if (m_sync.Enabled() && m_watcher->directories().isEmpty()) {
            Watch();
        }
        const bool changed = m_sync.Refresh();
        if (m_sync.WriteDue() && !m_write->isActive()) {
            m_write->start();
        }
        if (changed) {
            emit RemoteChanged();
        }
    });
}

void SyncControls::PassEnded(bool changed) {
    if (!m_started) {
        return;
    }
    Guarded([&] {
        if (changed) {
            m_sync.LocalChanged();
        } else {
            // A deletion in the trees since the last pass.
            m_sync.FollowLocal();
        }
        ReadFolder();
        // A busy session ends passes often: the file is written once they pause.
        if (m_sync.WriteDue()) {
            m_write->start();
        }
    });
}

void SyncControls::HistoryChanged() {
    if (!m_started || !m_sync.Enabled()) {
        return;
    }
    Guarded([&] {
        m_sync.LocalChanged();
        m_write->start();
    });
}

void SyncControls::WriteNow() {
    m_write->stop();
    if (!m_started) {
        return;
    }
    // Written even when no pass asked for it: an opening counted since then is news too.
    Guarded([&] {
        m_sync.FollowLocal();
        m_sync.WriteOwn();
    });
}

void SyncControls::StoreFolder(const QString& folder) {
    const std::string value = Trim(S(folder));
    if (value == m_settings.ReadString(kDefaultSectionName, kKeySyncFolder, "")) {
        return;
    }
    m_settings.WriteString(kDefaultSectionName, kKeySyncFolder, value);
    if (m_started) {
        Configure();
    }
}

void SyncControls::StoreMachineName() {
    const std::string value = Trim(S(m_widgets.edtMachineName->text()));
    if (value == m_settings.ReadString(kDefaultSectionName, kKeyMachineName, "")) {
        return;
    }
    m_settings.WriteString(kDefaultSectionName, kKeyMachineName, value);
    if (m_started) {
        Configure();
    }
}

}  // namespace qarvex
