#include "grid/printlayout.h"

#include <algorithm>

namespace PrintLayout {

QList<Band> columnBands(const QList<int>& widths)
{
    QList<Band> bands;
    const int count = std::min(int(widths.size()), kMaxColumns);
    bands.reserve(count);
    for (int c = 0; c < count; ++c) {
        const int w = std::clamp(widths.at(c), 0, kMaxColumnWidth);
        Band b;
        if (c == 0) {
            b.right = w;
        } else {
            b.left = bands.at(c - 1).right + 1;
            b.right = b.left + w;
        }
        bands.append(b);
    }
    return bands;
}

int columnsAcross(const QList<Band>& bands, int scaleX, int printableWidth)
{
    if (printableWidth <= 0)
        return int(bands.size());
    const qint64 sx = std::max(scaleX, 1);
    int whole = 0;
    // The bands grow left to right: the first one past the edge ends it.
    for (const Band& b : bands) {
        if (qint64(std::max(b.right - kTextGap, b.left)) * sx > printableWidth)
            break;
        ++whole;
    }
    return whole;
}

int scale(int printerDpi, int screenPpi)
{
    if (printerDpi <= 0 || screenPpi <= 0)
        return 1;
    return std::clamp(printerDpi / screenPpi, 1, kMaxScale);
}

QList<PlacedRow> placeRows(int rowCount, const Page& page)
{
    QList<PlacedRow> rows;
    if (rowCount <= 0)
        return rows;
    const int h = std::max(page.rowHeight, 1);
    const int limit = pageLimit(page.portrait);
    const int sy = std::max(page.scaleY, 1);
    auto fits = [&](int bottom) {
        if (bottom > limit)
            return false;
        return page.printableHeight <= 0 || qint64(bottom + kTopOffset) * sy <= page.printableHeight;
    };

    int pageNo = 0;
    int top = 0;
    int bottom = h;
    rows.append({pageNo, 0, top, bottom, Style::Underlined});
    bool firstUnderTitle = true;
    for (int r = 1; r < rowCount; ++r) {
        int nextTop = top + h + 1;
        int nextBottom = bottom + h + 1;
        if (!fits(nextBottom) && !firstUnderTitle) {
            ++pageNo;
            rows.append({pageNo, 0, 0, h, Style::BoldUnderlined});
            nextTop = h + 1;
            nextBottom = h + h + 1;
        }
        top = nextTop;
        bottom = nextBottom;
        rows.append({pageNo, r, top, bottom, Style::Plain});
        firstUnderTitle = false;
    }
    return rows;
}

QRect cellRect(const Band& band, const PlacedRow& row, int scaleX, int scaleY)
{
    const QPoint topLeft(band.left * scaleX, (row.top + kTopOffset) * scaleY);
    const QPoint bottomRight((band.right - kTextGap) * scaleX, (row.bottom + kTopOffset) * scaleY);
    // QRect's right and bottom are inclusive; the band's are edges.
    return QRect(topLeft.x(), topLeft.y(), std::max(0, bottomRight.x() - topLeft.x()),
                 std::max(0, bottomRight.y() - topLeft.y()));
}

QStringList wrapWords(const QString& text, int width, const std::function<int(QStringView)>& measure)
{
    QStringList lines;
    if (text.isEmpty())
        return lines;
    // Split at every blank, empty parts kept, so that runs of blanks inside
    // a line print as typed; only the blank a line breaks at is dropped.
    const QStringList parts = text.split(u' ');
    QString line = parts.first();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString longer = line + u' ' + parts.at(i);
        if (measure(longer) <= width) {
            line = longer;
        } else {
            lines.append(line);
            line = parts.at(i);
        }
    }
    lines.append(line);
    return lines;
}

} // namespace PrintLayout
