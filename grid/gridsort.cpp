#include "grid/gridsort.h"

#include "grid/griddata.h"
#include "grid/printlayout.h"

#include "grid/textorder.h"

#include <QList>

#include <algorithm>
#include <array>
#include <numeric>
#include <optional>

namespace GridSort {

namespace {

// The digits at `pos`, at least `min` and at most `max` of them; -1 when
// there are fewer. `pos` moves past them.
int readNumber(const QString& text, qsizetype& pos, int min, int max)
{
    int value = 0;
    int digits = 0;
    while (pos < text.size() && digits < max && text.at(pos) >= u'0' && text.at(pos) <= u'9') {
        value = value * 10 + (text.at(pos).unicode() - u'0');
        ++pos;
        ++digits;
    }
    return digits >= min ? value : -1;
}

// "yyyy/mm/dd" of a cell that starts with a date the board writes: month,
// day and year of two or four digits, separated by "/" (calendar picks) or
// "." (the current date), with or without leading zeros. What follows the
// year does not take part; it still counts through the cell's bracketed copy.
std::optional<QString> dateKey(const QString& cell)
{
    qsizetype pos = 0;
    const int month = readNumber(cell, pos, 1, 2);
    if (month < 1 || month > 12 || pos >= cell.size())
        return std::nullopt;
    const QChar separator = cell.at(pos++);
    if (separator != u'/' && separator != u'.')
        return std::nullopt;
    const int day = readNumber(cell, pos, 1, 2);
    if (day < 1 || day > 31 || pos >= cell.size() || cell.at(pos++) != separator)
        return std::nullopt;
    const qsizetype yearStart = pos;
    int year = readNumber(cell, pos, 2, 4);
    const qsizetype yearDigits = pos - yearStart;
    // Two or four digits, and no more: "1/2/345" and "1/2/20267" are no dates.
    if (year < 0 || yearDigits == 3 || (pos < cell.size() && cell.at(pos) >= u'0' && cell.at(pos) <= u'9'))
        return std::nullopt;
    // Two-digit years as POSIX reads them: 69..99 are 1969..1999.
    if (yearDigits == 2)
        year += year >= 69 ? 1900 : 2000;
    const auto padded = [](int value, int width) { return QString::number(value).rightJustified(width, u'0'); };
    return padded(year, 4) + u'/' + padded(month, 2) + u'/' + padded(day, 2);
}

} // namespace

QString sortKey(const QString& cell)
{
    if (const std::optional<QString> date = dateKey(cell))
        return *date;
    // Other texts with slashes where "mm/dd/yy" has them keep the order
    // they always had.
    if (cell.size() >= 6 && cell.at(2) == u'/' && cell.at(5) == u'/')
        return cell.mid(6, 2) + u'/' + cell.left(5);
    return cell;
}

QString sortText(const GridData& grid, int column, int row)
{
    // Only what the dialog can show takes part: a cell of millions of
    // characters would otherwise be folded and collated at every click.
    QString text = sortKey(PrintLayout::shownPart(grid.cell(column, row)));
    for (int c = 0; c < grid.colCount(); ++c)
        text += u'[' + PrintLayout::shownPart(grid.cell(c, row)) + u']';
    return text;
}

bool sortRows(GridData& grid, int column)
{
    if (column < 0 || column >= grid.colCount())
        return false;
    const int dataRows = grid.rowCount() - 1;
    if (dataRows < 2)
        return true;

    QList<QByteArray> keys;
    keys.reserve(dataRows);
    for (int r = 1; r <= dataRows; ++r)
        keys.append(TextOrder::sortKey(sortText(grid, column, r)));

    QList<int> order(dataRows);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&keys](int a, int b) { return keys.at(a) < keys.at(b); });

    for (int c = 0; c < grid.colCount(); ++c) {
        const CellColumn& old = grid.column(c);
        CellColumn sorted;
        sorted.reserve(old.size(), old);
        for (qsizetype r = 0; r < old.size(); ++r)
            sorted.append(old.at(r >= 1 && r <= dataRows ? order.at(r - 1) + 1 : r));
        grid.setColumn(c, sorted);
    }
    // A row's colour goes with it, so that the printout shows it on its row.
    std::array<int, GridData::kColorRows> colors{};
    for (int r = 1; r < GridData::kColorRows; ++r)
        colors[std::size_t(r)] = grid.rowColor(r);
    for (int k = 0; k < dataRows && k + 1 < GridData::kColorRows; ++k)
        grid.setRowColor(k + 1, order.at(k) + 1 < GridData::kColorRows ? colors[std::size_t(order.at(k) + 1)] : 0);
    return true;
}

} // namespace GridSort
