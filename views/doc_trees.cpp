#include "views/doc_trees.h"

#include <iterator>

#include <QItemSelectionModel>
#include <QTabWidget>
#include <QTreeView>

#include "store/guarded.h"
#include "store/history.h"
#include "views/day_view.h"
#include "views/history_tree_model.h"

namespace qarvex {

namespace {

// The pages of the layout, by their index, with the number the refresh and the web search
// give each among the visible tabs (-1: none); the day view's page comes after them.
struct LayoutPage {
    Page page;
    int visibleTab;
};
constexpr LayoutPage kLayoutPages[] = {
    {Page::Web, 0},         {Page::Software, 1}, {Page::Folders, 2}, {Page::IEFav, -1},
    {Page::Favourites, -1}, {Page::System, 3},   {Page::Common, 4},  {Page::Note, -1},
    {Page::Settings, 5},    {Page::All, -1},
};
constexpr int kLayoutPageCount = static_cast<int>(std::size(kLayoutPages));

}  // namespace

DocTrees::DocTrees(const DocTreesWidgets& widgets, History& history, const TreeImageList& images,
                   DayTree::Clock today, QObject* parent)
    : QObject(parent), m_widgets(widgets), m_history(history) {
    const auto attach = [this, &images](HistoryTree& tree, QTreeView* view) {
        auto* model = new HistoryTreeModel(tree, images, this);
        model->SetView(view);
        return model;
    };
    m_modelDocs = attach(history.TVDocs(), widgets.TVDocs);
    m_modelDoc = attach(history.TVDoc(), widgets.TVDoc);
    m_modelApp = attach(history.TVApp(), widgets.TVApp);
    m_modelPath = attach(history.TVPath(), widgets.TVPath);
    m_day = new DayView(*widgets.TVControl, history, images, std::move(today), this);
    // A trim at the history's bound rebuilds the trees on its own; the views catch up once.
    m_history.SetBulkChangeHook([this](bool begins) { SetInBulkChange(begins); });
}

DocTrees::~DocTrees() {
    m_history.SetBulkChangeHook({});
    // The day view stops following the history, then no view is left showing a model.
    delete m_day;
    for (QTreeView* view : {m_widgets.TVDocs, m_widgets.TVDoc, m_widgets.TVApp, m_widgets.TVPath}) {
        view->setModel(nullptr);
    }
    delete m_modelDocs;
    delete m_modelDoc;
    delete m_modelApp;
    delete m_modelPath;
}

Page DocTrees::CurrentPage() const {
    const int index = m_widgets.TVControl->currentIndex();
    if (index == m_day->PageIndex()) {
        return Page::Day;
    }
    return index >= 0 && index < kLayoutPageCount ? kLayoutPages[index].page : Page::None;
}

int DocTrees::IndexOf(Page page) const {
    if (page == Page::Day) {
        return m_day->PageIndex();
    }
    for (int index = 0; index < kLayoutPageCount; ++index) {
        if (kLayoutPages[index].page == page) {
            return index;
        }
    }
    return -1;
}

int DocTrees::VisibleTabIndex() const {
    const int index = m_widgets.TVControl->currentIndex();
    return index >= 0 && index < kLayoutPageCount ? kLayoutPages[index].visibleTab : -1;
}

QTreeView* DocTrees::CurrentDocTree() const {
    switch (CurrentPage()) {
        case Page::Web:
            return m_widgets.TVDoc;
        case Page::Software:
            return m_widgets.TVApp;
        case Page::Folders:
            return m_widgets.TVPath;
        case Page::IEFav:
            return m_widgets.TVDocs;
        case Page::Day:
            return m_day->Tree();
        default:
            return nullptr;
    }
}

std::vector<QTreeView*> DocTrees::Views() const {
    return {m_widgets.TVDoc, m_widgets.TVApp, m_widgets.TVPath, m_widgets.TVDocs, m_day->Tree()};
}

HistoryTreeModel* DocTrees::ModelOf(const QTreeView* view) const {
    if (view == nullptr) {
        return nullptr;
    }
    if (view == m_widgets.TVDocs) {
        return m_modelDocs;
    }
    if (view == m_widgets.TVDoc) {
        return m_modelDoc;
    }
    if (view == m_widgets.TVApp) {
        return m_modelApp;
    }
    if (view == m_widgets.TVPath) {
        return m_modelPath;
    }
    return view == m_day->Tree() ? m_day->Model() : nullptr;
}

HistoryTree* DocTrees::CoreTreeOf(const QTreeView* view) const {
    if (view == nullptr) {
        return nullptr;
    }
    if (view == m_widgets.TVDocs) {
        return &m_history.TVDocs();
    }
    if (view == m_widgets.TVDoc) {
        return &m_history.TVDoc();
    }
    if (view == m_widgets.TVApp) {
        return &m_history.TVApp();
    }
    if (view == m_widgets.TVPath) {
        return &m_history.TVPath();
    }
    return view == m_day->Tree() ? &m_day->CoreTree() : nullptr;
}

void DocTrees::ExpandCurrentTree() {
    const Page page = CurrentPage();
    if (page == Page::Day) {
        m_day->CoreTree().ExpandAll();
        return;
    }
    ExpandPageTree(page);
}

void DocTrees::ExpandPageTree(Page page) {
    switch (page) {
        case Page::Web:
            m_history.TVDoc().ExpandAll();
            break;
        case Page::Software:
            m_history.TVApp().ExpandAll();
            break;
        case Page::Folders:
            m_history.TVPath().ExpandAll();
            break;
        default:
            break;
    }
}

void DocTrees::BulkHistoryChange(const std::function<void()>& change) {
    SetInBulkChange(true);
    Guarded(change);
    SetInBulkChange(false);
}

void DocTrees::SetInBulkChange(bool begins) {
    HistoryTreeModel* models[] = {m_modelDocs, m_modelDoc, m_modelApp, m_modelPath, m_day->Model()};
    for (HistoryTreeModel* model : models) {
        if (begins) {
            model->BeginBulkChange();
        } else {
            model->EndBulkChange();
        }
    }
}

HistoryNode* DocTrees::SelectedNode(QTreeView* view) const {
    HistoryTreeModel* model = ModelOf(view);
    QItemSelectionModel* selection = view ? view->selectionModel() : nullptr;
    if (!model || !selection) {
        return nullptr;
    }
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isSelected(current)) {
        return model->NodeAt(current);
    }
    const QModelIndexList selected = selection->selectedIndexes();
    return selected.isEmpty() ? nullptr : model->NodeAt(selected.first());
}

const TMyDoc* DocTrees::DocOf(const HistoryNode* node) const {
    if (!node) {
        return nullptr;
    }
    // A node's entry is found only through its index, which must still name an entry.
    const DocTable& docs = m_history.Docs();
    const int index = node->Data().DocIndex;
    if (index < 0 || index >= static_cast<int>(docs.size())) {
        return nullptr;
    }
    return &docs[static_cast<std::size_t>(index)];
}

const TMyDoc* DocTrees::SelectedDoc(std::string* caption) const {
    const HistoryNode* node = SelectedNode(CurrentDocTree());
    const TMyDoc* doc = DocOf(node);
    if (doc && caption) {
        *caption = node->Caption();
    }
    return doc;
}

std::vector<int> DocTrees::SelectedDocIndexes() const {
    std::vector<int> indexes;
    QTreeView* view = CurrentDocTree();
    HistoryTreeModel* model = ModelOf(view);
    if (!model || !view->selectionModel()) {
        return indexes;
    }
    for (const QModelIndex& index : view->selectionModel()->selectedIndexes()) {
        // Day groups stand for no entry.
        const HistoryNode* node = model->NodeAt(index);
        if (DocOf(node)) {
            indexes.push_back(node->Data().DocIndex);
        }
    }
    return indexes;
}

}  // namespace qarvex
