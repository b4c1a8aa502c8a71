#include "shellnav/about_help.h"

#include "app/frm_main.h"

namespace qarvex {

AboutHelp::AboutHelp(TFrmMain& main) : QObject(&main), m_main(main) {}

AboutHelp::~AboutHelp() = default;

}  // namespace qarvex
