#include "startup/doc_display.h"

#include <QListWidget>
#include <QShowEvent>
#include <QStringList>
#include <QToolButton>

#include "store/guarded.h"
#include "store/history.h"
#include "ui_TFromDocDisplay.h"
#include "views/qt_text.h"
#include "views/services.h"
#include "views/skin.h"

namespace qarvex {

TFromDocDisplay::TFromDocDisplay(const History& history, QWidget* parent)
    : QDialog(parent), m_history(history), m_ui(new Ui::TFromDocDisplay) {
    m_ui->setupUi(this);
    ApplySkinGlyphs(this);
    connect(m_ui->BtnConfirm, &QToolButton::clicked, this, &QWidget::hide);
    connect(m_ui->BtnCancel, &QToolButton::clicked, this, &QWidget::hide);
}

TFromDocDisplay::~TFromDocDisplay() = default;

void TFromDocDisplay::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FillList();
}

void TFromDocDisplay::FillList() {
    QListWidget* list = m_ui->LbDocDisplay;
    list->clear();
    QStringList paths;
    // Every remembered path is offered, not only those already named: a list that can
    // only show what has been named could never be used to name anything. Whatever was
    // gathered before a failure is still listed.
    Guarded([&] {
        const DocTable& docs = m_history.Docs();
        paths.reserve(static_cast<qsizetype>(docs.size()));
        for (const TMyDoc& doc : docs) {
            paths.append(Q(doc.Path));
        }
    });
    list->addItems(paths);
}

DocDisplay::DocDisplay(const Services& services, const DocDisplayWidgets& widgets, QObject* parent)
    : QObject(parent), m_history(services.history), m_dialogParent(widgets.dialogParent) {
    connect(widgets.BtnDocDisplay, &QToolButton::clicked, this, [this] { BtnDocDisplayClick(); });
}

DocDisplay::~DocDisplay() = default;

void DocDisplay::BtnDocDisplayClick() {
    Guarded([&] {
        if (!m_window) {
            m_window = new TFromDocDisplay(m_history, m_dialogParent);
        }
        if (m_window->isVisible()) {
            // Already showing: no show event follows, yet the history may have grown.
            m_window->FillList();
        }
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
    });
}

}  // namespace qarvex
