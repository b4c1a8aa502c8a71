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
#include <QUrl>

#include "capture/openers.h"
#include "platform/environment.h"
#include "platform/platform.h"
#include "store/app_state.h"
#include "store/atomic_file.h"
#include "store/guarded.h"
#include "store/strings.h"
#include "store/text_tables.h"
#include "views/doc_trees.h"
#include "views/qt_text.h"
#include "views/services.h"

namespace qarvex {

namespace {

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
    Guarded([&] {
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
    });
}

void DeleteSelectedListItems(StoredList& list, const QListWidget& box) {
    Guarded([&] {
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
    });
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

Favourites::Favourites(const Services& services, const DocTrees& trees,
                       const FavouritesWidgets& widgets, QObject* parent)
    : QObject(parent),
      m_fav(services.state.FavList()),
      m_openers(services.openers),
      m_environment(*services.platform.environment),
      m_messages(services.messages),
      m_trees(trees),
      m_widgets(widgets),
      m_mirror(m_fav, *widgets.LbMyLove) {
    const FavMenu& menu = m_widgets.menu;
    QListWidget* box = m_widgets.LbMyLove;

    box->installEventFilter(this);
    box->viewport()->installEventFilter(this);
    box->viewport()->setMouseTracking(true);
    box->setAcceptDrops(true);
    box->viewport()->setAcceptDrops(true);
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(box, &QWidget::customContextMenuRequested, this, [this, box](const QPoint& pos) {
        m_widgets.menu.PmMyFav->popup(box->viewport()->mapToGlobal(pos));
    });
    connect(box, &QListWidget::itemDoubleClicked, this, [this] { MnOpenMyFavDocClick(); });
    connect(box, &QListWidget::clicked, this, [this] { CopyCurrentToEditBar(); });

    connect(menu.MnOpenMyFavDoc, &QAction::triggered, this, [this] { MnOpenMyFavDocClick(); });
    connect(menu.MyDeleteFav, &QAction::triggered, this, [this] { MyDeleteFavClick(); });
    connect(menu.MnQVDeleteNotExistsDoc, &QAction::triggered, this,
            [this] { MnQVDeleteNotExistsDocClick(); });
    connect(menu.MnNewToFav, &QAction::triggered, this, [this] { MnNewToFavClick(); });
    connect(menu.MnUpdateFav, &QAction::triggered, this, [this] { MnUpdateFavClick(); });
    connect(menu.MnShowFavEdit, &QAction::triggered, this,
            [this](bool checked) { MnShowFavEditClick(checked); });

    connect(m_widgets.BtnQVAddToFav, &QToolButton::clicked, this, [this] { BtnQVAddToFavClick(); });
    connect(m_widgets.BtnQVUpdateFav, &QToolButton::clicked, this,
            [this] { BtnQVUpdateFavClick(); });
}

Favourites::~Favourites() = default;

void Favourites::MyMyLoveClick() {
    Guarded([&] {
        std::string caption;
        if (const TMyDoc* doc = m_trees.SelectedDoc(&caption)) {
            AddMyLove(m_fav, doc->Path, caption);
        }
    });
}

void Favourites::MnOpenMyFavDocClick() {
    OpenSelectedListItem(m_fav, *m_widgets.LbMyLove, m_openers);
}

void Favourites::MyDeleteFavClick() {
    DeleteSelectedListItems(m_fav, *m_widgets.LbMyLove);
    ClearEditBarAndHint();
}

bool Favourites::AcceptsPath(const std::string& path) {
    // An address ("https://…", "mailto:…") or a file or folder that is there; a relative
    // path would name something else from wherever it is opened.
    const std::size_t colon = path.find(':');
    const bool address =
        colon != std::string::npos && colon >= 2 &&
        std::all_of(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '+' || c == '-' || c == '.';
        });
    if (address || (StartsWith(path, "/") && PathExists(path))) {
        return true;
    }
    m_messages.Show(path.empty()
                        ? std::string("请输入要收藏的网址或路径。")
                        : FormatText("不能收藏“%s”：它既不是网址，也不是本机已有的完整路径。"
                                     "网址请写完整（如 https://…），路径请从 / 写起。",
                                     path),
                    MainTable().TextHint, Messages::Icon::Information);
    return false;
}

void Favourites::ClearEditBarAndHint() {
    m_widgets.EdtNewFavDisplay->clear();
    m_widgets.EdtNewFavPath->clear();
    m_widgets.PnlHint->clear();
}

void Favourites::MnQVDeleteNotExistsDocClick() {
    Guarded([&] {
        StoredList& fav = m_fav;
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
    });
}

void Favourites::MnNewToFavClick() {
    const FavouritesWidgets& ui = m_widgets;
    ui.PnlNewFav->show();
    ui.menu.MnShowFavEdit->setChecked(true);
    ui.EdtNewFavDisplay->clear();
    ui.EdtNewFavPath->clear();
}

void Favourites::MnUpdateFavClick() {
    m_widgets.menu.MnShowFavEdit->setChecked(true);
    m_widgets.PnlNewFav->show();
    CopyCurrentToEditBar();
}

void Favourites::MnShowFavEditClick(bool checked) {
    m_widgets.PnlNewFav->setVisible(checked);
    m_widgets.CbFavEdit->setChecked(checked);
}

void Favourites::BtnQVAddToFavClick() {
    Guarded([&] {
        const std::string name = Trim(S(m_widgets.EdtNewFavDisplay->text()));
        const std::string path = Trim(S(m_widgets.EdtNewFavPath->text()));
        if (!AcceptsPath(path)) {
            return;
        }
        m_fav.InsertItem(0, name);
        m_fav.InsertLine(0, MakeListLine(path, name));
        ClearEditBarAndHint();
    });
}

void Favourites::BtnQVUpdateFavClick() {
    Guarded([&] {
        const int index = m_widgets.LbMyLove->currentRow();
        if (index < 0 || index >= m_fav.LineCount()) {
            return;
        }
        const std::string name = Trim(S(m_widgets.EdtNewFavDisplay->text()));
        const std::string path = Trim(S(m_widgets.EdtNewFavPath->text()));
        // A favourite kept from another machine may be renamed as it is.
        if (path != PathPartOf(m_fav.Lines()[static_cast<std::size_t>(index)]) &&
            !AcceptsPath(path)) {
            return;
        }
        m_fav.SetItem(index, name);
        m_fav.SetLine(index, MakeListLine(path, name));
        ClearEditBarAndHint();
    });
}

void Favourites::LbMyLoveDropFiles(const std::vector<std::string>& paths) {
    if (paths.empty()) {
        return;
    }
    QListWidget* box = m_widgets.LbMyLove;
    Guarded([&] {
        box->setUpdatesEnabled(false);
        for (const std::string& path : paths) {
            const std::string trimmed = Trim(path);
            AddMyLove(m_fav, trimmed, trimmed);
        }
        box->setUpdatesEnabled(true);
        box->scrollToTop();
        m_environment.Beep();
    });
    box->setUpdatesEnabled(true);
}

void Favourites::CopyCurrentToEditBar() {
    const FavouritesWidgets& ui = m_widgets;
    const int index = ui.LbMyLove->currentRow();
    const StoredList& fav = m_fav;
    if (index < 0 || index >= fav.LineCount()) {
        return;
    }
    ui.EdtNewFavDisplay->setText(ui.LbMyLove->item(index)->text());
    ui.EdtNewFavPath->setText(Q(PathPartOf(fav.Lines()[static_cast<std::size_t>(index)])));
}

void Favourites::LbMyLoveMouseMove(const QPoint& position) {
    const QListWidget* box = m_widgets.LbMyLove;
    const QListWidgetItem* item = box->itemAt(position);
    if (item == nullptr) {
        return;
    }
    const int index = box->row(item);
    if (index < 0 || index >= m_fav.LineCount()) {
        return;
    }
    m_widgets.PnlHint->setText(Q(FavouriteHint(m_fav.Lines()[static_cast<std::size_t>(index)])));
}

void Favourites::SelectOnlyItemAt(const QPoint& position) {
    QListWidget* box = m_widgets.LbMyLove;
    box->clearSelection();
    if (QListWidgetItem* item = box->itemAt(position)) {
        box->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
    }
}

bool Favourites::eventFilter(QObject* watched, QEvent* event) {
    QListWidget* box = m_widgets.LbMyLove;
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
