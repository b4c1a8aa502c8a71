#pragma once

#include <QObject>

namespace qarvex {

class TFrmMain;

// The system page's buttons and menus that open the desktop's special places.
class SystemPlaces : public QObject {
    Q_OBJECT

public:
    explicit SystemPlaces(TFrmMain& main);
    ~SystemPlaces() override;

private:
    TFrmMain& m_main;
};

}  // namespace qarvex
