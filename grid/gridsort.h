#pragma once

#include <QString>

class GridData;

// Sorting the rows of a copy of the grid by one column, as "Grid Sort /
// Print" does: each data row is ranked by a text made of its key (dates
// turned to year/month/day) followed by every cell in
// brackets, compared ascending and ignoring letter case. Whole rows move, so
// cells keep their texts whatever characters they hold.
namespace GridSort {

// The text row `row` is ranked by when sorting by `column`; of a cell only
// the part the dialog can show takes part.
QString sortText(const GridData& grid, int column, int row);

// The key of a cell: a cell starting with a date in any form the board
// writes ("m/d/yyyy", "mm.dd.yyyy", two-digit years) becomes "yyyy/mm/dd";
// another text with "/" as its 3rd and 6th characters is turned as
// "mm/dd/yy" would be, to "yy/mm/dd"; any other text stays as it is.
QString sortKey(const QString& cell);

// Sorts data rows 1 .. rowCount-1 by `column` in TextOrder, the same on
// every workstation; rows whose texts compare equal keep their order.
// Returns false and leaves the grid alone when `column` is not one of the
// grid's columns. Each row's colour moves with it.
bool sortRows(GridData& grid, int column);

} // namespace GridSort
