#include "shellnav/about_help.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QPixmap>
#include <QShowEvent>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>

#include "capture/openers.h"
#include "store/guarded.h"
#include "store/text_tables.h"
#include "ui_TFrmHelp.h"
#include "ui_TFrmVersion.h"
#include "views/qt_text.h"
#include "views/services.h"
#include "views/skin.h"
#include "views/web_engine_module.h"

namespace qarvex {

namespace {

void SetCloseGlyph(QToolButton* button) {
    const QPixmap glyph = LoadSkinBitmap(QStringLiteral("BtnClose"));
    if (!glyph.isNull()) {
        button->setIcon(QIcon(glyph));
    }
}

// Chromium needs a real display and GPU context; on a headless platform it would at best
// show a blank page, so the plain rich-text view shows the page there instead.
bool CanUseWebEngine() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

}  // namespace

QString AboutTitle() {
    return QStringLiteral("%1 %2").arg(Q(DialogTable().TextAbout), Q(MainTable().ProductName));
}

TFrmVersion::TFrmVersion(Openers& openers, QWidget* parent)
    : QDialog(parent), m_openers(openers), m_ui(new Ui::TFrmVersion) {
    m_ui->setupUi(this);
    // On a failure the window still works with its design-time look.
    Guarded([&] {
        const QImage picture = LoadSkinJpeg(QStringLiteral("helpdoc"));
        if (!picture.isNull()) {
            m_ui->Image1->setPixmap(QPixmap::fromImage(picture));
        }
        SetCloseGlyph(m_ui->BtnClose);
        setWindowTitle(AboutTitle());
        m_ui->LblVersion->setText(QStringLiteral(QARVEX_VERSION));
        m_ui->Label1->setToolTip(Q(MainTable().HomePage));
    });
    m_ui->Image1->installEventFilter(this);
    m_ui->Label1->installEventFilter(this);
    connect(m_ui->BtnClose, &QToolButton::clicked, this, &QWidget::hide);
}

TFrmVersion::~TFrmVersion() = default;

bool TFrmVersion::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        (watched == m_ui->Image1 || watched == m_ui->Label1)) {
        OpenHomePage();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFrmVersion::OpenHomePage() {
    Guarded([&] { m_openers.OpenWebAddress(MainTable().HomePage); });
}

TFrmHelp::TFrmHelp(QWidget* parent) : QDialog(parent), m_ui(new Ui::TFrmHelp) {
    m_ui->setupUi(this);
    Guarded([&] {
        SetCloseGlyph(m_ui->BtnClose);
        setWindowTitle(AboutTitle());
    });
    connect(m_ui->BtnClose, &QToolButton::clicked, this, &QWidget::hide);
}

TFrmHelp::~TFrmHelp() = default;

void TFrmHelp::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Made on first show only: starting the browser engine is costly and most runs never
    // open the help.
    if (!m_browser) {
        CreateBrowser();
    }
}

void TFrmHelp::CreateBrowser() {
    const QUrl page(QString::fromLatin1(kHelpPage));
    QWidget* host = m_ui->WebBrowser1Host;
    QWidget* browser = nullptr;
    if (!Guarded([&] {
            if (CanUseWebEngine()) {
                if (WebEngineModule* module = LoadWebEngineModule()) {
                    browser = module->MakePageView(host, page);
                }
            }
        })) {
        browser = nullptr;
    }
    if (!browser) {
        auto* text = new QTextBrowser(host);
        text->setOpenExternalLinks(true);
        text->setSource(page);
        browser = text;
    }
    browser->setObjectName(QStringLiteral("WebBrowser1"));
    if (QLayout* layout = host->layout()) {
        layout->addWidget(browser);
    }
    browser->show();
    m_browser = browser;
}

AboutHelp::AboutHelp(const Services& services, const AboutHelpWidgets& widgets, QObject* parent)
    : QObject(parent), m_openers(services.openers), m_dialogParent(widgets.dialogParent) {
    connect(widgets.BtnAbout, &QToolButton::clicked, this, [this] { BtnAboutClick(); });
    connect(widgets.BtnHelp, &QToolButton::clicked, this, [this] { BtnHelpClick(); });
}

AboutHelp::~AboutHelp() = default;

void AboutHelp::BtnAboutClick() {
    Guarded([&] {
        if (!m_version) {
            m_version = new TFrmVersion(m_openers, m_dialogParent);
        }
        m_version->show();
        m_version->raise();
        m_version->activateWindow();
    });
}

void AboutHelp::BtnHelpClick() {
    Guarded([&] {
        if (!m_help) {
            m_help = new TFrmHelp(m_dialogParent);
        }
        m_help->showMaximized();
        m_help->raise();
        m_help->activateWindow();
    });
}

}  // namespace qarvex
