#include "store/csvimport.h"

#include "grid/colorcodes.h"
#include "store/textfile.h"

#include <QHash>

#include <algorithm>

namespace CsvImport {

namespace {

// A colour code from its word, in any case; 0 for an empty word, -1 for
// one that names no colour.
int colorCode(const QString& word)
{
    if (word.isEmpty())
        return 0;
    // The words list records take ("White", "clear"), then any case of the first.
    if (const int named = ColorCodes::fromName(word); named > 0)
        return named;
    for (int code = 1; code <= GridData::kMaxColorCode; ++code)
        if (ColorCodes::recordWord(code).compare(word, Qt::CaseInsensitive) == 0)
            return code;
    return -1;
}

// No text in the data cells and no colour: the fixed cell may still hold
// the row's number, which a new line's own name replaces.
bool rowEmpty(const GridData& grid, int row)
{
    for (int c = 1; c < grid.colCount(); ++c)
        if (!grid.cellView(c, row).isEmpty())
            return false;
    return grid.rowColor(row) == 0;
}

class Planner
{
public:
    Planner(const GridData& grid, const CsvFile::Table& table) : m_grid(grid), m_table(table) {}
    Plan run();

private:
    void matchColumns();
    // The grid row for every line; lines without one get rows after the
    // grid's last (rowCount and up). Returns how many were appended.
    int pairRows();
    void applyLine(int i);
    QString cellText(int i, int field, int col);
    void note(const QString& text);
    QStringList& cellsOf(int col);

    const GridData& m_grid;
    const CsvFile::Table& m_table;
    Plan m_plan;
    QList<int> m_columnOf;      // grid column of each field, -1 for none
    int m_colorField = -1;
    QList<int> m_rowOf;         // grid row of each line
    QList<bool> m_isNew;
    // The result's columns the lines write to, as lists: a line writes one
    // cell of each, and a packed column would be rebuilt for every cell.
    QList<QStringList> m_columns;
};

void Planner::matchColumns()
{
    const QStringList& header = m_table.header;
    m_columnOf = QList<int>(header.size(), -1);
    QList<bool> taken(m_grid.colCount(), false);
    m_columnOf[0] = 0;
    taken[0] = true;
    for (int f = 1; f < header.size(); ++f) {
        const QString title = header[f].trimmed();
        for (int c = 1; c < m_grid.colCount() && m_columnOf[f] < 0; ++c)
            if (!taken[c] && m_grid.cell(c, 0).trimmed().compare(title, Qt::CaseInsensitive) == 0) {
                m_columnOf[f] = c;
                taken[c] = true;
            }
        if (m_columnOf[f] >= 0)
            continue;
        if (m_colorField < 0 && title.compare(colorTitle(), Qt::CaseInsensitive) == 0)
            m_colorField = f;
        else
            m_plan.unknownColumns.append(title.isEmpty() ? QStringLiteral("column %1 (no title)").arg(f + 1) : title);
    }
}

int Planner::pairRows()
{
    QHash<QString, QList<int>> rowsNamed;
    for (int r = 1; r < m_grid.rowCount(); ++r)
        rowsNamed[m_grid.cell(0, r).trimmed()].append(r);
    QHash<QString, int> used;
    QList<bool> paired(m_grid.rowCount(), false);
    m_rowOf = QList<int>(m_table.rows.size(), -1);
    m_isNew = QList<bool>(m_table.rows.size(), false);
    for (int i = 0; i < m_table.rows.size(); ++i) {
        const QString name = m_table.rows[i].value(0).trimmed();
        const int n = used[name]++;
        const QList<int> rows = rowsNamed.value(name);
        if (n < rows.size())
            paired[m_rowOf[i] = rows[n]] = true;
    }
    // The empty rows at the bottom, none of them matched, take new lines first.
    int next = m_grid.rowCount();
    while (next - 1 >= 1 && !paired[next - 1] && rowEmpty(m_grid, next - 1))
        --next;
    int appended = 0;
    for (int i = 0; i < m_rowOf.size(); ++i) {
        if (m_rowOf[i] >= 0)
            continue;
        m_isNew[i] = true;
        ++m_plan.added;
        if (next >= m_grid.rowCount())
            ++appended;
        if (next > kMaxDataRows)
            ++m_plan.notFitting;
        m_rowOf[i] = next++;
    }
    return appended;
}

void Planner::note(const QString& text)
{
    if (m_plan.notes.size() < kMaxNotes)
        m_plan.notes.append(text);
    else
        ++m_plan.notesLeftOut;
}

QString Planner::cellText(int i, int field, int col)
{
    QString text = m_table.rows[i][field];
    const int line = m_table.lines.value(i);
    if (text.contains(u'\n')) {
        text.replace(u'\n', u' ');
        note(QStringLiteral("Line %1, %2: a cell holds one line; its line breaks become spaces.")
                                .arg(line).arg(columnName(m_grid, col)));
    }
    const QStringList unstorable = TextFile::unencodable(text);
    if (!unstorable.isEmpty()) {
        note(QStringLiteral("Line %1, %2: %3 cannot be stored in the data files and would be saved as \"?\".")
                                .arg(line).arg(columnName(m_grid, col), unstorable.join(u' ')));
        text = TextFile::decode(TextFile::encode(text));
    }
    return text;
}

void Planner::applyLine(int i)
{
    const int row = m_rowOf[i];
    const int line = m_table.lines.value(i);
    bool changed = false;
    for (int f = 0; f < m_columnOf.size(); ++f) {
        const int col = m_columnOf[f];
        // A matched row keeps its own spelling of its name.
        if (col < 0 || (col == 0 && !m_isNew[i]))
            continue;
        const QString text = cellText(i, f, col);
        QStringList& cells = cellsOf(col);
        const QString before = cells[row];
        if (text == before)
            continue;
        cells[row] = text;
        m_plan.changes.append({row, col, line, m_isNew[i], before, text});
        changed = true;
    }
    if (m_colorField >= 0) {
        const QString word = m_table.rows[i][m_colorField].trimmed();
        const int code = colorCode(word);
        const int before = m_plan.result.rowColor(row);
        if (code < 0 || row >= GridData::kColorRows) {
            note(code < 0 ? QStringLiteral("Line %1: \"%2\" is not a row colour; the row keeps its colour.")
                                               .arg(line).arg(word)
                                         : QStringLiteral("Line %1: rows below the 255th have no colour.").arg(line));
        } else if (code != before) {
            m_plan.result.setRowColor(row, code);
            m_plan.changes.append(
                {row, -1, line, m_isNew[i], ColorCodes::recordWord(before), ColorCodes::recordWord(code)});
            changed = true;
        }
    }
    if (changed && !m_isNew[i])
        ++m_plan.replaced;
}

Plan Planner::run()
{
    m_plan.result = m_grid;
    if (m_table.header.isEmpty() || m_grid.colCount() == 0)
        return m_plan;
    matchColumns();
    const int appended = pairRows();
    if (!m_plan.fits())
        return m_plan;
    m_plan.result.setSize(m_grid.colCount(), m_grid.rowCount() + appended);
    m_columns.resize(m_grid.colCount());
    for (int i = 0; i < m_table.rows.size(); ++i)
        applyLine(i);
    for (int c = 0; c < m_columns.size(); ++c) {
        if (!m_columns[c].isEmpty())
            m_plan.result.setColumn(c, m_columns[c]);
    }
    return m_plan;
}

QStringList& Planner::cellsOf(int col)
{
    if (m_columns[col].isEmpty())
        m_columns[col] = m_plan.result.column(col).toList();
    return m_columns[col];
}

} // namespace

QString colorTitle()
{
    return QStringLiteral("Row Color");
}

QList<QStringList> exportRows(const GridData& grid, bool withColors)
{
    QList<QStringList> rows;
    rows.reserve(grid.rowCount());
    for (int r = 0; r < grid.rowCount(); ++r) {
        QStringList row;
        row.reserve(grid.colCount() + 1);
        for (int c = 0; c < grid.colCount(); ++c)
            row.append(grid.cell(c, r));
        if (withColors)
            row.append(r == 0 ? colorTitle() : ColorCodes::recordWord(grid.rowColor(r)));
        rows.append(row);
    }
    return rows;
}

int Plan::cellsChanged() const
{
    return int(std::count_if(changes.cbegin(), changes.cend(), [](const Change& c) { return c.col >= 0; }));
}

Plan plan(const GridData& grid, const CsvFile::Table& table)
{
    return Planner(grid, table).run();
}

QString columnName(const GridData& grid, int col)
{
    if (col < 0)
        return colorTitle();
    const QString title = grid.cell(col, 0).trimmed();
    if (!title.isEmpty())
        return title;
    return col == 0 ? QStringLiteral("Fixed Left Column") : QStringLiteral("column %1").arg(col + 1);
}

} // namespace CsvImport
