#pragma once

#include "grid/griddata.h"
#include "store/csvfile.h"

#include <QList>
#include <QString>
#include <QStringList>

// The grid as a table for spreadsheets, and what a table read back would
// do to the grid.
//
// The file's first column is the fixed left column, and it names the row:
// the n-th line with a given name replaces the n-th grid row whose fixed
// column holds that name (names compared without surrounding spaces, empty
// names too, so a file exported from the grid matches its rows one to one).
// A line whose name has no row left is added: into the empty rows at the
// bottom of the grid first, then appended. The other columns are matched
// to the grid's titles, ignoring case and surrounding spaces; columns of the
// file without a grid column are reported and left out, grid columns the
// file lacks keep their cells. Titles are never changed.
namespace CsvImport {

constexpr int kMaxDataRows = 254;
constexpr int kMaxNotes = 500;
// The extra column an export may add with each row's colour word.
QString colorTitle();

// The title row and every data row; with `withColors` a last column holds
// each row's colour word ("Red", "White", empty for none).
QList<QStringList> exportRows(const GridData& grid, bool withColors);

struct Change
{
    int row = 0;          // in the grid after the import
    int col = 0;          // -1: the row's colour
    int line = 0;         // of the file
    bool added = false;   // the row is one the import adds
    QString before;
    QString after;
};

struct Plan
{
    GridData result;               // the grid with the import applied; the grid as it was when it does not fit
    QList<Change> changes;         // every cell (and colour) whose text changes, in file order
    int added = 0;                 // lines that became rows of their own
    int replaced = 0;              // grid rows with at least one change
    int notFitting = 0;            // added rows beyond the grid's 254
    QStringList unknownColumns;    // titles of the file's columns left out
    // Cells stored otherwise than the file has them (characters the data
    // files cannot hold, line breaks), colour words not known.
    QStringList notes;
    int notesLeftOut = 0;          // beyond kMaxNotes
    int cellsChanged() const;
    bool fits() const { return notFitting == 0; }
};

// What importing `table` into `grid` does; the grid itself is not touched.
Plan plan(const GridData& grid, const CsvFile::Table& table);

// The name a change's column has for the user: the title, "Row Color",
// or the column's number when it has no title.
QString columnName(const GridData& grid, int col);

} // namespace CsvImport
