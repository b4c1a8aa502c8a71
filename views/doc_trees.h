#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QObject>

#include "store/day_groups.h"

class QTabWidget;
class QTreeView;

namespace qarvex {

class DayView;
class History;
class HistoryNode;
class HistoryTree;
class HistoryTreeModel;
class TreeImageList;
struct TMyDoc;

// The pages of the window's page control in the layout's order, the day view's page
// after them. Stored settings hold the index of the page, so the order is fixed.
enum class Page {
    Web,         // TVDoc
    Software,    // TVApp
    Folders,     // TVPath
    IEFav,       // hidden; its history tree is TVDocs
    Favourites,  // hidden; LbMyLove
    System,
    Common,  // the web search page
    Note,
    Settings,
    All,   // hidden; holds TVDocs
    Day,   // "按日期分类", added by the day view
    None,  // any page the window adds beyond these
};

// The page control and the four history trees of the layout.
struct DocTreesWidgets {
    QTabWidget* TVControl = nullptr;
    QTreeView* TVDoc = nullptr;
    QTreeView* TVApp = nullptr;
    QTreeView* TVPath = nullptr;
    QTreeView* TVDocs = nullptr;
};

// The history as the window shows it: the four trees and the day view, their models, which
// of them the active page shows, and what is selected in it. Every part that acts on "the
// selected entry" asks here, so they all mean the same node.
class DocTrees : public QObject {
    Q_OBJECT

public:
    // Adds the day view's page to the page control.
    DocTrees(const DocTreesWidgets& widgets, History& history, const TreeImageList& images,
             DayTree::Clock today, QObject* parent = nullptr);
    ~DocTrees() override;

    Page CurrentPage() const;
    // The page control's index of a page; -1 for None.
    int IndexOf(Page page) const;
    // The active page as the refresh and the web search count the visible tabs: 0 web,
    // 1 software, 2 folders, 3 system, 4 common, 5 settings; -1 for any other page.
    int VisibleTabIndex() const;

    // The history tree of the active page: TVDoc, TVApp, TVPath, TVDocs (page IEFav) or
    // the day view's; null on any other page.
    QTreeView* CurrentDocTree() const;
    // The four trees and the day view's, in that order.
    std::vector<QTreeView*> Views() const;
    HistoryTreeModel* ModelOf(const QTreeView* view) const;
    HistoryTree* CoreTreeOf(const QTreeView* view) const;
    DayView& Day() const { return *m_day; }

    // Expands the whole tree of the active page when it is the web, software, folder or
    // day page; nothing on the others.
    void ExpandCurrentTree();
    // Expands the whole tree of the web, software or folder page; nothing for the others.
    void ExpandPageTree(Page page);
    // Runs a change that touches much of the history (loading, rebuilding after a
    // deletion); the trees catch up once, at the end. A failing change ends quietly.
    void BulkHistoryChange(const std::function<void()>& change);
    // The models stop and start following their trees (nested calls count).
    void SetInBulkChange(bool begins);

    // The selected node of a tree: its current node when that is selected, otherwise the
    // first selected one; null when nothing is selected.
    HistoryNode* SelectedNode(QTreeView* view) const;
    // The entry a node stands for; null for a day group or an index no longer in the table.
    const TMyDoc* DocOf(const HistoryNode* node) const;
    // The entry behind the selected node of the active page's tree, and that node's
    // caption; null without one.
    const TMyDoc* SelectedDoc(std::string* caption = nullptr) const;
    // The entries behind every selected node of the active page's tree, in selection order.
    std::vector<int> SelectedDocIndexes() const;

private:
    DocTreesWidgets m_widgets;
    History& m_history;
    HistoryTreeModel* m_modelDoc = nullptr;
    HistoryTreeModel* m_modelApp = nullptr;
    HistoryTreeModel* m_modelPath = nullptr;
    HistoryTreeModel* m_modelDocs = nullptr;
    DayView* m_day = nullptr;
};

}  // namespace qarvex
