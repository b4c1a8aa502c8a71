#pragma once

#include <memory>

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>

class QEvent;
class QShowEvent;
class QToolButton;

namespace Ui {
class TFrmVersion;
class TFrmHelp;
}  // namespace Ui

namespace qarvex {

class Openers;
struct Services;

// "关于 Qarvex": the word for "about" of the dialog texts, a space, the product name.
QString AboutTitle();

// The about window: picture, version and a link to the maker's home page.
class TFrmVersion : public QDialog {
    Q_OBJECT

public:
    explicit TFrmVersion(Openers& openers, QWidget* parent = nullptr);
    ~TFrmVersion() override;

    Ui::TFrmVersion& ui() { return *m_ui; }

    // A press on the picture or on the link line.
    void OpenHomePage();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Openers& m_openers;
    std::unique_ptr<Ui::TFrmVersion> m_ui;
};

// The help window: the help page in a browser view that fills it.
class TFrmHelp : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kHelpPage = "qrc:/web/help.html";

    explicit TFrmHelp(QWidget* parent = nullptr);
    ~TFrmHelp() override;

    Ui::TFrmHelp& ui() { return *m_ui; }
    // Null until the window is first shown.
    QWidget* WebBrowser1() const { return m_browser; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateBrowser();

    std::unique_ptr<Ui::TFrmHelp> m_ui;
    QPointer<QWidget> m_browser;
};

struct AboutHelpWidgets {
    QToolButton* BtnAbout = nullptr;
    QToolButton* BtnHelp = nullptr;
    QWidget* dialogParent = nullptr;
};

// The settings page's about and help buttons and the windows they open.
class AboutHelp : public QObject {
    Q_OBJECT

public:
    AboutHelp(const Services& services, const AboutHelpWidgets& widgets, QObject* parent = nullptr);
    ~AboutHelp() override;

    void BtnAboutClick();
    void BtnHelpClick();

    // Null until first wanted.
    TFrmVersion* frmVersion() const { return m_version; }
    TFrmHelp* frmHelp() const { return m_help; }

private:
    Openers& m_openers;
    QWidget* m_dialogParent;
    QPointer<TFrmVersion> m_version;
    QPointer<TFrmHelp> m_help;
};

}  // namespace qarvex
