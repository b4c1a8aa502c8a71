#include "startup/doc_display.h"

#include "app/frm_main.h"

namespace qarvex {

DocDisplay::DocDisplay(TFrmMain& main) : QObject(&main), m_main(main) {}

DocDisplay::~DocDisplay() = default;

}  // namespace qarvex
