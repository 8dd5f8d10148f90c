#include "widgets/yearcalendar.h"

#include <QAbstractTableModel>
#include <qdrawutil.h>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QStyledItemDelegate>

#include <algorithm>

// The cell texts as an item model, for the view and for accessibility.
class YearCalendarModel final : public QAbstractTableModel
{
public:
    explicit YearCalendarModel(YearCalendar* calendar) : QAbstractTableModel(calendar), m_calendar(calendar) {}
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : CalendarYear::kRowCount;
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : CalendarYear::kColumnCount;
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
            return {};
        return m_calendar->cellText(index.column(), index.row());
    }
    Qt::ItemFlags flags(const QModelIndex&) const override { return Qt::ItemIsEnabled | Qt::ItemIsSelectable; }
    void refresh()
    {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
    }

private:
    YearCalendar* m_calendar;
};

// Fills each cell in the grid's standard colours, then lets the calendar
// draw its contents.
class YearCalendarDelegate final : public QStyledItemDelegate
{
public:
    explicit YearCalendarDelegate(YearCalendar* calendar) : QStyledItemDelegate(calendar), m_calendar(calendar) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        m_calendar->paintCell(painter, option.rect, index.column(), index.row());
    }

private:
    YearCalendar* m_calendar;
};

YearCalendar::YearCalendar(QWidget* parent, QDate today) : QTableView(parent), m_cal(today)
{
    m_model = new YearCalendarModel(this);
    setModel(m_model);
    setItemDelegate(new YearCalendarDelegate(this));
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->hide();
        header->setMinimumSectionSize(0);
        header->setSectionResizeMode(QHeaderView::Fixed);
    }
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setAutoScroll(false);
    setCornerButtonEnabled(false);
    setWordWrap(false);
    setShowGrid(false);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    applyLayout();
    focusDate();
}

YearCalendar::~YearCalendar() = default;

QString YearCalendar::cellText(int column, int row) const
{
    return m_cal.cellText(column, row, locale(), m_longMonths);
}

QPoint YearCalendar::currentCell() const
{
    const QModelIndex i = currentIndex();
    return i.isValid() ? QPoint(i.column(), i.row()) : QPoint(-1, -1);
}

QRect YearCalendar::cellRect(int column, int row) const
{
    return visualRect(m_model->index(row, column));
}

bool YearCalendar::canSelectCell(int column, int row) const
{
    if (!m_updating && m_readOnly)
        return false;
    return column >= 1 && row >= 1 && !cellText(column, row).isEmpty();
}

void YearCalendar::moveCurrent(int column, int row)
{
    if (!canSelectCell(column, row))
        return;
    const QModelIndex i = m_model->index(row, column);
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
}

void YearCalendar::focusDate()
{
    m_updating = true;
    const QPoint cell = m_cal.dateCell();
    moveCurrent(cell.x(), cell.y());
    m_updating = false;
}

void YearCalendar::afterDateChange()
{
    emit dateChanged();
}

void YearCalendar::refresh()
{
    m_model->refresh();
    viewport()->update();
}

YearCalendar::Assign YearCalendar::afterAssign(Assign result)
{
    if (result == Assign::Changed) {
        focusDate();
        afterDateChange();
    }
    return result;
}

YearCalendar::Assign YearCalendar::setYear(int year)
{
    const Assign r = m_cal.setYear(year);
    if (r == Assign::Changed)
        refresh();
    return afterAssign(r);
}

YearCalendar::Assign YearCalendar::setMonth(int month)
{
    return afterAssign(m_cal.setMonth(month));
}

YearCalendar::Assign YearCalendar::setDay(int day)
{
    return afterAssign(m_cal.setDay(day));
}

void YearCalendar::setStartOfWeek(int weekday)
{
    if (!m_cal.setStartOfWeek(weekday))
        return;
    refresh();
    focusDate();
}

void YearCalendar::setLongMonths(bool on)
{
    if (on == m_longMonths)
        return;
    m_longMonths = on;
    applyLayout();
    refresh();
    updateGeometry();
}

void YearCalendar::setColor(const QColor& color)
{
    m_color = color;
    viewport()->update();
}

void YearCalendar::setGridLineWidth(int width)
{
    const int w = std::clamp(width, 0, 1);
    if (w == m_lineWidth)
        return;
    m_lineWidth = w;
    setShowGrid(w > 0);
    applyLayout();
    updateGeometry();
}

void YearCalendar::stepYear(int delta)
{
    const int target = year() + delta;
    m_steppingYear = true;
    if (!isLeapYear(target) && month() == 2 && day() == 29)
        setDay(28);
    setYear(target);
    m_steppingYear = false;
    viewport()->update();
}

void YearCalendar::handleClick()
{
    emit dayClicked();
    const QPoint cell = currentCell();
    const std::optional<QDate> picked = m_cal.clickedDate(cell.x(), cell.y());
    if (!picked)
        return;
    const int oldYear = year();
    m_cal.setDate(*picked);
    if (year() != oldYear)
        refresh();
    focusDate();
    afterDateChange();
}

// The grid's move of its current cell by the user, then its click, raised
// also when canSelectCell refused the move.
void YearCalendar::focusCell(int column, int row)
{
    moveCurrent(column, row);
    handleClick();
}

void YearCalendar::arrowPress(QPoint pos)
{
    if (m_prevRect.contains(pos) && !m_prevPressed) {
        m_prevPressed = true;
        viewport()->update(m_prevRect);
    }
    if (m_nextRect.contains(pos) && !m_nextPressed) {
        m_nextPressed = true;
        viewport()->update(m_nextRect);
    }
}

void YearCalendar::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    arrowPress(pos);
    if (event->button() != Qt::LeftButton)
        return;
    if (focusPolicy() & Qt::ClickFocus)
        setFocus(Qt::MouseFocusReason);
    const QModelIndex i = indexAt(pos);
    if (i.isValid() && i.column() >= 1 && i.row() >= 1) {
        m_pressedInDays = true;
        moveCurrent(i.column(), i.row());
    }
}

void YearCalendar::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click steps the year again, but neither
    // moves the current cell nor ends in a click.
    arrowPress(event->position().toPoint());
}

void YearCalendar::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (m_prevPressed && !m_prevRect.contains(pos)) {
        m_prevPressed = false;
        viewport()->update(m_prevRect);
    }
    if (m_nextPressed && !m_nextRect.contains(pos)) {
        m_nextPressed = false;
        viewport()->update(m_nextRect);
    }
    if (m_pressedInDays && (event->buttons() & Qt::LeftButton)) {
        const QModelIndex i = indexAt(pos);
        if (i.isValid())
            moveCurrent(i.column(), i.row());
    }
}

void YearCalendar::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    int step = 0;
    if (m_prevPressed && m_prevRect.contains(pos)) {
        m_prevPressed = false;
        viewport()->update(m_prevRect);
        step = -1;
    }
    if (m_nextPressed && m_nextRect.contains(pos)) {
        m_nextPressed = false;
        viewport()->update(m_nextRect);
        step = 1;
    }
    // A release anywhere ends the press of a button it did not step.
    if (m_prevPressed || m_nextPressed) {
        m_prevPressed = m_nextPressed = false;
        viewport()->update();
    }
    if (step)
        stepYear(step);
    if (event->button() == Qt::LeftButton && m_pressedInDays) {
        m_pressedInDays = false;
        handleClick();
    }
}

void YearCalendar::keyPressEvent(QKeyEvent* event)
{
    const QPoint from = currentCell();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int lastColumn = CalendarYear::kColumnCount - 1;
    const int lastRow = CalendarYear::kRowCount - 1;
    QPoint to = from;
    switch (event->key()) {
    case Qt::Key_Left: to.rx() = std::max(1, from.x() - 1); break;
    case Qt::Key_Right: to.rx() = std::min(lastColumn, from.x() + 1); break;
    case Qt::Key_Up: to.ry() = std::max(1, from.y() - 1); break;
    case Qt::Key_Down: to.ry() = std::min(lastRow, from.y() + 1); break;
    case Qt::Key_Home:
        to.rx() = 1;
        if (ctrl)
            to.ry() = 1;
        break;
    case Qt::Key_End:
        to.rx() = lastColumn;
        if (ctrl)
            to.ry() = lastRow;
        break;
    // All twelve months are always in view: a page is the whole year.
    case Qt::Key_PageUp: to.ry() = 1; break;
    case Qt::Key_PageDown: to.ry() = lastRow; break;
    default:
        QWidget::keyPressEvent(event);   // not ours: Escape reaches the dialog
        return;
    }
    event->accept();
    if (to != from)
        focusCell(to.x(), to.y());
}

int YearCalendar::monthColumnRoom() const
{
    const QFontMetrics fm = fontMetrics();
    int w = fm.horizontalAdvance(QString::number(year())) + 14;
    for (int m = 1; m <= 12; ++m)
        w = std::max(w, fm.horizontalAdvance(CalendarYear::monthName(m, locale(), m_longMonths)));
    return w + 2;
}

void YearCalendar::applyLayout()
{
    const QSize client = viewport()->size();
    const CalendarLayout l = calendarLayout(client.width(), client.height(), m_lineWidth, monthColumnRoom());
    // A section holds its cell and the grid line after it.
    horizontalHeader()->setDefaultSectionSize(l.dayColumnWidth + m_lineWidth);
    verticalHeader()->setDefaultSectionSize(l.rowHeight + m_lineWidth);
    for (int c = 1; c < CalendarYear::kColumnCount; ++c)
        horizontalHeader()->resizeSection(c, l.dayColumnWidth + m_lineWidth);
    for (int r = 1; r < CalendarYear::kRowCount; ++r)
        verticalHeader()->resizeSection(r, l.rowHeight + m_lineWidth);
    horizontalHeader()->resizeSection(0, l.monthColumnWidth);
    verticalHeader()->resizeSection(0, l.headingHeight);
}

QSize YearCalendar::minimumSizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    int digits = 0;
    for (int d = 10; d <= 31; ++d)
        digits = std::max(digits, fm.horizontalAdvance(QString::number(d)));
    const int cell = digits + 2 + m_lineWidth;
    const int rowHeight = fm.height() + 2 + m_lineWidth;
    const int frame = 2 * frameWidth();
    return QSize(monthColumnRoom() + m_lineWidth + CalendarYear::kDayColumns * cell + frame,
                 CalendarYear::kRowCount * rowHeight + frame);
}

void YearCalendar::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    applyLayout();
}

void YearCalendar::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::LocaleChange) {
        applyLayout();
        refresh();
        updateGeometry();
    }
}

void YearCalendar::paintCell(QPainter* painter, const QRect& rect, int column, int row)
{
    const bool fixed = column == 0 || row == 0;
    const bool current = !fixed && currentCell() == QPoint(column, row);
    const QPalette& pal = palette();
    const QColor fill = fixed ? pal.color(QPalette::Button) : current ? pal.color(QPalette::Highlight) : m_color;
    painter->fillRect(rect, fill);
    painter->save();
    painter->setPen(current ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
    drawCell(painter, rect, column, row);
    painter->restore();
}

void YearCalendar::drawCell(QPainter* painter, QRect rect, int column, int row)
{
    if (column == 0 && row == 0) {
        rect.translate(-1, 0);
        m_prevRect = QRect(rect.left(), rect.top(), 10, rect.height());
        m_nextRect = QRect(rect.left() + rect.width() - 10, rect.top(), 10, rect.height());
        const QPalette& pal = palette();
        qDrawWinButton(painter, m_prevRect, pal, m_prevPressed);
        qDrawWinButton(painter, m_nextRect, pal, m_nextPressed);
        const QColor ink = pal.color(QPalette::Text);
        const int left = rect.left();
        const int right = rect.left() + rect.width();
        const int mid = rect.top() + rect.height() / 2;
        painter->save();
        painter->setPen(ink);
        painter->setBrush(ink);
        painter->drawPolygon(QPolygon({QPoint(left + 3, mid), QPoint(left + 6, mid - 3), QPoint(left + 6, mid + 3)}));
        painter->drawPolygon(
            QPolygon({QPoint(right - 4, mid), QPoint(right - 7, mid - 3), QPoint(right - 7, mid + 3)}));
        painter->restore();
        rect.adjust(7, 0, -7, 0);
    }
    const QString text = cellText(column, row);
    if (text.isEmpty())
        return;
    const QFontMetrics fm = fontMetrics();
    const int x = rect.left() + (rect.width() - fm.horizontalAdvance(text)) / 2;
    const int y = rect.top() + (rect.height() - fm.height()) / 2;
    painter->save();
    painter->setClipRect(rect);
    painter->drawText(QPoint(x, y + fm.ascent()), text);
    painter->restore();
}
