#include "startup/favourites.h"

#include "app/frm_main.h"

namespace qarvex {

Favourites::Favourites(TFrmMain& main) : QObject(&main), m_main(main) {}

Favourites::~Favourites() = default;

}  // namespace qarvex
