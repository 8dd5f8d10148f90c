#pragma once

#include "grid/griddata.h"

#include <QList>
#include <QString>

// One cell whose text a save changed. Columns and rows are the grid's own
// (row 0 the titles, column 0 the fixed column).
struct CellChange
{
    int col = 0;
    int row = 0;
    QString before;
    QString after;
    bool operator==(const CellChange&) const = default;
};

// What a save changed, cell by cell, so a board can tell its user what
// another workstation did.
namespace GridDiff {

// Every cell whose text differs, by row then column. A cell outside one of
// the grids counts as empty, so a row or column added or removed shows as
// the texts it brought or took.
QList<CellChange> changedCells(const GridData& before, const GridData& after);
// How many different rows the changes touch.
int rowCount(const QList<CellChange>& changes);
// How many data rows, in both grids, changed their colour.
int colorRowCount(const GridData& before, const GridData& after);
// "4 cells in 2 rows", "1 cell in 1 row".
QString summary(int cells, int rows);

} // namespace GridDiff
