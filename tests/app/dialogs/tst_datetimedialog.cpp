#include "app/dialogs/datetimedialog.h"
#include "app/desktop/persistentform.h"
#include "base/preferences.h"
#include "tests/support/fakeservices.h"
#include "tests/support/testfolder.h"
#include "widgets/yearcalendar.h"

#include <QCheckBox>
#include <QSignalSpy>
#include <QTableView>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QToolButton>

#include <memory>

// Drives the dialog through scripts of user steps and checks what reaches
// the grid (textChosen) and the advance (advanceRequested).
class TestDateTimeDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void paths_data();
    void paths();
    void preferencesFlags_data();
    void preferencesFlags();
    void businessHoursFiles_data();
    void businessHoursFiles();
    void fitsItsTexts();
    void keptPlaceWinsOverCentre();
    void keptPlaceOffTheScreenComesOnIt();

private:
    struct Board {
        TestFolder folder;
        FakeClock clock{QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9))};
        Preferences prefs;
        bool editing = true;
        std::unique_ptr<DateTimeDialog> dialog;
        QStringList written;
        int advances = 0;
        int closes = 0;
    };
    std::unique_ptr<Board> makeBoard();
    bool step(Board& b, const QString& action);
};

void TestDateTimeDialog::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

std::unique_ptr<TestDateTimeDialog::Board> TestDateTimeDialog::makeBoard()
{
    auto b = std::make_unique<Board>();
    b->folder.writeFile("gsystem/timegrid.scd", "2\r\n2\r\n7:00 am\r\n7:30 am\r\n8:00 am\r\n\r\n");
    b->folder.writeFile("gsystem/mtimegrid.scd", "1\r\n2\r\n07:00\r\n19:30\r\n");
    b->dialog = std::make_unique<DateTimeDialog>(b->folder.folder(), b->prefs, b->clock);
    Board* raw = b.get();
    b->dialog->setEditingCheck([raw] { return raw->editing; });
    connect(b->dialog.get(), &DateTimeDialog::textChosen, b->dialog.get(),
            [raw](const QString& t) { raw->written.append(t); });
    connect(b->dialog.get(), &DateTimeDialog::advanceRequested, b->dialog.get(), [raw] { ++raw->advances; });
    connect(b->dialog.get(), &DateTimeDialog::closed, b->dialog.get(), [raw] { ++raw->closes; });
    return b;
}

// One step of a script: open, prev, next, day:<yyyy-MM-dd>, cell:<c>.<r>,
// hours:<c>.<r>, <object name> (a button or check box clicked), escape,
// quiet (closeWithoutEffect), endsession, date:<yyyy-MM-dd> (the calendar
// set while the dialog is closed), clock:<yyyy-MM-dd>.
bool TestDateTimeDialog::step(Board& b, const QString& action)
{
    DateTimeDialog& d = *b.dialog;
    YearCalendar* cal = d.calendar();
    const QString arg = action.section(u':', 1);
    auto cellArg = [&arg] { return QPoint(arg.section(u'.', 0, 0).toInt(), arg.section(u'.', 1, 1).toInt()); };
    if (action == u"open") {
        d.showOpen();
        if (!QTest::qWaitForWindowExposed(&d))
            return false;
        cal->viewport()->repaint();
    } else if (action == u"prev" || action == u"next") {
        const QRect r = action == u"prev" ? cal->previousYearButton() : cal->nextYearButton();
        if (r.isEmpty())
            return false;
        QTest::mouseClick(cal->viewport(), Qt::LeftButton, {}, r.center());
    } else if (action.startsWith(u"day:")) {
        const QDate date = QDate::fromString(arg, Qt::ISODate);
        if (date.year() != cal->year())
            return false;
        CalendarYear layout(date);
        layout.setStartOfWeek(cal->startOfWeek());
        const QPoint c = layout.dateCell();
        QTest::mouseClick(cal->viewport(), Qt::LeftButton, {}, cal->cellRect(c.x(), c.y()).center());
    } else if (action.startsWith(u"cell:")) {
        const QPoint c = cellArg();
        QTest::mouseClick(cal->viewport(), Qt::LeftButton, {}, cal->cellRect(c.x(), c.y()).center());
    } else if (action.startsWith(u"hours:")) {
        const QPoint c = cellArg();
        QTableView* grid = d.businessHoursGrid();
        const QRect r = grid->visualRect(grid->model()->index(c.y(), c.x()));
        if (!r.isValid())
            return false;
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
    } else if (action == u"escape") {
        QTest::keyClick(&d, Qt::Key_Escape);
    } else if (action == u"quiet") {
        d.closeWithoutEffect();
    } else if (action == u"endsession") {
        b.editing = false;
    } else if (action.startsWith(u"date:")) {
        const QDate date = QDate::fromString(arg, Qt::ISODate);
        cal->setYear(date.year());
        cal->setMonth(date.month());
        cal->setDay(date.day());
        if (cal->date() != date)
            return false;
    } else if (action.startsWith(u"clock:")) {
        b.clock.now = QDateTime(QDate::fromString(arg, Qt::ISODate), QTime(14, 5, 9));
    } else if (auto* button = d.findChild<QToolButton*>(action)) {
        if (!button->isVisible())
            return false;
        QTest::mouseClick(button, Qt::LeftButton);
    } else if (auto* box = d.findChild<QCheckBox*>(action)) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    } else {
        return false;
    }
    return true;
}

void TestDateTimeDialog::paths_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<int>("advances");
    QTest::addColumn<bool>("open");
    const QStringList none;
    // Calendar: 7 March 2026 selected; March 2026 begins on a Sunday.
    QTest::newRow("day pick") << "open day:2026-03-20" << QStringList{"3/20/2026"} << 1 << false;
    QTest::newRow("day pick, leading zero") << "CheckBox1 open day:2026-03-20" << QStringList{"03/20/2026"} << 1
                                            << false;
    QTest::newRow("the selected day") << "open day:2026-03-07" << QStringList{"3/7/2026"} << 1 << false;
    QTest::newRow("blank day cell: the selected date") << "open cell:36.3" << QStringList{"3/7/2026"} << 1 << false;
    QTest::newRow("weekday letter") << "open cell:3.0" << none << 0 << true;
    QTest::newRow("month name") << "open cell:0.4" << none << 0 << true;
    QTest::newRow("year cell between its buttons") << "open cell:0.0" << none << 0 << true;
    QTest::newRow("year arrow writes nothing") << "open next" << none << 0 << true;
    QTest::newRow("year arrow, then a day") << "open next day:2027-01-01" << QStringList{"1/1/2027"} << 1 << false;
    QTest::newRow("29 Feb year step writes nothing")
        << "clock:2024-03-07 date:2024-02-29 open prev" << none << 0 << true;
    QTest::newRow("first opening in a common year, calendar on 29 Feb")
        << "clock:2025-03-10 date:2024-02-29 open day:2025-03-20" << QStringList{"3/20/2025"} << 1 << false;
    QTest::newRow("29 Feb year step, then a day")
        << "clock:2024-03-07 date:2024-02-29 open prev day:2023-02-28" << QStringList{"2/28/2023"} << 1 << false;
    // The year on show when the dialog opens again is the one a day click
    // there picks from: the first click writes.
    QTest::newRow("reopened on another year: first day writes")
        << "open next SpeedButton2 open day:2027-01-01" << QStringList{"1/1/2027"} << 2 << false;
    QTest::newRow("military click keeps the year on show")
        << "open next CheckBox2 day:2027-01-01" << QStringList{"1/1/2027"} << 1 << false;
    QTest::newRow("hour-only click resets the remembered year")
        << "open next CheckBox3 day:2027-01-01 day:2027-01-01" << QStringList{"1/1/2027"} << 1 << false;
    QTest::newRow("current date") << "open SpeedButton1" << QStringList{"3.7.2026"} << 1 << false;
    QTest::newRow("current date, leading zero") << "CheckBox1 open SpeedButton1" << QStringList{"03.07.2026"} << 1
                                                << false;
    QTest::newRow("current time") << "open SpeedButton3" << QStringList{"2:05 pm"} << 1 << false;
    QTest::newRow("current time, leading zero") << "CheckBox4 open SpeedButton3" << QStringList{"02:05 pm"} << 1
                                                << false;
    QTest::newRow("current time, military") << "CheckBox2 open SpeedButton3" << QStringList{"14:05"} << 1 << false;
    QTest::newRow("current time, hour only") << "CheckBox2 CheckBox3 open SpeedButton3" << QStringList{"14:"} << 1
                                             << false;
    QTest::newRow("GMT date ignores all but leading zero in date")
        << "CheckBox2 CheckBox3 CheckBox4 open SpeedButton4" << QStringList{"gmtdate"} << 1 << false;
    QTest::newRow("GMT time ignores every box")
        << "CheckBox1 CheckBox2 CheckBox3 CheckBox4 open SpeedButton5" << QStringList{"gmttime"} << 1 << false;
    QTest::newRow("business hours") << "open hours:1.0" << QStringList{"8:00 am"} << 1 << false;
    QTest::newRow("business hours, hour only") << "open CheckBox3 hours:0.0" << QStringList{"7:"} << 1 << false;
    QTest::newRow("business hours, empty cell") << "open hours:1.1" << QStringList{""} << 1 << false;
    QTest::newRow("military business hours") << "open CheckBox2 hours:0.1" << QStringList{"19:30"} << 1 << false;
    QTest::newRow("cancel") << "open SpeedButton2" << none << 1 << false;
    QTest::newRow("escape") << "open escape" << none << 1 << false;
    QTest::newRow("closed without effect") << "open quiet" << none << 0 << false;
    QTest::newRow("pick after the session ended") << "open endsession day:2026-03-20" << none << 0 << false;
    QTest::newRow("button after the session ended") << "open endsession SpeedButton1" << none << 0 << false;
    QTest::newRow("cancel after the session ended") << "open endsession SpeedButton2" << none << 0 << false;
    QTest::newRow("escape after the session ended") << "open endsession escape" << none << 0 << false;
}

void TestDateTimeDialog::paths()
{
    QFETCH(QString, script);
    QFETCH(QStringList, written);
    QFETCH(int, advances);
    QFETCH(bool, open);
    auto b = makeBoard();
    for (const QString& action : script.split(u' '))
        QVERIFY2(step(*b, action), qPrintable(action));
    const QDateTime utc = b->clock.utcNow();
    for (QString& w : written) {
        if (w == u"gmtdate")
            w = QStringLiteral("%1.%2.%3").arg(utc.date().month()).arg(utc.date().day()).arg(utc.date().year());
        else if (w == u"gmttime")
            w = utc.toString(QStringLiteral("HH:mm"));
    }
    QCOMPARE(b->written, written);
    QCOMPARE(b->advances, advances);
    QCOMPARE(b->dialog->isOpen(), open);
    QCOMPARE(b->dialog->isVisible(), open);
    const int opened = int(script.count(QStringLiteral("open")));
    QCOMPARE(b->closes, open ? opened - 1 : opened);
}

void TestDateTimeDialog::preferencesFlags_data()
{
    QTest::addColumn<bool>("prefLeadingZero");
    QTest::addColumn<bool>("prefMilitary");
    QTest::addColumn<QString>("clicks");   // boxes clicked after opening
    QTest::addColumn<bool>("leadingZero");
    QTest::addColumn<bool>("military");
    QTest::newRow("flags tick the boxes") << true << true << "" << true << true;
    QTest::newRow("flags off leave them off") << false << false << "" << false << false;
    QTest::newRow("unticking reaches the preferences") << true << true << "CheckBox1 CheckBox2" << false << false;
    QTest::newRow("ticking reaches the preferences") << false << false << "CheckBox1 CheckBox2" << true << true;
}

void TestDateTimeDialog::preferencesFlags()
{
    QFETCH(bool, prefLeadingZero);
    QFETCH(bool, prefMilitary);
    QFETCH(QString, clicks);
    QFETCH(bool, leadingZero);
    QFETCH(bool, military);
    auto b = makeBoard();
    b->prefs.leadingZero = prefLeadingZero;
    b->prefs.militaryTime = prefMilitary;
    QVERIFY(step(*b, QStringLiteral("open")));
    for (const QString& c : clicks.split(u' ', Qt::SkipEmptyParts))
        QVERIFY(step(*b, c));
    QCOMPARE(b->dialog->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->isChecked(), leadingZero);
    QCOMPARE(b->dialog->findChild<QCheckBox*>(QStringLiteral("CheckBox2"))->isChecked(), military);
    QCOMPARE(b->prefs.leadingZero, leadingZero);
    QCOMPARE(b->prefs.militaryTime, military);
}

void TestDateTimeDialog::businessHoursFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QSize>("shape");   // columns x rows
    QTest::addColumn<QString>("firstCell");
    QTest::newRow("counts of 0") << QByteArray("0\r\n0\r\nx\r\n") << QSize(1, 1) << "x";
    QTest::newRow("five columns") << QByteArray("5\r\n1\r\na\r\n") << QSize(5, 1) << "a";
    // What a bad file leaves: the two-by-two table read before.
    QTest::newRow("missing file keeps the table") << QByteArray("missing") << QSize(2, 2) << "7:00 am";
    QTest::newRow("bad first count keeps the table") << QByteArray("x\r\n5\r\n") << QSize(2, 2) << "7:00 am";
    QTest::newRow("bad row count keeps rows and texts") << QByteArray("3\r\nx\r\n") << QSize(3, 2) << "7:00 am";
    QTest::newRow("5000 by 5000 is capped") << QByteArray("5000\r\n5000\r\n") << QSize(1024, 1024) << "";
}

void TestDateTimeDialog::businessHoursFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QSize, shape);
    QFETCH(QString, firstCell);
    auto b = makeBoard();
    QVERIFY(step(*b, QStringLiteral("open")));
    if (file == "missing")
        QVERIFY(QFile::remove(b->folder.path(QStringLiteral("gsystem/timegrid.scd"))));
    else
        b->folder.writeFile("gsystem/timegrid.scd", file);
    b->dialog->onActivated();
    const QAbstractItemModel* m = b->dialog->businessHoursGrid()->model();
    QCOMPARE(QSize(m->columnCount(), m->rowCount()), shape);
    QCOMPARE(m->index(0, 0).data().toString(), firstCell);
    QVERIFY(b->dialog->isOpen());
}

// Every caption is readable in this system's fonts and nothing overlaps.
void TestDateTimeDialog::fitsItsTexts()
{
    auto b = makeBoard();
    QVERIFY(step(*b, QStringLiteral("open")));
    DateTimeDialog& d = *b->dialog;
    QVERIFY(d.width() >= 701 && d.height() >= 364);
    const QList<QWidget*> controls = d.findChildren<QWidget*>(QRegularExpression(QStringLiteral(
        "^(CheckBox\\d|Panel\\d|Label1|YearCalendar1|StringGrid1)$")));
    QCOMPARE(controls.size(), 12);
    for (QWidget* w : controls) {
        QVERIFY2(d.rect().contains(w->geometry()), qPrintable(w->objectName()));
        QVERIFY2(w->width() >= w->minimumSizeHint().width(), qPrintable(w->objectName()));
        for (QWidget* other : controls)
            QVERIFY2(w == other || !w->geometry().intersects(other->geometry()),
                     qPrintable(w->objectName() + u' ' + other->objectName()));
    }
    for (QToolButton* button : d.findChildren<QToolButton*>())
        QVERIFY2(button->width() >= button->sizeHint().width() && button->height() >= button->sizeHint().height(),
                 qPrintable(button->text()));
    for (QCheckBox* box : d.findChildren<QCheckBox*>())
        QVERIFY2(box->width() >= box->sizeHint().width() && box->height() >= box->sizeHint().height(),
                 qPrintable(box->text()));
    QVERIFY(d.calendar()->size().width() >= d.calendar()->minimumSizeHint().width());
    QVERIFY(d.calendar()->size().height() >= d.calendar()->minimumSizeHint().height());
}


void TestDateTimeDialog::keptPlaceWinsOverCentre()
{
    // The dialog centres itself at its first showing, unless an earlier
    // run left its place in the placement file.
    auto b = makeBoard();
    const QString ini = b->folder.path(QStringLiteral("kept.ini"));
    b->folder.writeFile(QStringLiteral("kept.ini"), "[Form6]\r\nTop=40\r\nLeft=30\r\n");
    QVERIFY(PersistentForm::attach(b->dialog.get(), ini, false));
    QVERIFY(step(*b, QStringLiteral("open")));
    QCOMPARE(b->dialog->pos(), QPoint(30, 40));
    QVERIFY(step(*b, QStringLiteral("SpeedButton2")));
    QVERIFY(PersistentForm::saveAll(b->dialog.get()).isEmpty());
    QVERIFY(b->folder.readFile(QStringLiteral("kept.ini")).contains("Top=40\r\nLeft=30\r\n"));
}

void TestDateTimeDialog::keptPlaceOffTheScreenComesOnIt()
{
    // Schedboard.ini is shared: a place kept on a wider screen would put
    // the dialog's buttons out of reach here. It comes wholly onto this
    // screen, and the file keeps the place for the workstation that wrote it.
    auto b = makeBoard();
    const QString ini = b->folder.path(QStringLiteral("kept.ini"));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    b->folder.writeFile(QStringLiteral("kept.ini"),
                        QStringLiteral("[Form6]\r\nTop=5\r\nLeft=%1\r\n").arg(area.right() - 100).toLatin1());
    QVERIFY(PersistentForm::attach(b->dialog.get(), ini, false));
    QVERIFY(step(*b, QStringLiteral("open")));
    const QRect placed(b->dialog->pos(), b->dialog->size());
    QVERIFY2(area.contains(placed), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(placed.x()).arg(placed.y())
                                                   .arg(placed.width()).arg(placed.height())));
    QCOMPARE(placed.y(), 5);
    QCOMPARE(placed.right(), area.right());
    QVERIFY(step(*b, QStringLiteral("SpeedButton2")));
    QVERIFY(PersistentForm::saveAll(b->dialog.get()).isEmpty());
    QVERIFY(b->folder.readFile(QStringLiteral("kept.ini"))
                .startsWith(QStringLiteral("[Form6]\r\nTop=5\r\nLeft=%1\r\n").arg(area.right() - 100).toLatin1()));
}

QTEST_MAIN(TestDateTimeDialog)
#include "tst_datetimedialog.moc"
