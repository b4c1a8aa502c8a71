#pragma once

#include <memory>
#include <string>

#include <QImage>
#include <QPointer>
#include <QWidget>

#include "platform/platform.h"

class QMenu;
class QSystemTrayIcon;
class QTimer;
class QTreeView;

namespace Ui {
class TFrmMain;
}

namespace qarvex {

class AppState;
class History;
class HistoryTree;
class HistoryTreeModel;
class Messages;
class Openers;
class Scanner;
class TreeImageList;

// The main window: owns the history, the stored lists and the settings for the whole
// run, loads them at start and saves them in a fixed order at exit.
class TFrmMain : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kApplicationTitle = "ZEQQarvex";
    static constexpr const char* kProductName = "Qarvex";
    static constexpr double kVersion = 3.0;
    // The system command that minimises; the window goes off-screen instead.
    static constexpr int kOffscreenTop = -2000;

    TFrmMain(Platform& platform, Messages& messages, QWidget* parent = nullptr);
    ~TFrmMain() override;

    // The save sequence; runs once, after the message loop has ended.
    void FormDestroy();

    // Left press on the tray icon or the open item of its menu.
    void ShowMainWindowAtCorner();
    void MnQVExitClick();

    // The tree of the active page: 0 TVDoc, 1 TVApp, 2 TVPath, 3 TVDocs; else none.
    QTreeView* CurrentDocTree() const;
    HistoryTreeModel* ModelOf(const QTreeView* tree) const;
    void ExpandCurrentTree();
    // The tab index among the visible tabs (hidden pages do not count).
    int VisibleTabIndex() const;

    Ui::TFrmMain& ui() { return *m_ui; }
    AppState& state() { return *m_state; }
    History& history() { return *m_history; }
    Scanner& scanner() { return *m_scanner; }
    Openers& openers() { return *m_openers; }
    Platform& platform() { return m_platform; }
    Messages& messages() { return m_messages; }
    QSystemTrayIcon* trayIcon() const { return m_tray; }
    QTimer* timerCheckDocs() const { return m_timerCheckDocs; }
    QTimer* timerFirstRun() const { return m_timerFirstRun; }
    bool hasTray() const { return m_hasTray; }
    int saveStepsDone() const { return m_saveStepsDone; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void CreateHistory();
    void PauseKeepingEvents(int ms);
    void ApplyTexts();
    void LoadSkins();
    void LoadState();
    bool SaveSettings();
    void AddTrayIcon();
    void RemoveTrayIcon();
    void PlaceAtLowerRight();
    void HideTaskbarButton();

    void TimerFirstRunTimer();
    void TimerCheckDocsTimer();
    void CbQVOnTopClick(bool checked);
    void CbQVRefreshClick(bool checked);
    void SbCheckTimeChange(int position);
    void CbAutoRunDocsClick(bool checked);
    void CbQueryAutoRunDocClick(bool checked);
    void MnQVAutoRunClick(bool checked);
    void ShowFavEdit(bool shown);
    void FormResize();
    void FormCloseQuery();
    void MinimiseOffscreen();
    bool FormShortCut(int key);

    Platform& m_platform;
    Messages& m_messages;
    std::unique_ptr<Ui::TFrmMain> m_ui;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<TreeImageList> m_images;
    std::unique_ptr<History> m_history;
    HistoryTreeModel* m_modelDocs = nullptr;
    HistoryTreeModel* m_modelDoc = nullptr;
    HistoryTreeModel* m_modelApp = nullptr;
    HistoryTreeModel* m_modelPath = nullptr;
    std::unique_ptr<Scanner> m_scanner;
    std::unique_ptr<Openers> m_openers;
    QSystemTrayIcon* m_tray = nullptr;
    QTimer* m_timerFirstRun = nullptr;
    QTimer* m_timerCheckDocs = nullptr;
    QImage m_toolButtonsSkin;
    QImage m_monitorSkin;
    int m_rememberedWidth = 0;
    int m_rememberedHeight = 0;
    bool m_hasTray = false;
    bool m_destroyed = false;
    int m_saveStepsDone = 0;
};

}  // namespace qarvex
