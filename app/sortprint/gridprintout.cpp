#include "app/sortprint/gridprintout.h"

#include "grid/colorcodes.h"
#include "grid/griddata.h"
#include "widgets/boardstyle.h"

#include <QFontMetrics>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace GridPrintout {

namespace {

// Lines of up to this many characters are drawn whole: finding where to cut
// them would cost about what drawing them does.
constexpr qsizetype kDrawnWhole = 64;

void drawHeading(QPainter& painter, const Heading& heading, int page, int pages, int width, int height)
{
    const QRect band(0, 0, width, height);
    const QFontMetrics fm = painter.fontMetrics();
    const QString pageText = PrintLayout::pageNumberText(page, pages);
    const int side = std::max(0, (width - fm.horizontalAdvance(heading.printed)) / 2 - fm.averageCharWidth());
    painter.drawText(band, Qt::AlignRight | Qt::AlignVCenter, pageText);
    painter.drawText(band, Qt::AlignHCenter | Qt::AlignVCenter, heading.printed);
    painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter, fm.elidedText(heading.title, Qt::ElideRight, side));
}

// A row's cells: its tint under them and the grid lines around them, drawn
// in the one-pixel gaps between rows and columns.
void drawRowCells(QPainter& painter, const GridData& grid, const QList<PrintLayout::Band>& bands,
                  const PrintLayout::PlacedRow& row, int sx, int sy, int paperWidth)
{
    const qreal top = (row.top + PrintLayout::kTopOffset - 0.5) * sy;
    const qreal bottom = (row.bottom + PrintLayout::kTopOffset + 0.5) * sy;
    QList<QRectF> boxes;
    for (const PrintLayout::Band& b : bands) {
        const qreal left = b.left == 0 ? 0.0 : (b.left - 0.5) * sx;
        if (paperWidth > 0 && left >= paperWidth)
            break;
        boxes.append(QRectF(QPointF(left, top), QPointF((b.right + 0.5) * sx, bottom)));
    }
    if (boxes.isEmpty())
        return;
    const int tint = row.row > 0 ? PrintLayout::rowTint(grid.rowColor(row.row)) : -1;
    if (tint >= 0)
        painter.fillRect(QRectF(boxes.first().topLeft(), boxes.last().bottomRight()),
                         QColor(ColorCodes::red(tint), ColorCodes::green(tint), ColorCodes::blue(tint)));
    painter.save();
    painter.setPen(QPen(QColor(BoardStyle::kPrintedGridLine), std::max(1, sx / 3)));
    painter.setBrush(Qt::NoBrush);
    painter.drawRects(boxes);
    painter.restore();
}

} // namespace

bool print(QPrinter& printer, const GridData& grid, const QList<PrintLayout::Band>& bands, const Scale& scale,
           const QFont& font, const Heading& heading)
{
    const int sx = scale.x;
    const int sy = scale.y;
    const int paperWidth = printer.width();
    // The paper's right edge, where the painter's origin is the printable
    // area's corner: nothing past it is seen.
    const int resolution = printer.resolution();
    const int paperRight = printer.pageLayout().fullRectPixels(resolution).right() + 1
        - printer.pageLayout().paintRectPixels(resolution).left();
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
            // The heading keeps to its band above the rows, whatever the grid's size.
            QFont headingFont = heading.font.pixelSize() > 0 ? heading.font : font;
            headingFont.setPixelSize(headingFont.pixelSize() * sy);
            if (sx != sy)
                headingFont.setStretch(std::clamp(100 * sx / sy, 1, 4000));
            const int pages = rows.isEmpty() ? 1 : rows.last().page + 1;
            const int headingHeight = (PrintLayout::kTopOffset - 2) * sy;
            painter.setFont(headingFont);
            drawHeading(painter, heading, 1, pages, paperWidth, headingHeight);
            int page = 0;
            for (const PrintLayout::PlacedRow& row : rows) {
                if (row.page != page) {
                    page = row.page;
                    if (!printer.newPage() || printer.printerState() == QPrinter::Error) {
                        ok = false;
                        break;
                    }
                    painter.setFont(headingFont);
                    drawHeading(painter, heading, page + 1, pages, paperWidth, headingHeight);
                }
                drawRowCells(painter, grid, bands, row, sx, sy, paperWidth);
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
                    const auto measure = [&fm](QStringView s) { return fm.horizontalAdvance(s.toString()); };
                    const QStringList lines = PrintLayout::wrapWords(PrintLayout::shownPart(grid.cell(c, row.row)),
                                                                     rect.width(), measure, shownLines);
                    if (lines.isEmpty())
                        continue;
                    // A column as wide as columns get holds lines several
                    // papers wide: only what reaches the paper's edge is drawn.
                    const int seen = std::min(rect.x() + rect.width(), paperRight) - rect.x();
                    painter.save();
                    painter.setClipRect(rect);
                    int y = rect.top() + fm.ascent();
                    for (const QString& line : lines) {
                        painter.drawText(QPoint(rect.left(), y),
                                         line.left(PrintLayout::filledLength(line, seen, measure, kDrawnWhole)));
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
