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
// Cells longer than kOwnStringFrom keep a string of their own, shared as Qt
// shares strings: otherwise every edit of the column would copy a cell of
// megabytes, and every pasted copy of it would be one more.
//
// Implicitly shared like Qt's containers: a copy costs a few reference
// counts, and columns a change did not touch stay shared with the undo
// history. Views into a column are valid until the column changes.
class CellColumn
{
public:
    static constexpr qsizetype kOwnStringFrom = 1024;

    CellColumn() = default;
    explicit CellColumn(qsizetype rows);   // that many empty cells
    CellColumn(const QStringList& cells);  // NOLINT: a list is a column's natural literal

    qsizetype size() const { return m_ends.size(); }
    qsizetype textSize() const;   // all cells' characters
    // Room the packed string holds beyond its text.
    qsizetype unusedCapacity() const { return m_text.capacity() - m_text.size(); }
    QStringView at(qsizetype row) const
    {
        const qsizetype begin = startOf(row);
        if (m_ends.at(row) == begin && !m_long.isEmpty()) {
            const QString* text = longAt(row);
            return text ? QStringView(*text) : QStringView();
        }
        return QStringView(m_text).sliced(begin, m_ends.at(row) - begin);
    }
    QStringView operator[](qsizetype row) const { return at(row); }
    // The cell as a string; a long one shared, not copied.
    QString string(qsizetype row) const;
    QStringList toList() const;
    // Equal texts, at once when both view the same characters.
    static bool same(QStringView a, QStringView b) { return (a.data() == b.data() && a.size() == b.size()) || a == b; }

    void append(QStringView text);
    void append(QLatin1StringView text);
    void set(qsizetype row, QStringView text);
    void set(qsizetype row, const QString& text);
    // `count` cells from `row` on, as a column of their own.
    CellColumn mid(qsizetype row, qsizetype count) const;
    // Takes out `count` cells at `row` and puts `cells` in their place.
    void splice(qsizetype row, qsizetype count, const CellColumn& cells);
    void insert(qsizetype row, QStringView text);
    void removeAt(qsizetype row) { splice(row, 1, {}); }
    // Cut, or padded with empty cells.
    void resize(qsizetype rows);
    // Room for a column being built cell by cell: `rows` cells and as much
    // packed text as `like` holds. squeeze() gives back what was not used.
    void reserve(qsizetype rows, const CellColumn& like);
    void squeeze();

    bool isSharedWith(const CellColumn& other) const
    {
        return m_ends.isSharedWith(other.m_ends) && m_text.isSharedWith(other.m_text)
            && m_long.isSharedWith(other.m_long);
    }
    friend bool operator==(const CellColumn& a, const CellColumn& b);
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
    struct LongCell
    {
        qsizetype row = 0;
        QString text;
        friend bool operator==(const LongCell& a, const LongCell& b)
        {
            return a.row == b.row && (a.text.isSharedWith(b.text) || a.text == b.text);
        }
    };
    // A cell's end, and so the next cell's start. 32 bits halve what the
    // column spends beside its text; packed text of over 4 G characters
    // (8 GB) is refused as an allocation that failed.
    static quint32 checkedEnd(qsizetype end);
    // Where the cell at `row` starts in the packed text (its end for row size()).
    qsizetype startOf(qsizetype row) const { return row > 0 ? m_ends.at(row - 1) : 0; }
    template <typename View>
    void appendText(View text);
    void appendLong(const QString& text);
    // The long cell's string at `row`, or null.
    const QString* longAt(qsizetype row) const;
    // The first long cell at or below `row`.
    QList<LongCell>::const_iterator longFrom(qsizetype row) const;
    // Sets a cell known to change.
    void store(qsizetype row, const QString& text);
    void setPacked(qsizetype row, QStringView text);
    void setLong(qsizetype row, const QString* text);

    QString m_text;
    QList<quint32> m_ends;     // a long cell ends where it starts
    QList<LongCell> m_long;    // by row
};
Q_DECLARE_TYPEINFO(CellColumn, Q_RELOCATABLE_TYPE);
