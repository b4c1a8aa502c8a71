#pragma once

#include <memory>
#include <optional>
#include <string>

#include <QImage>
#include <QPointer>
#include <QWidget>

#include "app/window_parts.h"
#include "platform/platform.h"
#include "views/services.h"
#include "views/window_actions.h"

class QSystemTrayIcon;
class QTimer;
class QWindow;

namespace Ui {
class TFrmMain;
}

namespace qarvex {

class SessionSaver;
class StorageNotice;
class SyncService;

// The main window: owns the history, the stored lists and the settings for the whole
// run, loads them at start and saves them in a fixed order at exit. Its parts get the
// services and the controls they use (WindowParts); they reach the window itself only
// through WindowActions.
class TFrmMain : public QWidget, public WindowActions {
    Q_OBJECT

public:
    static constexpr const char* kApplicationTitle = "ZEQQarvex";

    // configDir: the folder of the program's files, with its trailing "/".
    TFrmMain(Platform& platform, Messages& messages, std::string configDir,
             QWidget* parent = nullptr);
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

    // 1.5 s after start: run.dat and rec.dat, the search page, then the synced folder.
    void TimerFirstRunTimer();

    void BringToFront() override;
    // Left press on the tray icon or the open item of its menu.
    void ShowMainWindowAtCorner() override;
    // Minimising and the tray's right press, where a tray exists: out of sight until the
    // tray brings the window back.
    void HideToTray() override;
    void MnQVExitClick() override;
    bool HasTray() const override { return m_hasTray; }
    void ShowPage(Page page) override;

    const WindowMenus& menus() const { return m_menus; }
    const WindowParts& parts() const { return *m_parts; }
    const Services& services() const { return *m_services; }
    QSystemTrayIcon* trayIcon() const { return m_tray; }
    QTimer* timerCheckDocs() const { return m_timerCheckDocs; }
    QTimer* timerFirstRun() const { return m_timerFirstRun; }
    SessionSaver* sessionSaver() const { return m_saver; }
    int saveStepsDone() const { return m_saveStepsDone; }

    // Tests run where no tray exists; this lets them see the behaviour of a desktop
    // that has one. Applies to windows created afterwards.
    static void SetTrayAvailabilityOverride(int available);  // -1 ask the desktop, 0 no, 1 yes
    // Qt's own Chinese texts from the distribution's translations; false when missing.
    static bool LoadQtTranslations();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate(const std::string& configDir);
    void CreateHistory();
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
    WindowMenus m_menus;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<TreeImageList> m_images;
    std::unique_ptr<History> m_history;
    std::unique_ptr<Scanner> m_scanner;
    std::unique_ptr<Openers> m_openers;
    std::unique_ptr<SyncService> m_sync;
    std::optional<Services> m_services;
    // The window's parts, each wiring its own controls (owned as QObject children).
    std::unique_ptr<WindowParts> m_parts;
    SessionSaver* m_saver = nullptr;
    StorageNotice* m_notice = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    QTimer* m_timerFirstRun = nullptr;
    QTimer* m_timerCheckDocs = nullptr;
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
    // The history's size when the running scan pass began: a pass that added nothing
    // leaves the shared file as it is.
    std::size_t m_passStartSize = 0;
};

}  // namespace qarvex
