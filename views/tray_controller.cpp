#include "views/tray_controller.h"

#include "app/frm_main.h"

namespace qarvex {

TrayController::TrayController(TFrmMain& main) : QObject(&main), m_main(main) {}

TrayController::~TrayController() = default;

}  // namespace qarvex
