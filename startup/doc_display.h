#pragma once

#include <memory>

#include <QDialog>
#include <QObject>
#include <QPointer>

class QShowEvent;
class QToolButton;

namespace Ui {
class TFromDocDisplay;
}

namespace qarvex {

class History;
struct Services;

// The display-name mapping window: lists the remembered paths the user may name. Names
// are not entered or applied anywhere yet; the window only shows the paths.
class TFromDocDisplay : public QDialog {
    Q_OBJECT

public:
    explicit TFromDocDisplay(const History& history, QWidget* parent = nullptr);
    ~TFromDocDisplay() override;

    Ui::TFromDocDisplay& ui() { return *m_ui; }

    // Empties LbDocDisplay and lists the path of every remembered document, oldest first.
    void FillList();

protected:
    void showEvent(QShowEvent* event) override;

private:
    const History& m_history;
    std::unique_ptr<Ui::TFromDocDisplay> m_ui;
};

struct DocDisplayWidgets {
    QToolButton* BtnDocDisplay = nullptr;
    QWidget* dialogParent = nullptr;
};

// The settings page's hidden BtnDocDisplay and the window it opens.
class DocDisplay : public QObject {
    Q_OBJECT

public:
    DocDisplay(const Services& services, const DocDisplayWidgets& widgets,
               QObject* parent = nullptr);
    ~DocDisplay() override;

    // Creates the window on first use and shows it without blocking the main window.
    void BtnDocDisplayClick();

    // Null until the window is first wanted.
    TFromDocDisplay* window() const { return m_window; }

private:
    const History& m_history;
    QWidget* m_dialogParent;
    QPointer<TFromDocDisplay> m_window;
};

}  // namespace qarvex
