#include "gridview/celldelegate.h"
#include "widgets/boardstyle.h"
#include "widgets/colorvalue.h"

#include "base/preferences.h"
#include "grid/colorcodes.h"
#include "grid/griddata.h"
#include "grid/printlayout.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QLineEdit>
#include <QPainter>

#include <algorithm>

CellDelegate::CellDelegate(const GridData& grid, const Preferences& prefs, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_grid(grid)
    , m_prefs(prefs)
{
}

void CellDelegate::applyPreferences(const QPalette& palette)
{
    QFont font(BoardStyle::installedFamily(m_prefs.fontName.isEmpty() ? QStringLiteral("Verdana") : m_prefs.fontName));
    font.setPointSize(m_prefs.clampedFontSize());
    font.setBold(m_prefs.bold);
    font.setItalic(m_prefs.italic);
    font.setUnderline(m_prefs.underline);
    font.setStrikeOut(m_prefs.strikeOut);
    // Unkerned, as the Windows build draws its grid; it also lets the column
    // widths add up character advances instead of shaping every text.
    font.setKerning(false);
    m_font = font;
    // A negative value is a system colour reference: the window text.
    m_textColor = m_prefs.fontColor < 0 ? palette.color(QPalette::WindowText) : colorFromValue(m_prefs.fontColor);
    m_windowColor = palette.color(QPalette::Base);
    m_lineWidth = std::clamp(m_prefs.gridLines, 1, 3);
    m_laidOut.clear();
    m_laidOutChars = 0;
}

QColor CellDelegate::background(int row, bool fixed) const
{
    const int code = m_grid.rowColor(row);
    if (code >= 1 && code <= GridData::kMaxColorCode && (code == ColorCodes::Mask || !fixed)) {
        const int value = ColorCodes::fillValue(code);
        return value < 0 ? m_windowColor : colorFromValue(value);
    }
    return QColor::fromRgb(fixed ? kFixedColor : kCellColor);
}

QRect CellDelegate::contentRect(const QRect& cellRect) const
{
    return cellRect.adjusted(0, 0, -m_lineWidth, -m_lineWidth);
}

void CellDelegate::setTintedCells(const QList<QPoint>& cells)
{
    m_tinted.clear();
    for (const QPoint& cell : cells)
        m_tinted.insert(cellKey(cell.x(), cell.y()));
}

QColor CellDelegate::tinted(const QColor& fill)
{
    // Half way to the tint: a row's own colour still shows through.
    const QColor tint = QColor::fromRgb(kTintColor);
    return QColor((fill.red() + tint.red()) / 2, (fill.green() + tint.green()) / 2, (fill.blue() + tint.blue()) / 2);
}

void CellDelegate::paintCell(QPainter* painter, const QRect& cellRect, int col, int row, bool fixed, bool current) const
{
    const QRect r = contentRect(cellRect);
    const QColor line = QColor::fromRgb(kLineColor);
    painter->fillRect(QRect(r.right() + 1, cellRect.top(), m_lineWidth, cellRect.height()), line);
    painter->fillRect(QRect(cellRect.left(), r.bottom() + 1, r.width(), m_lineWidth), line);
    if (r.width() <= 0 || r.height() <= 0)
        return;

    const QString text = m_grid.cell(col, row);
    const QColor fill = background(row, fixed);
    const bool tint = !m_tinted.isEmpty() && isTinted(col, row);
    painter->fillRect(r, tint ? tinted(fill) : fill);
    if (tint) {
        painter->setPen(QPen(QColor::fromRgb(kTintFrameColor), 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(r.adjusted(1, 1, -1, -1));
    }
    const bool marked = m_marked.contains(QPoint(col, row));
    // The focused match stands out among the others: the mark covers most
    // of its focus rectangle.
    if (marked && current)
        painter->fillRect(r, QColor(qRed(kMarkColor), qGreen(kMarkColor), qBlue(kMarkColor), 56));
    if (!text.isEmpty()) {
        painter->setFont(m_font);
        painter->setPen(m_textColor);
        // Titles are always centred; other cells only with "Center data in cells".
        const bool centred = m_prefs.centerData || row == 0;
        if (centred)
            drawText(painter, r.adjusted(0, kTextOffset, 0, 0), true, text);
        else
            drawText(painter, r.adjusted(kTextOffset, kTextOffset, 0, 0), false, text);
    }
    if (marked) {
        // Within the content area: the grid lines stay as they are.
        painter->setPen(QPen(QColor::fromRgb(kMarkColor), 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(r).adjusted(1, 1, -1, -1));
    }
    if (current) {
        QPen pen(m_textColor, 1, Qt::DotLine);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(r.adjusted(0, 0, -1, -1));
    }
}

const QStaticText& CellDelegate::laidOut(const QString& text) const
{
    auto it = m_laidOut.constFind(text);
    if (it != m_laidOut.constEnd())
        return *it;
    // A bound, not a working set: a screen shows a few hundred cells, and
    // long texts count by their length.
    if (m_laidOut.size() >= 2048 || m_laidOutChars > kMaxLaidOutChars) {
        m_laidOut.clear();
        m_laidOutChars = 0;
    }
    QStaticText laid(text);
    laid.setTextFormat(Qt::PlainText);
    m_laidOutChars += text.size();
    return *m_laidOut.insert(text, laid);
}

void CellDelegate::drawText(QPainter* painter, const QRect& area, bool centred, const QString& whole) const
{
    // Only what can show is laid out: the whole of a cell of megabytes
    // would take gigabytes of glyphs and seconds at every paint. A text cut
    // short is wider than its cell and starts at the cell's left edge.
    QString text = whole;
    if (whole.size() > PrintLayout::kWholeMeasured) {
        const QFontMetrics metrics(m_font);
        const qsizetype shown = PrintLayout::filledLength(whole, area.width(), [&metrics](QStringView s) {
            return metrics.horizontalAdvance(s.toString());
        });
        if (shown < whole.size()) {
            text = whole.left(shown);
            centred = false;
        }
    }

    // Left-aligned texts (all data cells unless centring is on) are drawn
    // as QPainter::drawText(area, AlignTop | TextSingleLine) would, from a
    // layout kept across paints. Centred texts start at fractional offsets,
    // where kept glyph positions would land a pixel off, and texts with
    // control characters (line breaks, tabs) keep Qt's single-line handling.
    const bool plain = std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x20; });
    if (centred || !plain) {
        painter->drawText(area, (centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop | Qt::TextSingleLine, text);
        return;
    }
    const QStaticText& laid = laidOut(text);
    const QPointF at = area.topLeft();
    // Clipped only where it does not fit, as Qt clips.
    const bool clip = !QRectF(area).contains(QRectF(at, laid.size()));
    if (clip) {
        painter->save();
        painter->setClipRect(area, Qt::IntersectClip);
    }
    painter->drawStaticText(at, laid);
    if (clip)
        painter->restore();
}

void CellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    const bool current = view && view->currentIndex() == index;
    paintCell(painter, option.rect, index.column(), index.row(), index.row() == 0 || index.column() == 0, current);
}

QWidget* CellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    // Longer cells are not edited in place (see GridTableModel::flags): a
    // line edit would cut them at its default 32767 characters.
    editor->setMaxLength(int(PrintLayout::kMaxShownChars));
    editor->setFont(m_font);
    QPalette pal = editor->palette();
    pal.setColor(QPalette::Text, m_textColor);
    editor->setPalette(pal);
    // Every keystroke reaches the cell at once, as the grid's own editing did.
    auto* self = const_cast<CellDelegate*>(this);
    connect(editor, &QLineEdit::textEdited, self, [self, editor] { emit self->commitData(editor); });
    return editor;
}

void CellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        line->setText(index.data(Qt::EditRole).toString());
}

void CellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        model->setData(index, line->text(), Qt::EditRole);
}

void CellDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const
{
    editor->setGeometry(contentRect(option.rect));
}

bool CellDelegate::eventFilter(QObject* object, QEvent* event)
{
    if (event->type() == QEvent::KeyPress)
        emit editorKeyPressed();
    return QStyledItemDelegate::eventFilter(object, event);
}
