#include "startup/frm_run.h"

#include <algorithm>
#include <optional>
#include <vector>

#include <QHeaderView>
#include <QLineEdit>
#include <QPalette>
#include <QResizeEvent>
#include <QTableWidget>
#include <QToolButton>

#include "capture/openers.h"
#include "platform/autostart_store.h"
#include "platform/linux/desktop_entry.h"
#include "platform/messages.h"
#include "store/guarded.h"
#include "store/strings.h"
#include "store/text_tables.h"
#include "ui_TfrmRun.h"
#include "views/qt_text.h"
#include "views/skin.h"

namespace qarvex {

namespace {

constexpr int kNameColumn = 0;
constexpr int kPathColumn = 1;
// Whether the session starts the entry, and whose it is: off entries stay listed, since
// the user switched them off and may want them back.
constexpr int kStateColumn = 2;
constexpr int kStateColumnMaxWidth = 120;
// The entry's name exactly as the store spells it: the shown text may have lost bytes
// that are not valid UTF-8, and Delete must still reach the right entry.
constexpr int kStoreNameRole = Qt::UserRole + 1;
// Whether the system provides the entry: deleting it only switches it off for this user.
constexpr int kSystemRole = Qt::UserRole + 2;

QTableWidgetItem* NewCell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

QString CellText(const QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
}

void FitColumn(QTableWidget* table, int column, int maxWidth) {
    table->resizeColumnToContents(column);
    table->setColumnWidth(column, std::min(table->columnWidth(column), maxWidth));
}

}  // namespace

TfrmRun::TfrmRun(AutostartStore& store, Openers& openers, Messages& messages, QWidget* parent)
    : QDialog(parent),
      m_store(store),
      m_openers(openers),
      m_messages(messages),
      m_ui(new Ui::TfrmRun) {
    m_ui->setupUi(this);
    ApplySkinGlyphs(this);

    QTableWidget* list = m_ui->LV;
    // The list is always ordered by name; letting a header click re-sort by path would
    // only hide that order, so sorting is done by the fill itself.
    list->setSortingEnabled(false);
    list->horizontalHeader()->setStretchLastSection(false);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setShowGrid(true);

    const MainTexts& texts = MainTable();
    setWindowTitle(Q(texts.TextRunCaption));
    list->setColumnCount(3);
    list->setHorizontalHeaderLabels(
        {Q(texts.TextRunColumnName), Q(texts.TextRunColumnPath), QStringLiteral("状态")});
    m_ui->LbQVPCStartName->setText(Q(texts.TextRunStartName));
    m_ui->LbQVPCStartPath->setText(Q(texts.TextRunStartPath));
    SetNormalColours(m_ui->TxtStartName);
    SetNormalColours(m_ui->TxtStartPath);

    connect(list, &QAbstractItemView::clicked, this, [this] { LVClick(); });
    m_deleteCaption = m_ui->BtnQVDeletePCStart->text();
    connect(list, &QTableWidget::itemSelectionChanged, this, [this] { ShowDeleteCaption(); });
    connect(m_ui->BtnQVAddPCStart, &QToolButton::clicked, this, [this] { BtnQVAddPCStartClick(); });
    connect(m_ui->BtnQVDeletePCStart, &QToolButton::clicked, this,
            [this] { BtnQVDeletePCStartClick(); });
    connect(m_ui->BtnQVClearPCStart, &QToolButton::clicked, this,
            [this] { BtnQVClearPCStartClick(); });
    connect(m_ui->BtnQVPCRun, &QToolButton::clicked, this, [this] { BtnQVPCRunClick(); });
    connect(m_ui->BtnClose, &QToolButton::clicked, this, [this] { BtnCloseClick(); });

    FillList();
}

TfrmRun::~TfrmRun() = default;

void TfrmRun::FillList() {
    QTableWidget* list = m_ui->LV;
    bool listed = false;
    // Whatever was listed before a failure stays listed.
    Guarded([&] {
        const std::optional<std::vector<AutostartStore::Value>> values = m_store.ListAll();
        if (!values) {
            return;
        }
        listed = true;
        list->clearContents();
        list->setRowCount(0);
        for (const AutostartStore::Value& value : *values) {
            const int row = list->rowCount();
            list->insertRow(row);
            // Listed by the name the user knows it by; the entry's own id is the tip.
            QTableWidgetItem* nameCell =
                NewCell(value.label.empty() ? Q(value.name) : Q(value.label));
            nameCell->setToolTip(Q(value.name));
            nameCell->setData(kStoreNameRole, QByteArray::fromStdString(value.name));
            nameCell->setData(kSystemRole, value.system);
            list->setItem(row, kNameColumn, nameCell);
            list->setItem(row, kPathColumn, NewCell(value.data ? Q(*value.data) : QString()));
            QString state = value.enabled ? QStringLiteral("启用") : QStringLiteral("停用");
            if (value.system) {
                state += QStringLiteral("（系统）");
            }
            list->setItem(row, kStateColumn, NewCell(state));
            if (!value.enabled) {
                for (int column : {kNameColumn, kPathColumn, kStateColumn}) {
                    list->item(row, column)
                        ->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
                }
            }
            // An entry without a readable command ends the listing here, as it always has;
            // the store itself is left untouched.
            if (!value.data) {
                break;
            }
        }
    });
    if (!listed) {
        return;
    }
    list->sortItems(kNameColumn, Qt::AscendingOrder);
    FitColumn(list, kNameColumn, kNameColumnMaxWidth);
    FitColumn(list, kPathColumn, kPathColumnMaxWidth);
    FitColumn(list, kStateColumn, kStateColumnMaxWidth);
}

void TfrmRun::LVClick() {
    const QTableWidget* list = m_ui->LV;
    const int row = list->currentRow();
    if (list->rowCount() == 0 || row < 0) {
        return;
    }
    // The entry's id: an add with it replaces this entry's command.
    const QTableWidgetItem* nameCell = list->item(row, kNameColumn);
    m_ui->TxtStartName->setText(nameCell ? nameCell->toolTip() : QString());
    m_ui->TxtStartPath->setText(CellText(list, row, kPathColumn));
}

bool TfrmRun::SelectedIsSystem() const {
    const QTableWidget* list = m_ui->LV;
    const QTableWidgetItem* cell = list->currentRow() >= 0 && list->currentItem() != nullptr &&
                                           list->currentItem()->isSelected()
                                       ? list->item(list->currentRow(), kNameColumn)
                                       : nullptr;
    return cell != nullptr && cell->data(kSystemRole).toBool();
}

void TfrmRun::ShowDeleteCaption() {
    // A system entry can't be deleted, only switched off for this user.
    m_ui->BtnQVDeletePCStart->setText(SelectedIsSystem() ? QStringLiteral("禁用")
                                                         : m_deleteCaption);
}

void TfrmRun::BtnQVAddPCStartClick() {
    SetNormalColours(m_ui->TxtStartName);
    SetNormalColours(m_ui->TxtStartPath);
    const MainTexts& texts = MainTable();
    const std::string name = Trim(S(m_ui->TxtStartName->text()));
    if (name.empty()) {
        ShowError(texts.TextRunNeedName);
        SetAlarmColours(m_ui->TxtStartName);
        m_ui->TxtStartName->setFocus();
        return;
    }
    const std::string path = Trim(S(m_ui->TxtStartPath->text()));
    if (path.empty()) {
        ShowError(texts.TextRunNeedPath);
        SetAlarmColours(m_ui->TxtStartPath);
        m_ui->TxtStartPath->setFocus();
        return;
    }
    // The command is stored as typed: the user decides about quoting.
    bool written = false;
    Guarded([&] { written = m_store.Write(name, path); });
    if (!written) {
        return;
    }
    FillList();
}

void TfrmRun::BtnQVDeletePCStartClick() {
    const QTableWidget* list = m_ui->LV;
    const QModelIndexList rows =
        list->selectionModel() ? list->selectionModel()->selectedRows() : QModelIndexList();
    if (rows.isEmpty()) {
        ShowError(kNothingSelected);
        return;
    }
    const QTableWidgetItem* cell = list->item(rows.front().row(), kNameColumn);
    if (!cell) {
        return;
    }
    const std::string name = cell->data(kStoreNameRole).toByteArray().toStdString();
    if (cell->data(kSystemRole).toBool() &&
        !m_messages.AskYesNoDefaultNo(
            S(QStringLiteral("“%1”是系统提供的启动项，不能删除。是否为你禁用它，"
                             "不再在登录时启动？")
                  .arg(cell->text())),
            MainTable().TextRunCaption)) {
        return;
    }
    bool removed = false;
    Guarded([&] { removed = m_store.Remove(name); });
    if (!removed) {
        return;
    }
    FillList();
}

void TfrmRun::BtnQVClearPCStartClick() {
    m_ui->TxtStartName->clear();
    m_ui->TxtStartPath->clear();
    SetNormalColours(m_ui->TxtStartName);
    SetNormalColours(m_ui->TxtStartPath);
    m_ui->TxtStartName->setFocus();
}

void TfrmRun::BtnQVPCRunClick() {
    const std::string command = Trim(S(m_ui->TxtStartPath->text()));
    // An empty box would otherwise be taken for a host name and open a bare "http://".
    if (command.empty()) {
        return;
    }
    // A start-up entry is a command line as the session runs it ("nm-applet",
    // "\"/opt/my app/run\" --tray"); only a web address goes to the browser.
    if (Contains(command, "://") || StartsWith(AsciiLower(command), "www.")) {
        m_openers.OpenWebAddress(command);
        return;
    }
    m_openers.RunCommand(SplitExec(command));
}

void TfrmRun::BtnCloseClick() {
    hide();
}

void TfrmRun::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FormResize();
}

void TfrmRun::FormResize() {
    // A maximum rather than a fixed width: a fixed one would feed back into the window's
    // own minimum size and make every resize grow the window.
    const int editWidth = std::max(0, width() - kEditWidthAllowance);
    m_ui->TxtStartName->setMaximumWidth(editWidth);
    m_ui->TxtStartPath->setMaximumWidth(editWidth);
}

void TfrmRun::ShowError(const std::string& text) {
    m_messages.Show(text, MainTable().TextRunCaption, Messages::Icon::Error);
}

void TfrmRun::SetNormalColours(QLineEdit* edit) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    edit->setPalette(palette);
}

void TfrmRun::SetAlarmColours(QLineEdit* edit) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, Qt::red);
    palette.setColor(QPalette::Text, Qt::yellow);
    edit->setPalette(palette);
}

}  // namespace qarvex
