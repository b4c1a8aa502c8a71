#pragma once

#include <QObject>

namespace qarvex {

class TFrmMain;

// The display-name mapping window behind BtnDocDisplay.
class DocDisplay : public QObject {
    Q_OBJECT

public:
    explicit DocDisplay(TFrmMain& main);
    ~DocDisplay() override;

private:
    TFrmMain& m_main;
};

}  // namespace qarvex
