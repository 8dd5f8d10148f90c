#include "gridview/gridheaderview.h"

#include "gridview/celldelegate.h"

#include <QPaintEvent>
#include <QPainter>

GridHeaderView::GridHeaderView(Qt::Orientation orientation, const CellDelegate& delegate, QWidget* parent)
    : QHeaderView(orientation, parent)
    , m_delegate(delegate)
{
    setSectionsClickable(false);
    setHighlightSections(false);
    setStretchLastSection(false);
    setMinimumSectionSize(1);
}

QSize GridHeaderView::sizeHint() const
{
    // The minimum is the fixed extent, and already the new one while
    // setFixedWidth/Height is half done (the maximum still the old one).
    const bool horizontal = orientation() == Qt::Horizontal;
    const int extent = horizontal ? minimumHeight() : minimumWidth();
    if (extent > 0)
        return horizontal ? QSize(length(), extent) : QSize(extent, length());
    return QHeaderView::sizeHint();
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

void GridHeaderView::paintEvent(QPaintEvent* event)
{
    // Past the last section the grid shows its own background, not an
    // empty header.
    QPainter painter(viewport());
    const QRect area = event->rect();
    painter.fillRect(area, m_delegate.windowColor());
    const bool horizontal = orientation() == Qt::Horizontal;
    const int first = visualIndexAt(horizontal ? area.left() : area.top());
    int last = visualIndexAt(horizontal ? area.right() : area.bottom());
    if (first < 0)
        return;
    if (last < 0)
        last = count() - 1;
    for (int visual = first; visual <= last; ++visual) {
        const int logical = logicalIndex(visual);
        if (logical < 0 || isSectionHidden(logical))
            continue;
        const int pos = sectionViewportPosition(logical);
        const int size = sectionSize(logical);
        const QRect rect = horizontal ? QRect(pos, 0, size, viewport()->height()) : QRect(0, pos, viewport()->width(), size);
        painter.save();
        paintSection(&painter, rect, logical);
        painter.restore();
    }
}
