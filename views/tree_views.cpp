#include "views/tree_views.h"

#include <string>
#include <unordered_set>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPalette>
#include <QStyle>
#include <QTextDocument>
#include <QToolButton>
#include <QToolTip>
#include <QTreeView>

#include "capture/openers.h"
#include "capture/scanner.h"
#include "platform/messages.h"
#include "store/doc_table.h"
#include "store/guarded.h"
#include "store/history.h"
#include "store/history_tree.h"
#include "store/text_tables.h"
#include "views/day_view.h"
#include "views/doc_trees.h"
#include "views/history_tree_model.h"
#include "views/qt_text.h"
#include "views/services.h"
#include "views/skin.h"
#include "views/skin_tab_bar.h"

namespace qarvex {

namespace {

constexpr int kTreeIndentation = 19;
const char* const kTreeStyle = "QTreeView { background-color: #F5FAFE; }";
const char* const kConfirmDeleteAllDocs = "确定要删除所有历史文档吗?";

}  // namespace

TreeViews::TreeViews(DocTrees& trees, const Services& services, const TreeViewsWidgets& widgets,
                     QObject* parent)
    : QObject(parent),
      m_trees(trees),
      m_history(services.history),
      m_scanner(services.scanner),
      m_openers(services.openers),
      m_messages(services.messages),
      m_widgets(widgets) {
    for (QTreeView* tree : m_trees.Views()) {
        SetUpTree(tree);
    }
    // Addresses and paths are shown as they are, never read as markup.
    m_widgets.PnlHint->setTextFormat(Qt::PlainText);

    connect(m_widgets.TVControl, &QTabWidget::currentChanged, this, [this] { TVControlChange(); });
    connect(m_widgets.TVControl->SkinBar(), &SkinTabBar::TabStripPressed, this,
            [this] { TVControlMouseDown(); });
    // Entering the page control or anything on its pages counts, as focus moves in from
    // outside (the search box, the search result list).
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        QWidget* control = m_widgets.TVControl;
        const auto inside = [control](const QWidget* w) {
            return w && (w == control || control->isAncestorOf(w));
        };
        if (inside(now) && !inside(old)) {
            TVControlEnter();
        }
    });

    const DocTreeMenu& menu = m_widgets.menu;
    connect(menu.PmDocTree, &QMenu::aboutToShow, this, &TreeViews::PmDocTreePopup);
    connect(menu.MnExpandAll, &QAction::triggered, this, &TreeViews::MnExpandAllClick);
    connect(menu.MnOpenDIr, &QAction::triggered, this, &TreeViews::MnOpenDIrClick);
    connect(menu.MnRefresh, &QAction::triggered, this, &TreeViews::MnRefreshClick);
    connect(menu.MnDeleteAllDocs, &QAction::triggered, this, &TreeViews::BtnQVDeleteAllDocsClick);
    connect(menu.MnDeleteSelected, &QAction::triggered, this, &TreeViews::MnDeleteSelectedClick);
    connect(m_widgets.BtnQVDeleteAllDocs, &QToolButton::clicked, this,
            &TreeViews::BtnQVDeleteAllDocsClick);
}

TreeViews::~TreeViews() = default;

void TreeViews::SetUpTree(QTreeView* tree) {
    // Hidden before the font is set, so that no header is ever measured.
    tree->setHeaderHidden(true);
    tree->setFont(HistoryTreeFont());
    tree->setIndentation(kTreeIndentation);
    tree->setFrameShape(QFrame::NoFrame);
    tree->setStyleSheet(QString::fromLatin1(kTreeStyle));
    tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);

    // The selection stays drawn as it is when the window loses focus.
    QPalette palette = tree->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
        palette.setBrush(QPalette::Inactive, role, palette.brush(QPalette::Active, role));
    }
    tree->setPalette(palette);

    // Mouse moves reach the viewport, which needs tracking of its own for the hover hint.
    tree->setMouseTracking(true);
    tree->viewport()->setMouseTracking(true);
    tree->installEventFilter(this);
    tree->viewport()->installEventFilter(this);

    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree, &QWidget::customContextMenuRequested, this,
            [this, tree](const QPoint& pos) { ShowPmDocTree(tree, pos); });
    connect(tree, &QAbstractItemView::doubleClicked, this, [this] { OpenSelectedNode(); });
}

QTreeView* TreeViews::TreeOfViewport(QObject* watched) const {
    for (QTreeView* tree : m_trees.Views()) {
        if (tree->viewport() == watched) {
            return tree;
        }
    }
    return nullptr;
}

QTreeView* TreeViews::TreeOf(QObject* watched) const {
    for (QTreeView* tree : m_trees.Views()) {
        if (tree == watched) {
            return tree;
        }
    }
    return nullptr;
}

HistoryNode* TreeViews::LastHoveredNode() const {
    if (!m_hoverTree || !m_lastHovered.isValid()) {
        return nullptr;
    }
    HistoryTreeModel* model = m_trees.ModelOf(m_hoverTree);
    return model ? model->NodeAt(m_lastHovered) : nullptr;
}

void TreeViews::ShowHint(const std::string& text) {
    m_widgets.PnlHint->setText(Q(text));
}

bool TreeViews::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove:
            if (QTreeView* tree = TreeOfViewport(watched)) {
                TVDocMouseMove(tree, static_cast<QMouseEvent*>(event)->position().toPoint());
            }
            break;
        case QEvent::MouseButtonPress:
            if (QTreeView* tree = TreeOfViewport(watched)) {
                auto* mouse = static_cast<QMouseEvent*>(event);
                if (TVDocMouseDown(tree, mouse->button(), mouse->position().toPoint())) {
                    return true;
                }
            }
            break;
        case QEvent::MouseButtonRelease:
            if (TreeOfViewport(watched) &&
                static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                TVDocClick();
            }
            break;
        case QEvent::KeyPress:
            if (QTreeView* tree = TreeOf(watched)) {
                if (TVDocKeyDown(tree, static_cast<QKeyEvent*>(event)->key())) {
                    return true;
                }
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

bool TreeViews::OverItemLabel(QTreeView* tree, const QModelIndex& index, const QPoint& pos) const {
    // The view's item rectangle runs to the right edge; the hint belongs to the icon and
    // the caption only, as the expand arrow and the indent lie left of the rectangle.
    const QRect rect = tree->visualRect(index);
    if (!rect.contains(pos)) {
        return false;
    }
    QStyle* style = tree->style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree) + 1;
    int width = 2 * margin + tree->fontMetrics().horizontalAdvance(index.data().toString());
    if (!index.data(Qt::DecorationRole).value<QIcon>().isNull()) {
        const QSize icon = tree->iconSize();
        width += 2 * margin + (icon.isValid()
                                   ? icon.width()
                                   : style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, tree));
    }
    return pos.x() < rect.left() + width;
}

void TreeViews::TVDocMouseMove(QTreeView* tree, const QPoint& pos) {
    Guarded([&] {
        const QModelIndex index = tree->indexAt(pos);
        // Nothing to do while the mouse stays on one node.
        if (tree == m_hoverTree && index == m_lastHovered) {
            return;
        }
        if (!index.isValid() && !m_lastHovered.isValid()) {
            return;
        }
        QToolTip::hideText();
        if (!index.isValid() || !OverItemLabel(tree, index, pos)) {
            return;
        }
        m_hoverTree = tree;
        m_lastHovered = index;
        HistoryTreeModel* model = m_trees.ModelOf(tree);
        const TMyDoc* doc = m_trees.DocOf(model ? model->NodeAt(index) : nullptr);
        if (!doc) {
            return;
        }
        const QString target = Q(Openers::EntryOpenTarget(*doc));
        m_widgets.PnlHint->setText(target);
        tree->setToolTip(Qt::mightBeRichText(target) ? target.toHtmlEscaped() : target);
    });
}

bool TreeViews::TVDocMouseDown(QTreeView* tree, Qt::MouseButton button, const QPoint& pos) {
    if (button != Qt::RightButton) {
        return false;
    }
    const QModelIndex index = tree->indexAt(pos);
    if (!index.isValid()) {
        // The tree would drop its selection on a press in empty space; the context menu
        // that follows must still act on it.
        return true;
    }
    Guarded([&] {
        QItemSelectionModel* selection = tree->selectionModel();
        // A right press inside a multiple selection keeps it, as elsewhere on the desktop;
        // the pressed node becomes the one the menu acts on.
        const auto command = selection->isSelected(index) ? QItemSelectionModel::NoUpdate
                                                          : QItemSelectionModel::ClearAndSelect;
        selection->setCurrentIndex(index, command);
    });
    return true;
}

void TreeViews::TVDocClick() {
    Guarded([&] { m_widgets.LbSearchResult->hide(); });
}

bool TreeViews::TVDocKeyDown(QTreeView* tree, int key) {
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            OpenSelectedNode();
            return true;
        case Qt::Key_Delete:
            DeleteSelectedNodes(tree);
            return true;
        default:
            return false;
    }
}

void TreeViews::DeleteSelectedNodes(QTreeView* tree) {
    Guarded([&] {
        HistoryTree* core = m_trees.CoreTreeOf(tree);
        HistoryTreeModel* model = m_trees.ModelOf(tree);
        if (!core || !model || !tree->selectionModel()) {
            return;
        }
        std::vector<HistoryNode*> nodes;
        for (const QModelIndex& index : tree->selectionModel()->selectedIndexes()) {
            if (HistoryNode* node = model->NodeAt(index)) {
                nodes.push_back(node);
            }
        }
        // Removing a group takes its children with it: a selected child of a selected
        // group must not be removed a second time.
        const std::unordered_set<const HistoryNode*> chosen(nodes.begin(), nodes.end());
        const auto underChosen = [&chosen](const HistoryNode* node) {
            for (const HistoryNode* up = node->Parent(); up; up = up->Parent()) {
                if (chosen.count(up)) {
                    return true;
                }
            }
            return false;
        };
        std::vector<HistoryNode*> roots;
        for (HistoryNode* node : nodes) {
            if (!underChosen(node)) {
                roots.push_back(node);
            }
        }
        for (HistoryNode* node : roots) {
            core->Remove(node);
        }
    });
}

void TreeViews::OpenSelectedNode() {
    Guarded([&] {
        std::string caption;
        const TMyDoc* doc = m_trees.SelectedDoc(&caption);
        if (!doc) {
            return;
        }
        const std::string target = Openers::EntryOpenTarget(*doc);
        ShowHint(target);
        const HistoryNode* node = m_trees.SelectedNode(m_trees.CurrentDocTree());
        const int index = node != nullptr ? node->Data().DocIndex : -1;
        m_openers.OpenDoc(target, caption, [this, index] {
            m_trees.BulkHistoryChange([this, index] { m_history.DeleteSelectDocs(index); });
        });
    });
}

void TreeViews::TVControlChange() {
    Guarded([&] {
        m_widgets.LbSearchResult->clear();
        m_widgets.PnlHint->clear();
    });
}

void TreeViews::TVControlEnter() {
    Guarded([&] { m_widgets.LbSearchResult->hide(); });
}

void TreeViews::TVControlMouseDown() {
    Guarded([&] {
        m_widgets.LbSearchResult->clear();
        m_widgets.PnlHint->clear();
    });
    // The strip is told of the press before it switches tabs: refresh once the press has
    // been handled, so the tab that is visible then is the one scanned, and the scan's
    // event pumping does not run inside the tab bar's own press handling.
    if (m_refreshQueued) {
        return;
    }
    m_refreshQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_refreshQueued = false;
            Guarded([&] { m_scanner.RefreshPageDocs(); });
        },
        Qt::QueuedConnection);
}

void TreeViews::ShowPmDocTree(QTreeView* tree, const QPoint& pos) {
    Guarded([&] { m_widgets.menu.PmDocTree->popup(tree->viewport()->mapToGlobal(pos)); });
}

void TreeViews::PmDocTreePopup() {
    Guarded([&] {
        const TMyDoc* doc = m_trees.SelectedDoc();
        m_widgets.menu.MnOpenDIr->setVisible(doc && doc->DocType == dkSoftware);
        // A day group stands for no entry: nothing to stop recording.
        m_widgets.menu.MnQVNoRecord->setEnabled(!m_trees.SelectedDocIndexes().empty());
    });
}

void TreeViews::MnExpandAllClick() {
    Guarded([&] {
        const bool expand = m_widgets.menu.MnExpandAll->isChecked();
        // The program list has no children to show.
        const std::vector<HistoryTree*> trees = {&m_history.TVDocs(), &m_history.TVPath(),
                                                 &m_history.TVDoc(), &m_trees.Day().CoreTree()};
        for (HistoryTree* tree : trees) {
            if (expand) {
                tree->ExpandAll();
            } else {
                tree->CollapseAll();
            }
        }
    });
}

void TreeViews::MnOpenDIrClick() {
    Guarded([&] {
        const TMyDoc* doc = m_trees.SelectedDoc();
        if (!doc) {
            return;
        }
        const std::string target = Openers::EntryOpenTarget(*doc);
        ShowHint(target);
        const std::string folder = Openers::ContainingFolder(target);
        if (!folder.empty()) {
            m_openers.OpenPathOrAddress(folder, false);
        }
    });
}

void TreeViews::MnRefreshClick() {
    Guarded([&] { m_scanner.RefreshAllDocs(); });
}

void TreeViews::BtnQVDeleteAllDocsClick() {
    Guarded([&] {
        // The whole history goes at once and the menu item shares its access key with
        // deleting the selection: a slip must not cost everything.
        if (!m_messages.AskYesNoDefaultNo(kConfirmDeleteAllDocs, MainTable().TextHint)) {
            return;
        }
        m_trees.BulkHistoryChange([this] { m_history.DeleteAllDocs(); });
    });
}

void TreeViews::MnDeleteSelectedClick() {
    Guarded([&] {
        const HistoryNode* node = m_trees.SelectedNode(m_trees.CurrentDocTree());
        if (node) {
            const int index = node->Data().DocIndex;
            m_trees.BulkHistoryChange([this, index] { m_history.DeleteSelectDocs(index); });
        }
    });
}

}  // namespace qarvex
