#pragma once

#include <QObject>

namespace qarvex {

class TFrmMain;

// The auto-run list, the reopen procedure and its dialogs, the start-up preferences.
class AutoRun : public QObject {
    Q_OBJECT

public:
    explicit AutoRun(TFrmMain& main);
    ~AutoRun() override;

private:
    TFrmMain& m_main;
};

}  // namespace qarvex
