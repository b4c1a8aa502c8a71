#pragma once

#include <QObject>

class QSocketNotifier;

namespace qarvex {

class TFrmMain;

// However the session ends, the run ends through the main window's save sequence:
// - SIGTERM, SIGINT and SIGHUP (logout, shutdown, a service manager stopping it) are
//   turned into an event by a self-pipe; the handler itself only writes one byte;
// - the session manager's request to save, and the end of the message loop;
// - the process being ended from inside Qt (the X server went away): an exit handler.
// One per program, for the window that lives until the message loop ends.
class SessionEnd : public QObject {
    Q_OBJECT

public:
    explicit SessionEnd(TFrmMain& window);
    ~SessionEnd() override;
    SessionEnd(const SessionEnd&) = delete;
    SessionEnd& operator=(const SessionEnd&) = delete;

private:
    void SignalArrived();

    TFrmMain& m_window;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace qarvex
