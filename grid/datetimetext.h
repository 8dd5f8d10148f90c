#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

// The texts the date and time dialog writes into a cell. Dates are written
// month first; an invalid date or time gives an empty text.
namespace DateTimeText {

// The four check boxes of the dialog.
struct Options
{
    bool leadingZeroDate = false;   // "Leading zero in date"
    bool militaryTime = false;      // "Use military time"
    bool hourOnly = false;          // "Get hour only"
    bool leadingZeroTime = false;   // "Leading zero in time"
};

// A day picked on the calendar: "m/d/yyyy" with a literal slash, whatever
// the locale's date separator.
QString calendarPick(QDate date, bool leadingZero);
// "Current Date" and "GMT Date": "m.d.yyyy", or "mm.dd.yyyy".
QString currentDate(QDate date, bool leadingZero);
QString gmtDate(QDate date, bool leadingZero);
// "Current Time": hour only ("hh:"), military ("hh:nn"), or the 12-hour
// clock with "am"/"pm", the hour zero-filled only with leadingZeroTime.
// `separator` is the system's time separator.
QString currentTime(QTime time, const Options& options, const QString& separator);
// "GMT Time": always "hh:nn" with a colon.
QString gmtTime(QTime time);
// A business-hours cell: with hourOnly its first two characters.
QString businessHoursPick(const QString& cell, bool hourOnly);

// The separator between hours and minutes in the locale's short time
// format; ":" when the format shows none.
QString timeSeparator(const QLocale& locale);

} // namespace DateTimeText
