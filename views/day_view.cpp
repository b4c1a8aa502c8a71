#include "views/day_view.h"

#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include "store/history.h"
#include "views/history_tree_model.h"

namespace qarvex {

DayView::DayView(QTabWidget& pages, History& history, const TreeImageList& images,
                 DayTree::Clock today, QObject* parent)
    : QObject(parent),
      m_history(history),
      m_day(std::move(today), [this](int docIndex) { return ImageOf(docIndex); }) {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TsQVDay"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new QTreeView(page);
    m_view->setObjectName(QStringLiteral("TVQVDay"));
    m_view->setUniformRowHeights(true);
    layout->addWidget(m_view);
    m_pageIndex = pages.addTab(page, QStringLiteral("按日期分类"));

    m_model = new HistoryTreeModel(m_day.Tree(), images, this);
    m_model->SetView(m_view);
    m_day.Rebuild(m_history.Docs());
    m_history.SetDocsChangedHook([this](int addedIndex) { DocsChanged(addedIndex); });
    m_history.SetDocRenamedHook([this](int index) { m_day.Renamed(m_history.Docs(), index); });
}

DayView::~DayView() {
    m_history.SetDocsChangedHook({});
    m_history.SetDocRenamedHook({});
    m_view->setModel(nullptr);
    delete m_model;
}

int DayView::ImageOf(int docIndex) const {
    return m_history.ImageIndexOf(docIndex);
}

void DayView::DocsChanged(int addedIndex) {
    if (addedIndex == History::kDocsReplaced) {
        m_day.Rebuild(m_history.Docs());
    } else if (addedIndex < 0) {
        m_day.Clear();
    } else {
        m_day.Added(m_history.Docs(), addedIndex);
    }
}

}  // namespace qarvex
