#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

// A popup menu that lays its items out in columns. The grid's menus need
// column breaks (with a separating bar for the operations menu, without one
// for the column menus), which QMenu cannot do. Captions are shown exactly
// as given: "&" is an ordinary character here.
class ColumnMenuPopup : public QWidget
{
    Q_OBJECT

public:
    explicit ColumnMenuPopup(QWidget* parent = nullptr);

    void clear();
    // Appends an item to the current menu column; returns its index. A pick
    // runs its action after the menu has closed.
    using Action = std::function<void()>;
    int addItem(const QString& caption, bool enabled = true, Action action = {});
    // The next item starts a new menu column, after a vertical bar if asked.
    void addColumnBreak(bool withBar);
    // Item 0 becomes a bold head item (replaced when there is one already).
    // Picking it closes the menu and reports index 0 like any other item.
    void setHeadItem(const QString& caption, Action action = {});
    void setItemEnabled(int index, bool enabled);

    int count() const { return int(m_items.size()); }
    QString caption(int index) const;
    bool isItemEnabled(int index) const;
    int columnOf(int index) const;
    int columnCount() const;
    bool hasBarBefore(int column) const;
    int highlighted() const { return m_highlight; }
    void setHighlighted(int index);
    QRect itemRect(int index) const;
    int itemAt(const QPoint& pos) const;

    // Opens at globalPos (moved to stay on screen); a pick closes the menu,
    // runs the item's action and emits triggered().
    void popup(const QPoint& globalPos);
    // Picks an enabled item as a click would, shown or not.
    void trigger(int index);
    // Closes without a pick, as an Escape would.
    void closeMenu();

    // Where a menu of this size opening at pos must be placed to stay inside
    // the area (shifted left and up, never beyond its top-left corner).
    static QPoint fitInto(const QPoint& pos, const QSize& size, const QRect& area);

    QSize sizeHint() const override;

signals:
    void triggered(int index);
    void aboutToHide();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Item
    {
        QString caption;
        bool enabled = true;
        bool head = false;
        bool breakBefore = false;
        bool barBefore = false;
        Action action;
    };

    void ensureLayout() const;
    void moveVertical(int step);
    void moveHorizontal(int step);
    QList<int> itemsOfColumn(int column) const;

    QList<Item> m_items;
    bool m_pendingBreak = false;
    bool m_pendingBar = false;
    mutable bool m_dirty = true;
    mutable QSize m_size;
    mutable QList<QRect> m_rects;
    mutable QList<int> m_barX;
    // The column each item is shown in: its break column, or a further one
    // where a column would be taller than the screen.
    mutable QList<int> m_shownColumn;
    int m_maxHeight = 0;   // the screen's height when popped up; 0 for no limit
    int m_highlight = -1;
    bool m_pressSeen = false;
};
