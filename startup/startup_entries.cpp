#include "startup/startup_entries.h"

#include "app/frm_main.h"

namespace qarvex {

StartupEntries::StartupEntries(TFrmMain& main) : QObject(&main), m_main(main) {}

StartupEntries::~StartupEntries() = default;

}  // namespace qarvex
