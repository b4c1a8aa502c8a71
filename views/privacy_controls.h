#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QObject>
#include <QString>

#include "store/exclusions.h"
#include "store/settings.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QSystemTrayIcon;
class QWidget;

namespace qarvex {

class History;
class IniFile;
class Messages;
class StoredList;

// The settings page's say over recording, built in code into the page's layout.
struct PrivacyWidgets {
    QGroupBox* GbQVPrivacy = nullptr;
    QCheckBox* CbQVPauseRecord = nullptr;        // "暂停记录"
    QPlainTextEdit* MmQVExclusions = nullptr;    // "不记录以下内容", one rule per line
    QPushButton* BtnQVSaveExclusions = nullptr;  // "保存规则"
    QPushButton* BtnQVExportHistory = nullptr;   // "导出历史..."
    QSpinBox* SeQVMaxDocs = nullptr;             // "最多保留" entries, 0 for no limit
    QCheckBox* CbQVRecordRecentFiles = nullptr;  // "记录最近打开的文件"
};

// Adds the controls above the page's closing spacer (or at its end).
PrivacyWidgets BuildPrivacyWidgets(QWidget* settingsPage);
// The group's row of "记录最近打开的文件", which other controls of the page may join.
inline constexpr const char* kRecentFilesRowName = "LayQVRecentRow";

// Pausing, the exclusion list and the export, with the tray item that mirrors the pause box.
class PrivacyControls : public QObject {
    Q_OBJECT

public:
    struct Services {
        IniFile* settings = nullptr;
        std::string configDir;
        std::string home;
        History* history = nullptr;
        StoredList* recent = nullptr;
        Messages* messages = nullptr;
        // Runs a change of much of the history so that the views catch up once.
        std::function<void(const std::function<void()>&)> bulkChange;
        // The file to export to; empty when the user cancelled.
        std::function<QString()> askExportPath;
    };

    static constexpr const char* kPausedToolTip = "Qarvex (已暂停记录)";

    PrivacyControls(const PrivacyWidgets& widgets, QAction* trayItem, Services services,
                    QObject* parent = nullptr);

    // The stored pause switch and rules into the controls; writes nothing.
    void Load();
    // The icon shows whether recording is paused; tooltip is the one shown while recording.
    void AttachTrayIcon(QSystemTrayIcon* icon, const QString& recordingToolTip);

    bool IsPaused() const { return m_paused; }
    // Whether the programs' recent-files lists are read (ini RecordRecentFiles).
    bool RecordsRecentFiles() const { return m_recordRecentFiles; }
    bool IsExcluded(const std::string& address, const std::string& name, bool software) const;
    const Exclusions& Rules() const { return m_exclusions; }

    // The pause box or the tray item changed; stored at once.
    void SetPaused(bool paused);
    // Stores the rules as written in the box; offers to delete the entries that rules new
    // to the list already match.
    void BtnQVSaveExclusionsClick();
    // "不再记录此项": a rule for each entry, then the entries go.
    void NoLongerRecord(const std::vector<int>& docIndexes);
    void BtnQVExportHistoryClick();
    // The bound on the history was edited: stored, and applied at once once the user
    // agrees to lose what lies over it.
    void SeQVMaxDocsChange();

private:
    void ApplyPausedLook();
    void ShowMaxDocs(int count);
    void ShowRules();
    void StoreRules(const std::vector<std::string>& lines);
    void OfferToDelete(const Exclusions& added, const std::vector<int>& alreadyGoing);
    void DeleteDocs(const std::vector<int>& indexes);

    PrivacyWidgets m_widgets;
    QAction* m_trayItem;
    Services m_services;
    QSystemTrayIcon* m_icon = nullptr;
    QString m_recordingToolTip;
    bool m_paused = false;
    bool m_recordRecentFiles = kDefaultRecordRecentFiles;
    bool m_askingMaxDocs = false;
    std::vector<std::string> m_lines;
    Exclusions m_exclusions;
};

}  // namespace qarvex
