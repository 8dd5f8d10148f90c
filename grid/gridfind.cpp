#include "grid/gridfind.h"

#include "grid/griddata.h"

#include <algorithm>

namespace {

// Reading order: the row first, then the column.
bool before(const QPoint& a, const QPoint& b)
{
    return a.y() != b.y() ? a.y() < b.y() : a.x() < b.x();
}

} // namespace

namespace GridFind {

QList<QPoint> matches(const GridData& grid, const QString& text)
{
    QList<QPoint> found;
    if (text.isEmpty())
        return found;
    for (int row = 0; row < grid.rowCount(); ++row) {
        for (int col = 0; col < grid.colCount(); ++col) {
            if (grid.cellView(col, row).contains(text, Qt::CaseInsensitive))
                found.append(QPoint(col, row));
        }
    }
    return found;
}

std::optional<QPoint> focusFor(const GridData& grid, QPoint match)
{
    if (grid.colCount() < 2 || grid.rowCount() < 2)
        return std::nullopt;
    return QPoint(std::clamp(match.x(), 1, grid.colCount() - 1), std::clamp(match.y(), 1, grid.rowCount() - 1));
}

int step(const QList<QPoint>& found, std::optional<QPoint> from, Direction direction, bool includeFrom)
{
    const int n = int(found.size());
    if (n == 0)
        return -1;
    const bool forward = direction == Direction::Forward;
    if (!from)
        return forward ? 0 : n - 1;
    if (includeFrom) {
        if (const qsizetype at = found.indexOf(*from); at >= 0)
            return int(at);
    }
    if (forward) {
        for (int i = 0; i < n; ++i) {
            if (before(*from, found[i]))
                return i;
        }
        return 0;
    }
    for (int i = n - 1; i >= 0; --i) {
        if (before(found[i], *from))
            return i;
    }
    return n - 1;
}

} // namespace GridFind
