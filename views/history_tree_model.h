#pragma once

#include <vector>

#include <QAbstractItemModel>
#include <QIcon>
#include <QPointer>

#include "store/history.h"
#include "store/history_tree.h"

class QTreeView;

namespace qarvex {

// The image list the four history trees share: fixed pictures at the low positions,
// program icons inserted from position 11 up as programs are recorded.
class TreeImageList : public ProgramIcons {
public:
    TreeImageList();

    QIcon Icon(int index) const;
    int Count() const { return static_cast<int>(m_icons.size()); }
    void Reset();  // back to the fixed pictures

    bool InsertProgramIcon(const std::string& programPath, int position) override;

    // The icon the desktop shows for a program: its desktop entry's Icon from the icon
    // theme, found by the executable's name, else a generic program icon.
    static QIcon ProgramIcon(const QString& programPath);

private:
    std::vector<QIcon> m_icons;
};

// Shows one core history tree in a QTreeView and keeps the view's expansion in step
// with the core's (the program expands trees from code).
class HistoryTreeModel : public QAbstractItemModel, public HistoryTreeObserver {
    Q_OBJECT

public:
    static constexpr int kDocIndexRole = Qt::UserRole + 1;

    HistoryTreeModel(HistoryTree& tree, const TreeImageList& images, QObject* parent = nullptr);
    ~HistoryTreeModel() override;

    // Attaches the view that shows this model.
    void SetView(QTreeView* view);

    // Many changes at once (the start-up load): the view is told once, at the end, instead
    // of once per node. Nestable.
    void BeginBulkChange();
    void EndBulkChange();

    HistoryNode* NodeAt(const QModelIndex& index) const;
    QModelIndex IndexOf(const HistoryNode* node) const;

    QModelIndex index(int row, int column, const QModelIndex& parent) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void NodeAboutToBeInserted(const HistoryNode* parent, int row) override;
    void NodeInserted(const HistoryNode* parent, int row) override;
    void NodeAboutToBeRemoved(const HistoryNode* parent, int row) override;
    void NodeRemoved(const HistoryNode* parent, int row) override;
    void AboutToReset() override;
    void ResetDone() override;
    void ExpansionChanged(const HistoryNode* node, bool expanded) override;
    void CaptionChanged(const HistoryNode* node) override;
    void MakeVisible(const HistoryNode* node) override;

private:
    HistoryTree& m_tree;
    const TreeImageList& m_images;
    void SyncExpansion();

    QPointer<QTreeView> m_view;
    int m_bulkDepth = 0;
};

}  // namespace qarvex
