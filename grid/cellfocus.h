#pragma once

#include <QPoint>

#include <optional>

// Where the grid's focused cell is kept (x = column, y = row). There is one
// place: the editing rules read and move the focus through it, and a view
// that shows the focus is that place, so the two can never disagree.
class CellFocus
{
public:
    virtual ~CellFocus() = default;
    virtual std::optional<QPoint> cell() const = 0;
    // nullopt: nothing focused.
    virtual void setCell(std::optional<QPoint> cell) = 0;
};

// The focus kept in memory, for rules used without a view.
class PlainCellFocus final : public CellFocus
{
public:
    std::optional<QPoint> cell() const override { return m_cell; }
    void setCell(std::optional<QPoint> cell) override { m_cell = cell; }

private:
    std::optional<QPoint> m_cell;
};
