#include "startup/run_list_view.h"

#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QVariant>

namespace qarvex {

namespace {

class PlainHeaderView : public QHeaderView {
public:
    using QHeaderView::QHeaderView;

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override {
        const QVariant hint = model()->headerData(logicalIndex, orientation(), Qt::SizeHintRole);
        if (hint.isValid()) {
            return hint.toSize();
        }
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.section = logicalIndex;
        option.text = model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
        return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
    }
};

}  // namespace

RunListView::RunListView(QWidget* parent) : QTableWidget(parent) {
    auto* header = new PlainHeaderView(Qt::Horizontal, this);
    header->setHighlightSections(false);
    setHorizontalHeader(header);
}

}  // namespace qarvex
