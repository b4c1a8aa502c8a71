#pragma once

#include <QObject>

class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace qarvex {

class Messages;
class Openers;
class SyncService;
class TreeImageList;

// The "其他电脑" page: one node per other machine, its entries under it. Opening and
// deleting work as in the history trees, by the rules for other machines' entries. The
// page's tab shows only while a synced folder is set.
class RemoteTree : public QObject {
    Q_OBJECT

public:
    static constexpr int kAddressRole = Qt::UserRole + 3;

    RemoteTree(SyncService& sync, Openers& openers, Messages& messages, const TreeImageList& images,
               QTabWidget& pages, QObject* parent = nullptr);

    // The other machines' entries changed (or the folder did): the tree is made again,
    // now when its page shows, else when it is next shown.
    void Fill();
    QTreeWidget* Tree() const { return m_tree; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();
    void OpenItem(const QTreeWidgetItem* item);
    void DeleteSelected();

    SyncService& m_sync;
    Openers& m_openers;
    Messages& m_messages;
    const TreeImageList& m_images;
    QTabWidget& m_pages;
    QTreeWidget* m_tree = nullptr;
    int m_pageIndex = -1;
    bool m_stale = false;
};

}  // namespace qarvex
