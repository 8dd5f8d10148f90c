#pragma once

#include <QTableView>

// The sort dialog's grid (StringGrid7): besides the mouse click, a key that
// moves the current cell is a click too.
class SortGridView final : public QTableView
{
    Q_OBJECT
public:
    using QTableView::QTableView;

signals:
    void movedByKey();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
