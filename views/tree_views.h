#pragma once

#include <vector>

#include <QModelIndex>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>

class QEvent;
class QPoint;
class QTreeView;

namespace qarvex {

class HistoryNode;
class HistoryTree;
class TFrmMain;
struct TMyDoc;

// The four history trees: shared look, hover hints, right-button selection, keys, the
// tab strip's refresh and the trees' context menu with its deletions.
class TreeViews : public QObject {
    Q_OBJECT

public:
    explicit TreeViews(TFrmMain& main);
    ~TreeViews() override;

    // Opens the selected entry of the active page's tree (double-click, Enter, Space).
    void OpenSelectedNode();

    // The tree menu's commands; each works on the selected node of the active page's tree
    // and does nothing without one. Other parts bind their own menu items to these.
    void MyMyLoveClick();
    void MnAddToRunListClick();
    // Applies the check mark MnExpandAll has now (its trigger has already flipped it).
    void MnExpandAllClick();
    void MnOpenDIrClick();
    void MnRefreshClick();
    void BtnQVDeleteAllDocsClick();
    void MnDeleteSelectedClick();
    // Run as the tree menu opens: the folder command only makes sense for a program.
    void PmDocTreePopup();

    // The selected node of a tree: its current node when that is selected, otherwise the
    // first selected one; null when nothing is selected.
    HistoryNode* SelectedNode(QTreeView* tree) const;

    // The entries behind every selected node of the active page's tree, in selection order.
    std::vector<int> SelectedDocIndexes() const;

    // The node the hover hint was last given for, null when none or when it was removed.
    HistoryNode* LastHoveredNode() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The history trees of the window, the day view's included when there is one.
    std::vector<QTreeView*> Trees() const;
    void SetUpTree(QTreeView* tree);
    QTreeView* TreeOfViewport(QObject* watched) const;
    QTreeView* TreeOf(QObject* watched) const;
    HistoryTree* CoreTreeOf(const QTreeView* tree) const;
    const TMyDoc* DocOf(const HistoryNode* node) const;
    // The entry behind the selected node of the active page's tree, and its caption.
    const TMyDoc* SelectedDoc(std::string* caption = nullptr) const;
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

    TFrmMain& m_main;
    QPointer<QTreeView> m_hoverTree;
    // Persistent, so a removed node simply never matches again.
    QPersistentModelIndex m_lastHovered;
    bool m_refreshQueued = false;
};

}  // namespace qarvex
