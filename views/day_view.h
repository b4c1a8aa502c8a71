#pragma once

#include <memory>

#include <QObject>

#include "store/day_groups.h"

class QTabWidget;
class QTreeView;

namespace qarvex {

class History;
class HistoryTreeModel;
class TreeImageList;

// The "按日期分类" page: the history grouped by the day each entry was first recorded.
// It follows the history entry by entry; during a load or a rebuild its view catches up
// once, at the end, like the other trees (the window includes it in its bulk changes).
class DayView : public QObject {
    Q_OBJECT

public:
    // Adds the page at the end of pages, so the stored indexes of the other pages hold.
    DayView(QTabWidget& pages, History& history, const TreeImageList& images, DayTree::Clock today,
            QObject* parent = nullptr);
    ~DayView() override;

    int PageIndex() const { return m_pageIndex; }
    QTreeView* Tree() const { return m_view; }
    HistoryTreeModel* Model() const { return m_model; }
    HistoryTree& CoreTree() { return m_day.Tree(); }

private:
    int ImageOf(int docIndex) const;
    void DocsChanged(int addedIndex);

    History& m_history;
    DayTree m_day;
    QTreeView* m_view = nullptr;
    HistoryTreeModel* m_model = nullptr;
    int m_pageIndex = -1;
};

}  // namespace qarvex
