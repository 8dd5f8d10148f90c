#pragma once

#include "grid/printlayout.h"

#include <QFont>
#include <QList>

class GridData;
class QPrinter;

// Draws the pages of a printed grid onto a printer that is set up (its
// orientation and document name): one band per column and row, the title
// row repeated at the top of every page, each row on its colour's tint and
// each cell in its grid lines, and a heading line in the top margin. The
// layout is screen pixels of the dialog's grid, scaled to the printer's dots.
namespace GridPrintout {

struct Scale
{
    int rowHeight = 13;   // every row's height on the screen
    bool portrait = false;
    int x = 1;            // printer dots per screen pixel
    int y = 1;
};

// The heading of every page: the title left, the print time in the middle,
// "Page n of m" right.
struct Heading
{
    QString title;
    QString printed;
    QFont font = {};   // scaled like the grid's; without a pixel size, the grid's
};

// `font`: the screen font the texts are printed in, scaled like every
// other length. False when the printer reports an error.
bool print(QPrinter& printer, const GridData& grid, const QList<PrintLayout::Band>& bands, const Scale& scale,
           const QFont& font, const Heading& heading = {});

} // namespace GridPrintout
