#pragma once

#include <QAbstractTableModel>

class GridData;

// The grid's cells as an item model. Model rows and columns are the grid's
// own: row 0 holds the titles and column 0 the fixed left column, which the
// view shows in its headers. Writes go straight into the GridData.
class GridTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit GridTableModel(GridData& grid, QObject* parent = nullptr);

    GridData& grid() const { return m_grid; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The GridData changed behind the model's back: texts only (same shape)
    // or anything (a reset).
    void textsChanged();
    void shapeChanged();
    bool hasShape(int cols, int rows) const { return cols == m_cols && rows == m_rows; }

    // Moves a data column within the GridData (titles and cells; row
    // colours stay with their rows).
    bool moveDataColumn(int from, int to);

signals:
    void cellTextEdited(int col, int row, const QString& text);

private:
    GridData& m_grid;
    int m_cols = 0;
    int m_rows = 0;
};
