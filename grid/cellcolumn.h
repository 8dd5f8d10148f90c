#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <iterator>

// One column of the grid's texts, packed: all its cells one after another in
// one string, and where each ends. A schedule is thousands of short texts; a
// string of its own each cost more than twice the memory of the text.
//
// Implicitly shared like Qt's containers: a copy costs two reference counts,
// and columns a change did not touch stay shared with the undo history.
// Views into a column are valid until the column changes.
class CellColumn
{
public:
    CellColumn() = default;
    explicit CellColumn(qsizetype rows);   // that many empty cells
    CellColumn(const QStringList& cells);  // NOLINT: a list is a column's natural literal

    qsizetype size() const { return m_ends.size(); }
    qsizetype textSize() const { return m_text.size(); }   // all cells' characters
    qsizetype textCapacity() const { return m_text.capacity(); }
    QStringView at(qsizetype row) const
    {
        const qsizetype begin = row > 0 ? m_ends.at(row - 1) : 0;
        return QStringView(m_text).sliced(begin, m_ends.at(row) - begin);
    }
    QStringView operator[](qsizetype row) const { return at(row); }
    QStringList toList() const;

    void append(QStringView text);
    void append(QLatin1StringView text);
    void set(qsizetype row, QStringView text);
    // `count` cells from `row` on, as a column of their own.
    CellColumn mid(qsizetype row, qsizetype count) const;
    // Takes out `count` cells at `row` and puts `cells` in their place.
    void splice(qsizetype row, qsizetype count, const CellColumn& cells);
    void insert(qsizetype row, QStringView text);
    void removeAt(qsizetype row) { splice(row, 1, {}); }
    // Cut, or padded with empty cells.
    void resize(qsizetype rows);
    // Room for a column being built cell by cell; squeeze() gives back what
    // was not used.
    void reserve(qsizetype rows, qsizetype chars);
    void squeeze();

    bool isSharedWith(const CellColumn& other) const
    {
        return m_ends.isSharedWith(other.m_ends) && m_text.isSharedWith(other.m_text);
    }
    friend bool operator==(const CellColumn& a, const CellColumn& b)
    {
        return a.isSharedWith(b) || (a.m_ends == b.m_ends && a.m_text == b.m_text);
    }
    friend bool operator!=(const CellColumn& a, const CellColumn& b) { return !(a == b); }

    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = QStringView;
        using difference_type = qsizetype;
        using pointer = void;
        using reference = QStringView;

        const_iterator() = default;
        const_iterator(const CellColumn* column, qsizetype row) : m_column(column), m_row(row) {}
        QStringView operator*() const { return m_column->at(m_row); }
        const_iterator& operator++()
        {
            ++m_row;
            return *this;
        }
        const_iterator operator++(int)
        {
            const const_iterator was = *this;
            ++m_row;
            return was;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.m_row == b.m_row; }
        friend bool operator!=(const const_iterator& a, const const_iterator& b) { return a.m_row != b.m_row; }

    private:
        const CellColumn* m_column = nullptr;
        qsizetype m_row = 0;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }

private:
    // A cell's end, and so the next cell's start. 32 bits halve what the
    // column spends beside its text; a column of over 4 G characters
    // (8 GB) is refused as an allocation that failed.
    static quint32 checkedEnd(qsizetype end);

    QString m_text;
    QList<quint32> m_ends;
};
Q_DECLARE_TYPEINFO(CellColumn, Q_RELOCATABLE_TYPE);
