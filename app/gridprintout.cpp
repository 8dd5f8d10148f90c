#include "app/gridprintout.h"

#include "grid/griddata.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace GridPrintout {

bool print(QPrinter& printer, const GridData& grid, const QList<PrintLayout::Band>& bands, const Scale& scale,
           const QFont& font)
{
    const int sx = scale.x;
    const int sy = scale.y;
    const int paperWidth = printer.width();
    bool ok = false;
    {
        QPainter painter;
        if (painter.begin(&printer) && printer.printerState() != QPrinter::Error) {
            ok = true;
            const QList<PrintLayout::PlacedRow> rows =
                PrintLayout::placeRows(grid.rowCount(), {scale.rowHeight, scale.portrait, sy, printer.height()});
            // Scaled like every other length: the column widths were
            // measured with the screen's text, and a true 7 points prints
            // several percent wider, so the clip would cut the last word
            // off full cells.
            QFont plain = font;
            plain.setPixelSize(font.pixelSize() * sy);
            if (sx != sy)
                plain.setStretch(std::clamp(100 * sx / sy, 1, 4000));
            int page = 0;
            for (const PrintLayout::PlacedRow& row : rows) {
                if (row.page != page) {
                    page = row.page;
                    if (!printer.newPage() || printer.printerState() == QPrinter::Error) {
                        ok = false;
                        break;
                    }
                }
                QFont f = plain;
                f.setUnderline(row.style != PrintLayout::Style::Plain);
                f.setBold(row.style == PrintLayout::Style::BoldUnderlined);
                painter.setFont(f);
                const QFontMetrics fm = painter.fontMetrics();
                for (int c = 0; c < bands.size(); ++c) {
                    const QRect rect = PrintLayout::cellRect(bands.at(c), row, sx, sy);
                    // Columns beyond the paper's width are cut off.
                    if (paperWidth > 0 && rect.left() >= paperWidth)
                        break;
                    // Only the lines the row's height shows are laid out.
                    const int shownLines = rect.height() / std::max(fm.lineSpacing(), 1) + 1;
                    const QStringList lines = PrintLayout::wrapWords(
                        PrintLayout::shownPart(grid.cell(c, row.row)), rect.width(),
                        [&fm](QStringView s) { return fm.horizontalAdvance(s.toString()); }, shownLines);
                    if (lines.isEmpty())
                        continue;
                    painter.save();
                    painter.setClipRect(rect);
                    int y = rect.top() + fm.ascent();
                    for (const QString& line : lines) {
                        painter.drawText(QPoint(rect.left(), y), line);
                        y += fm.lineSpacing();
                        if (y - fm.ascent() > rect.bottom())
                            break;
                    }
                    painter.restore();
                }
            }
        }
        if (painter.isActive() && !painter.end())
            ok = false;
    }
    if (printer.printerState() == QPrinter::Error)
        ok = false;
    return ok;
}

} // namespace GridPrintout
