#pragma once

#include <QObject>
#include <QPointer>

class QToolButton;
class QWidget;

namespace qarvex {

class TfrmRun;
struct Services;

struct StartupEntriesWidgets {
    QToolButton* BtnQVPCStart = nullptr;
    QWidget* dialogParent = nullptr;
};

// The session's start-up entries: the settings page's button and the TfrmRun window it
// shows. The own entry's check box is the main window's.
class StartupEntries : public QObject {
    Q_OBJECT

public:
    StartupEntries(const Services& services, const StartupEntriesWidgets& widgets,
                   QObject* parent = nullptr);
    ~StartupEntries() override;

    // Shows the start-up window without blocking the main window.
    void BtnQVPCStartClick();

    TfrmRun* frmRun() const;

private:
    QPointer<TfrmRun> m_frmRun;
};

}  // namespace qarvex
