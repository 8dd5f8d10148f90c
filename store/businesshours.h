#pragma once

#include "store/fileresult.h"

#include <QString>
#include <QStringList>

// The business-hours tables, timegrid.scd (12-hour) and mtimegrid.scd
// (military) in gsystem: line 1 the column count, line 2 the row count, then
// the cell texts column by column. The program only reads them.
namespace BusinessHours {

// Counts below 1 read as 1; counts above kMaxCount as kMaxCount, so a
// corrupt file cannot make the dialog allocate without limit.
constexpr int kMaxCount = 1024;

// What a table file gave. Reading stops at the first line that fails: a
// count of 0 means that count was not read and the grid keeps its own.
// Cells are given only when both counts were read, then always
// columns x rows of them, column by column; lines missing at the end of the
// file are empty cells.
struct Table
{
    int columns = 0;
    int rows = 0;
    QStringList cells;
    bool complete() const { return columns > 0 && rows > 0; }
    QString cell(int column, int row) const { return cells.value(qsizetype(column) * rows + row); }
};

// A count line: leading blanks skipped, a decimal number, anything after a
// blank ignored. False for a line that holds no number.
bool parseCount(const QString& line, int& count);

Table parse(const QStringList& lines);
// A missing or unreadable file fails, with an empty table (Table{}) as the
// value; the dialog then keeps its own counts.
FileResult<Table> read(const QString& path);

} // namespace BusinessHours
