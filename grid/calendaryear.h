#pragma once

#include <QDate>
#include <QLocale>
#include <QPoint>
#include <QString>

#include <optional>

// The year calendar's state and cell arithmetic without a window: the
// selected date, the weekday of column 1, which cell shows which day, the
// texts of all 38 x 13 cells and the rules for assigning year, month or day.
// Dates are whole days from 1 January 1 to 31 December 9999.
class CalendarYear
{
public:
    static constexpr int kColumnCount = 38;   // column 0 names the months
    static constexpr int kRowCount = 13;      // row 0 holds the weekday letters
    static constexpr int kDayColumns = 37;    // offset 6 + 31 days
    static constexpr int kMinYear = 1;
    static constexpr int kMaxYear = 9999;

    // The error an assignment that would form no date fails with.
    static QString invalidDateText();

    enum class Assign {
        Ignored,   // below 1, out of range or the same value: nothing happened
        Changed,   // the date was stored (even if it reads the same)
        Invalid    // the date could not be formed; nothing changed
    };

    // A date outside the calendar's range is taken as 1 January 2000.
    explicit CalendarYear(QDate date = QDate::currentDate());

    static bool isLeapYear(int year);
    // Days of `month` in `year`; 0 for a month outside 1..12.
    static int daysInMonth(int year, int month);
    static bool isValidDate(int year, int month, int day);

    int year() const { return m_year; }
    int month() const { return m_month; }
    int day() const { return m_day; }
    QDate date() const { return QDate(m_year, m_month, m_day); }

    int startOfWeek() const { return m_startOfWeek; }
    // 0 Sunday ... 6 Saturday; false (and unchanged) for another value or
    // the weekday it already is.
    bool setStartOfWeek(int weekday);

    // Blank day cells before day 1 of `month` in the current year: 0..6.
    int monthOffset(int month) const;
    // The day a cell shows, 0 for a blank cell and for the fixed cells.
    int dayAt(int column, int row) const;
    // The cell (x = column, y = row) that shows the selected date.
    QPoint dateCell() const;

    // Texts for drawing and for telling day cells from blank ones. Names
    // come from `locale`.
    QString cellText(int column, int row, const QLocale& locale, bool longMonths) const;
    static QString monthName(int month, const QLocale& locale, bool longMonths);
    // The first letter of the abbreviated name of weekday 1 (Sunday) ... 7.
    static QString weekdayLetter(int weekday, const QLocale& locale);

    Assign setYear(int year);
    Assign setMonth(int month);
    Assign setDay(int day);
    // The date a click leaves on cell (column, row): that day of that month
    // in the current year, day 28 where the day does not exist; nothing for a
    // blank or fixed cell.
    std::optional<QDate> clickedDate(int column, int row) const;
    // Stores a date in range; false (and unchanged) for any other.
    bool setDate(QDate date);

private:
    Assign store(int year, int month, int day);

    int m_year = 2000;
    int m_month = 1;
    int m_day = 1;
    int m_startOfWeek = 0;
};

// Section sizes of the calendar for a client area of `width` x `height`,
// grid line width `lineWidth` and the room the month column needs,
// `monthColumn` (year and month names with their margins). Sizes exclude
// the grid lines; none is below 0.
struct CalendarLayout
{
    int dayColumnWidth = 0;
    int rowHeight = 0;
    int monthColumnWidth = 0;   // column 0
    int headingHeight = 0;      // row 0
};
CalendarLayout calendarLayout(int width, int height, int lineWidth, int monthColumn);
