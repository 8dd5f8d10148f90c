#include "grid/datetimetext.h"

namespace DateTimeText {

namespace {

QString number(int value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 10, QLatin1Char('0'));
}

QString dotted(QDate date, bool leadingZero)
{
    if (!date.isValid() || date.year() < 1)
        return QString();
    const int digits = leadingZero ? 2 : 1;
    return number(date.month(), digits) + u'.' + number(date.day(), digits) + u'.' + number(date.year(), 4);
}

} // namespace

QString calendarPick(QDate date, bool leadingZero)
{
    if (!date.isValid() || date.year() < 1)
        return QString();
    const int digits = leadingZero ? 2 : 1;
    return number(date.month(), digits) + u'/' + number(date.day(), digits) + u'/'
           + QString::number(date.year()).left(4);
}

QString currentDate(QDate date, bool leadingZero)
{
    return dotted(date, leadingZero);
}

QString gmtDate(QDate date, bool leadingZero)
{
    return dotted(date, leadingZero);
}

QString currentTime(QTime time, const Options& options, const QString& separator)
{
    if (!time.isValid())
        return QString();
    const QString minutes = number(time.minute(), 2);
    if (options.hourOnly)
        return number(time.hour(), 2) + separator;
    if (options.militaryTime)
        return number(time.hour(), 2) + separator + minutes;
    int hour = time.hour() % 12;
    if (hour == 0)
        hour = 12;
    const QString suffix = time.hour() < 12 ? QStringLiteral(" am") : QStringLiteral(" pm");
    return number(hour, options.leadingZeroTime ? 2 : 1) + separator + minutes + suffix;
}

QString gmtTime(QTime time)
{
    if (!time.isValid())
        return QString();
    return number(time.hour(), 2) + u':' + number(time.minute(), 2);
}

QString businessHoursPick(const QString& cell, bool hourOnly)
{
    return hourOnly ? cell.left(2) : cell;
}

QString timeSeparator(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    const qsizetype h = format.indexOf(u'h', 0, Qt::CaseInsensitive);
    if (h < 0)
        return QStringLiteral(":");
    qsizetype i = h;
    while (i < format.size() && format[i].toLower() == u'h')
        ++i;
    // What stands between the hours and the minutes: ":" or "." mostly.
    const qsizetype m = format.indexOf(u'm', i);
    if (m <= i)
        return QStringLiteral(":");
    QString sep = format.mid(i, m - i);
    sep.remove(u'\'');
    return sep.isEmpty() ? QStringLiteral(":") : sep;
}

} // namespace DateTimeText
