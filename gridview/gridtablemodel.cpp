#include "gridview/gridtablemodel.h"

#include "grid/griddata.h"
#include "grid/printlayout.h"

GridTableModel::GridTableModel(GridData& grid, QObject* parent)
    : QAbstractTableModel(parent)
    , m_grid(grid)
    , m_cols(grid.colCount())
    , m_rows(grid.rowCount())
{
}

int GridTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int GridTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_cols;
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const QString text = m_grid.cell(index.column(), index.row());
    return role == Qt::DisplayRole ? PrintLayout::shownPart(text) : text;
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    return PrintLayout::shownPart(orientation == Qt::Horizontal ? m_grid.cell(section, 0) : m_grid.cell(0, section));
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.row() == 0 || index.column() == 0)
        return Qt::ItemIsEnabled;
    // A text longer than it shows is not edited in place: the editor would
    // hold only part of it and save that part back at the first keystroke.
    if (m_grid.cell(index.column(), index.row()).size() > PrintLayout::kMaxShownChars)
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool GridTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const QString text = value.toString();
    if (m_grid.cell(index.column(), index.row()) == text)
        return true;
    m_grid.setCell(index.column(), index.row(), text);
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    emit cellTextEdited(index.column(), index.row(), text);
    return true;
}

void GridTableModel::textsChanged()
{
    if (m_rows == 0 || m_cols == 0)
        return;
    emit dataChanged(index(0, 0), index(m_rows - 1, m_cols - 1), {Qt::DisplayRole, Qt::EditRole});
    emit headerDataChanged(Qt::Horizontal, 0, m_cols - 1);
    emit headerDataChanged(Qt::Vertical, 0, m_rows - 1);
}

void GridTableModel::shapeChanged()
{
    beginResetModel();
    m_cols = m_grid.colCount();
    m_rows = m_grid.rowCount();
    endResetModel();
}

bool GridTableModel::moveDataColumn(int from, int to)
{
    if (from < 1 || to < 1 || from >= m_cols || to >= m_cols || from == to)
        return false;
    m_grid.moveColumn(from, to);
    textsChanged();
    return true;
}
