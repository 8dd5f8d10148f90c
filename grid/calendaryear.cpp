#include "grid/calendaryear.h"

#include <algorithm>

namespace {
constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
}

QString CalendarYear::invalidDateText()
{
    return QStringLiteral("Invalid argument to date encode");
}

CalendarYear::CalendarYear(QDate date)
{
    if (!setDate(date))
        setDate(QDate(2000, 1, 1));
}

bool CalendarYear::isLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int CalendarYear::daysInMonth(int year, int month)
{
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && isLeapYear(year) ? 29 : kMonthDays[month - 1];
}

bool CalendarYear::isValidDate(int year, int month, int day)
{
    return year >= kMinYear && year <= kMaxYear && day >= 1 && day <= daysInMonth(year, month);
}

bool CalendarYear::setStartOfWeek(int weekday)
{
    if (weekday < 0 || weekday > 6 || weekday == m_startOfWeek)
        return false;
    m_startOfWeek = weekday;
    return true;
}

int CalendarYear::monthOffset(int month) const
{
    // QDate counts Monday 1 ... Sunday 7; here Sunday is 1 ... Saturday 7.
    const int weekday = QDate(m_year, month, 1).dayOfWeek() % 7 + 1;
    int offset = weekday - (m_startOfWeek + 1);
    if (offset < 0)
        offset += 7;
    return offset;
}

int CalendarYear::dayAt(int column, int row) const
{
    if (column < 1 || column >= kColumnCount || row < 1 || row >= kRowCount)
        return 0;
    const int d = column - monthOffset(row);
    return d >= 1 && d <= daysInMonth(m_year, row) ? d : 0;
}

QPoint CalendarYear::dateCell() const
{
    return QPoint(monthOffset(m_month) + m_day, m_month);
}

QString CalendarYear::monthName(int month, const QLocale& locale, bool longMonths)
{
    // Stand-alone forms: the name heads a row, it is not part of a date.
    return locale.standaloneMonthName(month, longMonths ? QLocale::LongFormat : QLocale::ShortFormat);
}

QString CalendarYear::weekdayLetter(int weekday, const QLocale& locale)
{
    // QLocale counts Monday 1 ... Sunday 7.
    const int qtDay = weekday == 1 ? 7 : weekday - 1;
    return locale.standaloneDayName(qtDay, QLocale::ShortFormat).left(1);
}

QString CalendarYear::cellText(int column, int row, const QLocale& locale, bool longMonths) const
{
    if (column < 0 || column >= kColumnCount || row < 0 || row >= kRowCount)
        return QString();
    if (column >= 1 && row >= 1) {
        const int d = dayAt(column, row);
        return d ? QString::number(d) : QString();
    }
    if (column >= 1)
        return weekdayLetter((m_startOfWeek + column - 1) % 7 + 1, locale);
    if (row >= 1)
        return monthName(row, locale, longMonths);
    return QString::number(m_year);
}

CalendarYear::Assign CalendarYear::store(int year, int month, int day)
{
    if (!isValidDate(year, month, day))
        return Assign::Invalid;
    m_year = year;
    m_month = month;
    m_day = day;
    return Assign::Changed;
}

CalendarYear::Assign CalendarYear::setYear(int year)
{
    if (year < 1 || year == m_year)
        return Assign::Ignored;
    return store(year, m_month, m_day);
}

CalendarYear::Assign CalendarYear::setMonth(int month)
{
    if (month < 1 || month > 12 || month == m_month)
        return Assign::Ignored;
    return store(m_year, month, m_day);
}

CalendarYear::Assign CalendarYear::setDay(int day)
{
    if (day < 1 || day > daysInMonth(m_year, m_month) || day == m_day)
        return Assign::Ignored;
    return store(m_year, m_month, day);
}

std::optional<QDate> CalendarYear::clickedDate(int column, int row) const
{
    if (column < 1 || row < 1 || row >= kRowCount || column >= kColumnCount)
        return std::nullopt;
    const int d = dayAt(column, row);
    if (d == 0)
        return std::nullopt;
    if (!isValidDate(m_year, row, d))
        return QDate(m_year, row, 28);
    return QDate(m_year, row, d);
}

bool CalendarYear::setDate(QDate date)
{
    if (!date.isValid())
        return false;
    return store(date.year(), date.month(), date.day()) == Assign::Changed;
}

CalendarLayout calendarLayout(int width, int height, int lineWidth, int monthColumn)
{
    const int days = CalendarYear::kDayColumns;
    const int months = CalendarYear::kRowCount - 1;
    CalendarLayout l;
    l.dayColumnWidth = std::max(0, (width - monthColumn - days * lineWidth) / days);
    l.rowHeight = std::max(0, (height - months * lineWidth) / (months + 1));
    l.monthColumnWidth = std::max(0, width - days * (l.dayColumnWidth + lineWidth));
    l.headingHeight = std::max(0, height - months * (l.rowHeight + lineWidth));
    return l;
}
