#pragma once

#include "grid/griddata.h"
#include "tests/support/fakeservices.h"

#include <QStringList>

#include <algorithm>

// Grids, colours and boxes as text, so that test tables stay readable.
// Grids are rows of "|"-separated cells (the title row first, column 0
// first); colours are one code per row, separated by blanks; a box is
// "<I|W|E> <x>,<y> <text>" and a question "<x>,<y> <text>".

inline GridData grid(const QStringList& rows)
{
    int cols = 1;
    for (const QString& r : rows)
        cols = std::max(cols, int(r.split(u'|').size()));
    GridData g(cols, int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList cells = rows[r].split(u'|');
        for (int c = 0; c < cells.size(); ++c)
            g.setCell(c, r, cells[c]);
    }
    return g;
}

inline QStringList rows(const GridData& g)
{
    QStringList out;
    for (int r = 0; r < g.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < g.colCount(); ++c)
            cells.append(g.cell(c, r));
        out.append(cells.join(u'|'));
    }
    return out;
}

inline void setColors(GridData& g, const QString& codes)
{
    const QStringList list = codes.split(u' ', Qt::SkipEmptyParts);
    for (int r = 0; r < list.size(); ++r)
        g.setRowColor(r, list[r].toInt());
}

inline QString colors(const GridData& g)
{
    QStringList out;
    for (int r = 0; r < g.rowCount(); ++r)
        out.append(QString::number(g.rowColor(r)));
    return out.join(u' ');
}

inline QString shownText(const FakeMessages::Shown& s)
{
    const char* kind = s.kind == MessageKind::Information ? "I" : s.kind == MessageKind::Warning ? "W" : "E";
    return QStringLiteral("%1 %2,%3 %4").arg(QLatin1String(kind)).arg(s.offset.x()).arg(s.offset.y()).arg(s.text);
}

inline QStringList shownTexts(const FakeMessages& m)
{
    QStringList out;
    for (const auto& s : m.shown)
        out.append(shownText(s));
    return out;
}

// The number input box has no offset: its prompt shows as "0,0".
inline QStringList questionTexts(const FakeMessages& m)
{
    QStringList out;
    for (int i = 0; i < m.questions.size(); ++i) {
        const QPoint at = m.questionOffsets.value(i);
        out.append(QStringLiteral("%1,%2 %3").arg(at.x()).arg(at.y()).arg(m.questions[i]));
    }
    return out;
}
