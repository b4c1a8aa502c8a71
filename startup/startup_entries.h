#pragma once

#include <QObject>

namespace qarvex {

class TFrmMain;

// The session's start-up entries: the own entry's check box and the TfrmRun window.
class StartupEntries : public QObject {
    Q_OBJECT

public:
    explicit StartupEntries(TFrmMain& main);
    ~StartupEntries() override;

private:
    TFrmMain& m_main;
};

}  // namespace qarvex
