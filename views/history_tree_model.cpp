#include "views/history_tree_model.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>
#include <QStyle>
#include <QTreeView>

#include "platform/linux/desktop_entry.h"
#include "platform/linux/desktop_entry_index.h"
#include "platform/linux/icon_lookup.h"
#include "store/atomic_file.h"

namespace qarvex {

namespace {

constexpr int kImageSize = 16;

// Our own small pictures for the fixed positions, drawn so they match on every desktop.
QIcon Drawn(const QColor& fill, const QColor& mark, int shape) {
    QPixmap pixmap(kImageSize, kImageSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(mark, 1));
    p.setBrush(fill);
    switch (shape) {
        case 0:  // folder
            p.drawRect(QRectF(1.5, 4.5, 13, 9));
            p.drawRect(QRectF(1.5, 2.5, 6, 2));
            break;
        case 1:  // missing program: a crossed box
            p.drawRect(QRectF(2.5, 2.5, 11, 11));
            p.drawLine(QPointF(4, 4), QPointF(12, 12));
            p.drawLine(QPointF(12, 4), QPointF(4, 12));
            break;
        case 2:  // web page: a globe
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
            p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
            p.drawEllipse(QRectF(5, 1.5, 6, 13));
            break;
        case 3:  // computer
            p.drawRect(QRectF(1.5, 2.5, 13, 9));
            p.drawLine(QPointF(5, 14), QPointF(11, 14));
            break;
        default:  // a plain document
            p.drawRect(QRectF(3.5, 1.5, 9, 13));
            break;
    }
    return QIcon(pixmap);
}

// An entry's Icon: a file, or a name looked up in the desktop's icon theme; where that
// finds nothing (no theme configured, as under a plain window manager), in hicolor and
// the pixmaps folders the way every desktop's loader does.
QIcon EntryIcon(const QString& name) {
    if (QFileInfo(name).isAbsolute()) {
        return QIcon(name);
    }
    const QIcon themed = QIcon::fromTheme(name);
    if (!themed.isNull()) {
        return themed;
    }
    std::vector<std::string> types;
    const QList<QByteArray> readable = QImageReader::supportedImageFormats();
    for (const char* type : {"png", "svg", "xpm"}) {
        if (readable.contains(type)) {
            types.emplace_back(type);
        }
    }
    const std::string file =
        FindIconFile(IconFolders::FromEnvironment(), QIcon::themeName().toStdString(),
                     name.toStdString(), kImageSize, types);
    return file.empty() ? QIcon() : QIcon(QString::fromStdString(file));
}

}  // namespace

TreeImageList::TreeImageList() {
    Reset();
}

void TreeImageList::Reset() {
    const QColor blue(0x33, 0x66, 0x99);
    m_icons.assign(kFirstIconCounter + 1, QIcon());
    m_icons[kImageFolderOrFile] = Drawn(QColor(0xF4, 0xD0, 0x6F), QColor(0xB0, 0x8A, 0x2E), 0);
    m_icons[kImageMissingProgram] = Drawn(QColor(0xEE, 0xEE, 0xEE), QColor(0xAA, 0x33, 0x33), 1);
    m_icons[kImageWebPage] = Drawn(QColor(0xD6, 0xE8, 0xF7), blue, 2);
    m_icons[kImageNetworkOrControlPanel] = Drawn(QColor(0xE3, 0xF0, 0xE0), blue, 3);
    m_icons[kImageMyComputer] = Drawn(QColor(0xD6, 0xE8, 0xF7), blue, 3);
    m_icons[kImageMyDocuments] = Drawn(QColor(0xFF, 0xFF, 0xFF), blue, 4);
    m_icons[kImageDesktop] = Drawn(QColor(0xC8, 0xDC, 0xF0), blue, 3);
}

QIcon TreeImageList::Icon(int index) const {
    if (index < 0 || index >= Count()) {
        return {};
    }
    return m_icons[static_cast<std::size_t>(index)];
}

QIcon TreeImageList::ProgramIcon(const QString& programPath) {
    // An application recorded by its desktop entry shows the entry's own icon.
    if (programPath.endsWith(QStringLiteral(".desktop"))) {
        const std::string icon = DesktopEntryIcon(programPath.toStdString());
        if (!icon.empty()) {
            const QIcon themed = EntryIcon(QString::fromStdString(icon));
            if (!themed.isNull()) {
                return themed;
            }
        }
    }
    const QString exe = QFileInfo(programPath).fileName();
    // The desktop entry that starts this executable names the icon the desktop shows.
    const QStringList dirs =
        QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    for (const QString& dir : dirs) {
        const QFileInfo candidate(QDir(dir), exe + QStringLiteral(".desktop"));
        if (!candidate.isFile()) {
            continue;
        }
        const auto bytes = ReadFileBytes(candidate.filePath().toStdString());
        const auto entry = bytes ? ParseDesktopEntry(*bytes) : std::nullopt;
        if (entry && entry->icon) {
            const QString icon = QString::fromStdString(*entry->icon);
            if (!icon.isEmpty()) {
                const QIcon themed = EntryIcon(icon);
                if (!themed.isNull()) {
                    return themed;
                }
            }
        }
    }
    const QIcon byName = QIcon::fromTheme(exe);
    if (!byName.isNull()) {
        return byName;
    }
    const QIcon generic = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    if (!generic.isNull()) {
        return generic;
    }
    return Drawn(QColor(0xE8, 0xE8, 0xE8), QColor(0x33, 0x66, 0x99), 4);
}

bool TreeImageList::InsertProgramIcon(const std::string& programPath, int position) {
    if (position < 0) {
        return false;
    }
    const QIcon icon = ProgramIcon(QString::fromStdString(programPath));
    if (static_cast<std::size_t>(position) > m_icons.size()) {
        m_icons.resize(static_cast<std::size_t>(position));
    }
    m_icons.insert(m_icons.begin() + position, icon);
    return true;
}

HistoryTreeModel::HistoryTreeModel(HistoryTree& tree, const TreeImageList& images, QObject* parent)
    : QAbstractItemModel(parent), m_tree(tree), m_images(images) {
    m_tree.SetObserver(this);
}

HistoryTreeModel::~HistoryTreeModel() {
    m_tree.SetObserver(nullptr);
}

void HistoryTreeModel::SetView(QTreeView* view) {
    m_view = view;
    view->setModel(this);
}

void HistoryTreeModel::BeginBulkChange() {
    if (m_bulkDepth++ == 0) {
        beginResetModel();
        m_tree.SetObserver(nullptr);
    }
}

void HistoryTreeModel::EndBulkChange() {
    if (m_bulkDepth == 0 || --m_bulkDepth > 0) {
        return;
    }
    m_tree.SetObserver(this);
    endResetModel();
    SyncExpansion();
}

void HistoryTreeModel::SyncExpansion() {
    if (!m_view) {
        return;
    }
    m_tree.Walk([this](HistoryNode& node) {
        if (node.Expanded()) {
            m_view->setExpanded(IndexOf(&node), true);
        }
        return true;
    });
}

HistoryNode* HistoryTreeModel::NodeAt(const QModelIndex& index) const {
    if (!index.isValid()) {
        return nullptr;
    }
    return static_cast<HistoryNode*>(index.internalPointer());
}

QModelIndex HistoryTreeModel::IndexOf(const HistoryNode* node) const {
    if (!node) {
        return {};
    }
    return createIndex(node->Row(), 0, const_cast<HistoryNode*>(node));
}

QModelIndex HistoryTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) {
        return {};
    }
    HistoryNode* node = nullptr;
    if (const HistoryNode* owner = NodeAt(parent)) {
        node = owner->Child(row);
    } else {
        node = m_tree.TopLevel(row);
    }
    return node ? createIndex(row, 0, node) : QModelIndex();
}

QModelIndex HistoryTreeModel::parent(const QModelIndex& child) const {
    const HistoryNode* node = NodeAt(child);
    return node ? IndexOf(node->Parent()) : QModelIndex();
}

int HistoryTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) {
        return 0;
    }
    const HistoryNode* node = NodeAt(parent);
    return node ? node->ChildCount() : m_tree.TopLevelCount();
}

int HistoryTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant HistoryTreeModel::data(const QModelIndex& index, int role) const {
    const HistoryNode* node = NodeAt(index);
    if (!node) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(node->Caption());
        case Qt::DecorationRole:
            return m_images.Icon(node->ImageIndex());
        case kDocIndexRole:
            return node->Data().DocIndex;
        default:
            return {};
    }
}

Qt::ItemFlags HistoryTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void HistoryTreeModel::NodeAboutToBeInserted(const HistoryNode* parent, int row) {
    beginInsertRows(IndexOf(parent), row, row);
}

void HistoryTreeModel::NodeInserted(const HistoryNode*, int) {
    endInsertRows();
}

void HistoryTreeModel::NodeAboutToBeRemoved(const HistoryNode* parent, int row) {
    beginRemoveRows(IndexOf(parent), row, row);
}

void HistoryTreeModel::NodeRemoved(const HistoryNode*, int) {
    endRemoveRows();
}

void HistoryTreeModel::AboutToReset() {
    beginResetModel();
}

void HistoryTreeModel::ResetDone() {
    endResetModel();
}

void HistoryTreeModel::CaptionChanged(const HistoryNode* node) {
    const QModelIndex index = IndexOf(node);
    emit dataChanged(index, index);
}

void HistoryTreeModel::ExpansionChanged(const HistoryNode* node, bool expanded) {
    if (m_view) {
        m_view->setExpanded(IndexOf(node), expanded);
    }
}

void HistoryTreeModel::MakeVisible(const HistoryNode* node) {
    if (m_view) {
        m_view->scrollTo(IndexOf(node));
    }
}

}  // namespace qarvex
