#include "grid/griddata.h"

#include <algorithm>

GridData::GridData(int cols, int rows)
{
    setSize(cols, rows);
}

void GridData::setSize(int cols, int rows)
{
    cols = std::max(cols, 0);
    rows = std::max(rows, 0);
    m_cols.resize(cols);
    for (CellColumn& c : m_cols)
        c.resize(rows);
    m_rows = rows;
}

QString GridData::cell(int col, int row) const
{
    if (col < 0 || col >= colCount() || row < 0 || row >= m_rows)
        return {};
    return m_cols[col].string(row);
}

QStringView GridData::cellView(int col, int row) const
{
    if (col < 0 || col >= colCount() || row < 0 || row >= m_rows)
        return {};
    return m_cols[col].at(row);
}

void GridData::setCell(int col, int row, const QString& text)
{
    if (col < 0 || col >= colCount() || row < 0 || row >= m_rows)
        return;
    m_cols[col].set(row, text);
}

void GridData::setColumn(int col, const CellColumn& cells)
{
    if (col < 0 || col >= colCount())
        return;
    CellColumn c = cells;
    c.resize(m_rows);
    m_cols[col] = std::move(c);
}

int GridData::rowColor(int row) const
{
    if (row < 0 || row >= kColorRows)
        return 0;
    return m_colors[row];
}

void GridData::setRowColor(int row, int code)
{
    if (row < 0 || row >= kColorRows || code < 0 || code > kMaxColorCode)
        return;
    m_colors[row] = quint8(code);
}

void GridData::clearColors()
{
    m_colors.fill(0);
}

void GridData::insertRow(int p)
{
    const int at = std::clamp(p - 1, 0, m_rows);
    for (CellColumn& c : m_cols)
        c.insert(at, {});
    ++m_rows;
}

void GridData::removeRow(int p)
{
    if (p < 1 || p > m_rows)
        return;
    for (CellColumn& c : m_cols)
        c.removeAt(p - 1);
    --m_rows;
}

void GridData::insertColumn(int p)
{
    const int at = std::clamp(p - 1, 0, colCount());
    m_cols.insert(at, CellColumn(m_rows));
}

void GridData::removeColumn(int p)
{
    if (p < 1 || p > colCount())
        return;
    m_cols.removeAt(p - 1);
}

void GridData::moveColumn(int from, int to)
{
    if (from < 0 || from >= colCount() || to < 0 || to >= colCount() || from == to)
        return;
    m_cols.move(from, to);
}
