#pragma once

#include <QHeaderView>

// The sort dialog's fixed title row: the fixed colour, the texts where the
// cells have theirs, grid lines like the cells'.
class SortGridHeader final : public QHeaderView
{
public:
    explicit SortGridHeader(QWidget* parent);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};
