#pragma once

#include <QTableWidget>

namespace qarvex {

// The list of start-up entries. Its header sizes each section in the font the section is
// drawn in: Qt's own header measures in bold, to leave room for a highlighted section, and
// so keeps a second, bold CJK font loaded for the life of the program, while this list
// never highlights a section.
class RunListView : public QTableWidget {
    Q_OBJECT

public:
    explicit RunListView(QWidget* parent = nullptr);
};

}  // namespace qarvex
