#include "widgets/yearcalendar.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include <memory>

// Walks the calendar through Year/Month/Day assignments, clicks, keys and
// year steps, recording the date at every dateChanged.
class TestYearCalendar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void assign_data();
    void assign();
    void click_data();
    void click();
    void keys_data();
    void keys();
    void yearButtons_data();
    void yearButtons();
    void startOfWeekKeepsDate();
    void sectionsFillTheClientArea_data();
    void sectionsFillTheClientArea();
    void fontFits();

private:
    struct Shown {
        std::unique_ptr<YearCalendar> cal;
        QList<QDate> changes;
        QList<bool> stepping;   // isSteppingYear() at each change
        int clicks = 0;
    };
    std::unique_ptr<Shown> show(QDate date, bool readOnly = false);
};

void TestYearCalendar::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

std::unique_ptr<TestYearCalendar::Shown> TestYearCalendar::show(QDate date, bool readOnly)
{
    auto s = std::make_unique<Shown>();
    s->cal = std::make_unique<YearCalendar>(nullptr, date);
    YearCalendar* cal = s->cal.get();
    cal->setLongMonths(true);
    cal->setGridLineWidth(1);
    cal->resize(cal->minimumSizeHint().expandedTo(QSize(691, 261)));
    cal->setReadOnly(readOnly);
    Shown* raw = s.get();
    connect(cal, &YearCalendar::dateChanged, cal, [raw] {
        raw->changes.append(raw->cal->date());
        raw->stepping.append(raw->cal->isSteppingYear());
    });
    connect(cal, &YearCalendar::dayClicked, cal, [raw] { ++raw->clicks; });
    cal->show();
    if (!QTest::qWaitForWindowExposed(cal))
        return nullptr;
    cal->viewport()->repaint();   // the year buttons are placed when drawn
    return s;
}

void TestYearCalendar::assign_data()
{
    // The rules are the core's (tst_calendaryear); here one case of each
    // outcome through the property and its signal.
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("result");
    QTest::addColumn<QDate>("after");
    const int ignored = int(CalendarYear::Assign::Ignored);
    const int changed = int(CalendarYear::Assign::Changed);
    const int invalid = int(CalendarYear::Assign::Invalid);
    const QDate mar7(2026, 3, 7);
    const QDate jan31(2026, 1, 31);
    QTest::newRow("year") << mar7 << "Year" << 2030 << changed << QDate(2030, 3, 7);
    QTest::newRow("same year") << mar7 << "Year" << 2026 << ignored << mar7;
    QTest::newRow("year past 9999") << mar7 << "Year" << 10000 << invalid << mar7;
    QTest::newRow("month") << mar7 << "Month" << 11 << changed << QDate(2026, 11, 7);
    QTest::newRow("month 4 on the 31st") << jan31 << "Month" << 4 << invalid << jan31;
    QTest::newRow("day") << mar7 << "Day" << 31 << changed << QDate(2026, 3, 31);
    QTest::newRow("day 0") << mar7 << "Day" << 0 << ignored << mar7;
}

void TestYearCalendar::assign()
{
    QFETCH(QDate, start);
    QFETCH(QString, what);
    QFETCH(int, value);
    QFETCH(int, result);
    QFETCH(QDate, after);
    YearCalendar cal(nullptr, start);
    QSignalSpy changes(&cal, &YearCalendar::dateChanged);
    const bool ok = cal.setProperty(what.toLatin1().constData(), value);
    QVERIFY(ok);
    YearCalendar direct(nullptr, start);
    const CalendarYear::Assign r = what == u"Year" ? direct.setYear(value)
                                   : what == u"Month" ? direct.setMonth(value)
                                                      : direct.setDay(value);
    QCOMPARE(int(r), result);
    QCOMPARE(cal.date(), after);
    QCOMPARE(changes.size(), result == int(CalendarYear::Assign::Changed) ? 1 : 0);
    CalendarYear expected(after);
    QCOMPARE(cal.currentCell(), expected.dateCell());
    QCOMPARE(CalendarYear::invalidDateText(), QStringLiteral("Invalid argument to date encode"));
}

void TestYearCalendar::click_data()
{
    QTest::addColumn<QPoint>("cell");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QList<QDate>>("changes");
    QTest::addColumn<int>("clicks");
    const QDate mar7(2026, 3, 7);   // March 2026 starts on a Sunday: column = day
    QTest::newRow("a day") << QPoint(20, 3) << false << QList<QDate>{QDate(2026, 3, 20)} << 1;
    QTest::newRow("another month") << QPoint(5, 1) << false << QList<QDate>{QDate(2026, 1, 1)} << 1;
    QTest::newRow("the selected day") << QPoint(7, 3) << false << QList<QDate>{mar7} << 1;
    QTest::newRow("blank day cell") << QPoint(36, 3) << false << QList<QDate>{mar7} << 1;
    QTest::newRow("weekday letter") << QPoint(3, 0) << false << QList<QDate>{} << 0;
    QTest::newRow("month name") << QPoint(0, 5) << false << QList<QDate>{} << 0;
    QTest::newRow("read-only day") << QPoint(20, 3) << true << QList<QDate>{mar7} << 1;
}

void TestYearCalendar::click()
{
    QFETCH(QPoint, cell);
    QFETCH(bool, readOnly);
    auto s = show(QDate(2026, 3, 7), readOnly);
    QVERIFY(s);
    const QRect r = s->cal->cellRect(cell.x(), cell.y());
    QVERIFY(r.isValid());
    QTest::mouseClick(s->cal->viewport(), Qt::LeftButton, {}, r.center());
    QTEST(s->changes, "changes");
    QTEST(s->clicks, "clicks");
    QVERIFY(!s->stepping.contains(true));
    QCOMPARE(s->cal->currentCell(), CalendarYear(s->cal->date()).dateCell());
}

void TestYearCalendar::keys_data()
{
    QTest::addColumn<QDate>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QList<QDate>>("changes");
    const QDate mar7(2026, 3, 7);
    const QDate jan31(2026, 1, 31);
    const QDate feb1(2026, 2, 1);
    QTest::newRow("right") << mar7 << int(Qt::Key_Right) << 0 << false << QList<QDate>{QDate(2026, 3, 8)};
    QTest::newRow("left") << mar7 << int(Qt::Key_Left) << 0 << false << QList<QDate>{QDate(2026, 3, 6)};
    QTest::newRow("up: same column in February") << mar7 << int(Qt::Key_Up) << 0 << false
                                                 << QList<QDate>{QDate(2026, 2, 7)};
    QTest::newRow("down onto a blank cell re-applies") << jan31 << int(Qt::Key_Down) << 0 << false
                                                       << QList<QDate>{jan31};
    QTest::newRow("left at column 1 aims nowhere") << feb1 << int(Qt::Key_Left) << 0 << false << QList<QDate>{};
    QTest::newRow("up at January aims nowhere") << jan31 << int(Qt::Key_Up) << 0 << false << QList<QDate>{};
    QTest::newRow("home") << QDate(2026, 3, 17) << int(Qt::Key_Home) << 0 << false << QList<QDate>{QDate(2026, 3, 1)};
    QTest::newRow("ctrl+end: blank last cell") << mar7 << int(Qt::Key_End) << int(Qt::ControlModifier) << false
                                               << QList<QDate>{mar7};
    QTest::newRow("page down") << mar7 << int(Qt::Key_PageDown) << 0 << false
                               << QList<QDate>{QDate(2026, 12, 5)};   // December starts on a Tuesday
    QTest::newRow("read-only right") << mar7 << int(Qt::Key_Right) << 0 << true << QList<QDate>{mar7};
    QTest::newRow("escape is not ours") << mar7 << int(Qt::Key_Escape) << 0 << false << QList<QDate>{};
}

void TestYearCalendar::keys()
{
    QFETCH(QDate, start);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, readOnly);
    auto s = show(start, readOnly);
    QVERIFY(s);
    QTest::keyClick(s->cal.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTEST(s->changes, "changes");
    QCOMPARE(s->cal->currentCell(), CalendarYear(s->cal->date()).dateCell());
}

void TestYearCalendar::yearButtons_data()
{
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<QList<QDate>>("changes");
    const QDate mar7(2026, 3, 7);
    const QDate feb29(2024, 2, 29);
    QTest::newRow("previous") << mar7 << "prev" << QList<QDate>{QDate(2025, 3, 7)};
    QTest::newRow("next") << mar7 << "next" << QList<QDate>{QDate(2027, 3, 7)};
    QTest::newRow("right button steps too") << mar7 << "next-right" << QList<QDate>{QDate(2027, 3, 7)};
    QTest::newRow("released outside") << mar7 << "prev-out" << QList<QDate>{};
    QTest::newRow("moved out and back") << mar7 << "prev-out-back" << QList<QDate>{};
    QTest::newRow("29 Feb into a common year")
        << feb29 << "prev" << QList<QDate>{QDate(2024, 2, 28), QDate(2023, 2, 28)};
    QTest::newRow("29 Feb next") << feb29 << "next" << QList<QDate>{QDate(2024, 2, 28), QDate(2025, 2, 28)};
    QTest::newRow("year 9999 cannot step on") << QDate(9999, 6, 1) << "next" << QList<QDate>{};
    QTest::newRow("year cell between the buttons") << mar7 << "middle" << QList<QDate>{};
}

void TestYearCalendar::yearButtons()
{
    QFETCH(QDate, start);
    QFETCH(QString, gesture);
    auto s = show(start);
    QVERIFY(s);
    QWidget* vp = s->cal->viewport();
    const QRect prev = s->cal->previousYearButton();
    const QRect next = s->cal->nextYearButton();
    QVERIFY(!prev.isEmpty());
    QVERIFY(!next.isEmpty());
    QVERIFY(prev.right() < next.left());
    const QPoint outside = s->cal->cellRect(10, 6).center();
    if (gesture == u"prev") {
        QTest::mouseClick(vp, Qt::LeftButton, {}, prev.center());
    } else if (gesture == u"next") {
        QTest::mouseClick(vp, Qt::LeftButton, {}, next.center());
    } else if (gesture == u"next-right") {
        QTest::mouseClick(vp, Qt::RightButton, {}, next.center());
    } else if (gesture == u"middle") {
        QTest::mouseClick(vp, Qt::LeftButton, {}, s->cal->cellRect(0, 0).center());
    } else {
        QTest::mousePress(vp, Qt::LeftButton, {}, prev.center());
        QVERIFY(s->cal->previousYearPressed());
        QTest::mouseMove(vp, outside);
        QVERIFY(!s->cal->previousYearPressed());
        const QPoint releaseAt = gesture == u"prev-out-back" ? prev.center() : outside;
        if (gesture == u"prev-out-back")
            QTest::mouseMove(vp, releaseAt);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, releaseAt);
    }
    QTEST(s->changes, "changes");
    QVERIFY(!s->stepping.contains(false));
    QVERIFY(!s->cal->isSteppingYear());
    QVERIFY(!s->cal->previousYearPressed());
    QVERIFY(!s->cal->nextYearPressed());
    QCOMPARE(s->cal->cellText(0, 0), QString::number(s->cal->year()));
    QCOMPARE(s->cal->currentCell(), CalendarYear(s->cal->date()).dateCell());
}

void TestYearCalendar::startOfWeekKeepsDate()
{
    YearCalendar cal(nullptr, QDate(2026, 3, 7));
    QSignalSpy changes(&cal, &YearCalendar::dateChanged);
    QCOMPARE(cal.currentCell(), QPoint(7, 3));
    cal.setStartOfWeek(1);
    QCOMPARE(cal.currentCell(), QPoint(13, 3));   // 1 March 2026 is a Sunday
    QCOMPARE(cal.cellText(1, 0), QStringLiteral("M"));
    cal.setStartOfWeek(7);   // not a weekday
    QCOMPARE(cal.startOfWeek(), 1);
    QCOMPARE(cal.date(), QDate(2026, 3, 7));
    QCOMPARE(changes.size(), 0);
}

void TestYearCalendar::sectionsFillTheClientArea_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("lineWidth");
    QTest::newRow("dialog size") << QSize(691, 261) << 1;
    QTest::newRow("no lines") << QSize(691, 261) << 0;
    QTest::newRow("large") << QSize(1200, 700) << 1;
}

void TestYearCalendar::sectionsFillTheClientArea()
{
    QFETCH(QSize, size);
    QFETCH(int, lineWidth);
    YearCalendar cal(nullptr, QDate(2026, 3, 7));
    cal.setGridLineWidth(lineWidth);
    cal.resize(size);
    cal.show();
    QVERIFY(QTest::qWaitForWindowExposed(&cal));
    QCOMPARE(cal.horizontalHeader()->length(), cal.viewport()->width());
    QCOMPARE(cal.verticalHeader()->length(), cal.viewport()->height());
    for (int c = 2; c < CalendarYear::kColumnCount; ++c)
        QCOMPARE(cal.columnWidth(c), cal.columnWidth(1));
    QVERIFY(cal.columnWidth(0) >= cal.columnWidth(1));
}

// At its minimum size every text fits its cell: nothing is clipped.
void TestYearCalendar::fontFits()
{
    YearCalendar cal(nullptr, QDate(2026, 3, 7));
    cal.setLongMonths(true);
    cal.setGridLineWidth(1);
    cal.resize(cal.minimumSizeHint());
    cal.show();
    QVERIFY(QTest::qWaitForWindowExposed(&cal));
    const QFontMetrics fm = cal.fontMetrics();
    for (int r = 0; r < CalendarYear::kRowCount; ++r)
        for (int c = 0; c < CalendarYear::kColumnCount; ++c) {
            const QString text = cal.cellText(c, r);
            QRect room = cal.cellRect(c, r);
            if (c == 0 && r == 0)
                room.adjust(7, 0, -7, 0);
            QVERIFY2(fm.horizontalAdvance(text) <= room.width() && fm.height() <= room.height(),
                     qPrintable(QStringLiteral("%1 in (%2, %3)").arg(text).arg(c).arg(r)));
        }
}

QTEST_MAIN(TestYearCalendar)
#include "tst_yearcalendar.moc"
