#pragma once

#include <QObject>

namespace qarvex {

class TFrmMain;

// The tray icon's clicks and its menu.
class TrayController : public QObject {
    Q_OBJECT

public:
    explicit TrayController(TFrmMain& main);
    ~TrayController() override;

private:
    TFrmMain& m_main;
};

}  // namespace qarvex
