#pragma once

#include <QObject>

namespace qarvex {

class TFrmMain;

// The search box with its floating results and the web search page.
class SearchBox : public QObject {
    Q_OBJECT

public:
    explicit SearchBox(TFrmMain& main);
    ~SearchBox() override;

private:
    TFrmMain& m_main;
};

}  // namespace qarvex
