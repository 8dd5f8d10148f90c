#pragma once

#include <QTableView>

// The sort dialog's grid (StringGrid7): besides the mouse click, a key that
// moves the current cell is a click too. With Ctrl or Shift held, clicks and
// keys select rows and are no clicks.
class SortGridView final : public QTableView
{
    Q_OBJECT
public:
    using QTableView::QTableView;

    // The last mouse press held Ctrl or Shift.
    bool selectingRows() const { return m_selecting; }

signals:
    void movedByKey();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool m_selecting = false;
};
