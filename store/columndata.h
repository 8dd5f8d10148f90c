#pragma once

#include "base/services.h"
#include "grid/griddata.h"
#include "store/datafolder.h"
#include "store/fileresult.h"
#include "store/textfile.h"

#include <QString>
#include <QStringList>

// The rules of the two column data editors: "Column Data" (a column's title
// and its menu file in colfiles) and "Fixed Left Column Data" (the texts of
// the fixed column, also kept in gsystem/FixedColumn.scd). The dialogs only
// show what these return.
namespace ColumnData {

// Why a column header cannot name its menu file, in the order checked.
enum class HeaderProblem {
    None,
    Empty,
    Aux,            // exactly "Aux" or "aux"
    NotAFileName,   // would leave colfiles, a Windows share would refuse it,
                    // or the grid file could not hold it
};
HeaderProblem checkHeader(const QString& header);
// The notice for a problem; empty for None.
QString headerMessage(HeaderProblem problem, const QString& header);

// The lines of an edit box's text. As in the files, a final line break adds
// no empty line; textOfLines() gives them back the same way.
QStringList linesOfText(const QString& text);
QString textOfLines(const QStringList& lines);

// Ascending in TextOrder (letter case ignored); lines equal apart from case keep
// their order, empty lines come first.
QStringList sortedLines(QStringList lines);

// What a save did, for the dialog.
struct SaveEffect
{
    bool close = false;            // the dialog closes
    bool gridChanged = false;      // titles, texts or rows of the grid changed
    bool recomputeWidths = false;  // fitColumnWidths
    QString notice;                // input refused before anything was written
};
// The outcome is the write's: a failure names the file and why, for an
// error box; a notice alone is information.
using SaveResult = FileResult<SaveEffect>;

// The lines of the menu file of `title` for the editor. A missing file (or a
// title that cannot name one) is Missing, with no lines; a file that is
// there but cannot be read whole fails with the notice to show.
TextFile::ReadResult readMenuLines(const DataFolder& folder, const QString& title);

// "Save" of "Column Data" for the grid column `column`: writes the lines to
// the menu file of `header` and then makes `header` the column's title.
// Nothing changes when the header is refused or the file cannot be written.
SaveResult saveColumnData(const DataFolder& folder, GridData& grid, int column, const QString& header,
                          const QStringList& lines);

// The fixed column's texts of rows 1 to last, as the editor shows them.
// A save under a header that is not the column's title would replace the
// menu file of that name, which other columns may be using.
bool replacesAnotherMenu(const DataFolder& folder, const GridData& grid, int column, const QString& header);

QStringList fixedColumnLines(const GridData& grid);
// How many rows (title row included) a grid of `cols` columns may reach so
// that the grid file still loads.
int maxGridRows(int cols);
// "Save" of "Fixed Left Column Data": line j goes into row j + 1 of column
// 0, rows are appended where the grid has too few, every other cell of
// column 0 is emptied, and the lines are written to FixedColumn.scd. The
// grid keeps its changes when only that write fails: the grid save at the
// end of the session writes the file from the grid again.
SaveResult saveFixedColumn(const DataFolder& folder, GridData& grid, const QStringList& lines);

} // namespace ColumnData
