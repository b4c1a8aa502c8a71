#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

class QAbstractButton;
class QAction;

namespace qarvex {

class TFrmMain;

// The system page's buttons and the "更多..." menu, each opening one fixed place of the
// desktop. Nothing here is recorded or remembered.
class SystemPlaces : public QObject {
    Q_OBJECT

public:
    // Which special place each button of the system page opens.
    struct ButtonPlace {
        const char* button;
        int place;  // a special-folder number or one of the kOpens* values
    };
    static const ButtonPlace kButtonPlaces[];
    static const int kButtonPlaceCount;

    explicit SystemPlaces(TFrmMain& main);
    ~SystemPlaces() override;

    // Opens what a button or menu item stands for: a special-folder number, the system
    // folder, the task manager, or nothing.
    void OpenPlace(int place);

    // Why a place can't be opened on this desktop; empty when it can.
    QString UnavailableReason(int place) const;
    // Disables a control whose place this desktop lacks, its tool tip saying why.
    void MarkAvailability(QAbstractButton* button, int place) const;
    void MarkAvailability(QAction* action, int place) const;

    // Where the "更多..." menu appears, in screen coordinates.
    QPoint MoreSpecialDirMenuPos() const;
    void BtnMoreSpecDirClick();

private:
    void ConnectButton(QAbstractButton* button, int place);
    void ConnectMenuItem(QAction* action);

    TFrmMain& m_main;
};

}  // namespace qarvex
