#include "grid/gridhistory.h"

#include <algorithm>

void GridHistory::start(const GridData& grid)
{
    clear();
    m_base = grid;
}

void GridHistory::clear()
{
    m_mergeKey.clear();
    m_base.reset();
    m_undo.clear();
    m_redo.clear();
}

std::array<quint8, GridData::kColorRows> GridHistory::colorsOf(const GridData& grid)
{
    std::array<quint8, GridData::kColorRows> c{};
    for (int r = 0; r < GridData::kColorRows; ++r)
        c[r] = quint8(grid.rowColor(r));
    return c;
}

GridHistory::Step GridHistory::diff(const GridData& from, const GridData& to, const QString& label)
{
    Step s;
    s.label = label;
    s.rows = to.rowCount();
    const int fromCols = from.colCount();
    const int toCols = to.colCount();
    // Whole columns compare only when the row counts agree.
    const bool sameRows = from.rowCount() == to.rowCount();
    const auto equalAt = [&](int f, int t) { return sameRows && from.column(f) == to.column(t); };
    while (s.keepLeft < std::min(fromCols, toCols) && equalAt(s.keepLeft, s.keepLeft))
        ++s.keepLeft;
    while (s.keepRight < std::min(fromCols, toCols) - s.keepLeft
           && equalAt(fromCols - 1 - s.keepRight, toCols - 1 - s.keepRight))
        ++s.keepRight;

    const int fromMiddle = fromCols - s.keepLeft - s.keepRight;
    const int toMiddle = toCols - s.keepLeft - s.keepRight;
    for (int i = 0; i < toMiddle; ++i) {
        const CellColumn& target = to.column(s.keepLeft + i);
        if (fromMiddle != toMiddle) {
            s.whole.append(target);
            continue;
        }
        // A row added, removed or typed into changes one run of each column.
        const CellColumn& source = from.column(s.keepLeft + i);
        ColumnDelta d;
        const int n = int(std::min(source.size(), target.size()));
        while (d.keepTop < n && CellColumn::same(source[d.keepTop], target[d.keepTop]))
            ++d.keepTop;
        while (d.keepBottom < n - d.keepTop
               && CellColumn::same(source[source.size() - 1 - d.keepBottom], target[target.size() - 1 - d.keepBottom]))
            ++d.keepBottom;
        d.middle = target.mid(d.keepTop, target.size() - d.keepTop - d.keepBottom);
        s.deltas.append(d);
    }
    if (const auto toColors = colorsOf(to); toColors != colorsOf(from))
        s.colors = toColors;
    return s;
}

GridData GridHistory::apply(const GridData& from, const Step& s)
{
    const int fromCols = from.colCount();
    const int middle = s.deltas.isEmpty() ? int(s.whole.size()) : int(s.deltas.size());
    GridData to(0, s.rows);
    to.setSize(s.keepLeft + middle + s.keepRight, s.rows);
    int col = 0;
    for (int i = 0; i < s.keepLeft; ++i)
        to.setColumn(col++, from.column(i));
    for (int i = 0; i < middle; ++i) {
        if (s.deltas.isEmpty()) {
            to.setColumn(col++, s.whole[i]);
            continue;
        }
        const ColumnDelta& d = s.deltas[i];
        CellColumn cells = from.column(s.keepLeft + i);
        cells.splice(d.keepTop, cells.size() - d.keepTop - d.keepBottom, d.middle);
        to.setColumn(col++, cells);
    }
    for (int i = fromCols - s.keepRight; i < fromCols; ++i)
        to.setColumn(col++, from.column(i));
    const auto colors = s.colors ? *s.colors : colorsOf(from);
    for (int r = 0; r < GridData::kColorRows; ++r)
        to.setRowColor(r, colors[r]);
    return to;
}

bool GridHistory::record(const GridData& grid, const QString& label, const QString& mergeKey)
{
    if (!m_base || *m_base == grid)
        return false;
    if (!mergeKey.isEmpty() && mergeKey == m_mergeKey && !m_undo.isEmpty()) {
        // The same cell typed on: its step now leads back to before the first key.
        const GridData before = apply(*m_base, m_undo.last());
        m_base = grid;
        if (before == grid)
            m_undo.removeLast();
        else
            m_undo.last() = diff(grid, before, label);
        return true;
    }
    m_mergeKey = mergeKey;
    m_undo.append(diff(grid, *m_base, label));
    if (m_undo.size() > kMaxSteps)
        m_undo.removeFirst();
    m_redo.clear();
    m_base = grid;
    return true;
}

void GridHistory::commitPending(const GridData& grid)
{
    if (m_base && !(*m_base == grid))
        record(grid, QStringLiteral("Edit"));
}

bool GridHistory::undo(GridData& grid)
{
    if (!m_base)
        return false;
    commitPending(grid);
    m_mergeKey.clear();
    return move(m_undo, m_redo, grid);
}

bool GridHistory::redo(GridData& grid)
{
    if (!m_base || !(*m_base == grid) || m_redo.isEmpty())
        return false;
    m_mergeKey.clear();
    return move(m_redo, m_undo, grid);
}

bool GridHistory::move(QList<Step>& from, QList<Step>& to, GridData& grid)
{
    if (from.isEmpty())
        return false;
    // The step taken leaves its way back on the other stack.
    const Step step = from.takeLast();
    GridData moved = apply(grid, step);
    to.append(diff(moved, grid, step.label));
    grid = moved;
    m_base = grid;
    return true;
}
