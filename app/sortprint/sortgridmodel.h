#pragma once

#include <QAbstractTableModel>

class GridData;

// The sort dialog's copy of the grid as a table: its data rows, with the
// title row as the header. The copy must outlive the model.
class SortGridModel final : public QAbstractTableModel
{
public:
    SortGridModel(const GridData& grid, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The copy changed as a whole: a reload, a sort or a moved column.
    void reset();

private:
    const GridData& m_grid;
};
