#pragma once

#include <memory>
#include <string>

#include <QDialog>
#include <QString>

class QLineEdit;
class QResizeEvent;

namespace Ui {
class TfrmRun;
}

namespace qarvex {

class AutostartStore;
class Messages;
class Openers;

// The window that lists the session's start-up commands and lets the user run, add,
// overwrite and delete them. Created once with the main window and only hidden after.
class TfrmRun : public QDialog {
    Q_OBJECT

public:
    // The message shown when Delete is pressed with nothing selected; deliberately not
    // translated, it has always read this way.
    static constexpr const char* kNothingSelected = "No item selected for deletion!!!";
    static constexpr int kNameColumnMaxWidth = 210;
    static constexpr int kPathColumnMaxWidth = 550;
    // The edit boxes leave this much of the window's width to their labels and margins.
    static constexpr int kEditWidthAllowance = 120;

    TfrmRun(AutostartStore& store, Openers& openers, Messages& messages, QWidget* parent = nullptr);
    ~TfrmRun() override;

    Ui::TfrmRun& ui() { return *m_ui; }

    // Lists every entry of the store; leaves the list alone when the store can't be read.
    void FillList();

    void LVClick();
    void BtnQVAddPCStartClick();
    void BtnQVDeletePCStartClick();
    void BtnQVClearPCStartClick();
    void BtnQVPCRunClick();
    void BtnCloseClick();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormResize();
    bool SelectedIsSystem() const;
    void ShowDeleteCaption();
    void ShowError(const std::string& text);
    static void SetNormalColours(QLineEdit* edit);
    static void SetAlarmColours(QLineEdit* edit);

    AutostartStore& m_store;
    Openers& m_openers;
    Messages& m_messages;
    std::unique_ptr<Ui::TfrmRun> m_ui;
    QString m_deleteCaption;
};

}  // namespace qarvex
