#include "grid/gridsort.h"

#include "grid/griddata.h"
#include "grid/printlayout.h"

#include <QCollator>
#include <QList>

#include <algorithm>
#include <numeric>

namespace GridSort {

QString sortKey(const QString& cell)
{
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

bool sortRows(GridData& grid, int column, const QLocale& locale)
{
    if (column < 0 || column >= grid.colCount())
        return false;
    const int dataRows = grid.rowCount() - 1;
    if (dataRows < 2)
        return true;

    // The C locale (a board started without one) would compare code points,
    // putting "[" after digits and capitals: "10" before "1" and blank keys
    // after dates, unlike every other workstation.
    QCollator collator(locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    QList<QCollatorSortKey> keys;
    keys.reserve(dataRows);
    // Folded first: without a locale of its own the collator compares code
    // points and would not ignore case in its keys.
    for (int r = 1; r <= dataRows; ++r)
        keys.append(collator.sortKey(sortText(grid, column, r).toCaseFolded()));

    QList<int> order(dataRows);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&keys](int a, int b) { return keys.at(a).compare(keys.at(b)) < 0; });

    for (int c = 0; c < grid.colCount(); ++c) {
        const QStringList old = grid.column(c);
        QStringList sorted = old;
        for (int k = 0; k < dataRows; ++k)
            sorted[k + 1] = old.at(order.at(k) + 1);
        grid.setColumn(c, sorted);
    }
    return true;
}

} // namespace GridSort
