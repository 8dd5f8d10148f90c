#pragma once

#include "grid/calendaryear.h"

#include <QColor>
#include <QTableView>

class QPainter;
class YearCalendarModel;

// A whole year on one screen: a row per month with its days under weekday
// letters, the month names down the left and the year top left between two
// arrow buttons. It holds one selected date, changed by a click on a day, a
// keyboard move or a year step, and raises dateChanged after every change, also
// when a click leaves the date as it was.
//
// Row 0 and column 0 are the fixed cells; the current cell is always the
// selected date's day. Item view machinery is used for drawing only: the
// current cell moves through canSelectCell, never by the view's own handling.
class YearCalendar : public QTableView
{
    Q_OBJECT
    Q_PROPERTY(int Year READ year WRITE setYear)
    Q_PROPERTY(int Month READ month WRITE setMonth)
    Q_PROPERTY(int Day READ day WRITE setDay)
    Q_PROPERTY(int StartOfWeek READ startOfWeek WRITE setStartOfWeek)
    Q_PROPERTY(bool LongMonths READ longMonths WRITE setLongMonths)
    Q_PROPERTY(bool ReadOnly READ isReadOnly WRITE setReadOnly)
    Q_PROPERTY(QColor Color READ color WRITE setColor)
    Q_PROPERTY(int GridLineWidth READ gridLineWidth WRITE setGridLineWidth)

public:
    using Assign = CalendarYear::Assign;

    // Shows `today` selected (the local date when not given).
    explicit YearCalendar(QWidget* parent = nullptr, QDate today = QDate::currentDate());
    ~YearCalendar() override;

    static int daysInMonth(int year, int month) { return CalendarYear::daysInMonth(year, month); }
    static bool isLeapYear(int year) { return CalendarYear::isLeapYear(year); }

    QDate date() const { return m_cal.date(); }
    int year() const { return m_cal.year(); }
    int month() const { return m_cal.month(); }
    int day() const { return m_cal.day(); }
    // Assignments: values below 1, months above 12, days beyond the month
    // and the present value are ignored; one that forms no date is Invalid
    // (CalendarYear::invalidDateText()) and changes nothing.
    Assign setYear(int year);
    Assign setMonth(int month);
    Assign setDay(int day);

    int startOfWeek() const { return m_cal.startOfWeek(); }
    void setStartOfWeek(int weekday);   // 0 Sunday ... 6 Saturday; others ignored
    bool longMonths() const { return m_longMonths; }
    void setLongMonths(bool on);
    bool isReadOnly() const { return m_readOnly; }
    void setReadOnly(bool on) { m_readOnly = on; }
    QColor color() const { return m_color; }
    void setColor(const QColor& color);
    // 0 or 1: the view draws one-pixel lines; larger values are taken as 1.
    int gridLineWidth() const { return m_lineWidth; }
    void setGridLineWidth(int width);

    // The year buttons (PrevYear, NextYear), empty until the year cell is drawn.
    QRect previousYearButton() const { return m_prevRect; }
    QRect nextYearButton() const { return m_nextRect; }
    bool previousYearPressed() const { return m_prevPressed; }
    bool nextYearPressed() const { return m_nextPressed; }

    // The current cell: x = column, y = row.
    QPoint currentCell() const;
    // Where cell (column, row) lies in the viewport.
    QRect cellRect(int column, int row) const;
    QString cellText(int column, int row) const;

    // May the current cell move to (column, row)?
    virtual bool canSelectCell(int column, int row) const;
    // Moves the current cell onto the date.
    virtual void focusDate();
    // One year back (-1) or forward (+1); on 29 February into a year without
    // one the day becomes 28 first, each change raising dateChanged.
    void stepYear(int delta);
    // True while a year step changes the date: its OnChanges are no pick.
    bool isSteppingYear() const { return m_steppingYear; }

    // The room the cells need in the current font: every day number, month
    // name and the year readable.
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override { return minimumSizeHint(); }

    void scrollTo(const QModelIndex&, ScrollHint = EnsureVisible) override {}

signals:
    void dateChanged();
    // The grid's click: after a mouse release that began in the day area or
    // a navigation key, before the date follows the current cell.
    void dayClicked();

protected:
    virtual void afterDateChange();
    // The base has filled `rect`; draws the contents of cell (column, row).
    virtual void drawCell(QPainter* painter, QRect rect, int column, int row);

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    QModelIndex moveCursor(CursorAction, Qt::KeyboardModifiers) override { return currentIndex(); }

private:
    friend class YearCalendarDelegate;
    void paintCell(QPainter* painter, const QRect& rect, int column, int row);
    void handleClick();
    void arrowPress(QPoint pos);
    void moveCurrent(int column, int row);
    void focusCell(int column, int row);
    Assign afterAssign(Assign result);
    int monthColumnRoom() const;
    void applyLayout();
    void refresh();

    CalendarYear m_cal;
    YearCalendarModel* m_model = nullptr;
    bool m_readOnly = false;
    bool m_updating = false;
    bool m_longMonths = false;
    int m_lineWidth = 0;
    QColor m_color = Qt::white;
    QRect m_prevRect;
    QRect m_nextRect;
    bool m_prevPressed = false;
    bool m_nextPressed = false;
    bool m_pressedInDays = false;
    bool m_steppingYear = false;
};
