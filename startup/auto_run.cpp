#include "startup/auto_run.h"

#include "app/frm_main.h"

namespace qarvex {

AutoRun::AutoRun(TFrmMain& main) : QObject(&main), m_main(main) {}

AutoRun::~AutoRun() = default;

}  // namespace qarvex
