#include "app/sortgridview.h"

#include <QKeyEvent>

void SortGridView::keyPressEvent(QKeyEvent* event)
{
    const QPersistentModelIndex before = currentIndex();
    QTableView::keyPressEvent(event);
    if (currentIndex().isValid() && currentIndex() != before)
        emit movedByKey();
}
