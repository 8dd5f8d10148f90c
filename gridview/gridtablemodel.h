#pragma once

#include <QAbstractTableModel>

#include <functional>

class GridDocument;
struct GridChange;

// The grid's cells as an item model. Model rows and columns are the grid's
// own: row 0 holds the titles and column 0 the fixed left column, which the
// view shows in its headers. Every change the document publishes reaches
// the views as Qt's model signals; the model keeps no copy of the grid's shape.
class GridTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Writes a typed text into a cell by the board's editing rules; true
    // when the cell took it.
    using CellWriter = std::function<bool(int col, int row, const QString& text)>;

    explicit GridTableModel(GridDocument& document, QObject* parent = nullptr);

    GridDocument& document() const { return m_document; }
    // Without one, a typed text goes straight into the document.
    void setCellWriter(CellWriter writer) { m_writer = std::move(writer); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Moves a data column within the grid (titles and cells; row colours
    // stay with their rows).
    bool moveDataColumn(int from, int to);

signals:
    void cellTextEdited(int col, int row, const QString& text);

private:
    void onAboutToChange(const GridChange& change);
    void onChanged(const GridChange& change);

    GridDocument& m_document;
    CellWriter m_writer;
};
