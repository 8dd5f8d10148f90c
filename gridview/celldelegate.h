#pragma once

#include "widgets/boardstyle.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QPalette>
#include <QPoint>
#include <QSet>
#include <QStaticText>
#include <QStyledItemDelegate>

class GridData;
struct Preferences;

// Draws the grid's cells, fixed ones included (the view's headers call
// paintCell too), and edits data cells in place. Each cell owns the grid
// lines along its right and bottom edges; its content area is the rest.
class CellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int kTextOffset = 2;
    static constexpr QRgb kFixedColor = BoardStyle::kFixedCell;
    static constexpr QRgb kCellColor = BoardStyle::kCell;
    static constexpr QRgb kLineColor = BoardStyle::kGridLine;
    // Unlike every row colour, so a found cell shows on any row.
    static constexpr QRgb kMarkColor = qRgb(214, 0, 120);

    CellDelegate(const GridData& grid, const Preferences& prefs, QObject* parent = nullptr);

    // Takes the font, text colour and line width from the preferences; the
    // palette gives the window colour (code 10) and the default text colour.
    void applyPreferences(const QPalette& palette);

    const QFont& font() const { return m_font; }
    QColor textColor() const { return m_textColor; }
    int lineWidth() const { return m_lineWidth; }
    QColor windowColor() const { return m_windowColor; }

    // The fill of a row's cell: its colour code's fill when it has one that
    // reaches this cell, else the grid's own background.
    QColor background(int row, bool fixed) const;

    // Cells another workstation just changed: drawn on a tint of their fill
    // inside a frame, which shows on every row colour.
    static constexpr QRgb kTintColor = qRgb(255, 235, 59);
    static constexpr QRgb kTintFrameColor = qRgb(214, 93, 0);
    void setTintedCells(const QList<QPoint>& cells);
    bool isTinted(int col, int row) const { return m_tinted.contains(cellKey(col, row)); }
    static QColor tinted(const QColor& fill);

    // Cells marked as found: a frame drawn over them, their text and data
    // untouched. The caller repaints.
    void setMarkedCells(const QSet<QPoint>& cells) { m_marked = cells; }
    const QSet<QPoint>& markedCells() const { return m_marked; }

    QRect contentRect(const QRect& cellRect) const;
    void paintCell(QPainter* painter, const QRect& cellRect, int col, int row, bool fixed, bool current) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

signals:
    void editorKeyPressed();

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    // The layout of a cell text: kept, because a repaint after a pick
    // draws the same few hundred texts again.
    const QStaticText& laidOut(const QString& text) const;
    void drawText(QPainter* painter, const QRect& area, bool centred, const QString& text) const;

    static quint64 cellKey(int col, int row) { return (quint64(quint32(col)) << 32) | quint32(row); }

    const GridData& m_grid;
    const Preferences& m_prefs;
    QFont m_font;
    QColor m_textColor = Qt::black;
    QColor m_windowColor = Qt::white;
    int m_lineWidth = 1;
    QSet<QPoint> m_marked;
    static constexpr qsizetype kMaxLaidOutChars = 1 << 20;
    mutable QHash<QString, QStaticText> m_laidOut;
    mutable qsizetype m_laidOutChars = 0;
    QSet<quint64> m_tinted;
};
