#pragma once

#include "grid/printlayout.h"
#include "gridview/celltextwidths.h"

#include <QPoint>
#include <QTableView>

#include <optional>

class CellDelegate;
class GridData;
class GridDocument;
class GridHeaderView;
class GridTableModel;
class QTimer;
struct Preferences;

// The schedule board StringGrid1: a title row and a fixed left column that
// stay in place (drawn in the headers), data cells with row colours, one
// focused cell at a time marked by a focus rectangle. Column and row
// indices are the grid's own: row 0 the titles, column 0 the fixed column.
// Widths are content widths in pixels; the grid lines come on top.
class GridView : public QTableView
{
    Q_OBJECT

public:
    static constexpr int kDefaultColWidth = 30;
    static constexpr int kWidthMargin = 6;
    // No column is made wider than a printed one: 1024 columns of the
    // widest text a cell shows would overflow the header's length.
    static constexpr int kMaxColWidth = PrintLayout::kMaxColumnWidth - kWidthMargin;

    GridView(GridDocument& document, const Preferences& prefs, QWidget* parent = nullptr);
    ~GridView() override;

    // Font, text colour, row height, line width or centring changed; call
    // it before fitColumnWidths after a font change.
    void applyPreferences();
    // Every column: its widest text + 6, or 30 when all its texts are empty;
    // a text counts with what of it can show, up to kMaxColWidth.
    void fitColumnWidths();

    void clearSelection();
    void focusCell(int col, int row);
    std::optional<QPoint> focusedCell() const;

    void setEditingAllowed(bool allowed);
    bool editingAllowed() const { return m_editingAllowed; }
    void setColumnDragAllowed(bool allowed);
    using QTableView::closeEditor;
    // Ends an in-place edit; what was typed is already in the cell.
    void closeEditor();
    bool isEditing() const;

    int colWidth(int col) const;
    void setColWidth(int col, int width);
    int lineWidth() const;
    int gridRowHeight() const;
    // The content area of a cell (without its grid lines) in this widget's
    // coordinates, fixed cells included.
    QRect cellRect(int col, int row) const;

    GridTableModel* gridModel() const { return m_model; }
    CellDelegate* cellDelegate() const { return m_delegate; }

    // Cells another workstation changed, tinted for kTintMs; a new set
    // replaces the one shown.
    static constexpr int kTintMs = 5000;
    // The cells and the headers, which draw the titles and the fixed column.
    void repaintAll();
    void tintCells(const QList<QPoint>& cells);
    QList<QPoint> tintedCells() const { return m_tinted; }
    QTimer* tintTimer() const { return m_tintTimer; }

signals:
    // Emitted for every selection of a data cell: by mouse, keyboard or
    // focusCell, also when the cell was focused already.
    void cellSelected(int col, int row);
    // Every mouse press on the grid, fixed cells included, before any menu.
    void gridMousePressed(Qt::MouseButton button, QPoint globalPos, Qt::KeyboardModifiers modifiers);
    // The right button let go on the grid, fixed cells included: where the
    // menu chosen at the press opens.
    void gridRightReleased(QPoint globalPos);
    void gridKeyPressed();
    void cellTextEdited(int col, int row, const QString& text);
    // A data column was dragged by its title from one index to another.
    void columnMoved(int from, int to);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyboardSearch(const QString& search) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setupSections();
    void applyWidths(const QList<int>& widths);
    QList<int> widths() const;
    void onSectionMoved(int logical, int oldVisual, int newVisual);
    bool handleFixedColumnResize(QWidget* widget, QEvent* event);
    bool nearFixedColumnEdge(QWidget* widget, const QPoint& pos) const;
    void emitPress(QMouseEvent* event);
    // Around a change of the grid's shape: widths stay with their column
    // indices and the focused cell with its place, when it still exists.
    void beforeShapeChange();
    void afterShapeChange();

    const GridData& m_grid;
    const Preferences& m_prefs;
    GridTableModel* m_model = nullptr;
    QTimer* m_tintTimer = nullptr;
    QList<QPoint> m_tinted;
    CellDelegate* m_delegate = nullptr;
    GridHeaderView* m_top = nullptr;
    GridHeaderView* m_left = nullptr;
    QWidget* m_corner = nullptr;

    int m_fixedWidth = kDefaultColWidth;
    int m_lineWidth = 1;
    int m_rowHeight = 18;
    bool m_editingAllowed = false;
    bool m_columnDragAllowed = false;
    bool m_silent = false;
    bool m_restoringSections = false;
    bool m_inDoubleClick = false;
    bool m_inKeyPress = false;
    bool m_forwardingKey = false;
    QList<int> m_keptWidths;
    std::optional<QPoint> m_keptFocus;

    bool m_resizingFixed = false;
    int m_resizeStartX = 0;
    int m_resizeStartWidth = 0;
    QWidget* m_resizeCursorOn = nullptr;

    CellTextWidths m_textWidths;
};
