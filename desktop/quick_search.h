#pragma once

#include <QObject>
#include <QString>

class QLineEdit;
class QWidget;

namespace qarvex {

class WindowActions;

// The way in from outside the window (a second start, the global shortcut, the desktop's
// search): the window comes up with the search box taking the keys, or goes away again.
class QuickSearch : public QObject {
    Q_OBJECT

public:
    QuickSearch(WindowActions& actions, QWidget& window, QLineEdit& EdtSearch,
                QObject* parent = nullptr);

    // The window up, in front, the box's text selected so that typing replaces it; or,
    // given a text, the box holding it and searching.
    void ShowSearch(const QString& text = {});
    // The same, or out of sight when the window is up and has the keys already.
    void ToggleSearch();

private:
    WindowActions& m_actions;
    QWidget& m_window;
    QLineEdit& m_edtSearch;
};

}  // namespace qarvex
