#include "grid/calendaryear.h"

#include <QTest>

// The year calendar's cell arithmetic and assignment rules, without a window.
class TestCalendarYear : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void monthOffset_data();
    void monthOffset();
    void cellText_data();
    void cellText();
    void layout_data();
    void layout();
    void assign_data();
    void assign();
    void startOfWeekKeepsDate();
};

void TestCalendarYear::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestCalendarYear::monthOffset_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("startOfWeek");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("lastDayColumn");
    QTest::newRow("Sunday first, Sunday week") << 2026 << 2 << 0 << 0 << 28;
    QTest::newRow("Saturday first: 31 days end in column 37") << 2022 << 1 << 0 << 6 << 37;
    QTest::newRow("Thursday first") << 2026 << 1 << 0 << 4 << 35;
    QTest::newRow("Monday week, Sunday first") << 2026 << 2 << 1 << 6 << 34;
    QTest::newRow("Saturday week, Saturday first") << 2022 << 1 << 6 << 0 << 31;
    QTest::newRow("leap February") << 2024 << 2 << 0 << 4 << 33;
    QTest::newRow("year 1") << 1 << 1 << 0 << 1 << 32;   // proleptic Gregorian Monday
}

void TestCalendarYear::monthOffset()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, startOfWeek);
    QFETCH(int, offset);
    QFETCH(int, lastDayColumn);
    CalendarYear cal(QDate(year, 1, 1));
    cal.setStartOfWeek(startOfWeek);
    QCOMPARE(cal.monthOffset(month), offset);
    QCOMPARE(cal.dayAt(offset + 1, month), 1);
    QCOMPARE(cal.dayAt(offset, month), 0);
    QCOMPARE(cal.dayAt(lastDayColumn, month), CalendarYear::daysInMonth(year, month));
    QCOMPARE(cal.dayAt(lastDayColumn + 1, month), 0);
}

void TestCalendarYear::cellText_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("startOfWeek");
    QTest::addColumn<bool>("longMonths");
    QTest::addColumn<QString>("text");
    // 2026: 1 January a Thursday, 1 February a Sunday.
    QTest::newRow("year cell") << 0 << 0 << 0 << false << "2026";
    QTest::newRow("Sunday letter") << 1 << 0 << 0 << false << "S";
    QTest::newRow("Monday letter") << 2 << 0 << 0 << false << "M";
    QTest::newRow("column 37 letter") << 37 << 0 << 0 << false << "M";
    QTest::newRow("Monday week starts with M") << 1 << 0 << 1 << false << "M";
    QTest::newRow("Saturday week ends with F") << 7 << 0 << 6 << false << "F";
    QTest::newRow("short month") << 0 << 9 << 0 << false << "Sep";
    QTest::newRow("long month") << 0 << 9 << 0 << true << "September";
    QTest::newRow("blank before day 1") << 4 << 1 << 0 << false << "";
    QTest::newRow("day 1") << 5 << 1 << 0 << false << "1";
    QTest::newRow("day 31") << 35 << 1 << 0 << false << "31";
    QTest::newRow("blank after the last day") << 36 << 1 << 0 << false << "";
    QTest::newRow("Monday week shifts the days") << 4 << 1 << 1 << false << "1";
    QTest::newRow("outside the grid") << 38 << 1 << 0 << false << "";
    QTest::newRow("below the grid") << 1 << 13 << 0 << false << "";
}

void TestCalendarYear::cellText()
{
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(int, startOfWeek);
    QFETCH(bool, longMonths);
    QFETCH(QString, text);
    CalendarYear cal(QDate(2026, 3, 7));
    cal.setStartOfWeek(startOfWeek);
    QCOMPARE(cal.cellText(column, row, QLocale(), longMonths), text);
}

void TestCalendarYear::layout_data()
{
    QTest::addColumn<QSize>("client");
    QTest::addColumn<int>("lineWidth");
    QTest::addColumn<int>("monthColumn");
    QTest::addColumn<int>("dayWidth");
    QTest::addColumn<int>("rowHeight");
    QTest::addColumn<int>("monthWidth");
    QTest::addColumn<int>("headingHeight");
    QTest::newRow("dialog, lines") << QSize(687, 257) << 1 << 67 << 15 << 18 << 95 << 29;
    QTest::newRow("dialog, no lines") << QSize(687, 257) << 0 << 67 << 16 << 19 << 95 << 29;
    QTest::newRow("wide month names") << QSize(687, 257) << 1 << 200 << 12 << 18 << 206 << 29;
    QTest::newRow("exact fit") << QSize(37 * 11 + 40, 13 * 10 + 12) << 1 << 40 << 10 << 10 << 40 << 10;
    QTest::newRow("too small: nothing negative") << QSize(10, 5) << 1 << 67 << 0 << 0 << 0 << 0;
}

void TestCalendarYear::layout()
{
    QFETCH(QSize, client);
    QFETCH(int, lineWidth);
    QFETCH(int, monthColumn);
    const CalendarLayout l = calendarLayout(client.width(), client.height(), lineWidth, monthColumn);
    QTEST(l.dayColumnWidth, "dayWidth");
    QTEST(l.rowHeight, "rowHeight");
    QTEST(l.monthColumnWidth, "monthWidth");
    QTEST(l.headingHeight, "headingHeight");
}

void TestCalendarYear::assign_data()
{
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("result");
    QTest::addColumn<QDate>("after");
    const int ignored = int(CalendarYear::Assign::Ignored);
    const int changed = int(CalendarYear::Assign::Changed);
    const int invalid = int(CalendarYear::Assign::Invalid);
    const QDate mar7(2026, 3, 7);
    const QDate apr30(2026, 4, 30);
    const QDate jan31(2026, 1, 31);
    const QDate feb29(2024, 2, 29);
    QTest::newRow("year") << mar7 << "Year" << 2030 << changed << QDate(2030, 3, 7);
    QTest::newRow("same year") << mar7 << "Year" << 2026 << ignored << mar7;
    QTest::newRow("year 0") << mar7 << "Year" << 0 << ignored << mar7;
    QTest::newRow("negative year") << mar7 << "Year" << -4 << ignored << mar7;
    QTest::newRow("year past 9999") << mar7 << "Year" << 10000 << invalid << mar7;
    QTest::newRow("29 Feb into a common year") << feb29 << "Year" << 2023 << invalid << feb29;
    QTest::newRow("29 Feb into a leap year") << feb29 << "Year" << 2028 << changed << QDate(2028, 2, 29);
    QTest::newRow("month") << mar7 << "Month" << 11 << changed << QDate(2026, 11, 7);
    QTest::newRow("same month") << mar7 << "Month" << 3 << ignored << mar7;
    QTest::newRow("month 13") << mar7 << "Month" << 13 << ignored << mar7;
    QTest::newRow("month 0") << mar7 << "Month" << 0 << ignored << mar7;
    QTest::newRow("month 4 on the 31st") << jan31 << "Month" << 4 << invalid << jan31;
    QTest::newRow("day") << mar7 << "Day" << 31 << changed << QDate(2026, 3, 31);
    QTest::newRow("day 31 in April") << apr30 << "Day" << 31 << ignored << apr30;
    QTest::newRow("same day") << mar7 << "Day" << 7 << ignored << mar7;
    QTest::newRow("day 0") << mar7 << "Day" << 0 << ignored << mar7;
    QTest::newRow("day 29 in a leap February") << QDate(2024, 2, 1) << "Day" << 29 << changed << feb29;
    QTest::newRow("day 29 in a common February") << QDate(2026, 2, 1) << "Day" << 29 << ignored << QDate(2026, 2, 1);
}

void TestCalendarYear::assign()
{
    QFETCH(QDate, start);
    QFETCH(QString, what);
    QFETCH(int, value);
    QFETCH(int, result);
    QFETCH(QDate, after);
    CalendarYear cal(start);
    const CalendarYear::Assign r = what == u"Year" ? cal.setYear(value)
                                   : what == u"Month" ? cal.setMonth(value)
                                                      : cal.setDay(value);
    QCOMPARE(int(r), result);
    QCOMPARE(cal.date(), after);
    QCOMPARE(cal.dateCell(), CalendarYear(after).dateCell());
    QCOMPARE(CalendarYear::invalidDateText(), QStringLiteral("Invalid argument to date encode"));
}

void TestCalendarYear::startOfWeekKeepsDate()
{
    CalendarYear cal(QDate(2026, 3, 7));
    QCOMPARE(cal.dateCell(), QPoint(7, 3));
    QVERIFY(cal.setStartOfWeek(1));
    QCOMPARE(cal.dateCell(), QPoint(13, 3));   // 1 March 2026 is a Sunday
    QCOMPARE(cal.cellText(1, 0, QLocale(), false), QStringLiteral("M"));
    QVERIFY(!cal.setStartOfWeek(1));
    QVERIFY(!cal.setStartOfWeek(7));   // not a weekday
    QCOMPARE(cal.startOfWeek(), 1);
    QCOMPARE(cal.date(), QDate(2026, 3, 7));
}

QTEST_GUILESS_MAIN(TestCalendarYear)
#include "tst_calendaryear.moc"
