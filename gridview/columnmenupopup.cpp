#include "gridview/columnmenupopup.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <climits>

namespace {
constexpr int kFrame = 3;
constexpr int kTextLeft = 18;
constexpr int kTextRight = 18;
constexpr int kVerticalPadding = 6;
constexpr int kBarGap = 7;
constexpr int kPlainGap = 2;
}

ColumnMenuPopup::ColumnMenuPopup(QWidget* parent)
    : QWidget(parent, Qt::Popup)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void ColumnMenuPopup::clear()
{
    m_items.clear();
    m_pendingBreak = false;
    m_pendingBar = false;
    m_highlight = -1;
    m_dirty = true;
    if (isVisible())
        update();
}

int ColumnMenuPopup::addItem(const QString& caption, bool enabled, Action action)
{
    Item item;
    item.caption = caption;
    item.enabled = enabled;
    item.action = std::move(action);
    item.breakBefore = m_pendingBreak && !m_items.isEmpty();
    item.barBefore = item.breakBefore && m_pendingBar;
    m_pendingBreak = false;
    m_pendingBar = false;
    m_items.append(item);
    m_dirty = true;
    return int(m_items.size()) - 1;
}

void ColumnMenuPopup::addColumnBreak(bool withBar)
{
    m_pendingBreak = true;
    m_pendingBar = m_pendingBar || withBar;
}

void ColumnMenuPopup::setHeadItem(const QString& caption, Action action)
{
    if (!m_items.isEmpty() && m_items.first().head) {
        m_items.first().caption = caption;
        m_items.first().action = std::move(action);
    } else {
        Item item;
        item.caption = caption;
        item.action = std::move(action);
        item.head = true;
        m_items.prepend(item);
        if (m_highlight >= 0)
            ++m_highlight;
    }
    m_dirty = true;
}

void ColumnMenuPopup::setItemEnabled(int index, bool enabled)
{
    if (index < 0 || index >= count())
        return;
    m_items[index].enabled = enabled;
    update();
}

QString ColumnMenuPopup::caption(int index) const
{
    return index >= 0 && index < count() ? m_items[index].caption : QString();
}

bool ColumnMenuPopup::isItemEnabled(int index) const
{
    return index >= 0 && index < count() && m_items[index].enabled;
}

int ColumnMenuPopup::columnOf(int index) const
{
    ensureLayout();
    return index >= 0 && index < count() ? m_shownColumn[index] : -1;
}

int ColumnMenuPopup::columnCount() const
{
    ensureLayout();
    return m_items.isEmpty() ? 0 : m_shownColumn.last() + 1;
}

bool ColumnMenuPopup::hasBarBefore(int column) const
{
    ensureLayout();
    for (int i = 0; i < count(); ++i) {
        if (m_shownColumn[i] == column)
            return m_items[i].breakBefore && m_items[i].barBefore;
    }
    return false;
}

QRect ColumnMenuPopup::itemRect(int index) const
{
    ensureLayout();
    return index >= 0 && index < count() ? m_rects[index] : QRect();
}

int ColumnMenuPopup::itemAt(const QPoint& pos) const
{
    ensureLayout();
    for (int i = 0; i < count(); ++i) {
        if (m_rects[i].contains(pos))
            return i;
    }
    return -1;
}

void ColumnMenuPopup::setHighlighted(int index)
{
    if (index < -1 || index >= count())
        index = -1;
    if (index == m_highlight)
        return;
    m_highlight = index;
    update();
}

QSize ColumnMenuPopup::sizeHint() const
{
    ensureLayout();
    return m_size;
}

void ColumnMenuPopup::ensureLayout() const
{
    if (!m_dirty)
        return;
    m_dirty = false;

    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics fm(font());
    const QFontMetrics fmBold(bold);
    const int itemHeight = std::max(fm.height(), fmBold.height()) + kVerticalPadding;

    m_rects.resize(m_items.size());
    m_shownColumn.resize(m_items.size());
    m_barX.clear();
    int x = kFrame;
    int columnStart = 0;
    int tallest = 0;
    int shown = 0;
    // A column taller than the screen goes on in the next one, so that every
    // value can be seen and picked.
    const int maxRows = m_maxHeight > 0 ? std::max(1, (m_maxHeight - 2 * kFrame) / itemHeight) : INT_MAX;

    auto finishColumn = [&](int end) {
        int widest = 0;
        for (int i = columnStart; i < end; ++i) {
            const QFontMetrics& m = m_items[i].head ? fmBold : fm;
            widest = std::max(widest, m.horizontalAdvance(m_items[i].caption));
        }
        const int width = kTextLeft + widest + kTextRight;
        for (int i = columnStart; i < end; ++i)
            m_rects[i].setWidth(width);
        tallest = std::max(tallest, end - columnStart);
        x += width;
    };

    for (int i = 0; i < count(); ++i) {
        const Item& item = m_items[i];
        const bool full = i > columnStart && i - columnStart >= maxRows;
        if (item.breakBefore || full) {
            finishColumn(i);
            columnStart = i;
            ++shown;
            if (item.breakBefore && item.barBefore) {
                m_barX.append(x + kBarGap / 2);
                x += kBarGap;
            } else {
                x += kPlainGap;
            }
        }
        m_shownColumn[i] = shown;
        m_rects[i] = QRect(x, kFrame + (i - columnStart) * itemHeight, 0, itemHeight);
    }
    finishColumn(count());
    m_size = QSize(std::max(x + kFrame, 2 * kFrame + 40), kFrame * 2 + std::max(tallest, 1) * itemHeight);
}

QList<int> ColumnMenuPopup::itemsOfColumn(int column) const
{
    ensureLayout();
    QList<int> result;
    for (int i = 0; i < count(); ++i) {
        if (m_shownColumn[i] == column)
            result.append(i);
    }
    return result;
}

QPoint ColumnMenuPopup::fitInto(const QPoint& pos, const QSize& size, const QRect& area)
{
    QPoint p = pos;
    if (p.x() + size.width() > area.x() + area.width())
        p.setX(area.x() + area.width() - size.width());
    if (p.y() + size.height() > area.y() + area.height())
        p.setY(area.y() + area.height() - size.height());
    p.setX(std::max(p.x(), area.x()));
    p.setY(std::max(p.y(), area.y()));
    return p;
}

void ColumnMenuPopup::popup(const QPoint& globalPos)
{
    QScreen* screen = QGuiApplication::screenAt(globalPos);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (const int height = screen ? screen->availableGeometry().height() : 0; height != m_maxHeight) {
        m_maxHeight = height;
        m_dirty = true;
    }
    ensureLayout();
    const QSize size = m_size;
    const QPoint at = screen ? fitInto(globalPos, size, screen->availableGeometry()) : globalPos;
    m_highlight = -1;
    m_pressSeen = false;
    setGeometry(QRect(at, size));
    if (isVisible())
        update();
    else
        show();
}

void ColumnMenuPopup::closeMenu()
{
    if (isVisible())
        hide();
}

void ColumnMenuPopup::trigger(int index)
{
    if (index < 0 || index >= count() || !m_items[index].enabled)
        return;
    // Hidden first, and the action copied: it may rebuild and reopen this
    // menu at once.
    hide();
    const Action action = m_items[index].action;
    if (action)
        action();
    emit triggered(index);
}

void ColumnMenuPopup::moveVertical(int step)
{
    if (count() == 0)
        return;
    const int column = m_highlight >= 0 ? columnOf(m_highlight) : 0;
    const QList<int> items = itemsOfColumn(column);
    int at = int(items.indexOf(m_highlight));
    if (at < 0)
        at = step > 0 ? 0 : int(items.size()) - 1;
    else
        at = (at + step + int(items.size())) % int(items.size());
    setHighlighted(items[at]);
}

void ColumnMenuPopup::moveHorizontal(int step)
{
    const int columns = columnCount();
    if (columns == 0)
        return;
    int column = 0;
    int row = 0;
    if (m_highlight >= 0) {
        column = (columnOf(m_highlight) + step + columns) % columns;
        row = int(itemsOfColumn(columnOf(m_highlight)).indexOf(m_highlight));
    } else if (step < 0) {
        column = columns - 1;
    }
    const QList<int> items = itemsOfColumn(column);
    setHighlighted(items[std::min(row, int(items.size()) - 1)]);
}

void ColumnMenuPopup::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        moveVertical(-1);
        break;
    case Qt::Key_Down:
        moveVertical(1);
        break;
    case Qt::Key_Left:
        moveHorizontal(-1);
        break;
    case Qt::Key_Right:
        moveHorizontal(1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        trigger(m_highlight);
        break;
    case Qt::Key_Escape:
        closeMenu();
        break;
    default:
        break;
    }
    event->accept();
}

void ColumnMenuPopup::mouseMoveEvent(QMouseEvent* event)
{
    setHighlighted(itemAt(event->position().toPoint()));
}

void ColumnMenuPopup::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (!rect().contains(pos)) {
        closeMenu();
        return;
    }
    m_pressSeen = true;
    setHighlighted(itemAt(pos));
}

void ColumnMenuPopup::mouseReleaseEvent(QMouseEvent* event)
{
    // Only a press inside the menu arms a pick, so the release of the
    // click that opened the menu picks nothing.
    if (!m_pressSeen)
        return;
    m_pressSeen = false;
    const QPoint pos = event->position().toPoint();
    if (rect().contains(pos))
        trigger(itemAt(pos));
}

void ColumnMenuPopup::leaveEvent(QEvent*)
{
    setHighlighted(-1);
}

void ColumnMenuPopup::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    emit aboutToHide();
}

void ColumnMenuPopup::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        m_dirty = true;
    QWidget::changeEvent(event);
}

void ColumnMenuPopup::paintEvent(QPaintEvent* event)
{
    ensureLayout();
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Window));
    p.setPen(pal.color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));

    const int barTop = kFrame;
    const int barBottom = height() - kFrame - 1;
    for (int x : std::as_const(m_barX)) {
        p.setPen(pal.color(QPalette::Mid));
        p.drawLine(x - 1, barTop, x - 1, barBottom);
        p.setPen(pal.color(QPalette::Light));
        p.drawLine(x, barTop, x, barBottom);
    }

    QFont bold = font();
    bold.setBold(true);
    for (int i = 0; i < count(); ++i) {
        const QRect r = m_rects[i];
        if (!r.intersects(event->rect()))
            continue;
        const Item& item = m_items[i];
        const bool lit = i == m_highlight;
        if (lit)
            p.fillRect(r, pal.color(QPalette::Highlight));
        QColor text;
        if (!item.enabled)
            text = pal.color(QPalette::Disabled, QPalette::WindowText);
        else if (lit)
            text = pal.color(QPalette::HighlightedText);
        else
            text = pal.color(QPalette::WindowText);
        p.setPen(text);
        p.setFont(item.head ? bold : font());
        p.drawText(r.adjusted(kTextLeft, 0, -kTextRight / 2, 0),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, item.caption);
    }
}
