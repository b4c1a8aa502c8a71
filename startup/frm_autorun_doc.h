#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;

namespace Ui {
class TFrmAutorunDoc;
}

namespace qarvex {

// Lets the user pick the history documents to reopen. exec() answers kConfirmed (the
// list's selection is in SelectedFlags()), kClearedAll, or QDialog::Rejected.
class TFrmAutorunDoc : public QDialog {
    Q_OBJECT

public:
    static constexpr int kConfirmed = 1;
    static constexpr int kClearedAll = 2;

    explicit TFrmAutorunDoc(QWidget* parent = nullptr);
    ~TFrmAutorunDoc() override;

    // One line per history entry, in table order; the marked ones come up selected.
    void Fill(const std::vector<std::string>& names, const std::vector<bool>& selected);
    // Whether line i is selected, for every line.
    std::vector<bool> SelectedFlags() const;

    QCheckBox* CbNotQuery() const;

signals:
    // A double-click on line `index`.
    void EntryDoubleClicked(int index);
    // The "不再跳出此提示框" box changed state.
    void NotQueryToggled(bool checked);

private:
    void CbSelectAllClick(bool checked);
    void LbSelectDocClick();

    std::unique_ptr<Ui::TFrmAutorunDoc> m_ui;
};

}  // namespace qarvex
