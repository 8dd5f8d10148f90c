#include "grid/datetimetext.h"

#include <QTest>

using namespace DateTimeText;

Q_DECLARE_METATYPE(DateTimeText::Options)

class TestDateTimeText : public QObject
{
    Q_OBJECT
private slots:
    void dates_data();
    void dates();
    void currentTime_data();
    void currentTime();
    void gmtTime_data();
    void gmtTime();
    void businessHoursPick_data();
    void businessHoursPick();
    void timeSeparator_data();
    void timeSeparator();
};

void TestDateTimeText::dates_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("leadingZero");
    QTest::addColumn<QString>("pick");
    QTest::addColumn<QString>("dotted");
    const QDate mar7(2026, 3, 7);
    QTest::newRow("7 March, zero-filled") << mar7 << true << "03/07/2026" << "03.07.2026";
    QTest::newRow("7 March, plain") << mar7 << false << "3/7/2026" << "3.7.2026";
    QTest::newRow("two-digit month and day") << QDate(2026, 12, 25) << false << "12/25/2026" << "12.25.2026";
    QTest::newRow("year below 1000") << QDate(987, 1, 2) << true << "01/02/987" << "01.02.0987";
    QTest::newRow("invalid date") << QDate() << true << "" << "";
}

void TestDateTimeText::dates()
{
    QFETCH(QDate, date);
    QFETCH(bool, leadingZero);
    QFETCH(QString, dotted);
    QTEST(calendarPick(date, leadingZero), "pick");
    // Current and GMT date share one form; only the clock differs.
    QCOMPARE(currentDate(date, leadingZero), dotted);
    QCOMPARE(gmtDate(date, leadingZero), dotted);
}

void TestDateTimeText::currentTime_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<Options>("options");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("text");
    const QTime t0905(9, 5);
    const QTime t1430(14, 30);
    const Options hour{false, false, true, false};
    const Options military{false, true, false, false};
    const Options zero{false, false, false, true};
    const Options plain{};
    const Options all{true, true, true, true};
    const QString colon = QStringLiteral(":");
    QTest::newRow("hour only 09:05") << t0905 << hour << colon << "09:";
    QTest::newRow("hour only 14:30") << t1430 << hour << colon << "14:";
    QTest::newRow("hour only after midnight") << QTime(0, 40) << hour << colon << "00:";
    QTest::newRow("hour only wins over all") << t1430 << all << colon << "14:";
    QTest::newRow("military 09:05") << t0905 << military << colon << "09:05";
    QTest::newRow("military 14:30") << t1430 << military << colon << "14:30";
    QTest::newRow("military wins over leading zero") << t1430 << Options{false, true, false, true} << colon << "14:30";
    QTest::newRow("leading zero 09:05") << t0905 << zero << colon << "09:05 am";
    QTest::newRow("leading zero 14:30") << t1430 << zero << colon << "02:30 pm";
    QTest::newRow("plain 09:05") << t0905 << plain << colon << "9:05 am";
    QTest::newRow("plain 14:30") << t1430 << plain << colon << "2:30 pm";
    QTest::newRow("hour after midnight is 12 am") << QTime(0, 15) << plain << colon << "12:15 am";
    QTest::newRow("hour after noon is 12 pm") << QTime(12, 59) << plain << colon << "12:59 pm";
    QTest::newRow("last minute") << QTime(23, 59, 59) << zero << colon << "11:59 pm";
    QTest::newRow("leading zero in date changes nothing") << t0905 << Options{true, false, false, false} << colon
                                                          << "9:05 am";
    QTest::newRow("system separator") << t1430 << military << "." << "14.30";
    QTest::newRow("separator with hour only") << t0905 << hour << "." << "09.";
    QTest::newRow("invalid time") << QTime() << plain << colon << "";
}

void TestDateTimeText::currentTime()
{
    QFETCH(QTime, time);
    QFETCH(Options, options);
    QFETCH(QString, separator);
    QTEST(DateTimeText::currentTime(time, options, separator), "text");
}

void TestDateTimeText::gmtTime_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("text");
    QTest::newRow("morning") << QTime(9, 5) << "09:05";
    QTest::newRow("afternoon is 24-hour") << QTime(14, 30) << "14:30";
    QTest::newRow("midnight") << QTime(0, 0) << "00:00";
    QTest::newRow("invalid") << QTime() << "";
}

void TestDateTimeText::gmtTime()
{
    QFETCH(QTime, time);
    QTEST(DateTimeText::gmtTime(time), "text");
}

void TestDateTimeText::businessHoursPick_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<bool>("hourOnly");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole cell") << "8:00 am" << false << "8:00 am";
    QTest::newRow("hour only keeps two characters") << "8:00 am" << true << "8:";
    QTest::newRow("military hour") << "07:30" << true << "07";
    QTest::newRow("short cell") << "9" << true << "9";
    QTest::newRow("empty cell") << "" << true << "";
}

void TestDateTimeText::businessHoursPick()
{
    QFETCH(QString, cell);
    QFETCH(bool, hourOnly);
    QTEST(DateTimeText::businessHoursPick(cell, hourOnly), "text");
}

void TestDateTimeText::timeSeparator_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("separator");
    QTest::newRow("United States") << QLocale(QLocale::English, QLocale::UnitedStates) << ":";
    QTest::newRow("Germany") << QLocale(QLocale::German, QLocale::Germany) << ":";
    QTest::newRow("Finland") << QLocale(QLocale::Finnish, QLocale::Finland) << ".";
    QTest::newRow("C") << QLocale::c() << ":";
}

void TestDateTimeText::timeSeparator()
{
    QFETCH(QLocale, locale);
    QTEST(DateTimeText::timeSeparator(locale), "separator");
}

QTEST_GUILESS_MAIN(TestDateTimeText)
#include "tst_datetimetext.moc"
