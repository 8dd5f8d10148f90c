#include "grid/cellcolumn.h"

#include <algorithm>
#include <limits>
#include <new>

CellColumn::CellColumn(qsizetype rows) : m_ends(std::max<qsizetype>(rows, 0), 0)
{
}

CellColumn::CellColumn(const QStringList& cells)
{
    qsizetype chars = 0;
    for (const QString& cell : cells)
        chars += cell.size();
    reserve(cells.size(), chars);
    for (const QString& cell : cells)
        append(cell);
}

quint32 CellColumn::checkedEnd(qsizetype end)
{
    if (end > qsizetype(std::numeric_limits<quint32>::max()))
        throw std::bad_alloc();
    return quint32(end);
}

QStringList CellColumn::toList() const
{
    QStringList cells;
    cells.reserve(size());
    for (const QStringView cell : *this)
        cells.append(cell.toString());
    return cells;
}

void CellColumn::append(QStringView text)
{
    const quint32 end = checkedEnd(m_text.size() + text.size());
    m_text.append(text);
    m_ends.append(end);
}

void CellColumn::append(QLatin1StringView text)
{
    const quint32 end = checkedEnd(m_text.size() + text.size());
    m_text.append(text);
    m_ends.append(end);
}

void CellColumn::set(qsizetype row, QStringView text)
{
    const QStringView old = at(row);
    if (old == text)
        return;
    const qsizetype begin = row > 0 ? m_ends.at(row - 1) : 0;
    const qsizetype delta = text.size() - old.size();
    checkedEnd(m_text.size() + delta);
    // `text` may be a view into this very column: it is copied before the
    // string detaches or moves.
    m_text.replace(begin, old.size(), text.toString());
    if (delta != 0) {
        for (qsizetype r = row; r < m_ends.size(); ++r)
            m_ends[r] = quint32(m_ends[r] + delta);
    }
}

CellColumn CellColumn::mid(qsizetype row, qsizetype count) const
{
    row = std::clamp<qsizetype>(row, 0, size());
    count = std::clamp<qsizetype>(count, 0, size() - row);
    CellColumn part;
    const qsizetype begin = row > 0 ? m_ends.at(row - 1) : 0;
    const qsizetype end = count > 0 ? m_ends.at(row + count - 1) : begin;
    part.m_text = m_text.mid(begin, end - begin);
    part.m_ends.reserve(count);
    for (qsizetype r = row; r < row + count; ++r)
        part.m_ends.append(quint32(m_ends.at(r) - begin));
    return part;
}

void CellColumn::splice(qsizetype row, qsizetype count, const CellColumn& cells)
{
    row = std::clamp<qsizetype>(row, 0, size());
    count = std::clamp<qsizetype>(count, 0, size() - row);
    const qsizetype begin = row > 0 ? m_ends.at(row - 1) : 0;
    const qsizetype oldEnd = count > 0 ? m_ends.at(row + count - 1) : begin;
    const qsizetype delta = cells.textSize() - (oldEnd - begin);
    checkedEnd(m_text.size() + delta);

    // `cells` may be this very column: its parts are read before anything changes.
    const QString text = cells.m_text;
    const QList<quint32> cellEnds = cells.m_ends;
    m_text.replace(begin, oldEnd - begin, text);
    QList<quint32> ends;
    ends.reserve(size() - count + cellEnds.size());
    ends.append(m_ends.first(row));
    for (const quint32 end : cellEnds)
        ends.append(quint32(begin + end));
    for (qsizetype r = row + count; r < size(); ++r)
        ends.append(quint32(m_ends.at(r) + delta));
    m_ends = std::move(ends);
}

void CellColumn::insert(qsizetype row, QStringView text)
{
    CellColumn one;
    one.append(text);
    splice(row, 0, one);
}

void CellColumn::resize(qsizetype rows)
{
    rows = std::max<qsizetype>(rows, 0);
    if (rows < size()) {
        m_text.truncate(rows > 0 ? m_ends.at(rows - 1) : 0);
        m_ends.resize(rows);
        return;
    }
    m_ends.resize(rows, quint32(m_text.size()));
}

void CellColumn::reserve(qsizetype rows, qsizetype chars)
{
    m_ends.reserve(rows);
    m_text.reserve(chars);
}

void CellColumn::squeeze()
{
    m_ends.squeeze();
    m_text.squeeze();
}
