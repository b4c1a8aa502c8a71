#pragma once

#include <QPixmap>
#include <QTabBar>
#include <QTabWidget>

class QMouseEvent;
class QPaintEvent;
class QPainter;

namespace qarvex {

// The main page control's tab strip: one picture holding every visible tab's label is painted
// at (0, 0), and the tabs themselves have a fixed size so that the picture lines up with them.
// Without a picture the bar draws its ordinary tabs, captions included.
class SkinTabBar : public QTabBar {
    Q_OBJECT

public:
    explicit SkinTabBar(QWidget* parent = nullptr);

    void SetSkin(const QPixmap& picture);
    const QPixmap& Skin() const { return m_skin; }

signals:
    // Any button pressed on the strip, before the bar changes the current tab.
    void TabStripPressed(Qt::MouseButton button);

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

    // Per-tab hook run after the picture is painted; marks the current tab, as the picture
    // itself can't know which one that is. Draws no caption.
    virtual void TVAllDocsDrawTab(QPainter& painter, int index, const QRect& rect, bool current);

private:
    QPixmap m_skin;
};

// A QTabWidget that uses SkinTabBar; promoted in the main window's layout as TVControl.
class SkinTabWidget : public QTabWidget {
    Q_OBJECT

public:
    explicit SkinTabWidget(QWidget* parent = nullptr);

    SkinTabBar* SkinBar() const { return m_bar; }

private:
    SkinTabBar* m_bar;
};

}  // namespace qarvex
