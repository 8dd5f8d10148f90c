#include "grid/printlayout.h"

#include "grid/colorcodes.h"
#include "grid/griddata.h"

#include <algorithm>
#include <vector>

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

QList<int> fitWidths(const QList<int>& widths, int available)
{
    QList<int> fitted;
    fitted.reserve(widths.size());
    qint64 total = 0;
    int widest = 0;
    for (int w : widths) {
        fitted.append(std::clamp(w, 0, kMaxColumnWidth));
        total += fitted.last();
        widest = std::max(widest, fitted.last());
    }
    const qint64 room = qint64(available) - (widths.size() - 1);
    if (total <= 0 || room <= 0)
        return widths;
    if (total <= room) {
        // Each edge at its share of the room, so the rounding never adds up.
        qint64 before = 0;
        qint64 edge = 0;
        for (int& w : fitted) {
            before += w;
            const qint64 next = before * room / total;
            w = int(std::min<qint64>(next - edge, kMaxColumnWidth));
            edge = next;
        }
        return fitted;
    }
    // The widest common width `cap` with which the columns still fit.
    auto capped = [&fitted](int cap) {
        qint64 sum = 0;
        for (int w : fitted)
            sum += std::min(w, cap);
        return sum;
    };
    int low = 0;
    int high = widest;
    while (low < high) {
        const int mid = low + (high - low + 1) / 2;
        if (capped(mid) <= room)
            low = mid;
        else
            high = mid - 1;
    }
    // What the cap leaves over goes a pixel each to the capped columns.
    qint64 left = room - capped(low);
    for (int& w : fitted) {
        if (w > low) {
            w = low + (left > 0 ? 1 : 0);
            left = std::max<qint64>(left - 1, 0);
        }
    }
    return fitted;
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

namespace {
qsizetype wholeCharacters(QStringView text, qsizetype n)
{
    if (n >= text.size())
        return text.size();
    return n > 0 && text.at(n - 1).isHighSurrogate() && text.at(n).isLowSurrogate() ? n + 1 : n;
}
}

QString shownPart(const QString& text)
{
    if (text.size() <= kMaxShownChars)
        return text;
    return text.left(wholeCharacters(text, kMaxShownChars));
}

namespace {
struct Prefix
{
    qsizetype length = 0;
    int width = 0;
};

// Grows prefixes of the shown part by fours from `first` characters until
// one is `cap` wide or the shown part is used up.
Prefix growPrefix(QStringView text, int cap, const std::function<int(QStringView)>& measure,
                  qsizetype first = kWholeMeasured)
{
    const QStringView shown = text.left(wholeCharacters(text, kMaxShownChars));
    qsizetype n = std::max<qsizetype>(first, 1);
    for (;;) {
        n = wholeCharacters(shown, n);
        const int width = measure(shown.left(n));
        if (width >= cap || n == shown.size())
            return {n, width};
        n *= 4;
    }
}

// A line being laid out by wrapWords: pieces measured ahead, and the places
// where the line could end.
struct Piece
{
    qsizetype end;   // of its last word; it begins at the blank before its first
    int width;
    bool words;      // more than one word
};
struct Stop
{
    qsizetype end;   // where the line would end
    qint64 width;    // the summed widths up to there
};

// How far a sum of `parts` measured parts may be off the whole's width.
qint64 slack(std::size_t parts)
{
    return qint64(parts / 2 + 1);
}

// The line from `start` ends at the last stop that fits, as measured whole
// where the sum cannot tell.
std::size_t lastFittingStop(const std::vector<Stop>& stops, QStringView text, qsizetype start, int width,
                            const std::function<int(QStringView)>& measure)
{
    std::size_t fits = 0;
    while (fits + 1 < stops.size() && stops[fits + 1].width + slack(fits + 2) <= width)
        ++fits;
    std::size_t fails = fits + 1;
    while (fails < stops.size() && stops[fails].width - slack(fails + 1) <= width)
        ++fails;
    while (fails - fits > 1) {
        const std::size_t mid = fits + (fails - fits) / 2;
        if (measure(text.sliced(start, stops[mid].end - start)) <= width)
            fits = mid;
        else
            fails = mid;
    }
    return fits;
}

} // namespace

int shownWidth(QStringView text, int cap, const std::function<int(QStringView)>& measure)
{
    return std::min(growPrefix(text, cap, measure).width, cap);
}

qsizetype filledLength(QStringView text, int width, const std::function<int(QStringView)>& measure, qsizetype whole)
{
    if (text.size() <= whole)
        return text.size();
    return growPrefix(text, std::max(width, 1), measure, whole).length;
}

QStringList wrapWords(QStringView text, int width, const std::function<int(QStringView)>& measure, int maxLines)
{
    QStringList lines;
    if (text.isEmpty())
        return lines;
    // Broken at every blank, empty words kept, so that runs of blanks inside
    // a line print as typed; only the blank a line breaks at is dropped. The
    // text is walked, not split: a huge cell lays out only what is asked.
    auto wordEnd = [text](qsizetype from) {
        const qsizetype blank = text.indexOf(u' ', from);
        return blank < 0 ? text.size() : blank;
    };
    // The text is measured once, in runs of words with the blank before
    // them, and a line's width is the sum of its runs: each call costs a
    // font a good deal more than a character does, so a run holds several
    // words until it nears the line's end, and one from there on. A sum may
    // be off the whole line's width by each part's rounding (half a pixel);
    // where it is too close to the width to tell, whole lines are measured,
    // as few as a binary search takes.
    constexpr qsizetype kRunLength = 64;
    auto piece = [&](qsizetype from, qsizetype length) {
        const qsizetype end = wordEnd(std::min(from + length, text.size()));
        return Piece{end, measure(text.sliced(from, end - from)), wordEnd(from + 1) < end};
    };
    std::vector<Piece> ahead;   // measured past the current line's first word
    std::vector<Stop> stops;
    qsizetype start = 0;
    for (;;) {
        const qsizetype firstEnd = wordEnd(start);
        if (firstEnd == text.size())
            break;
        // The first word always stands on the line, however wide.
        stops.assign(1, {firstEnd, measure(text.sliced(start, firstEnd - start))});
        std::size_t used = 0;
        while (stops.back().end < text.size()) {
            if (used == ahead.size())
                ahead.push_back(piece(stops.back().end, kRunLength));
            const qint64 sum = stops.back().width + ahead[used].width;
            const std::size_t parts = stops.size() + 1;
            if (ahead[used].words && sum + slack(parts) > width) {
                // The line may end inside the run: its words are measured one by one.
                std::vector<Piece> words;
                for (qsizetype from = stops.back().end; from < ahead[used].end; from = words.back().end)
                    words.push_back(piece(from, 1));
                ahead.erase(ahead.begin() + std::ptrdiff_t(used));
                ahead.insert(ahead.begin() + std::ptrdiff_t(used), words.begin(), words.end());
                continue;
            }
            stops.push_back({ahead[used++].end, sum});
            // Past the width beyond doubt: no longer line fits either.
            if (sum - slack(parts) > width)
                break;
        }
        const std::size_t fits = lastFittingStop(stops, text, start, width, measure);
        const qsizetype end = stops[fits].end;
        if (end == text.size())
            break;
        lines.append(text.sliced(start, end - start).toString());
        if (maxLines > 0 && lines.size() >= maxLines)
            return lines;
        start = end + 1;
        // The word after the break, always measured alone here, opens the
        // next line without its blank and is measured again there; the
        // pieces after it stay good.
        ahead.erase(ahead.begin(), ahead.begin() + std::ptrdiff_t(std::min(fits + 1, ahead.size())));
    }
    lines.append(text.sliced(start).toString());
    return lines;
}

int greyOf(int value)
{
    return (299 * ColorCodes::red(value) + 587 * ColorCodes::green(value) + 114 * ColorCodes::blue(value)) / 1000;
}

int rowTint(int code)
{
    const int value = ColorCodes::fillValue(code);
    if (value < 0)
        return -1;
    const int grey = greyOf(value);
    if (grey >= kMinTintGrey)
        return value;
    // The share of white that lifts the grey to the minimum, rounded up.
    const int white = ((kMinTintGrey - grey) * 1000 + (255 - grey) - 1) / (255 - grey);
    auto mix = [white](int channel) { return channel + ((255 - channel) * white + 999) / 1000; };
    return mix(ColorCodes::red(value)) | (mix(ColorCodes::green(value)) << 8) | (mix(ColorCodes::blue(value)) << 16);
}

GridData pickRows(const GridData& grid, QList<int> dataRows)
{
    std::sort(dataRows.begin(), dataRows.end());
    dataRows.erase(std::unique(dataRows.begin(), dataRows.end()), dataRows.end());
    dataRows.removeIf([&grid](int r) { return r < 1 || r >= grid.rowCount(); });
    GridData picked(grid.colCount(), int(dataRows.size()) + 1);
    dataRows.prepend(0);
    // Column by column: a column is one string, built once.
    for (int c = 0; c < grid.colCount(); ++c) {
        CellColumn cells;
        for (int from : dataRows)
            cells.append(grid.cellView(c, from));
        cells.squeeze();
        picked.setColumn(c, cells);
    }
    for (int to = 0; to < dataRows.size(); ++to)
        picked.setRowColor(to, grid.rowColor(dataRows.at(to)));
    return picked;
}

Paper localPaper(const QLocale& locale)
{
    static constexpr QLocale::Territory kLetter[] = {
        QLocale::UnitedStates, QLocale::Canada,   QLocale::Mexico,      QLocale::Belize,
        QLocale::Guatemala,    QLocale::ElSalvador, QLocale::Nicaragua, QLocale::CostaRica,
        QLocale::Panama,       QLocale::Colombia, QLocale::Venezuela,   QLocale::Chile,
        QLocale::PuertoRico,   QLocale::Philippines,
    };
    const QLocale::Territory t = locale.territory();
    if (std::find(std::begin(kLetter), std::end(kLetter), t) != std::end(kLetter))
        return Paper::Letter;
    // A locale that names no territory still tells US measures apart.
    if (t == QLocale::AnyTerritory && locale.measurementSystem() == QLocale::ImperialUSSystem)
        return Paper::Letter;
    return Paper::A4;
}

QString pageNumberText(int page, int pages)
{
    return QStringLiteral("Page %1 of %2").arg(page).arg(pages);
}

} // namespace PrintLayout
