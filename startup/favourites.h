#pragma once

#include <QObject>

namespace qarvex {

class TFrmMain;

// The favourites page: LbMyLove, its menu and the edit bar.
class Favourites : public QObject {
    Q_OBJECT

public:
    explicit Favourites(TFrmMain& main);
    ~Favourites() override;

private:
    TFrmMain& m_main;
};

}  // namespace qarvex
