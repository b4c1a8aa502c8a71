#include "startup/favourites.h"

#include <algorithm>

#include <QAction>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include "app/frm_main.h"
#include "capture/openers.h"
#include "platform/messages.h"
#include "startup/auto_run.h"
#include "store/app_state.h"
#include "store/atomic_file.h"
#include "store/history.h"
#include "store/strings.h"
#include "store/text_tables.h"
#include "ui_TFrmMain.h"
#include "views/history_tree_model.h"

namespace qarvex {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
std::string S(const QString& text) {
    return text.toStdString();
}

// The local files among dropped URLs, in the order delivered. Links to web pages or
// other remote places are not files from the file manager and are left out.
std::vector<std::string> LocalFilesOf(const QMimeData* data) {
    std::vector<std::string> paths;
    if (data == nullptr || !data->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            const QString path = url.toLocalFile();
            if (!path.isEmpty()) {
                paths.push_back(S(path));
            }
        }
    }
    return paths;
}

}  // namespace

ListBoxMirror::ListBoxMirror(StoredList& list, QListWidget& box) : m_box(box) {
    list.SetObserver(this);
    ItemsReset(list.Items());
}

// The lists belong to the window's state, which the window frees before its child objects:
// by the time a mirror goes, its list is gone too, so there is nothing left to detach from.
ListBoxMirror::~ListBoxMirror() = default;

void ListBoxMirror::ItemsReset(const std::vector<std::string>& items) {
    m_box.clear();
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(items.size()));
    for (const std::string& item : items) {
        texts.push_back(Q(item));
    }
    m_box.addItems(texts);
}

void ListBoxMirror::ItemInserted(int index, const std::string& item) {
    m_box.insertItem(index, Q(item));
}

void ListBoxMirror::ItemRemoved(int index) {
    delete m_box.takeItem(index);
}

void ListBoxMirror::ItemChanged(int index, const std::string& item) {
    if (QListWidgetItem* entry = m_box.item(index)) {
        entry->setText(Q(item));
    }
}

void OpenSelectedListItem(StoredList& list, const QListWidget& box, Openers& openers) {
    try {
        const int index = box.currentRow();
        if (index < 0 || index >= list.LineCount()) {
            return;
        }
        const std::string& line = list.Lines()[static_cast<std::size_t>(index)];
        const std::size_t separator = line.find(kListSeparator);
        if (separator == std::string::npos) {
            return;
        }
        std::string path = line.substr(0, separator);
        const std::string name = line.substr(separator + kListSeparator.size());
        if (Contains(path, kFileUrlMarker)) {
            path = CutFileUrl(path, true);
        }
        openers.OpenDoc(path, name);
    } catch (...) {
    }
}

void DeleteSelectedListItems(StoredList& list, const QListWidget& box) {
    try {
        std::vector<int> rows;
        for (const QListWidgetItem* item : box.selectedItems()) {
            rows.push_back(box.row(item));
        }
        // From the bottom up, so that each removal leaves the positions still to come.
        std::sort(rows.begin(), rows.end(), std::greater<>());
        for (const int row : rows) {
            list.RemoveItem(row);
            list.RemoveLine(row);
        }
    } catch (...) {
    }
}

std::string PathPartOf(const std::string& line) {
    const std::size_t separator = line.find(kListSeparator);
    return separator == std::string::npos ? line : line.substr(0, separator);
}

bool PathExists(const std::string& path) {
    return !path.empty() && (FileExists(path) || DirectoryExists(path));
}

std::string FavouriteHint(const std::string& line) {
    const MainTexts& texts = MainTable();
    std::string text = ReplaceAll(line, kFileUrlMarker, "");
    text = ReplaceAll(text, kListSeparator, texts.TextFavHintName);
    return texts.TextFavHintPath + text + "』";
}

std::optional<TMyDocObj> SelectedHistoryNode(TFrmMain& main) {
    QTreeView* tree = main.CurrentDocTree();
    HistoryTreeModel* model = main.ModelOf(tree);
    if (tree == nullptr || model == nullptr || tree->selectionModel() == nullptr) {
        return std::nullopt;
    }
    QModelIndex index = tree->currentIndex();
    if (!index.isValid() || !tree->selectionModel()->isSelected(index)) {
        const QModelIndexList selected = tree->selectionModel()->selectedIndexes();
        if (selected.isEmpty()) {
            return std::nullopt;
        }
        index = selected.front();
    }
    const HistoryNode* node = model->NodeAt(index);
    const DocTable& docs = main.history().Docs();
    if (node == nullptr) {
        return std::nullopt;
    }
    const int docIndex = node->Data().DocIndex;
    if (docIndex < 0 || docIndex >= static_cast<int>(docs.size())) {
        return std::nullopt;
    }
    TMyDocObj entry;
    entry.Path = docs[static_cast<std::size_t>(docIndex)].Path;
    entry.Name = node->Caption();
    return entry;
}

Favourites::Favourites(TFrmMain& main)
    : QObject(&main), m_main(main), m_mirror(main.state().FavList(), *main.ui().LbMyLove) {
    Ui::TFrmMain& ui = m_main.ui();
    const FavMenu& menu = m_main.favMenu();
    QListWidget* box = ui.LbMyLove;

    box->installEventFilter(this);
    box->viewport()->installEventFilter(this);
    box->viewport()->setMouseTracking(true);
    box->setAcceptDrops(true);
    box->viewport()->setAcceptDrops(true);
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(box, &QWidget::customContextMenuRequested, this, [this, box](const QPoint& pos) {
        m_main.favMenu().PmMyFav->popup(box->viewport()->mapToGlobal(pos));
    });
    connect(box, &QListWidget::itemDoubleClicked, this, [this] { MnOpenMyFavDocClick(); });
    connect(box, &QListWidget::clicked, this, [this] { CopyCurrentToEditBar(); });

    connect(menu.MnOpenMyFavDoc, &QAction::triggered, this, [this] { MnOpenMyFavDocClick(); });
    connect(menu.MyDeleteFav, &QAction::triggered, this, [this] { MyDeleteFavClick(); });
    // The same command as the tree menu's: it adds the selected history node, not the
    // selected favourite.
    connect(menu.MnQVAddToRun, &QAction::triggered, this, [this] {
        if (AutoRun* autoRun = m_main.autoRun()) {
            autoRun->MnAddToRunListClick();
        }
    });
    connect(menu.MnQVDeleteNotExistsDoc, &QAction::triggered, this,
            [this] { MnQVDeleteNotExistsDocClick(); });
    connect(menu.MnNewToFav, &QAction::triggered, this, [this] { MnNewToFavClick(); });
    connect(menu.MnUpdateFav, &QAction::triggered, this, [this] { MnUpdateFavClick(); });
    connect(menu.MnShowFavEdit, &QAction::triggered, this,
            [this](bool checked) { MnShowFavEditClick(checked); });

    connect(ui.BtnQVAddToFav, &QToolButton::clicked, this, [this] { BtnQVAddToFavClick(); });
    connect(ui.BtnQVUpdateFav, &QToolButton::clicked, this, [this] { BtnQVUpdateFavClick(); });
}

Favourites::~Favourites() = default;

void Favourites::MyMyLoveClick() {
    try {
        if (auto entry = SelectedHistoryNode(m_main)) {
            AddMyLove(m_main.state().FavList(), entry->Path, entry->Name);
        }
    } catch (...) {
    }
}

void Favourites::MnOpenMyFavDocClick() {
    OpenSelectedListItem(m_main.state().FavList(), *m_main.ui().LbMyLove, m_main.openers());
}

void Favourites::MyDeleteFavClick() {
    DeleteSelectedListItems(m_main.state().FavList(), *m_main.ui().LbMyLove);
}

void Favourites::MnQVDeleteNotExistsDocClick() {
    try {
        StoredList& fav = m_main.state().FavList();
        // A removal moves the next favourite into the current position: examine it there.
        int index = 0;
        while (index < fav.LineCount()) {
            if (PathExists(PathPartOf(fav.Lines()[static_cast<std::size_t>(index)]))) {
                ++index;
            } else {
                fav.RemoveLine(index);
                fav.RemoveItem(index);
            }
        }
    } catch (...) {
    }
}

void Favourites::MnNewToFavClick() {
    Ui::TFrmMain& ui = m_main.ui();
    ui.PnlNewFav->show();
    m_main.favMenu().MnShowFavEdit->setChecked(true);
    ui.EdtNewFavDisplay->clear();
    ui.EdtNewFavPath->clear();
}

void Favourites::MnUpdateFavClick() {
    m_main.favMenu().MnShowFavEdit->setChecked(true);
    m_main.ui().PnlNewFav->show();
    CopyCurrentToEditBar();
}

void Favourites::MnShowFavEditClick(bool checked) {
    m_main.ui().PnlNewFav->setVisible(checked);
    m_main.ui().CbFavEdit->setChecked(checked);
}

void Favourites::BtnQVAddToFavClick() {
    try {
        Ui::TFrmMain& ui = m_main.ui();
        const std::string name = Trim(S(ui.EdtNewFavDisplay->text()));
        const std::string path = Trim(S(ui.EdtNewFavPath->text()));
        StoredList& fav = m_main.state().FavList();
        fav.InsertItem(0, name);
        fav.InsertLine(0, MakeListLine(path, name));
    } catch (...) {
    }
}

void Favourites::BtnQVUpdateFavClick() {
    try {
        Ui::TFrmMain& ui = m_main.ui();
        const int index = ui.LbMyLove->currentRow();
        StoredList& fav = m_main.state().FavList();
        if (index < 0 || index >= fav.LineCount()) {
            return;
        }
        const std::string name = Trim(S(ui.EdtNewFavDisplay->text()));
        const std::string path = Trim(S(ui.EdtNewFavPath->text()));
        fav.SetItem(index, name);
        fav.SetLine(index, MakeListLine(path, name));
    } catch (...) {
    }
}

void Favourites::LbMyLoveDropFiles(const std::vector<std::string>& paths) {
    if (paths.empty()) {
        return;
    }
    try {
        QListWidget* box = m_main.ui().LbMyLove;
        box->setUpdatesEnabled(false);
        for (const std::string& path : paths) {
            const std::string trimmed = Trim(path);
            AddMyLove(m_main.state().FavList(), trimmed, trimmed);
        }
        box->setUpdatesEnabled(true);
        box->scrollToTop();
        m_main.platform().environment->Beep();
    } catch (...) {
        m_main.ui().LbMyLove->setUpdatesEnabled(true);
    }
}

void Favourites::CopyCurrentToEditBar() {
    Ui::TFrmMain& ui = m_main.ui();
    const int index = ui.LbMyLove->currentRow();
    const StoredList& fav = m_main.state().FavList();
    if (index < 0 || index >= fav.LineCount()) {
        return;
    }
    ui.EdtNewFavDisplay->setText(ui.LbMyLove->item(index)->text());
    ui.EdtNewFavPath->setText(Q(PathPartOf(fav.Lines()[static_cast<std::size_t>(index)])));
}

void Favourites::LbMyLoveMouseMove(const QPoint& position) {
    const QListWidget* box = m_main.ui().LbMyLove;
    const QListWidgetItem* item = box->itemAt(position);
    if (item == nullptr) {
        return;
    }
    const int index = box->row(item);
    const StoredList& fav = m_main.state().FavList();
    if (index < 0 || index >= fav.LineCount()) {
        return;
    }
    m_main.ui().PnlHint->setText(Q(FavouriteHint(fav.Lines()[static_cast<std::size_t>(index)])));
}

void Favourites::SelectOnlyItemAt(const QPoint& position) {
    QListWidget* box = m_main.ui().LbMyLove;
    box->clearSelection();
    if (QListWidgetItem* item = box->itemAt(position)) {
        box->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
    }
}

bool Favourites::eventFilter(QObject* watched, QEvent* event) {
    QListWidget* box = m_main.ui().LbMyLove;
    if (watched == box && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Space:
                MnOpenMyFavDocClick();
                return true;
            case Qt::Key_Delete:
                MyDeleteFavClick();
                return true;
            default:
                return false;
        }
    }
    if (watched != box->viewport()) {
        return false;
    }
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::RightButton) {
                SelectOnlyItemAt(mouse->position().toPoint());
                return true;
            }
            return false;
        }
        case QEvent::MouseMove:
            LbMyLoveMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
            return false;
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (LocalFilesOf(drag->mimeData()).empty()) {
                drag->ignore();
            } else {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const std::vector<std::string> paths = LocalFilesOf(drop->mimeData());
            if (paths.empty()) {
                drop->ignore();
            } else {
                drop->setDropAction(Qt::CopyAction);
                drop->accept();
                LbMyLoveDropFiles(paths);
            }
            return true;
        }
        default:
            return false;
    }
}

}  // namespace qarvex
