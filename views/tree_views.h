#pragma once

#include <vector>

#include <QModelIndex>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>

#include "views/popup_menus.h"

class QEvent;
class QLabel;
class QListWidget;
class QPoint;
class QToolButton;
class QTreeView;

namespace qarvex {

class DocTrees;
class History;
class HistoryNode;
class Messages;
class Openers;
class Scanner;
class SkinTabWidget;
struct Services;

// The controls the trees' behaviour reaches besides the trees themselves.
struct TreeViewsWidgets {
    SkinTabWidget* TVControl = nullptr;
    QLabel* PnlHint = nullptr;
    QListWidget* LbSearchResult = nullptr;
    QToolButton* BtnQVDeleteAllDocs = nullptr;
    DocTreeMenu menu;
};

// The history trees: shared look, hover hints, right-button selection, keys, the tab
// strip's refresh and the trees' context menu with its deletions. The menu's favourite and
// start-up items belong to the favourites and the auto-run list.
class TreeViews : public QObject {
    Q_OBJECT

public:
    TreeViews(DocTrees& trees, const Services& services, const TreeViewsWidgets& widgets,
              QObject* parent = nullptr);
    ~TreeViews() override;

    // Opens the selected entry of the active page's tree (double-click, Enter, Space).
    void OpenSelectedNode();

    // The tree menu's commands; each works on the selected node of the active page's tree
    // and does nothing without one.
    // Applies the check mark MnExpandAll has now (its trigger has already flipped it).
    void MnExpandAllClick();
    void MnOpenDIrClick();
    void MnRefreshClick();
    void BtnQVDeleteAllDocsClick();
    void MnDeleteSelectedClick();
    // Run as the tree menu opens: the folder command only makes sense for a program.
    void PmDocTreePopup();

    // The node the hover hint was last given for, null when none or when it was removed.
    HistoryNode* LastHoveredNode() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpTree(QTreeView* tree);
    QTreeView* TreeOfViewport(QObject* watched) const;
    QTreeView* TreeOf(QObject* watched) const;
    bool OverItemLabel(QTreeView* tree, const QModelIndex& index, const QPoint& pos) const;
    void ShowHint(const std::string& text);

    void TVDocMouseMove(QTreeView* tree, const QPoint& pos);
    // True when the press must not reach the tree (a right press away from any node would
    // otherwise clear the selection the context menu is about to act on).
    bool TVDocMouseDown(QTreeView* tree, Qt::MouseButton button, const QPoint& pos);
    void TVDocClick();
    // True when the key was handled here.
    bool TVDocKeyDown(QTreeView* tree, int key);
    void DeleteSelectedNodes(QTreeView* tree);
    void TVControlChange();
    void TVControlEnter();
    void TVControlMouseDown();
    void ShowPmDocTree(QTreeView* tree, const QPoint& pos);

    DocTrees& m_trees;
    History& m_history;
    Scanner& m_scanner;
    Openers& m_openers;
    Messages& m_messages;
    TreeViewsWidgets m_widgets;
    QPointer<QTreeView> m_hoverTree;
    // Persistent, so a removed node simply never matches again.
    QPersistentModelIndex m_lastHovered;
    bool m_refreshQueued = false;
};

}  // namespace qarvex
