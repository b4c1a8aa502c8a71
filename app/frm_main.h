#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QImage>
#include <QPointer>
#include <QWidget>

#include "platform/platform.h"
#include "views/popup_menus.h"

class QMenu;
class QSystemTrayIcon;
class QTimer;
class QTreeView;
class QWindow;

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
class TreeViews;
class SearchBox;
class SessionSaver;
class StorageNotice;
class TrayController;
class Favourites;
class AutoRun;
class StartupEntries;
class DocDisplay;
class SystemPlaces;
class AboutHelp;
class DayView;
class PrivacyControls;

// The main window: owns the history, the stored lists and the settings for the whole
// run, loads them at start and saves them in a fixed order at exit.
class TFrmMain : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kApplicationTitle = "ZEQQarvex";
    static constexpr const char* kProductName = "Qarvex";
    static constexpr double kVersion = 3.0;

    TFrmMain(Platform& platform, Messages& messages, QWidget* parent = nullptr);
    ~TFrmMain() override;

    // The save sequence; runs once, after the message loop has ended.
    void FormDestroy();
    // The session is ending (a termination signal): what is open now goes to lr.dat, as
    // with the close box, and the program ends through the save sequence.
    void EndSession();
    // The session manager asks for the data to be saved; the session may yet go on.
    void SaveForSessionManager();
    // The process is being ended without returning from the message loop (the X server
    // went away): the save sequence runs now, touching nothing on the display.
    void SaveBeforeForcedExit();

    // 1.5 s after start: run.dat and rec.dat, then the search page.
    void TimerFirstRunTimer();

    // Left press on the tray icon or the open item of its menu.
    void ShowMainWindowAtCorner();
    // Minimising and the tray's right press, where a tray exists: out of sight until the
    // tray brings the window back.
    void HideToTray();
    void MnQVExitClick();

    // The tree of the active page: 0 TVDoc, 1 TVApp, 2 TVPath, 3 TVDocs; else none.
    QTreeView* CurrentDocTree() const;
    HistoryTreeModel* ModelOf(const QTreeView* tree) const;
    void ExpandCurrentTree();
    // Runs a change that touches much of the history (loading, rebuilding after a
    // deletion); the trees on screen catch up once, at the end.
    void BulkHistoryChange(const std::function<void()>& change);
    void SetTreesInBulkChange(bool begins);
    // The number of the active page's tab as the refresh and the web search count tabs:
    // 0 web, 1 software, 2 folders, 3 system, 4 common, 5 settings; -1 for any other page.
    // Tied to the page, not to its position in the strip, so showing more tabs changes
    // nothing for them.
    int VisibleTabIndex() const;

    const TrayMenu& trayMenu() const { return m_trayMenu; }
    const DocTreeMenu& docTreeMenu() const { return m_docTreeMenu; }
    const FavMenu& favMenu() const { return m_favMenu; }
    const AutoRunListMenu& autoRunListMenu() const { return m_autoRunListMenu; }
    const MoreSpecialDirMenu& moreSpecialDirMenu() const { return m_moreSpecialDirMenu; }
    TreeImageList& images() { return *m_images; }
    const QImage& toolButtonsSkin() const { return m_toolButtonsSkin; }

    TreeViews* treeViews() const { return m_treeViews; }
    SearchBox* searchBox() const { return m_searchBox; }
    TrayController* trayController() const { return m_trayController; }
    Favourites* favourites() const { return m_favourites; }
    AutoRun* autoRun() const { return m_autoRun; }
    StartupEntries* startupEntries() const { return m_startupEntries; }
    DocDisplay* docDisplay() const { return m_docDisplay; }
    SystemPlaces* systemPlaces() const { return m_systemPlaces; }
    AboutHelp* aboutHelp() const { return m_aboutHelp; }
    DayView* dayView() const { return m_dayView; }
    PrivacyControls* privacyControls() const { return m_privacy; }
    SessionSaver* sessionSaver() const { return m_saver; }

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
    // Tests run where no tray exists; this lets them see the behaviour of a desktop
    // that has one. Applies to windows created afterwards.
    static void SetTrayAvailabilityOverride(int available);
    // Qt's own Chinese texts from the distribution's translations; false when missing.
    static bool LoadQtTranslations();  // -1 ask the desktop, 0 no, 1 yes
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
    void CreateParts();
    void PauseKeepingEvents(int ms);
    void ApplyTexts();
    void LoadSkins();
    void LoadState();
    void KeepFilesCurrent();
    bool SaveSettings();
    void AddTrayIcon();
    void RemoveTrayIcon();
    void PlaceAtLowerRight();
    void HideTaskbarButton();
    void WatchWaylandMinimise();

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

    // The window's parts, each wiring its own controls (owned as QObject children).
    TreeViews* m_treeViews = nullptr;
    SearchBox* m_searchBox = nullptr;
    TrayController* m_trayController = nullptr;
    Favourites* m_favourites = nullptr;
    AutoRun* m_autoRun = nullptr;
    StartupEntries* m_startupEntries = nullptr;
    DocDisplay* m_docDisplay = nullptr;
    SystemPlaces* m_systemPlaces = nullptr;
    AboutHelp* m_aboutHelp = nullptr;
    DayView* m_dayView = nullptr;
    PrivacyControls* m_privacy = nullptr;
    SessionSaver* m_saver = nullptr;
    StorageNotice* m_notice = nullptr;
    TrayMenu m_trayMenu;
    DocTreeMenu m_docTreeMenu;
    FavMenu m_favMenu;
    AutoRunListMenu m_autoRunListMenu;
    MoreSpecialDirMenu m_moreSpecialDirMenu;
    QSystemTrayIcon* m_tray = nullptr;
    QTimer* m_timerFirstRun = nullptr;
    QTimer* m_timerCheckDocs = nullptr;
    QImage m_toolButtonsSkin;
    QImage m_monitorSkin;
    int m_rememberedWidth = 0;
    int m_rememberedHeight = 0;
    bool m_hasTray = false;
    // The window was shown or recreated and has not been drawn since: the taskbar state
    // is asked for once more when it is.
    bool m_taskbarStateDue = false;
    QPointer<QWindow> m_watchedWindow;
    bool m_destroyed = false;
    int m_saveStepsDone = 0;
};

}  // namespace qarvex
