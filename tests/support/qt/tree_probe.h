#pragma once

#include <string>
#include <vector>

#include <QModelIndex>
#include <QPoint>

class QTreeView;

namespace qarvex::test {

// The captions a view shows in display order; children are indented by two blanks.
std::vector<std::string> Shown(const QTreeView* tree);
// The row showing that caption anywhere in the tree; invalid when none does.
QModelIndex FindShown(const QTreeView* tree, const std::string& caption);
// A point on the caption text of a row (past the icon).
QPoint OnLabel(const QTreeView* tree, const QModelIndex& index);
// Marks the rows with these captions by Ctrl-clicks, in this order (the last becomes the
// tree's current row); the rows must be shown.
void SelectShown(QTreeView* tree, const std::vector<std::string>& captions);

}  // namespace qarvex::test
