#include "grid/gridheaderview.h"

#include "grid/celldelegate.h"

GridHeaderView::GridHeaderView(Qt::Orientation orientation, const CellDelegate& delegate, QWidget* parent)
    : QHeaderView(orientation, parent)
    , m_delegate(delegate)
{
    setSectionsClickable(false);
    setHighlightSections(false);
    setStretchLastSection(false);
    setMinimumSectionSize(1);
}

void GridHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    if (orientation() == Qt::Horizontal)
        m_delegate.paintCell(painter, rect, logicalIndex, 0, true, false);
    else
        m_delegate.paintCell(painter, rect, 0, logicalIndex, true, false);
}
