#include "support/qt/tree_probe.h"

#include <functional>

#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QTest>
#include <QTreeView>

namespace qarvex::test {

std::vector<std::string> Shown(const QTreeView* tree) {
    std::vector<std::string> out;
    const QAbstractItemModel* model = tree->model();
    std::function<void(const QModelIndex&, const std::string&)> walk =
        [&](const QModelIndex& parent, const std::string& indent) {
            for (int row = 0; row < model->rowCount(parent); ++row) {
                const QModelIndex index = model->index(row, 0, parent);
                out.push_back(indent + index.data().toString().toStdString());
                walk(index, indent + "  ");
            }
        };
    walk(QModelIndex(), "");
    return out;
}

QModelIndex FindShown(const QTreeView* tree, const std::string& caption) {
    const QAbstractItemModel* model = tree->model();
    const QModelIndexList found =
        model->match(model->index(0, 0), Qt::DisplayRole, QString::fromStdString(caption), 1,
                     Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? QModelIndex() : found.first();
}

QPoint OnLabel(const QTreeView* tree, const QModelIndex& index) {
    const QRect rect = tree->visualRect(index);
    return {rect.left() + 30, rect.center().y()};
}

void SelectShown(QTreeView* tree, const std::vector<std::string>& captions) {
    tree->selectionModel()->clearSelection();
    for (const std::string& caption : captions) {
        const QModelIndex index = FindShown(tree, caption);
        ASSERT_TRUE(index.isValid()) << caption;
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          OnLabel(tree, index));
    }
}

}  // namespace qarvex::test
