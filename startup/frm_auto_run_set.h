#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TFrmAutoRunSet;
}

namespace qarvex {

// Asks what to reopen: 0 the recent documents, 1 the favourites, 2 nothing.
class TFrmAutoRunSet : public QDialog {
    Q_OBJECT

public:
    static constexpr int kRecentDocuments = 0;
    static constexpr int kFavourites = 1;
    static constexpr int kNothing = 2;

    explicit TFrmAutoRunSet(QWidget* parent = nullptr);
    ~TFrmAutoRunSet() override;

    // The choice of the last confirm; kNothing before any and after closing.
    int Result() const { return m_result; }

    // Escape and the window's close button come here as well.
    void reject() override;

private:
    void BtnConfirmClick();
    int CheckedIndex() const;

    std::unique_ptr<Ui::TFrmAutoRunSet> m_ui;
    int m_result = kNothing;
};

}  // namespace qarvex
