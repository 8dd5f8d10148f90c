#include "app/sortprint/sortgridheader.h"

#include "widgets/boardstyle.h"

#include <QPainter>

namespace {
constexpr int kTextIndent = 2;
}

SortGridHeader::SortGridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

void SortGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    painter->save();
    painter->fillRect(rect, QColor(BoardStyle::kFixedCell));
    painter->setPen(palette().color(QPalette::Mid));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->setPen(palette().color(QPalette::WindowText));
    const QString text = model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString() : QString();
    painter->drawText(rect.adjusted(kTextIndent, 0, -1, -1), Qt::AlignLeft | Qt::AlignVCenter, text);
    painter->restore();
}
