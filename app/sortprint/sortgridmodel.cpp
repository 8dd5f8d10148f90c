#include "app/sortprint/sortgridmodel.h"

#include "grid/griddata.h"
#include "grid/printlayout.h"

#include <algorithm>

SortGridModel::SortGridModel(const GridData& grid, QObject* parent) : QAbstractTableModel(parent), m_grid(grid) {}

int SortGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : std::max(0, m_grid.rowCount() - 1);
}

int SortGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_grid.colCount();
}

QVariant SortGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    // Laying out a huge cell at every paint would freeze the dialog.
    return PrintLayout::shownPart(m_grid.cell(index.column(), index.row() + 1));
}

QVariant SortGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return PrintLayout::shownPart(m_grid.cell(section, 0));
}

Qt::ItemFlags SortGridModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void SortGridModel::reset()
{
    beginResetModel();
    endResetModel();
}
