#include "views/skin_tab_bar.h"

#include <algorithm>

#include <QColor>
#include <QFont>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>

#include "views/skin.h"

namespace qarvex {

namespace {

const QColor kCurrentTabMark(0x33, 0x66, 0x99);
const QColor kLaterTabFrame(0xC4, 0xCF, 0xDB);
const QColor kLaterTabFill(0xF2, 0xF5, 0xF9);

}  // namespace

SkinTabBar::SkinTabBar(QWidget* parent) : QTabBar(parent) {
    setObjectName(QStringLiteral("TVControlTabBar"));
    setExpanding(false);
    setDrawBase(false);
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
}

void SkinTabBar::SetSkin(const QPixmap& picture) {
    m_skin = picture;
    update();
}

QSize SkinTabBar::tabSizeHint(int) const {
    return {kSkinTabWidth, kSkinTabHeight};
}

QSize SkinTabBar::minimumTabSizeHint(int index) const {
    return tabSizeHint(index);
}

void SkinTabBar::paintEvent(QPaintEvent* event) {
    if (m_skin.isNull()) {
        QTabBar::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.drawPixmap(0, 0, m_skin);
    for (int i = 0; i < count(); ++i) {
        if (isTabVisible(i)) {
            // Pages added later than the picture have no label in it: write theirs.
            if (tabRect(i).left() >= m_skin.width()) {
                const QRect tab = tabRect(i).adjusted(1, 2, -2, -1);
                painter.setPen(kLaterTabFrame);
                painter.setBrush(kLaterTabFill);
                painter.drawRoundedRect(tab, 3, 3);
                painter.setPen(palette().color(QPalette::WindowText));
                const QString text = tabText(i).trimmed();
                // The tabs are as wide as the picture's; a longer label is set smaller
                // rather than run into the frame.
                const int room = tab.width() - 6;
                const int needed = painter.fontMetrics().horizontalAdvance(text);
                painter.save();
                if (needed > room && room > 0) {
                    QFont font = painter.font();
                    if (font.pixelSize() > 0) {
                        font.setPixelSize(std::max(8, font.pixelSize() * room / needed));
                    } else {
                        font.setPointSizeF(std::max(6.0, font.pointSizeF() * room / needed));
                    }
                    painter.setFont(font);
                }
                painter.drawText(tab, Qt::AlignCenter, text);
                painter.restore();
            }
            TVAllDocsDrawTab(painter, i, tabRect(i), i == currentIndex());
        }
    }
    // The picture hides the style's own focus mark: the current tab gets one here, so that
    // the keyboard's place on the strip is seen.
    if (hasFocus() && currentIndex() >= 0) {
        painter.setPen(QPen(kCurrentTabMark, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(tabRect(currentIndex()).adjusted(2, 2, -3, -4));
    }
}

void SkinTabBar::mousePressEvent(QMouseEvent* event) {
    emit TabStripPressed(event->button());
    QTabBar::mousePressEvent(event);
}

void SkinTabBar::TVAllDocsDrawTab(QPainter& painter, int, const QRect& rect, bool current) {
    if (!current) {
        return;
    }
    painter.fillRect(QRect(rect.left() + 4, rect.bottom() - 1, rect.width() - 8, 2),
                     kCurrentTabMark);
}

SkinTabWidget::SkinTabWidget(QWidget* parent) : QTabWidget(parent), m_bar(new SkinTabBar(this)) {
    setTabBar(m_bar);
}

}  // namespace qarvex
