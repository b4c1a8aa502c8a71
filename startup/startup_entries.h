#pragma once

#include <QObject>
#include <QPointer>

namespace qarvex {

class TFrmMain;
class TfrmRun;

// The session's start-up entries: the settings page's button and the TfrmRun window it
// shows. The own entry's check box is the main window's.
class StartupEntries : public QObject {
    Q_OBJECT

public:
    explicit StartupEntries(TFrmMain& main);
    ~StartupEntries() override;

    // Shows the start-up window without blocking the main window.
    void BtnQVPCStartClick();

    TfrmRun* frmRun() const;

private:
    TFrmMain& m_main;
    QPointer<TfrmRun> m_frmRun;
};

}  // namespace qarvex
