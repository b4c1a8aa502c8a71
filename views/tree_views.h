#pragma once

#include <QObject>

namespace qarvex {

class TFrmMain;

// The four history trees: hints, selection, keys, the tab strip and the tree menu.
class TreeViews : public QObject {
    Q_OBJECT

public:
    explicit TreeViews(TFrmMain& main);
    ~TreeViews() override;

private:
    TFrmMain& m_main;
};

}  // namespace qarvex
