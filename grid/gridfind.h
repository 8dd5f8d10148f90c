#pragma once

#include <QList>
#include <QPoint>
#include <QString>

#include <optional>

class GridData;

// The find rule of the board: which cells hold a text and which of them
// comes next from a cell. Cells are QPoint(column, row) as everywhere in
// the grid; only data cells count, as only they can take the focus.
namespace GridFind {

// Data cells whose text contains `text` in any case, in reading order:
// row by row, left to right. An empty text matches nothing.
QList<QPoint> matches(const GridData& grid, const QString& text);

enum class Direction { Forward, Backward };

// The index in `found` of the match after `from` (before it, going
// backward), wrapping round at either end; from no cell, the first (or the
// last). With `includeFrom` a match on `from` itself is taken. -1 when
// nothing was found.
int step(const QList<QPoint>& found, std::optional<QPoint> from, Direction direction, bool includeFrom = false);

} // namespace GridFind
