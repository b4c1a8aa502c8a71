#include "views/search_box.h"

#include "app/frm_main.h"

namespace qarvex {

SearchBox::SearchBox(TFrmMain& main) : QObject(&main), m_main(main) {}

SearchBox::~SearchBox() = default;

}  // namespace qarvex
