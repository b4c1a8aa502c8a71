#include "desktop/quick_search.h"

#include <QLineEdit>
#include <QWidget>

#include "views/window_actions.h"

namespace qarvex {

QuickSearch::QuickSearch(WindowActions& actions, QWidget& window, QLineEdit& EdtSearch,
                         QObject* parent)
    : QObject(parent), m_actions(actions), m_window(window), m_edtSearch(EdtSearch) {}

void QuickSearch::ShowSearch(const QString& text) {
    if (!m_window.isVisible() || m_window.isMinimized()) {
        m_actions.ShowMainWindowAtCorner();
    }
    m_actions.BringToFront();
    m_edtSearch.setFocus(Qt::ShortcutFocusReason);
    if (text.isEmpty()) {
        m_edtSearch.selectAll();
    } else {
        m_edtSearch.setText(text);
    }
}

void QuickSearch::ToggleSearch() {
    if (!m_window.isVisible() || m_window.isMinimized() || !m_window.isActiveWindow()) {
        ShowSearch();
    } else if (m_actions.HasTray()) {
        m_actions.HideToTray();
    } else {
        // Without a tray a hidden window could only come back through this very key.
        m_window.showMinimized();
    }
}

}  // namespace qarvex
