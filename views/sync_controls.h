#pragma once

#include <functional>
#include <string>

#include <QObject>
#include <QString>

class QFileSystemWatcher;
class QLineEdit;
class QPushButton;
class QTimer;
class QWidget;

namespace qarvex {

class IniFile;
class Messages;
class SyncService;

// The shared folder's controls on the "设置" page, in the privacy group's row of the
// recent-files switch when the page has it.
struct SyncWidgets {
    QLineEdit* edtSyncFolder = nullptr;    // "同步文件夹"; empty: nothing is shared
    QPushButton* btnSyncFolder = nullptr;  // "选择…"
    QLineEdit* edtMachineName = nullptr;   // shown to the other machines; the host name if empty
};
SyncWidgets BuildSyncWidgets(QWidget* settingsPage, const QString& hostName);

// Runs the shared folder for the window: the settings page's controls, reading the folder
// when it changes and after each scan pass, and writing this machine's file a little
// after the history changed and at exit.
class SyncControls : public QObject {
    Q_OBJECT

public:
    struct Options {
        std::string hostName;
        // "host:configuration folder": where the machine's id belongs.
        std::string owner;
        // The folder the user picks; empty when they cancelled.
        std::function<QString(const QString& current)> chooseFolder;
    };
    // Quiet for so long after the folder's last change before it is read.
    static constexpr int kFolderSettleMs = 1000;
    // After a pass that changed the history, this machine's file waits so long for more.
    static constexpr int kWriteDelayMs = 3000;

    SyncControls(SyncService& sync, IniFile& settings, Messages& messages,
                 const SyncWidgets& widgets, Options options, QObject* parent = nullptr);

    // After the history has loaded: who this machine is, then the first reading.
    void Start();
    // A scan pass ended; changed: it recorded something.
    void PassEnded(bool changed);
    // The user changed the history or what may leave the machine (a deletion, a rule):
    // this machine's file follows a moment later.
    void HistoryChanged();
    // The exit: this machine's file as the history stands now.
    void WriteNow();

signals:
    // Other machines' entries changed: the views that show them fill again.
    void RemoteChanged();

private:
    void Configure();
    void Watch();
    void ReadFolder();
    void StoreFolder(const QString& folder);
    void StoreMachineName();

    SyncService& m_sync;
    IniFile& m_settings;
    Messages& m_messages;
    SyncWidgets m_widgets;
    Options m_options;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_settle = nullptr;
    QTimer* m_write = nullptr;
    bool m_started = false;
};

}  // namespace qarvex
