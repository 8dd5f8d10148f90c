#include "grid/grideditor.h"

#include "grid/colorcodes.h"
#include "grid/griddata.h"
#include "grid/griddocument.h"
#include "grid/printlayout.h"
#include "base/preferences.h"
#include "base/services.h"

#include <algorithm>

namespace {

// Including the title row: 254 data rows.
constexpr int kMaxRows = 255;

// Where the pointer goes for a notice: the desktop's centre, 33 pixels down.
const QPoint kCentral{0, 33};
const QPoint kAskRow{30, 35};
const QPoint kAskColumn{30, 33};

const QString kClickRow = QStringLiteral("Click on a row first.");
const QString kClickColumn = QStringLiteral("Click on a column first.");
const QString kClickCell = QStringLiteral("Click on a cell first.");
const QString kMaxRowsWarning = QStringLiteral("Maximum rows = 254. Row not appended. ");

} // namespace

GridEditor::GridEditor(GridDocument& document, const Preferences& prefs, Messages& messages, CellFocus* focus)
    : m_document(document), m_grid(document.draft()), m_prefs(prefs), m_messages(messages)
    , m_focus(focus ? *focus : m_ownFocus)
{
}

bool GridEditor::typable(const GridData& grid, int col, int row)
{
    return col >= 1 && row >= 1 && col < grid.colCount() && row < grid.rowCount()
        && grid.cell(col, row).size() <= PrintLayout::kMaxShownChars;
}

bool GridEditor::typeIntoCell(int col, int row, const QString& text)
{
    if (!typable(m_grid, col, row))
        return false;
    m_grid.setCell(col, row, text);
    m_document.publish();
    return true;
}

void GridEditor::selectCell(int col, int row)
{
    m_target = QPoint(col, row);
    m_focus.setCell(m_target);
}

void GridEditor::clearSelection()
{
    m_focus.setCell(std::nullopt);
}

void GridEditor::disablePasteItems()
{
    m_pasteRowEnabled = false;
    m_pasteCellEnabled = false;
}

// The focused cell when it still lies on a data cell: a focus left behind by
// a grid that has since shrunk must not reach the title row, the fixed
// column or cells that are no longer there.
std::optional<QPoint> GridEditor::focusedDataCell() const
{
    const std::optional<QPoint> focus = m_focus.cell();
    if (!focus)
        return std::nullopt;
    const QPoint p = *focus;
    if (p.x() < 1 || p.x() >= m_grid.colCount() || p.y() < 1 || p.y() >= m_grid.rowCount())
        return std::nullopt;
    return p;
}

GridEditor::Outcome GridEditor::tell(const QString& text)
{
    m_messages.show(MessageKind::Information, text, kCentral);
    Outcome out;
    out.focusToToolbar = true;
    return out;
}

void GridEditor::appendEmptyRow()
{
    m_grid.insertRow(m_grid.rowCount() + 1);
    // A new row starts without colour, whatever an earlier, larger grid left
    // at that index.
    m_grid.setRowColor(m_grid.rowCount() - 1, 0);
}

void GridEditor::removeRowMovingColors(int row)
{
    m_grid.removeRow(row + 1);
    m_grid.setRowColor(row, 0);
    const int last = std::min(m_grid.rowCount(), GridData::kColorRows);
    for (int r = row + 1; r <= last; ++r) {
        m_grid.setRowColor(r - 1, m_grid.rowColor(r));
        m_grid.setRowColor(r, 0);
    }
}

GridEditor::Outcome GridEditor::run(Command c)
{
    const Outcome out = runUnpublished(c);
    m_document.publish();
    return out;
}

GridEditor::Outcome GridEditor::runUnpublished(Command c)
{
    switch (c) {
    case Command::CopyRow: return copyRow();
    case Command::CopyCell: return copyCell();
    case Command::PasteRow: return pasteRow();
    case Command::PasteCell: return pasteCell();
    case Command::AddRow: return addRow();
    case Command::AddColumn: return addColumn();
    case Command::InsertRow: return insertRow();
    case Command::InsertColumn: return insertColumn();
    case Command::InsertCell: return insertCell();
    case Command::ClearRow: return clearRow();
    case Command::ClearColumn: return clearColumn();
    case Command::ClearCell: return clearCell();
    case Command::DeleteRow: return deleteRow();
    case Command::DeleteColumn: return deleteColumn();
    case Command::DeleteCell: return deleteCell();
    case Command::DeleteBlankLines: return deleteBlankLines();
    case Command::IncrementColumn: return incrementColumn();
    case Command::ClearGridColors: return clearGridColors();
    case Command::AlternateColors: return alternateColors();
    }
    return {};
}

GridEditor::Outcome GridEditor::copyRow()
{
    Outcome out;
    const auto f = focusedDataCell();
    if (!f)
        return tell(kClickRow);
    m_copyBuffer.clear();
    m_pasteRowEnabled = true;
    m_pasteCellEnabled = false;
    for (int c = 1; c < m_grid.colCount(); ++c)
        m_copyBuffer += m_grid.cell(c, f->y()) + u'~';
    m_bufferedColor = m_grid.rowColor(f->y());
    clearSelection();
    out.focusToToolbar = true;
    return out;
}

GridEditor::Outcome GridEditor::copyCell()
{
    Outcome out;
    const auto f = focusedDataCell();
    if (!f)
        return tell(kClickCell);
    m_pasteRowEnabled = false;
    m_pasteCellEnabled = true;
    m_copyBuffer = m_grid.cell(f->x(), f->y());
    clearSelection();
    out.focusToToolbar = true;
    return out;
}

GridEditor::Outcome GridEditor::pasteRow()
{
    Outcome out;
    const auto f = focusedDataCell();
    if (!f)
        return tell(kClickRow);
    QStringView rest = m_copyBuffer;
    for (int c = 1; c < m_grid.colCount(); ++c) {
        const qsizetype tilde = rest.indexOf(u'~');
        if (tilde < 0) {
            m_grid.setCell(c, f->y(), QString());
            rest = {};
        } else {
            m_grid.setCell(c, f->y(), rest.left(tilde).toString());
            rest = rest.mid(tilde + 1);
        }
    }
    colorFocusedRow(m_bufferedColor);
    clearSelection();
    out.changed = out.recomputeWidths = out.focusToToolbar = true;
    return out;
}

GridEditor::Outcome GridEditor::pasteCell()
{
    Outcome out;
    const auto f = focusedDataCell();
    if (!f)
        return tell(kClickCell);
    m_grid.setCell(f->x(), f->y(), m_copyBuffer);
    clearSelection();
    out.changed = out.recomputeWidths = out.focusToToolbar = true;
    return out;
}

GridEditor::Outcome GridEditor::addRow()
{
    Outcome out;
    if (m_grid.rowCount() > kMaxRows - 1) {
        m_messages.show(MessageKind::Warning, kMaxRowsWarning, kCentral);
        return out;
    }
    appendEmptyRow();
    clearSelection();
    out.changed = out.focusToToolbar = true;
    return out;
}

GridEditor::Outcome GridEditor::addColumn()
{
    Outcome out;
    m_grid.insertColumn(m_grid.colCount() + 1);
    clearSelection();
    out.changed = out.focusToToolbar = true;
    return out;
}

GridEditor::Outcome GridEditor::insertRow()
{
    Outcome out;
    if (m_grid.rowCount() >= kMaxRows) {
        m_messages.show(MessageKind::Warning, kMaxRowsWarning, kCentral);
        return out;
    }
    const auto f = focusedDataCell();
    if (!f)
        return tell(kClickRow);
    const int at = f->y();
    m_grid.insertRow(at + 1);
    for (int r = std::min(m_grid.rowCount(), GridData::kColorRows - 1); r >= at; --r) {
        m_grid.setRowColor(r + 1, m_grid.rowColor(r));
        m_grid.setRowColor(r, 0);
    }
    clearSelection();
    out.changed = out.focusToToolbar = true;
    return out;
}

GridEditor::Outcome GridEditor::insertColumn()
{
    Outcome out;
    const auto f = focusedDataCell();
    if (!f)
        return tell(kClickColumn);
    m_grid.insertColumn(f->x() + 1);
    clearSelection();
    out.changed = out.recomputeWidths = out.focusToToolbar = true;
    return out;
}

GridEditor::Outcome GridEditor::insertCell()
{
    Outcome out;
    const auto f = focusedDataCell();
    if (!f)
        return tell(kClickCell);
    if (m_grid.rowCount() >= kMaxRows) {
        m_messages.show(MessageKind::Warning, kMaxRowsWarning, kCentral);
        return out;
    }
    // While a cell is focused the target is that cell.
    const int col = f->x();
    const int row = f->y();
    appendEmptyRow();
    CellColumn cells = m_grid.column(col);
    cells.insert(row, {});
    m_grid.setColumn(col, cells);
    clearSelection();
    out.changed = out.recomputeWidths = out.focusToToolbar = true;
    return out;
}

bool GridEditor::stillEditing() const
{
    return !m_stillEditing || m_stillEditing();
}

bool GridEditor::confirm(const QString& question, QPoint offset)
{
    return m_messages.askYesNo(question, offset) && stillEditing();
}

GridEditor::Outcome GridEditor::clearRow()
{
    Outcome out;
    const auto f = focusedDataCell();
    if (!f)
        return tell(kClickRow);
    if (!confirm(QStringLiteral("Clear row %1?").arg(rowName(f->y())), kAskRow))
        return out;
    for (int c = 1; c < m_grid.colCount(); ++c)
        m_grid.setCell(c, f->y(), QString());
    if (m_prefs.clearColorWhenClearCell)
        colorFocusedRow(ColorCodes::Clear);
    clearSelection();
    out.changed = out.recomputeWidths = out.focusToToolbar = true;
    return out;
}

GridEditor::Outcome GridEditor::clearColumn()
{
    Outcome out;
    const auto f = focusedDataCell();
    if (!f)
        return tell(kClickRow);
    if (!confirm(QStringLiteral("Clear column %1?").arg(columnName(f->x())), kAskRow))
        return out;
    // Built whole: one cell at a time would move the rest of the column each time.
    CellColumn cells(m_grid.rowCount());
    cells.set(0, m_grid.cellView(f->x(), 0));
    m_grid.setColumn(f->x(), cells);
    colorFocusedRow(ColorCodes::Clear);
    clearSelection();
    out.changed = out.recomputeWidths = out.focusToToolbar = true;
    return out;
}

GridEditor::Outcome GridEditor::clearCell()
{
    Outcome out;
    const auto f = focusedDataCell();
    if (!f)
        return tell(kClickCell);
    m_grid.setCell(f->x(), f->y(), QString());
    clearSelection();
    out.changed = out.recomputeWidths = out.focusToToolbar = true;
    return out;
}

GridEditor::Outcome GridEditor::deleteRow()
{
    Outcome out;
    const auto f = focusedDataCell();
    if (!f)
        return tell(kClickRow);
    if (m_grid.rowCount() <= 2)
        return tell(QStringLiteral("Can't delete all rows."));
    if (m_prefs.askBeforeDeleting && !confirm(QStringLiteral("Delete row %1?").arg(rowName(f->y())), kAskRow))
        return out;
    removeRowMovingColors(f->y());
    clearSelection();
    out.changed = out.recomputeWidths = out.focusToToolbar = true;
    return out;
}

GridEditor::Outcome GridEditor::deleteColumn()
{
    Outcome out;
    const auto f = focusedDataCell();
    if (!f)
        return tell(kClickColumn);
    if (m_grid.colCount() < 3) {
        out = tell(QStringLiteral("Can't delete all column."));
        out.recomputeWidths = true;
        return out;
    }
    if (m_prefs.askBeforeDeleting && !confirm(QStringLiteral("Delete column %1?").arg(columnName(f->x())), kAskColumn))
        return out;
    m_grid.removeColumn(f->x() + 1);
    clearSelection();
    out.changed = out.recomputeWidths = out.focusToToolbar = true;
    return out;
}

GridEditor::Outcome GridEditor::deleteCell()
{
    Outcome out;
    const auto f = focusedDataCell();
    if (!f)
        return tell(kClickCell);
    CellColumn cells = m_grid.column(f->x());
    cells.removeAt(f->y());
    cells.append(QStringView());
    m_grid.setColumn(f->x(), cells);
    clearSelection();
    out.changed = out.recomputeWidths = out.focusToToolbar = true;
    return out;
}

GridEditor::Outcome GridEditor::deleteBlankLines()
{
    Outcome out;
    const int rows = m_grid.rowCount();
    const int cols = m_grid.colCount();

    QList<int> kept{0};
    kept.reserve(rows);
    for (int r = 1; r < rows; ++r) {
        bool blank = true;
        for (int c = 0; c < cols && blank; ++c)
            blank = m_grid.cellView(c, r).isEmpty();
        if (!blank)
            kept.append(r);
    }
    // The title row alone would leave nothing to click and no row to add to;
    // one empty data row stays.
    if (kept.size() == 1 && rows > 1)
        kept.append(1);
    if (kept.size() == rows) {
        clearSelection();
        out.recomputeWidths = out.focusToToolbar = true;
        return out;
    }

    QList<CellColumn> columns;
    columns.reserve(cols);
    for (int c = 0; c < cols; ++c) {
        const CellColumn& old = m_grid.column(c);
        CellColumn cells;
        cells.reserve(kept.size(), old);
        for (int r : kept)
            cells.append(old[r]);
        cells.squeeze();
        columns.append(cells);
    }
    QList<int> colors;
    colors.reserve(kept.size());
    for (int r : kept)
        colors.append(m_grid.rowColor(r));

    m_grid.setSize(cols, int(kept.size()));
    for (int c = 0; c < cols; ++c)
        m_grid.setColumn(c, columns[c]);
    for (int i = 1; i < kept.size(); ++i)
        m_grid.setRowColor(i, colors[i]);
    // The rows that moved up vacate these indices, as repeated Delete Row does.
    for (int r = int(kept.size()); r < rows; ++r)
        m_grid.setRowColor(r, 0);

    clearSelection();
    out.changed = out.recomputeWidths = out.focusToToolbar = true;
    return out;
}

GridEditor::Outcome GridEditor::incrementColumn()
{
    Outcome out;
    if (!confirm(QStringLiteral("Replace column data with incrementing numbers?"), kAskColumn))
        return out;
    const bool symmetrical = m_messages.askYesNo(QStringLiteral("Symmetrical numbers?"), kAskColumn);
    if (!stillEditing())
        return out;
    if (m_grid.colCount() == 1)
        return out;
    const int col = m_target.x();
    if (col < 0 || col >= m_grid.colCount())
        return out;
    const int rows = m_grid.rowCount();
    const int digits = int(QString::number(rows).size());
    CellColumn cells;
    cells.append(m_grid.cellView(col, 0));
    for (int r = 1; r < rows; ++r)
        cells.append(symmetrical ? QStringLiteral("%1").arg(r, digits, 10, QLatin1Char('0')) : QString::number(r));
    cells.squeeze();
    m_grid.setColumn(col, cells);
    out.changed = out.recomputeWidths = true;
    return out;
}

GridEditor::Outcome GridEditor::clearGridColors()
{
    for (int r = 1; r < m_grid.rowCount() && r < GridData::kColorRows; ++r)
        m_grid.setRowColor(r, 0);
    Outcome out;
    out.changed = true;
    return out;
}

GridEditor::Outcome GridEditor::alternateColors()
{
    Outcome out = clearGridColors();
    for (int r = 1; r < m_grid.rowCount() && r < GridData::kColorRows; ++r)
        m_grid.setRowColor(r, r % 2 ? ColorCodes::Blue : ColorCodes::Clear);
    return out;
}

GridEditor::Outcome GridEditor::colorCommand(int code)
{
    Outcome out;
    if (code < 1 || code > GridData::kMaxColorCode)
        return out;
    if (!focusedDataCell())
        return tell(kClickRow);
    colorFocusedRow(code);
    out.changed = true;
    // Orange keeps the cell focused so that another colour may follow at once.
    if (code != ColorCodes::Orange) {
        clearSelection();
        out.focusToToolbar = true;
    }
    return out;
}

void GridEditor::colorFocusedRow(int code)
{
    const auto f = focusedDataCell();
    if (!f)
        return;
    m_grid.setRowColor(f->y(), 0);
    if (code >= 1 && code <= GridData::kMaxColorCode)
        m_grid.setRowColor(f->y(), code);
    m_document.publish();
}

QString GridEditor::columnName(int col) const
{
    // A column is known by its title; an untitled one by its place.
    const QString title = m_grid.cell(col, 0).trimmed();
    return title.isEmpty() ? QStringLiteral("%1").arg(col) : u'\'' + title + u'\'';
}

QString GridEditor::rowName(int row) const
{
    const QString fixed = m_grid.cell(0, row).trimmed();
    return fixed.isEmpty() ? QStringLiteral("%1").arg(row) : u'\'' + fixed + u'\'';
}

QString GridEditor::stepLabel(Command c) const
{
    QString base = caption(c);
    if (const qsizetype shortcutAt = base.indexOf(QStringLiteral("  (")); shortcutAt >= 0)
        base.truncate(shortcutAt);
    const std::optional<QPoint> focus = m_focus.cell();
    if (!focus)
        return base;
    switch (c) {
    case Command::PasteRow:
    case Command::InsertRow:
    case Command::ClearRow:
    case Command::DeleteRow:
        return base + u' ' + rowName(focus->y());
    case Command::PasteCell:
    case Command::InsertColumn:
    case Command::InsertCell:
    case Command::ClearColumn:
    case Command::ClearCell:
    case Command::DeleteColumn:
    case Command::DeleteCell:
    case Command::IncrementColumn:
        return base + u' ' + columnName(focus->x());
    default:
        return base;
    }
}
