#include "views/remote_tree.h"

#include <map>
#include <string>
#include <vector>

#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "capture/sync_service.h"
#include "store/guarded.h"
#include "store/sync_folder.h"
#include "views/history_tree_model.h"
#include "views/qt_text.h"
#include "views/search_box.h"

namespace qarvex {

RemoteTree::RemoteTree(SyncService& sync, Openers& openers, Messages& messages,
                       const TreeImageList& images, QTabWidget& pages, QObject* parent)
    : QObject(parent),
      m_sync(sync),
      m_openers(openers),
      m_messages(messages),
      m_images(images),
      m_pages(pages) {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TsQVRemote"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tree = new QTreeWidget(page);
    m_tree->setObjectName(QStringLiteral("TVRemote"));
    m_tree->setHeaderHidden(true);
    m_tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(m_tree);
    m_pageIndex = m_pages.addTab(page, QStringLiteral("其他电脑"));
    m_pages.setTabVisible(m_pageIndex, false);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { OpenItem(item); });
    // The history trees' two commands that mean something for another machine's entry.
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QTreeWidgetItem* item = m_tree->itemAt(pos);
        if (item == nullptr) {
            return;
        }
        if (!item->isSelected()) {
            m_tree->setCurrentItem(item);
        }
        QMenu menu(m_tree);
        QAction* open = menu.addAction(QStringLiteral("打开"));
        open->setEnabled(item->parent() != nullptr);
        QAction* remove = menu.addAction(QStringLiteral("删除所选"));
        QAction* chosen = menu.exec(m_tree->viewport()->mapToGlobal(pos));
        if (chosen == open) {
            OpenItem(item);
        } else if (chosen == remove) {
            DeleteSelected();
        }
    });
    m_tree->installEventFilter(this);
    connect(&m_pages, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == m_pageIndex && m_stale) {
            Build();
        }
    });
}

void RemoteTree::Fill() {
    m_pages.setTabVisible(m_pageIndex, m_sync.Enabled());
    // Ten machines' histories make a large tree: it is built when the page is looked at.
    m_stale = true;
    if (m_pages.currentIndex() == m_pageIndex) {
        Build();
    }
}

void RemoteTree::Build() {
    m_stale = false;
    Guarded([&] {
        m_tree->clear();
        const RemoteHistory* remote = m_sync.Remote();
        if (remote == nullptr) {
            return;
        }
        // Machines in the order they come first; an entry several hold is under each.
        std::vector<QTreeWidgetItem*> machines;
        std::map<std::string, QTreeWidgetItem*> byName;
        const DocTable& docs = remote->Docs();
        for (std::size_t i = 0; i < docs.size(); ++i) {
            for (const std::string& name : remote->MachinesOf(static_cast<int>(i))) {
                QTreeWidgetItem*& node = byName[name];
                if (node == nullptr) {
                    node = new QTreeWidgetItem(QStringList(Q(name)));
                    node->setIcon(0, m_images.Icon(kImageMyComputer));
                    machines.push_back(node);
                }
                auto* entry = new QTreeWidgetItem(node, QStringList(SearchBox::RowText(docs[i])));
                entry->setIcon(0, m_images.Icon(RemoteImageIndex(docs[i])));
                entry->setData(0, kAddressRole, Q(docs[i].Path));
            }
        }
        for (QTreeWidgetItem* node : machines) {
            m_tree->addTopLevelItem(node);
            node->setExpanded(true);
        }
    });
}

void RemoteTree::OpenItem(const QTreeWidgetItem* item) {
    if (item == nullptr) {
        return;
    }
    const QString address = item->data(0, kAddressRole).toString();
    if (!address.isEmpty()) {
        Guarded([&] { OpenRemoteEntry(m_sync, S(address), m_openers, m_messages); });
    }
}

void RemoteTree::DeleteSelected() {
    Guarded([&] {
        std::vector<std::string> addresses;
        for (const QTreeWidgetItem* item : m_tree->selectedItems()) {
            if (item->parent() == nullptr) {
                // A machine's node: every entry shown under it.
                for (int row = 0; row < item->childCount(); ++row) {
                    addresses.push_back(S(item->child(row)->data(0, kAddressRole).toString()));
                }
            } else {
                addresses.push_back(S(item->data(0, kAddressRole).toString()));
            }
        }
        if (addresses.empty()) {
            return;
        }
        m_sync.DeleteRemote(addresses);
        Build();
    });
}

bool RemoteTree::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_tree && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                OpenItem(m_tree->currentItem());
                return true;
            case Qt::Key_Delete:
                DeleteSelected();
                return true;
            default:
                break;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace qarvex
