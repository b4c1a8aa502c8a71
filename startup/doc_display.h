#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

class QShowEvent;

namespace Ui {
class TFromDocDisplay;
}

namespace qarvex {

class History;
class TFrmMain;

// A path and the name the user wants shown for it.
struct TDocDisplay {
    std::string Path;
    std::string Name;
};

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

// The settings page's hidden BtnDocDisplay and the window it opens.
class DocDisplay : public QObject {
    Q_OBJECT

public:
    explicit DocDisplay(TFrmMain& main);
    ~DocDisplay() override;

    // Creates the window on first use and shows it without blocking the main window.
    void BtnDocDisplayClick();

    // Null until the window is first wanted.
    TFromDocDisplay* window() const { return m_window; }
    // The mapping table; nothing adds to it yet.
    const std::vector<TDocDisplay>& mappings() const { return m_mappings; }

private:
    TFrmMain& m_main;
    QPointer<TFromDocDisplay> m_window;
    std::vector<TDocDisplay> m_mappings;
};

}  // namespace qarvex
