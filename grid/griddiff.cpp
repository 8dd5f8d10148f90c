#include "grid/griddiff.h"

#include <QSet>

#include <algorithm>

namespace GridDiff {

QList<CellChange> changedCells(const GridData& before, const GridData& after)
{
    QList<CellChange> changes;
    const int cols = std::max(before.colCount(), after.colCount());
    const int rows = std::max(before.rowCount(), after.rowCount());
    for (int row = 0; row < rows; ++row) {
        for (int col = 0; col < cols; ++col) {
            const QString was = before.cell(col, row);
            const QString now = after.cell(col, row);
            if (was != now)
                changes.append({col, row, was, now});
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
