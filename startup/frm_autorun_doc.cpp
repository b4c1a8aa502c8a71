#include "startup/frm_autorun_doc.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>

#include "ui_TFrmAutorunDoc.h"

namespace qarvex {

TFrmAutorunDoc::TFrmAutorunDoc(QWidget* parent) : QDialog(parent), m_ui(new Ui::TFrmAutorunDoc) {
    m_ui->setupUi(this);
    connect(m_ui->CbSelectAll, &QCheckBox::toggled, this,
            [this](bool checked) { CbSelectAllClick(checked); });
    connect(m_ui->CbNotQuery, &QCheckBox::toggled, this, &TFrmAutorunDoc::NotQueryToggled);
    connect(m_ui->LbSelectDoc, &QListWidget::clicked, this, [this] { LbSelectDocClick(); });
    connect(
        m_ui->LbSelectDoc, &QListWidget::itemDoubleClicked, this,
        [this](QListWidgetItem* item) { emit EntryDoubleClicked(m_ui->LbSelectDoc->row(item)); });
    connect(m_ui->BtnConfirm, &QPushButton::clicked, this, [this] { done(kConfirmed); });
    connect(m_ui->BtnClearSelected, &QPushButton::clicked, this, [this] { done(kClearedAll); });
}

TFrmAutorunDoc::~TFrmAutorunDoc() = default;

QCheckBox* TFrmAutorunDoc::CbNotQuery() const {
    return m_ui->CbNotQuery;
}

void TFrmAutorunDoc::Fill(const std::vector<std::string>& names,
                          const std::vector<bool>& selected) {
    QListWidget* list = m_ui->LbSelectDoc;
    list->clear();
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto* item = new QListWidgetItem(QString::fromStdString(names[i]), list);
        item->setSelected(i < selected.size() && selected[i]);
    }
}

std::vector<bool> TFrmAutorunDoc::SelectedFlags() const {
    const QListWidget* list = m_ui->LbSelectDoc;
    std::vector<bool> flags(static_cast<std::size_t>(list->count()), false);
    for (int i = 0; i < list->count(); ++i) {
        flags[static_cast<std::size_t>(i)] = list->item(i)->isSelected();
    }
    return flags;
}

void TFrmAutorunDoc::CbSelectAllClick(bool checked) {
    if (checked) {
        m_ui->LbSelectDoc->selectAll();
    } else {
        m_ui->LbSelectDoc->clearSelection();
    }
}

void TFrmAutorunDoc::LbSelectDocClick() {
    // Picking by hand ends "select all", and with it the selection it made.
    m_ui->CbSelectAll->setChecked(false);
}

}  // namespace qarvex
