#pragma once

#include <QObject>

namespace qarvex {

class TFrmMain;

// The about and help windows.
class AboutHelp : public QObject {
    Q_OBJECT

public:
    explicit AboutHelp(TFrmMain& main);
    ~AboutHelp() override;

private:
    TFrmMain& m_main;
};

}  // namespace qarvex
