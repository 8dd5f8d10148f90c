#pragma once

#include <QHeaderView>

class CellDelegate;

// The grid's title row (horizontal) or fixed left column (vertical): the
// fixed cells stay in place while the data cells scroll, and are drawn by
// the same delegate as the data cells.
class GridHeaderView : public QHeaderView
{
    Q_OBJECT

public:
    GridHeaderView(Qt::Orientation orientation, const CellDelegate& delegate, QWidget* parent = nullptr);

    // With a fixed extent (the grid always sets one) the hint is that
    // extent and the header's length: QHeaderView would measure the texts
    // of up to 200 sections on a geometry update of the view.
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    const CellDelegate& m_delegate;
};
