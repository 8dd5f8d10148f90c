#pragma once

#include "grid/cellcolumn.h"

#include <QList>
#include <QString>

#include <array>

// The schedule in memory: ColCount x RowCount text cells (row 0 the titles,
// column 0 the fixed left column) and one colour code per row index 0..255.
// Colours belong to row positions; rows above 255 never have one.
class GridData
{
public:
    static constexpr int kColorRows = 256;
    static constexpr int kMaxColorCode = 11;

    GridData(int cols = 5, int rows = 10);

    int colCount() const { return int(m_cols.size()); }
    int rowCount() const { return m_rows; }

    // Keeps the cells that stay inside the new shape; new cells are empty.
    void setSize(int cols, int rows);

    QString cell(int col, int row) const;
    // The same text without a copy, valid until the grid changes; empty outside the grid.
    QStringView cellView(int col, int row) const;
    void setCell(int col, int row, const QString& text);
    const CellColumn& column(int col) const { return m_cols[col]; }
    void setColumn(int col, const CellColumn& cells);   // padded or cut to rowCount

    int rowColor(int row) const;              // 0 outside 0..255
    void setRowColor(int row, int code);      // ignored outside rows 0..255, codes 0..11
    void clearColors();

    // The primitive moves, with 1-based positions. None touches the colours.
    void insertRow(int p);
    void removeRow(int p);
    void insertColumn(int p);
    void removeColumn(int p);

    // Moves column `from` to index `to`, the others closing up (a column
    // dragged to a new place).
    void moveColumn(int from, int to);

    bool operator==(const GridData& other) const = default;

private:
    QList<CellColumn> m_cols;
    int m_rows = 0;
    std::array<quint8, kColorRows> m_colors{};
};
