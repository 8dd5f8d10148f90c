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
        chars += cell.size() < kOwnStringFrom ? cell.size() : 0;
    m_ends.reserve(cells.size());
    m_text.reserve(chars);
    for (const QString& cell : cells) {
        if (cell.size() < kOwnStringFrom)
            append(cell);
        else
            appendLong(cell);   // shared with the list, not copied
    }
}

quint32 CellColumn::checkedEnd(qsizetype end)
{
    if (end > qsizetype(std::numeric_limits<quint32>::max()))
        throw std::bad_alloc();
    return quint32(end);
}

qsizetype CellColumn::textSize() const
{
    qsizetype chars = m_text.size();
    for (const LongCell& cell : m_long)
        chars += cell.text.size();
    return chars;
}

QList<CellColumn::LongCell>::const_iterator CellColumn::longFrom(qsizetype row) const
{
    return std::lower_bound(m_long.cbegin(), m_long.cend(), row,
                            [](const LongCell& cell, qsizetype r) { return cell.row < r; });
}

const QString* CellColumn::longAt(qsizetype row) const
{
    const auto it = longFrom(row);
    return it != m_long.cend() && it->row == row ? &it->text : nullptr;
}

QString CellColumn::string(qsizetype row) const
{
    if (const QString* text = m_long.isEmpty() ? nullptr : longAt(row))
        return *text;
    return at(row).toString();
}

QStringList CellColumn::toList() const
{
    QStringList cells;
    cells.reserve(size());
    for (qsizetype r = 0; r < size(); ++r)
        cells.append(string(r));
    return cells;
}

bool operator==(const CellColumn& a, const CellColumn& b)
{
    return a.isSharedWith(b) || (a.m_ends == b.m_ends && a.m_text == b.m_text && a.m_long == b.m_long);
}

template <typename View>
void CellColumn::appendText(View text)
{
    if (text.size() >= kOwnStringFrom)
        return appendLong(text.toString());
    const quint32 end = checkedEnd(m_text.size() + text.size());
    m_text.append(text);
    m_ends.append(end);
}

void CellColumn::append(QStringView text)
{
    appendText(text);
}

void CellColumn::append(QLatin1StringView text)
{
    appendText(text);
}

void CellColumn::appendLong(const QString& text)
{
    m_long.append({size(), text});
    m_ends.append(checkedEnd(m_text.size()));
}

void CellColumn::set(qsizetype row, QStringView text)
{
    if (same(at(row), text))
        return;
    // `text` may be a view into this very column: it is copied before anything changes.
    store(row, text.toString());
}

void CellColumn::set(qsizetype row, const QString& text)
{
    if (!same(at(row), text))
        store(row, text);
}

void CellColumn::store(qsizetype row, const QString& text)
{
    const bool isLong = text.size() >= kOwnStringFrom;
    // Both parts are written from a string of the caller's, never from a
    // view into the column itself.
    setPacked(row, isLong ? QStringView() : QStringView(text));
    setLong(row, isLong ? &text : nullptr);
}

void CellColumn::setPacked(qsizetype row, QStringView text)
{
    const qsizetype begin = startOf(row);
    const qsizetype oldSize = m_ends.at(row) - begin;
    if (oldSize == 0 && text.isEmpty())
        return;
    const qsizetype delta = text.size() - oldSize;
    checkedEnd(m_text.size() + delta);
    m_text.replace(begin, oldSize, text.toString());
    if (delta != 0) {
        for (qsizetype r = row; r < m_ends.size(); ++r)
            m_ends[r] = quint32(m_ends[r] + delta);
    }
}

void CellColumn::setLong(qsizetype row, const QString* text)
{
    const qsizetype at = longFrom(row) - m_long.cbegin();
    const bool present = at < m_long.size() && m_long.at(at).row == row;
    if (text && present)
        m_long[at].text = *text;
    else if (text)
        m_long.insert(at, {row, *text});
    else if (present)
        m_long.removeAt(at);
}

CellColumn CellColumn::mid(qsizetype row, qsizetype count) const
{
    row = std::clamp<qsizetype>(row, 0, size());
    count = std::clamp<qsizetype>(count, 0, size() - row);
    CellColumn part;
    const qsizetype begin = startOf(row);
    const qsizetype end = startOf(row + count);
    part.m_text = m_text.mid(begin, end - begin);
    part.m_ends.reserve(count);
    for (qsizetype r = row; r < row + count; ++r)
        part.m_ends.append(quint32(m_ends.at(r) - begin));
    for (auto it = longFrom(row); it != m_long.cend() && it->row < row + count; ++it)
        part.m_long.append({it->row - row, it->text});
    return part;
}

void CellColumn::splice(qsizetype row, qsizetype count, const CellColumn& cells)
{
    row = std::clamp<qsizetype>(row, 0, size());
    count = std::clamp<qsizetype>(count, 0, size() - row);
    const qsizetype begin = startOf(row);
    const qsizetype oldEnd = startOf(row + count);
    const qsizetype delta = cells.m_text.size() - (oldEnd - begin);
    checkedEnd(m_text.size() + delta);

    // `cells` may be this very column: its parts are read before anything changes.
    const QString text = cells.m_text;
    const QList<quint32> cellEnds = cells.m_ends;
    const QList<LongCell> cellLong = cells.m_long;
    const qsizetype shift = cellEnds.size() - count;

    m_text.replace(begin, oldEnd - begin, text);
    QList<quint32> ends;
    ends.reserve(size() + shift);
    ends.append(m_ends.first(row));
    for (const quint32 end : cellEnds)
        ends.append(quint32(begin + end));
    for (qsizetype r = row + count; r < size(); ++r)
        ends.append(quint32(m_ends.at(r) + delta));
    m_ends = std::move(ends);

    if (m_long.isEmpty() && cellLong.isEmpty())
        return;
    QList<LongCell> longCells;
    for (const LongCell& cell : std::as_const(m_long)) {
        if (cell.row < row)
            longCells.append(cell);
    }
    for (const LongCell& cell : cellLong)
        longCells.append({row + cell.row, cell.text});
    for (const LongCell& cell : std::as_const(m_long)) {
        if (cell.row >= row + count)
            longCells.append({cell.row + shift, cell.text});
    }
    m_long = std::move(longCells);
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
        m_text.truncate(startOf(rows));
        m_ends.resize(rows);
        m_long.erase(longFrom(rows), m_long.cend());
        return;
    }
    m_ends.resize(rows, quint32(m_text.size()));
}

void CellColumn::reserve(qsizetype rows, const CellColumn& like)
{
    m_ends.reserve(rows);
    m_text.reserve(like.m_text.size());
}

void CellColumn::squeeze()
{
    m_ends.squeeze();
    m_text.squeeze();
}
