#include "shellnav/system_places.h"

#include "app/frm_main.h"

namespace qarvex {

SystemPlaces::SystemPlaces(TFrmMain& main) : QObject(&main), m_main(main) {}

SystemPlaces::~SystemPlaces() = default;

}  // namespace qarvex
