#pragma once

#include <QList>
#include <QPoint>
#include <QString>

#include <optional>

class GridData;

// The find rule of the board: which cells hold a text and which of them
// comes next from a cell. Cells are QPoint(column, row) as everywhere in
// the grid. The titles and the fixed column are searched too (a trailer is
// known by its fixed cell); they cannot take the focus, so focusFor() names
// the data cell that shows such a match.
namespace GridFind {

// Cells whose text contains `text` in any case, in reading order: row by
// row, left to right, the titles first. An empty text matches nothing.
QList<QPoint> matches(const GridData& grid, const QString& text);

// The data cell that takes the focus for a match: the match itself, or for a
// title or a fixed cell the first data cell of its column or row. None when
// the grid has no data cell.
std::optional<QPoint> focusFor(const GridData& grid, QPoint match);

enum class Direction { Forward, Backward };

// The index in `found` of the match after `from` (before it, going
// backward), wrapping round at either end; from no cell, the first (or the
// last). With `includeFrom` a match on `from` itself is taken. -1 when
// nothing was found.
int step(const QList<QPoint>& found, std::optional<QPoint> from, Direction direction, bool includeFrom = false);

} // namespace GridFind
