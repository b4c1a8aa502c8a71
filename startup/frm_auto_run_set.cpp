#include "startup/frm_auto_run_set.h"

#include <QPushButton>
#include <QRadioButton>

#include "store/text_tables.h"
#include "ui_TFrmAutoRunSet.h"
#include "views/qt_text.h"

namespace qarvex {

TFrmAutoRunSet::TFrmAutoRunSet(QWidget* parent) : QDialog(parent), m_ui(new Ui::TFrmAutoRunSet) {
    m_ui->setupUi(this);
    const MainTexts& texts = MainTable();
    setWindowTitle(Q(texts.TextAutoRunSetCaption));
    m_ui->RgStartKind->setTitle(Q(texts.TextAutoRunKind));
    m_ui->RgStartKindItem0->setText(Q(texts.TextAutoRunRecent));
    m_ui->RgStartKindItem1->setText(Q(texts.TextAutoRunFavourites));
    m_ui->RgStartKindItem2->setText(Q(texts.TextAutoRunNone));
    m_ui->RgStartKindItem2->setChecked(true);
    // Enter confirms whichever control has the focus.
    m_ui->BtnConfirm->setDefault(true);
    connect(m_ui->BtnConfirm, &QPushButton::clicked, this, [this] { BtnConfirmClick(); });
    connect(m_ui->BtnClose, &QPushButton::clicked, this, [this] { reject(); });
}

TFrmAutoRunSet::~TFrmAutoRunSet() = default;

int TFrmAutoRunSet::CheckedIndex() const {
    if (m_ui->RgStartKindItem0->isChecked()) {
        return kRecentDocuments;
    }
    if (m_ui->RgStartKindItem1->isChecked()) {
        return kFavourites;
    }
    return kNothing;
}

void TFrmAutoRunSet::BtnConfirmClick() {
    m_result = CheckedIndex();
    accept();
}

void TFrmAutoRunSet::reject() {
    m_result = kNothing;
    QDialog::reject();
}

}  // namespace qarvex
