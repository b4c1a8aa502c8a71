#include "views/tree_views.h"

#include "app/frm_main.h"

namespace qarvex {

TreeViews::TreeViews(TFrmMain& main) : QObject(&main), m_main(main) {}

TreeViews::~TreeViews() = default;

}  // namespace qarvex
