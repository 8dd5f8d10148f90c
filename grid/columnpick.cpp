#include "grid/grideditor.h"

#include "grid/griddata.h"
#include "grid/griddocument.h"
#include "base/preferences.h"

// Column-menu picks and the advance to the next cell: the part of the
// editor that fills a row from left to right.

QString gridGestureHint()
{
    return QStringLiteral("Right-click: the column's menu    Ctrl+right-click: operations, colours, undo    "
                          "Shift+right-click: column data setup");
}

GridMenu chooseGridMenu(bool rightButton, bool updating, bool ctrl, bool shift, bool cellFocused)
{
    if (!rightButton)
        return GridMenu::None;
    if (!updating)
        return GridMenu::Update;
    if (ctrl)
        return GridMenu::Operations;
    if (shift)
        return GridMenu::Setup;
    return cellFocused ? GridMenu::Column : GridMenu::ClickColumnFirst;
}

AdvanceResult GridEditor::advanceTarget()
{
    AdvanceResult out;
    m_target.rx() += 1;
    const bool rowGone = m_target.y() < 1 || m_target.y() >= m_grid.rowCount();
    if (m_target.x() >= m_grid.colCount() || rowGone) {
        clearSelection();
        out.focusToToolbar = true;
        return out;
    }
    selectCell(m_target.x(), m_target.y());
    out.menuColumn = true;
    out.column = m_target.x();
    out.openMenu = m_prefs.autoMenu;
    return out;
}

bool GridEditor::writeTarget(const QString& value)
{
    const bool dataCell = m_target.x() >= 1 && m_target.x() < m_grid.colCount() && m_target.y() >= 1
        && m_target.y() < m_grid.rowCount();
    if (!dataCell || m_grid.cell(m_target.x(), m_target.y()) == value)
        return false;
    m_grid.setCell(m_target.x(), m_target.y(), value);
    m_document.publish();
    return true;
}

PickResult GridEditor::pickColumnItem(const ColumnMenuItem& item)
{
    PickResult out;
    if (item.kind == ColumnMenuItem::Head)
        return out;

    const QString& caption = item.caption;
    if (caption == u"UPDATE OFF") {
        out.action = PickResult::EndSession;
        return out;
    }
    if (caption == u"DATE/TIME") {
        out.action = PickResult::OpenDateTime;
        return out;
    }

    out.action = PickResult::Advanced;
    if (caption == u"SKIP CELL") {
        if (m_prefs.autoMenu) {
            out.advance = advanceTarget();
            return out;
        }
        m_target.rx() += 1;
        if (m_target.x() < m_grid.colCount() && m_target.y() >= 1 && m_target.y() < m_grid.rowCount()) {
            selectCell(m_target.x(), m_target.y());
            out.advance.column = m_target.x();
        } else {
            clearSelection();
        }
        return out;
    }

    out.changed = writeTarget(caption == u"CLEAR CELL" ? QString() : caption);
    out.recomputeWidths = true;
    out.advance = advanceTarget();
    return out;
}
