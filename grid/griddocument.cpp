#include "grid/griddocument.h"

#include <algorithm>

namespace {

// Rows equal at the top and at the bottom of two columns, the runs not
// overlapping in the shorter one.
std::pair<int, int> equalEnds(const CellColumn& a, const CellColumn& b)
{
    const int n = int(std::min(a.size(), b.size()));
    int top = 0;
    while (top < n && CellColumn::same(a[top], b[top]))
        ++top;
    int bottom = 0;
    while (bottom < n - top && CellColumn::same(a[a.size() - 1 - bottom], b[b.size() - 1 - bottom]))
        ++bottom;
    return {top, bottom};
}

bool sameColumn(const GridData& a, int ca, const GridData& b, int cb)
{
    return a.column(ca) == b.column(cb);
}

void addColors(GridChange& c, const GridData& before, const GridData& after)
{
    for (int r = 0; r < GridData::kColorRows; ++r) {
        if (before.rowColor(r) == after.rowColor(r))
            continue;
        if (c.lastColorRow < c.firstColorRow)
            c.firstColorRow = r;
        c.lastColorRow = r;
    }
}

// `after` is `before` with `count` rows put in (or, swapped, taken out) at
// one place, every column alike; -1 when it is not.
int rowRunAt(const GridData& shorter, const GridData& longer)
{
    const int count = longer.rowCount() - shorter.rowCount();
    int lowest = 0;
    int highest = shorter.rowCount();
    for (int c = 0; c < shorter.colCount(); ++c) {
        const auto [top, bottom] = equalEnds(shorter.column(c), longer.column(c));
        highest = std::min(highest, top);
        lowest = std::max(lowest, shorter.rowCount() - bottom);
    }
    if (count <= 0 || lowest > highest)
        return -1;
    // Every place from lowest to highest makes the same grid.
    return lowest;
}

int columnRunAt(const GridData& shorter, const GridData& longer)
{
    const int count = longer.colCount() - shorter.colCount();
    if (count <= 0 || shorter.rowCount() != longer.rowCount())
        return -1;
    int left = 0;
    while (left < shorter.colCount() && sameColumn(shorter, left, longer, left))
        ++left;
    int right = 0;
    while (right < shorter.colCount() - left
           && sameColumn(shorter, shorter.colCount() - 1 - right, longer, longer.colCount() - 1 - right))
        ++right;
    return left + right == shorter.colCount() ? left : -1;
}

} // namespace

GridChange GridChange::between(const GridData& before, const GridData& after)
{
    GridChange c;
    addColors(c, before, after);
    const int cols = before.colCount();
    const int rows = before.rowCount();
    if (cols == after.colCount() && rows == after.rowCount()) {
        for (int col = 0; col < cols; ++col) {
            if (sameColumn(before, col, after, col))
                continue;
            const auto [top, bottom] = equalEnds(before.column(col), after.column(col));
            if (!c.textsChanged()) {
                c.firstCol = col;
                c.firstRow = top;
                c.lastRow = rows - 1 - bottom;
            }
            c.lastCol = col;
            c.firstRow = std::min(c.firstRow, top);
            c.lastRow = std::max(c.lastRow, rows - 1 - bottom);
        }
        if (c.textsChanged() || c.colorsChanged())
            c.kind = Cells;
        return c;
    }
    if (cols == after.colCount() && cols > 0) {
        const bool grew = after.rowCount() > rows;
        const int at = grew ? rowRunAt(before, after) : rowRunAt(after, before);
        if (at >= 0) {
            c.kind = grew ? RowsInserted : RowsRemoved;
            c.first = at;
            c.count = std::abs(after.rowCount() - rows);
            return c;
        }
    } else if (rows == after.rowCount() && cols != after.colCount()) {
        const bool grew = after.colCount() > cols;
        const int at = grew ? columnRunAt(before, after) : columnRunAt(after, before);
        if (at >= 0) {
            c.kind = grew ? ColumnsInserted : ColumnsRemoved;
            c.first = at;
            c.count = std::abs(after.colCount() - cols);
            return c;
        }
    }
    c.kind = Reset;
    return c;
}

GridDocument::GridDocument(QObject* parent) : QObject(parent)
{
}

GridDocument::GridDocument(const GridData& initial, QObject* parent)
    : QObject(parent), m_shown(initial), m_draft(initial)
{
}

GridChange GridDocument::publish()
{
    const GridChange change = GridChange::between(m_shown, m_draft);
    if (change.kind == GridChange::None)
        return change;
    emit aboutToChange(change);
    m_shown = m_draft;
    emit changed(change);
    return change;
}
