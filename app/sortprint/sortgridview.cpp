#include "app/sortprint/sortgridview.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace {
bool selects(Qt::KeyboardModifiers modifiers)
{
    return modifiers & (Qt::ControlModifier | Qt::ShiftModifier);
}
}

void SortGridView::keyPressEvent(QKeyEvent* event)
{
    m_selecting = selects(event->modifiers());
    const QPersistentModelIndex before = currentIndex();
    QTableView::keyPressEvent(event);
    if (currentIndex().isValid() && currentIndex() != before && !m_selecting)
        emit movedByKey();
}

void SortGridView::mousePressEvent(QMouseEvent* event)
{
    m_selecting = selects(event->modifiers());
    QTableView::mousePressEvent(event);
}
