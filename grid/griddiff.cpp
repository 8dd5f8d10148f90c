#include "grid/griddiff.h"

#include <QSet>

#include <algorithm>

namespace GridDiff {

QList<CellChange> changedCells(const GridData& before, const GridData& after)
{
    QList<CellChange> changes;
    const int cols = std::max(before.colCount(), after.colCount());
    const int rows = std::max(before.rowCount(), after.rowCount());
    // Columns the change left alone are skipped whole; on a full board a
    // save changes a few cells of millions.
    QList<bool> same(cols, false);
    if (before.rowCount() == after.rowCount()) {
        for (int col = 0; col < std::min(before.colCount(), after.colCount()); ++col)
            same[col] = before.column(col) == after.column(col);
    }
    for (int row = 0; row < rows; ++row) {
        for (int col = 0; col < cols; ++col) {
            if (same[col])
                continue;
            const QStringView was = before.cellView(col, row);
            const QStringView now = after.cellView(col, row);
            if (!CellColumn::same(was, now))
                changes.append({col, row, before.cell(col, row), after.cell(col, row)});
        }
    }
    return changes;
}

int rowCount(const QList<CellChange>& changes)
{
    QSet<int> rows;
    for (const CellChange& c : changes)
        rows.insert(c.row);
    return int(rows.size());
}

int colorRowCount(const GridData& before, const GridData& after)
{
    int n = 0;
    for (int row = 1; row < std::min(before.rowCount(), after.rowCount()); ++row)
        n += before.rowColor(row) != after.rowColor(row);
    return n;
}

QString summary(int cells, int rows)
{
    return QStringLiteral("%1 %2 in %3 %4")
        .arg(cells)
        .arg(cells == 1 ? QStringLiteral("cell") : QStringLiteral("cells"))
        .arg(rows)
        .arg(rows == 1 ? QStringLiteral("row") : QStringLiteral("rows"));
}

} // namespace GridDiff
