#include "app/board/statusline.h"
#include "app/board/sessioncontrol.h"
#include "app/dialogs/datetimedialog.h"
#include "app/dialogs/fixedcolumndialog.h"
#include "app/dialogs/historywindow.h"
#include "coord/updatesession.h"
#include "grid/calendaryear.h"
#include "grid/datetimetext.h"
#include "gridview/gridview.h"
#include "store/gridstore.h"
#include "store/savehistory.h"
#include "store/textfile.h"
#include "tests/app/board/boardfixture.h"
#include "tests/support/modelmirror.h"
#include "widgets/led.h"
#include "widgets/yearcalendar.h"

#include <QAction>
#include <QDir>
#include <QHeaderView>
#include <QMenu>
#include <QTemporaryDir>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <cerrno>

// Two workstations in one process on one data folder, each with its own
// names, answers and sounds: the update session as the users see it.
class TestSessionWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void pressStartsSession();
    void sessionStateLivesInTheControl();
    void busyMessage_data();
    void busyMessage();
    void waitingLampAndAlarm();
    void reloadBeepsOnlyWhenAsked();
    void noReloadOfOwnSave();
    void othersSaveIsTintedAndNamed_data();
    void othersSaveIsTintedAndNamed();
    void historyWindowFiltersAndFocuses();
    void cancelAnsweredNoAndYes();
    void timeoutEndsIdleSession();
    void busyInMenusAndDialogsKeepsSession();
    void failedSaveKeepsSession();
    void failedBackupIsReported();
    void closeWithUpdateDown_data();
    void closeWithUpdateDown();
    void gridMenuUpdateStartsSession();
    void rightClickAnywhereOnGridOpensMenu();
    void desktopSessionEndsWithoutAnswer();
    void desktopSessionEndAsks_data();
    void desktopSessionEndAsks();
    void timeoutBehindOpenQuestion_data();
    void timeoutBehindOpenQuestion();
    void reloadFailureDoesNotStart();

private:
    void press(Workstation& ws);
    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<Workstation> m_a;
    std::unique_ptr<Workstation> m_b;
};

void TestSessionWindow::init()
{
    m_folder = std::make_unique<TestFolder>();
    m_folder->copyInstallationData();
    m_a = std::make_unique<Workstation>(*m_folder, QStringLiteral("PC-A"), QStringLiteral("anna"));
    m_b = std::make_unique<Workstation>(*m_folder, QStringLiteral("PC-B"), QStringLiteral("bert"));
    QVERIFY(m_a->window && m_b->window);
}

void TestSessionWindow::cleanup()
{
    m_a.reset();
    m_b.reset();
    m_folder.reset();
}

void TestSessionWindow::press(Workstation& ws)
{
    board::updateButton(ws)->click();
}

void TestSessionWindow::pressStartsSession()
{
    Workstation& a = *m_a;
    press(a);
    QCOMPARE(a->board().session.state(), UpdateSession::State::Updating);
    QVERIFY(board::updateButton(a)->isChecked());
    QVERIFY(board::cancelButton(a)->isEnabled());
    QVERIFY(board::editingButton(a)->isEnabled());
    QVERIFY(!board::button(a, "SpeedButton12")->isEnabled());
    QVERIFY(!board::button(a, "SpeedButton13")->isEnabled());
    QVERIFY(!board::button(a, "SpeedButton9")->isEnabled());
    // "Tray" looks disabled too: its caption is drawn in another colour.
    const QPalette tray = board::button(a, "SpeedButton9")->palette();
    QVERIFY(tray.color(QPalette::Disabled, QPalette::ButtonText) != tray.color(QPalette::Active, QPalette::ButtonText));
    QCOMPARE(m_folder->readFile("users/curuser.scd"), QByteArray("PC-A\r\nanna\r\n"));
    QCOMPARE(m_folder->readFile("gsystem/bsgrid.scd"), m_folder->readFile("gsystem/sgrid.scd"));
    QVERIFY(a.fake.messages.shown.isEmpty());

    press(a);
    QCOMPARE(a->board().session.state(), UpdateSession::State::Viewing);
    QVERIFY(!board::updateButton(a)->isChecked());
    QVERIFY(!board::cancelButton(a)->isEnabled());
    QVERIFY(board::button(a, "SpeedButton13")->isEnabled());
    QVERIFY(board::button(a, "SpeedButton9")->isEnabled());
}

void TestSessionWindow::busyMessage_data()
{
    QTest::addColumn<bool>("display");
    QTest::addColumn<bool>("guardBroken");   // a folder in the guard's place, nobody updating
    QTest::addColumn<QString>("text");       // %1: the guard's path
    QTest::newRow("plain") << false << false << QStringLiteral("System busy (update in progress).");
    QTest::newRow("with names") << true << false
                                << QStringLiteral("System busy (update in progress).\r\rCom name: PC-A\rUser name: anna");
    // Nobody holds the board: no busy message, no names, no lamp.
    QTest::newRow("lock error") << true << true
                                << QStringLiteral("Error attempting to lock file.  Try again.\r\r%1: Is a directory");
}

void TestSessionWindow::busyMessage()
{
    QFETCH(bool, display);
    QFETCH(bool, guardBroken);
    QFETCH(QString, text);
    Workstation& a = *m_a;
    Workstation& b = *m_b;
    b->board().prefs.displayUser = display;
    const QString guard = m_folder->path(UpdateLock::guardFileName());
    if (guardBroken)
        QVERIFY(QFile::remove(guard) && QDir().mkdir(guard));
    else
        press(a);
    press(b);
    QCOMPARE(b->board().session.state(), guardBroken ? UpdateSession::State::Viewing : UpdateSession::State::Waiting);
    QVERIFY(!board::updateButton(b)->isChecked());
    QCOMPARE(board::led(b)->isHidden(), guardBroken);
    QCOMPARE(b.fake.messages.texts(), QStringList{text.arg(QDir::toNativeSeparators(guard))});
    QCOMPARE(b.fake.messages.shown[0].offset, QPoint(0, 33));
    QCOMPARE(board::timer(b, 1)->interval(), guardBroken ? 5000 : 3000);
}

void TestSessionWindow::waitingLampAndAlarm()
{
    Workstation& a = *m_a;
    Workstation& b = *m_b;
    press(a);
    press(b);
    QVERIFY(!board::led(b)->isHidden());
    board::sessionControl(b).onPollTick();
    QVERIFY(!board::led(b)->isHidden());   // still busy
    QVERIFY(b.fake.sounds.played.isEmpty());
    QVERIFY(!board::led(b)->toolTip().isEmpty());
    // Each poll says who holds the board, on a waiting board and a viewing one.
    const auto status = [](Workstation& ws) {
        return ws->findChild<StatusLine*>(QStringLiteral("StatusBar1"))->text();
    };
    QVERIFY2(status(b).startsWith(QStringLiteral("Updating: %1 on %2 since ")
                                      .arg(a.fake.identity.userName(), a.fake.identity.computerName())),
             qPrintable(status(b)));
    QCOMPARE(status(a), QString());

    board::gridView(a);   // A edits a cell and releases
    a->board().document.draft().setCell(1, 1, QStringLiteral("T-99"));
    press(a);
    board::sessionControl(b).onPollTick();
    QVERIFY(board::led(b)->isHidden());
    QCOMPARE(b.fake.sounds.played.size(), 1);
    QVERIFY(b.fake.sounds.played[0].endsWith(QStringLiteral("gsystem/alarm.wav")));
    QCOMPARE(b->board().document.draft().cell(1, 1), QStringLiteral("T-99"));   // reloaded at the same tick
    QCOMPARE(b->board().session.state(), UpdateSession::State::Viewing);
    // The holder's line gives way to what it saved, at the grid file's time
    // by the file system's clock.
    QVERIFY2(QRegularExpression(QStringLiteral("^Saved by anna on PC-A at \\d\\d?:\\d\\d [AP]M: 1 cell in 1 row$"))
                 .match(status(b)).hasMatch(),
             qPrintable(status(b)));

    // Pressing Update again hides the lamp before the lock is tried.
    press(a);
    press(b);
    QVERIFY(!board::led(b)->isHidden());
    press(a);
    press(b);
    QVERIFY(board::led(b)->isHidden());
    QCOMPARE(b->board().session.state(), UpdateSession::State::Updating);
}

void TestSessionWindow::reloadBeepsOnlyWhenAsked()
{
    Workstation& a = *m_a;
    Workstation& b = *m_b;
    // The viewer's poll reaches its grid view through the model alone.
    const ModelMirror mirror(board::gridView(b)->model());
    press(a);
    a->board().document.draft().setCell(2, 1, QStringLiteral("first"));
    a->board().document.draft().insertRow(3);
    press(a);
    board::sessionControl(b).onPollTick();
    QCOMPARE(b->board().document.data().cell(2, 1), QStringLiteral("first"));
    QCOMPARE(b->board().document.data(), a->board().document.data());
    QCOMPARE(mirror.mismatch(), QString());
    QVERIFY(b.fake.sounds.played.isEmpty());

    board::beepAction(b)->setChecked(true);
    press(a);
    a->board().document.draft().setCell(2, 1, QStringLiteral("second"));
    press(a);
    board::sessionControl(b).onPollTick();
    QCOMPARE(b->board().document.data().cell(2, 1), QStringLiteral("second"));
    QCOMPARE(mirror.mismatch(), QString());
    QCOMPARE(b.fake.sounds.played.size(), 1);
    QVERIFY(b.fake.sounds.played[0].endsWith(QStringLiteral("gsystem/alarmc.wav")));
    board::sessionControl(b).onPollTick();
    QCOMPARE(b.fake.sounds.played.size(), 1);
}

void TestSessionWindow::noReloadOfOwnSave()
{
    Workstation& a = *m_a;
    board::beepAction(a)->setChecked(true);
    press(a);
    a->board().document.draft().setCell(1, 2, QStringLiteral("mine"));
    press(a);
    board::sessionControl(a).onPollTick();
    QVERIFY(a.fake.sounds.played.isEmpty());
    QCOMPARE(a->board().document.draft().cell(1, 2), QStringLiteral("mine"));
}

void TestSessionWindow::othersSaveIsTintedAndNamed_data()
{
    QTest::addColumn<bool>("recorded");   // false: the saving board keeps no history
    QTest::newRow("recorded") << true;
    QTest::newRow("older board") << false;
}

void TestSessionWindow::othersSaveIsTintedAndNamed()
{
    QFETCH(bool, recorded);
    Workstation& a = *m_a;
    Workstation& b = *m_b;
    b->board().prefs.militaryTime = true;
    a.fake.clock.now = QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9));
    press(a);
    a->board().document.draft().setCell(2, 1, QStringLiteral("T-77"));
    a->board().document.draft().setCell(3, 1, QStringLiteral("Steel 9"));
    a->board().document.draft().setCell(1, 4, QStringLiteral("Gravel 3"));
    a->board().document.draft().setCell(2, 4, QStringLiteral("<b>bold</b>"));
    press(a);
    if (!recorded)
        QVERIFY(TextFile::remove(m_folder->path(QStringLiteral("gsystem/history.scd"))).ok());
    board::sessionControl(b).onPollTick();

    QList<QPoint> tinted = board::gridView(b)->tintedCells();
    std::sort(tinted.begin(), tinted.end(), [](QPoint l, QPoint r) { return std::pair(l.y(), l.x()) < std::pair(r.y(), r.x()); });
    QCOMPARE(tinted, (QList<QPoint>{{2, 1}, {3, 1}, {1, 4}, {2, 4}}));
    const QString status = b->findChild<StatusLine*>(QStringLiteral("StatusBar1"))->text();
    // The time is the grid file's, by the file system's clock, not the saver's.
    const QString who = recorded ? QStringLiteral("by anna on PC-A ") : QString();
    QVERIFY2(QRegularExpression(QStringLiteral("^Saved %1at \\d\\d:\\d\\d: 4 cells in 2 rows$").arg(who)).match(status).hasMatch(),
             qPrintable(status));
    // The saver itself is not told of its own save.
    QVERIFY(board::gridView(a)->tintedCells().isEmpty());
    QVERIFY(a->findChild<StatusLine*>(QStringLiteral("StatusBar1"))->text().isEmpty());

    // The tint goes after its time; a poll with nothing new keeps the line.
    board::gridView(b)->tintTimer()->setInterval(1);
    QTRY_VERIFY(board::gridView(b)->tintedCells().isEmpty());
    board::sessionControl(b).onPollTick();
    QCOMPARE(b->findChild<StatusLine*>(QStringLiteral("StatusBar1"))->text(), status);
}

void TestSessionWindow::historyWindowFiltersAndFocuses()
{
    Workstation& a = *m_a;
    Workstation& b = *m_b;
    for (const QString& text : {QStringLiteral("first"), QStringLiteral("second")}) {
        press(a);
        a->board().document.draft().setCell(2, 5, text);
        a->board().document.draft().setCell(1, 3, text + QStringLiteral(" load"));
        press(a);
    }
    board::sessionControl(b).onPollTick();
    // From the bar's menu; Ctrl + H opens the same window.
    QAction* menuEntry = board::child<QAction>(b, "History1");
    QVERIFY(menuEntry);
    QCOMPARE(menuEntry->text(), QStringLiteral("History"));
    QCOMPARE(board::child<QShortcut>(b, "historyShortcut")->key(), QKeySequence(Qt::CTRL | Qt::Key_H));
    menuEntry->trigger();
    auto* window = b->findChild<HistoryWindow*>();
    QVERIFY(window && window->isVisible());
    QTreeWidget* list = window->list();
    QCOMPARE(list->topLevelItemCount(), 4);
    // Newest first, plain text, who and what.
    QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("anna on PC-A"));
    QCOMPARE(list->topLevelItem(0)->text(2), QStringLiteral("3"));
    QCOMPARE(list->topLevelItem(0)->text(4), QStringLiteral("first load"));
    QCOMPARE(list->topLevelItem(0)->text(5), QStringLiteral("second load"));

    window->setFilter(QStringLiteral("SECOND"));
    QCOMPARE(window->shownCount(), 2);
    window->setFilter(QStringLiteral("first"));
    QCOMPARE(window->shownCount(), 4);   // also the changes from "first" to "second"
    window->setFilter(QStringLiteral("no such text"));
    QCOMPARE(window->shownCount(), 0);

    // Enter on a line moves the board's focus to its cell.
    window->setFilter(QString());
    list->setCurrentItem(list->topLevelItem(1));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(board::gridView(b)->focusedCell(), std::optional<QPoint>(QPoint(2, 5)));
    window->close();
}

void TestSessionWindow::cancelAnsweredNoAndYes()
{
    Workstation& a = *m_a;
    const QByteArray before = m_folder->readFile("gsystem/sgrid.scd");
    const QString original = a->board().document.draft().cell(1, 1);
    const int color = a->board().document.draft().rowColor(1);
    press(a);
    a->board().document.draft().setCell(1, 1, QStringLiteral("changed"));
    a->board().document.draft().setRowColor(1, 7);

    a.fake.messages.answers = {Answer::No};
    board::cancelButton(a)->click();
    QCOMPARE(a.fake.messages.questions, QStringList{"Do you wish undo this update?"});
    QCOMPARE(a.fake.messages.questionOffsets[0], QPoint(0, 30));
    QCOMPARE(a->board().session.state(), UpdateSession::State::Updating);
    QCOMPARE(a->board().document.draft().cell(1, 1), QStringLiteral("changed"));

    a.fake.messages.answers = {Answer::Yes};
    board::cancelButton(a)->click();
    QCOMPARE(a->board().session.state(), UpdateSession::State::Viewing);
    QVERIFY(!board::updateButton(a)->isChecked());
    QCOMPARE(a->board().document.draft().cell(1, 1), original);
    QCOMPARE(a->board().document.draft().rowColor(1), color);
    QCOMPARE(m_folder->readFile("gsystem/sgrid.scd"), before);
    press(*m_b);
    QCOMPARE((*m_b)->board().session.state(), UpdateSession::State::Updating);   // the lock was let go
}

void TestSessionWindow::timeoutEndsIdleSession()
{
    Workstation& a = *m_a;
    a->board().prefs.timeOut = true;
    press(a);
    QVERIFY(board::timer(a, 2)->isActive());
    QCOMPARE(board::timer(a, 2)->interval(), 30000);
    a->board().document.draft().setCell(1, 1, QStringLiteral("kept"));

    // A click on the grid every 20 seconds keeps the session open.
    for (int i = 0; i < 3; ++i) {
        board::interaction(a).onGridMousePress(Qt::LeftButton, QPoint(), Qt::NoModifier);
        board::sessionControl(a).onTimeoutTick();
        QCOMPARE(a->board().session.state(), UpdateSession::State::Updating);
    }
    // Ten seconds before the end of a period without activity, a countdown.
    board::timer(a, 2)->start(5000);
    const QRegularExpressionMatch countdown =
        QRegularExpression(QStringLiteral("^No activity: .* in (\\d+) s\\.$")).match(board::sessionControl(a).statusText());
    QVERIFY2(countdown.hasMatch(), qPrintable(board::sessionControl(a).statusText()));
    QVERIFY(countdown.captured(1).toInt() >= 4 && countdown.captured(1).toInt() <= 6);   // coarse timers
    board::interaction(a).onGridMousePress(Qt::LeftButton, QPoint(), Qt::NoModifier);
    QCOMPARE(board::sessionControl(a).statusText(), QString());
    QVERIFY(board::timer(a, 2)->remainingTime() > 25000);   // the period starts again
    board::sessionControl(a).onTimeoutTick();
    board::sessionControl(a).onTimeoutTick();   // a whole tick without activity
    QCOMPARE(a->board().session.state(), UpdateSession::State::Viewing);
    StatusLine* status = a->findChild<StatusLine*>(QStringLiteral("StatusBar1"));
    QCOMPARE(status->text(), QStringLiteral("Your update was saved and closed after 30 seconds without activity."));
    // Until the next action.
    emit board::gridView(a)->gridMousePressed(Qt::LeftButton, QPoint(), Qt::NoModifier);
    QCOMPARE(status->text(), QString());
    QVERIFY(!board::updateButton(a)->isChecked());
    QVERIFY(!board::timer(a, 2)->isActive());
    GridData saved;
    QVERIFY(GridStore(m_folder->folder()).loadGrid(QStringLiteral("sgrid.scd"), saved).ok());
    QCOMPARE(saved.cell(1, 1), QStringLiteral("kept"));

    // Or until the board has newer news: another board's update, then its save.
    Workstation& b = *m_b;
    press(a);
    board::sessionControl(a).onTimeoutTick();
    board::sessionControl(a).onTimeoutTick();
    QCOMPARE(status->text(), QStringLiteral("Your update was saved and closed after 30 seconds without activity."));
    press(b);
    board::sessionControl(a).onPollTick();
    QVERIFY2(status->text().startsWith(QStringLiteral("Updating: ")), qPrintable(status->text()));
    b->board().document.draft().setCell(2, 2, QStringLiteral("newer"));
    press(b);
    board::sessionControl(a).onPollTick();
    QVERIFY2(status->text().startsWith(QStringLiteral("Saved ")), qPrintable(status->text()));

    // Switched off during a session: the next tick only stops the timer.
    press(a);
    a->board().prefs.timeOut = false;
    board::sessionControl(a).onTimeoutTick();
    QVERIFY(!board::timer(a, 2)->isActive());
    QCOMPARE(a->board().session.state(), UpdateSession::State::Updating);
}

void TestSessionWindow::busyInMenusAndDialogsKeepsSession()
{
    // A dispatcher fills row 4 from the column menus that open by themselves,
    // a pick every 8 s by keyboard, and opens DATE/TIME at 44 s. The
    // time-out's ticks at 30 and 60 s find her busy: the session stays, the
    // calendar stays open and the date goes into the Date cell.
    Workstation& a = *m_a;
    a->board().prefs.timeOut = true;
    a->board().prefs.autoMenu = true;
    a->show();
    QVERIFY(QTest::qWaitForWindowExposed(a.window.get()));
    press(a);
    const int row = 4;
    board::gridView(a)->focusCell(1, row);
    board::interaction(a).onGridMousePress(Qt::RightButton, QPoint(10, 10), Qt::NoModifier);   // at 0 s
    board::interaction(a).openChosenMenu(QPoint(10, 10));
    ColumnMenuPopup* menu = board::columnMenu(a);
    QStringList picked;
    auto pickByKeys = [&](int downs) {
        QVERIFY(menu->isVisible());
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(menu, Qt::Key_Down);
        picked.append(menu->caption(menu->highlighted()));
        QTest::keyClick(menu, Qt::Key_Return);
    };
    auto tick = [&] {
        board::sessionControl(a).onTimeoutTick();
        QCOMPARE(a->board().session.state(), UpdateSession::State::Updating);
    };
    // Head, UPDATE OFF, SKIP CELL, CLEAR CELL, then the first value.
    pickByKeys(5);   // 8 s: Trailer
    pickByKeys(5);   // 16 s: Product
    pickByKeys(5);   // 24 s: Consignor
    tick();          // 30 s
    pickByKeys(5);   // 32 s: Consignee
    QVERIFY(a->board().session.activityFlag());   // menu keys are activity
    // The status line's countdown starts again with a key in a menu.
    board::timer(a, 2)->start(4000);
    QVERIFY(board::sessionControl(a).statusText().startsWith(QStringLiteral("No activity")));
    QTest::keyClick(menu, Qt::Key_Down);          // 40 s: the Date menu
    QCOMPARE(board::sessionControl(a).statusText(), QString());
    QVERIFY(board::timer(a, 2)->remainingTime() > 25000);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(menu, Qt::Key_Down);
    pickByKeys(1);   // 44 s: DATE/TIME, fifth from the head
    QCOMPARE(picked.last(), QStringLiteral("DATE/TIME"));
    auto* dateTime = board::dialog<DateTimeDialog>(a);
    QVERIFY(dateTime && dateTime->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(dateTime));
    QVERIFY(!board::timer(a, 2)->isActive());   // held while the calendar is open
    tick();          // 60 s: a tick that was already on its way
    tick();          // 62 s
    QVERIFY(dateTime->isVisible());

    YearCalendar* cal = dateTime->calendar();
    cal->viewport()->repaint();
    const QDate day(cal->year(), 5, 14);
    CalendarYear layout(day);
    layout.setStartOfWeek(cal->startOfWeek());
    const QPoint cell = layout.dateCell();
    QTest::mouseClick(cal->viewport(), Qt::LeftButton, {}, cal->cellRect(cell.x(), cell.y()).center());
    QVERIFY(!dateTime->isVisible());
    QCOMPARE(a->board().session.state(), UpdateSession::State::Updating);
    QVERIFY(board::timer(a, 2)->isActive());   // afresh once the dialog closed
    QCOMPARE(board::timer(a, 2)->interval(), 30000);
    const GridData& grid = a->board().document.draft();
    for (int c = 1; c <= 4; ++c)
        QCOMPARE(grid.cell(c, row), picked[c - 1]);
    QCOMPARE(grid.cell(5, row), DateTimeText::calendarPick(day, a->board().prefs.leadingZero));
    QCOMPARE(grid.cell(5, 0), QStringLiteral("Date"));

    // Idle from here on, the session ends and saves what was picked.
    tick();
    board::sessionControl(a).onTimeoutTick();
    QCOMPARE(a->board().session.state(), UpdateSession::State::Viewing);
    GridData saved;
    QVERIFY(GridStore(m_folder->folder()).loadGrid(QStringLiteral("sgrid.scd"), saved).ok());
    QCOMPARE(saved.cell(5, row), grid.cell(5, row));
}

void TestSessionWindow::failedSaveKeepsSession()
{
    Workstation& a = *m_a;
    a->board().prefs.timeOut = true;
    press(a);
    a->board().document.draft().setCell(1, 1, QStringLiteral("precious"));
    {
        ReadOnlyGuard guard(m_folder->path("gsystem"));
        if (!guard.isActive())
            QSKIP("this file system cannot make a folder read-only");
        press(a);
        QCOMPARE(a->board().session.state(), UpdateSession::State::Updating);
        QVERIFY(board::updateButton(a)->isChecked());
        QCOMPARE(a.fake.messages.shown.size(), 1);
        QCOMPARE(a.fake.messages.shown[0].kind, MessageKind::Error);
        QVERIFY(a.fake.messages.texts()[0].contains(QStringLiteral("sgrid.scd")));
        press(*m_b);
        QCOMPARE((*m_b)->board().session.state(), UpdateSession::State::Waiting);   // the lock is still held

        // The time-out retries at its ticks.
        board::sessionControl(a).onTimeoutTick();
        board::sessionControl(a).onTimeoutTick();
        QCOMPARE(a->board().session.state(), UpdateSession::State::Updating);
        QVERIFY(board::timer(a, 2)->isActive());
    }
    board::sessionControl(a).onTimeoutTick();
    board::sessionControl(a).onTimeoutTick();
    QCOMPARE(a->board().session.state(), UpdateSession::State::Viewing);
    GridData saved;
    QVERIFY(GridStore(m_folder->folder()).loadGrid(QStringLiteral("sgrid.scd"), saved).ok());
    QCOMPARE(saved.cell(1, 1), QStringLiteral("precious"));
}

void TestSessionWindow::failedBackupIsReported()
{
    // The backups' folder is a link to elsewhere: the schedule is saved, the
    // backup refused, and the user is told which folder is at fault.
    Workstation& a = *m_a;
    a->board().prefs.backup = Preferences::BackupUpdate;
    QTemporaryDir elsewhere;
    QVERIFY(QDir().rename(m_folder->path("databkup"), elsewhere.filePath("databkup")));
    QVERIFY(QFile::link(elsewhere.filePath("databkup"), m_folder->path("databkup")));
    press(a);
    board::gridView(a)->focusCell(3, 1);
    a->board().document.draft().setCell(1, 1, QStringLiteral("kept"));
    press(a);
    QCOMPARE(a->board().session.state(), UpdateSession::State::Viewing);
    QCOMPARE(a.fake.messages.shown.size(), 1);
    QCOMPARE(a.fake.messages.shown[0].kind, MessageKind::Warning);
    QVERIFY2(a.fake.messages.texts()[0].contains(QStringLiteral("databkup")), qPrintable(a.fake.messages.texts()[0]));
    QVERIFY(QDir(elsewhere.filePath("databkup")).entryList(QDir::Files).isEmpty());
    GridData saved;
    QVERIFY(GridStore(m_folder->folder()).loadGrid(QStringLiteral("sgrid.scd"), saved).ok());
    QCOMPARE(saved.cell(1, 1), QStringLiteral("kept"));
}

void TestSessionWindow::closeWithUpdateDown_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<int>("backupChoice");
    QTest::addColumn<int>("backups");   // each of the grid as on screen
    // A close saves without the Update backup, and the Close backup is of
    // the grid on screen, whatever the answer.
    QTest::newRow("yes") << int(Answer::Yes) << true << true << int(Preferences::BackupUpdate) << 0;
    QTest::newRow("yes, close backup") << int(Answer::Yes) << true << true << int(Preferences::BackupClose) << 1;
    QTest::newRow("no") << int(Answer::No) << true << false << int(Preferences::BackupUpdate) << 0;
    QTest::newRow("no, close backup") << int(Answer::No) << true << false << int(Preferences::BackupClose) << 1;
    QTest::newRow("cancel") << int(Answer::Cancel) << false << false << int(Preferences::BackupClose) << 1;
}

void TestSessionWindow::closeWithUpdateDown()
{
    QFETCH(int, answer);
    QFETCH(bool, closed);
    QFETCH(bool, saved);
    QFETCH(int, backupChoice);
    QFETCH(int, backups);
    Workstation& a = *m_a;
    a->board().prefs.backup = backupChoice;
    a->board().prefs.backupComputer = QStringLiteral("PC-A");
    press(a);
    board::gridView(a)->focusCell(3, 1);   // the selection flag that the Update backup needs
    a->board().document.draft().setCell(3, 1, QStringLiteral("edited"));
    a.fake.messages.answers = {Answer(answer)};
    QCOMPARE(a->close(), closed);
    const QStringList made = QDir(m_folder->path("databkup")).entryList({QStringLiteral("sgridbkup*")});
    QCOMPARE(made.size(), backups);
    for (const QString& b : made)
        QVERIFY(TextFile::read(m_folder->path("databkup/") + b).value.contains(QStringLiteral("edited")));
    QCOMPARE(a.fake.messages.questions,
             QStringList{"Schedule update button is down!  Do you want to save current Grid Schedule?"});
    QCOMPARE(a.fake.messages.questionOffsets[0], QPoint(-72, 33));
    GridData onDisk;
    QVERIFY(GridStore(m_folder->folder()).loadGrid(QStringLiteral("sgrid.scd"), onDisk).ok());
    QCOMPARE(onDisk.cell(3, 1) == QStringLiteral("edited"), saved);
    if (!closed) {
        QCOMPARE(a->board().session.state(), UpdateSession::State::Updating);
        QVERIFY(a->board().session.lock().isHeld());
        QVERIFY(QFile::exists(m_folder->path(a->board().session.lock().fileName())));
        press(*m_b);
        QCOMPARE((*m_b)->board().session.state(), UpdateSession::State::Waiting);
    } else {
        QVERIFY(!QFile::exists(m_folder->path(a->board().session.lock().fileName())));
        press(*m_b);
        QCOMPARE((*m_b)->board().session.state(), UpdateSession::State::Updating);
    }
}

void TestSessionWindow::gridMenuUpdateStartsSession()
{
    Workstation& a = *m_a;
    board::interaction(a).onGridMousePress(Qt::RightButton, QPoint(10, 10), Qt::ControlModifier | Qt::ShiftModifier);
    board::interaction(a).openChosenMenu(QPoint(10, 10));
    QVERIFY(board::updateMenu(a)->isVisible());
    QCOMPARE(board::updateMenu(a)->actions().size(), 1);
    board::updateMenu(a)->actions()[0]->trigger();
    board::updateMenu(a)->close();
    QCOMPARE(a->board().session.state(), UpdateSession::State::Updating);
    QVERIFY(board::updateButton(a)->isChecked());
}

void TestSessionWindow::rightClickAnywhereOnGridOpensMenu()
{
    Workstation& a = *m_a;
    a->show();
    QVERIFY(QTest::qWaitForWindowExposed(a.window.get()));
    GridView* view = board::gridView(a);
    const QList<QWidget*> areas = {view->viewport(), view->horizontalHeader()->viewport(),
                                   view->verticalHeader()->viewport()};
    for (QWidget* area : areas) {
        QTest::mouseClick(area, Qt::RightButton, Qt::NoModifier, QPoint(8, 8));
        QVERIFY2(board::updateMenu(a)->isVisible(), qPrintable(area->parentWidget()->metaObject()->className()));
        board::updateMenu(a)->close();
    }
    // A left click opens nothing.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
    QVERIFY(!board::updateMenu(a)->isVisible());
}

void TestSessionWindow::desktopSessionEndsWithoutAnswer()
{
    Workstation& a = *m_a;
    const QByteArray parm = m_folder->readFile("gsystem/parm.scd");
    press(a);
    a->board().document.draft().setCell(2, 4, QStringLiteral("saved at the end"));
    const QString lockFile = m_folder->path(a->board().session.lock().fileName());
    a->endOfDesktopSession(false);
    QVERIFY(a.fake.messages.questions.isEmpty());
    QVERIFY(!QFile::exists(lockFile));
    GridData onDisk;
    QVERIFY(GridStore(m_folder->folder()).loadGrid(QStringLiteral("sgrid.scd"), onDisk).ok());
    QCOMPARE(onDisk.cell(2, 4), QStringLiteral("saved at the end"));
    press(*m_b);
    QCOMPARE((*m_b)->board().session.state(), UpdateSession::State::Updating);
    // The window then closes without the usual close steps: no question, no preferences written.
    a->resize(777, 477);
    QVERIFY(a->close());
    QVERIFY(a.fake.messages.questions.isEmpty());
    QCOMPARE(m_folder->readFile("gsystem/parm.scd"), parm);
}

void TestSessionWindow::desktopSessionEndAsks_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("saveFails");
    QTest::newRow("yes saves") << true << false;
    QTest::newRow("no does not") << false << false;
    QTest::newRow("yes, save fails: rescued") << true << true;
}

void TestSessionWindow::desktopSessionEndAsks()
{
    QFETCH(bool, yes);
    QFETCH(bool, saveFails);
    Workstation& a = *m_a;
    press(a);
    a->board().document.draft().setCell(2, 4, QStringLiteral("asked"));
    a.fake.messages.answers = {yes ? Answer::Yes : Answer::No};
    // A dialog of the session open behind the question closes with it.
    ColumnMenuPopup* setup = board::setupMenu(a);
    for (int i = 0; i < setup->count(); ++i) {
        if (setup->caption(i) == u"Fixed Column Data Setup")
            setup->trigger(i);
    }
    QVERIFY(board::shown<FixedColumnDialog>(a));
    if (saveFails)
        TextFile::setFaultHook([](TextFile::Step s, const QString& target) {
            return s == TextFile::Step::Sync && target.endsWith(QStringLiteral("/sgrid.scd")) ? ENOSPC : 0;
        });
    a->endOfDesktopSession(true);
    TextFile::setFaultHook({});
    QVERIFY(!board::shown<FixedColumnDialog>(a));
    const QStringList backups = QDir(m_folder->path("databkup")).entryList({QStringLiteral("sgridbkup*")});
    QCOMPARE(backups.size(), saveFails ? 1 : 0);
    if (saveFails) {
        QVERIFY(TextFile::read(m_folder->path("databkup/") + backups[0]).value.contains(QStringLiteral("asked")));
        return;
    }
    QCOMPARE(a.fake.messages.questions,
             QStringList{"Schedule update button is down!  Do you want to save current Grid Schedule?"});
    QCOMPARE(a.fake.messages.questionOffsets[0], QPoint(-72, 33));
    GridData onDisk;
    QVERIFY(GridStore(m_folder->folder()).loadGrid(QStringLiteral("sgrid.scd"), onDisk).ok());
    QCOMPARE(onDisk.cell(2, 4) == QStringLiteral("asked"), yes);
}

void TestSessionWindow::timeoutBehindOpenQuestion_data()
{
    QTest::addColumn<QString>("opener");     // what opens the question
    QTest::addColumn<bool>("windowStays");
    QTest::newRow("Ctrl+D asks before deleting") << QStringLiteral("ctrl+d") << true;
    QTest::newRow("Cancel asks to undo") << QStringLiteral("cancel") << true;
    QTest::newRow("close asks to save") << QStringLiteral("close") << true;
}

void TestSessionWindow::timeoutBehindOpenQuestion()
{
    // The time-out fires while a question is open; the user answers Yes
    // after it saved and let the lock go.
    QFETCH(QString, opener);
    QFETCH(bool, windowStays);
    Workstation& a = *m_a;
    a->board().prefs.timeOut = true;
    a->board().prefs.askBeforeDeleting = true;
    press(a);
    board::gridView(a)->focusCell(1, 2);
    // Both menus as the session offered them, to be picked from late.
    for (const Qt::KeyboardModifiers mods : {Qt::KeyboardModifiers(Qt::ControlModifier), Qt::KeyboardModifiers()}) {
        board::interaction(a).onGridMousePress(Qt::RightButton, QPoint(10, 10), mods);
        board::interaction(a).openChosenMenu(QPoint(10, 10));
    }
    board::operationsMenu(a)->closeMenu();
    board::columnMenu(a)->closeMenu();
    QVERIFY(board::operationsMenu(a)->count() > 10 && board::columnMenu(a)->count() > 3);
    a->board().document.draft().setCell(1, 1, QStringLiteral("edited"));
    const GridData edited = a->board().document.draft();
    a.fake.messages.answers = {Answer::Yes};
    a.fake.messages.whileAsking = [&a] {
        board::sessionControl(a).onTimeoutTick();   // no activity since the last tick
        board::sessionControl(a).onTimeoutTick();
    };
    if (opener == u"ctrl+d")
        emit board::ctrlShortcut(a, 'D')->activated();
    else if (opener == u"cancel")
        board::cancelButton(a)->click();
    else
        QCOMPARE(a->close(), !windowStays);

    QCOMPARE(a.fake.messages.closeAllCalls, 1);
    QCOMPARE(a->board().session.state(), UpdateSession::State::Viewing);
    QVERIFY(!board::updateButton(a)->isChecked());
    QVERIFY(!board::cancelButton(a)->isEnabled());
    // The late Yes changed nothing: grid and file hold what the time-out saved.
    QCOMPARE(a->board().document.draft(), edited);
    GridData onDisk;
    QVERIFY(GridStore(m_folder->folder()).loadGrid(QStringLiteral("sgrid.scd"), onDisk).ok());
    QCOMPARE(onDisk, edited);
    for (const FakeMessages::Shown& shown : a.fake.messages.shown)
        QVERIFY2(shown.kind != MessageKind::Error, qPrintable(shown.text));
    // Nothing runs outside the session afterwards either.
    emit board::ctrlShortcut(a, 'D')->activated();
    for (int i = 0; i < board::operationsMenu(a)->count(); ++i)
        board::operationsMenu(a)->trigger(i);
    for (int i = 0; i < board::columnMenu(a)->count(); ++i)
        board::columnMenu(a)->trigger(i);
    QCOMPARE(a->board().document.draft(), edited);
}

void TestSessionWindow::reloadFailureDoesNotStart()
{
    // Another workstation's save that cannot be read must not be overwritten
    // by a session on the older grid.
    Workstation& a = *m_a;
    const GridData before = a->board().document.draft();
    m_folder->writeFile("gsystem/sgrid.scd", "2\r\n99999\r\nnew\r\n");
    const QByteArray newer = m_folder->readFile("gsystem/sgrid.scd");
    press(a);
    QCOMPARE(a->board().session.state(), UpdateSession::State::Viewing);
    QVERIFY(!board::updateButton(a)->isChecked());
    QVERIFY(!a->board().session.lock().isHeld());
    QCOMPARE(a.fake.messages.shown.size(), 1);
    QVERIFY(a.fake.messages.shown[0].text.startsWith(QStringLiteral("Could not read sgrid.scd: ")));
    QVERIFY(a.fake.messages.shown[0].text.contains(QStringLiteral("The update was not started.")));
    QCOMPARE(m_folder->readFile("gsystem/sgrid.scd"), newer);
    QCOMPARE(a->board().document.draft(), before);

    // Colours that cannot be read do not keep anybody from updating: the
    // session's save writes them anew.
    m_folder->writeFile("gsystem/sgrid.scd", "2\r\n3\r\nnew\r\n");
    m_folder->writeFile("gsystem/gclrsgrid.scd", "x\r\n");
    press(a);
    QCOMPARE(a->board().session.state(), UpdateSession::State::Updating);
    QCOMPARE(a->board().document.draft().cell(0, 0), QStringLiteral("new"));
    press(a);
    QCOMPARE(m_folder->readFile("gsystem/gclrsgrid.scd"), QByteArray("0\r\n0\r\n"));
}

void TestSessionWindow::sessionStateLivesInTheControl()
{
    Workstation& a = *m_a;
    SessionControl& control = board::sessionControl(a);
    // The grid's "Update" entry presses as the button does, and the button shows it.
    control.press();
    QVERIFY(control.running());
    QVERIFY(board::updateButton(a)->isChecked());
    board::editingButton(a)->click();
    QVERIFY(control.editing());
    QVERIFY(board::gridView(a)->editingAllowed());

    // "UPDATE OFF" releases: saved, Update up, and Editing with it.
    a->board().document.draft().setCell(1, 1, QStringLiteral("released"));
    control.release();
    QVERIFY(!control.running());
    QVERIFY(!board::updateButton(a)->isChecked());
    QVERIFY(!control.editing());
    QVERIFY(!board::editingButton(a)->isChecked());
    QVERIFY(!board::gridView(a)->editingAllowed());
    QCOMPARE(GridStore(a->board().folder).loadGrid(QStringLiteral("sgrid.scd"), a->board().document.draft()).value,
             true);
    QCOMPARE(a->board().document.draft().cell(1, 1), QStringLiteral("released"));

    // Editing pressed outside a session lets nobody type.
    board::editingButton(a)->setEnabled(true);
    board::editingButton(a)->click();
    QVERIFY(control.editing());
    QVERIFY(!board::gridView(a)->editingAllowed());

    QVERIFY(!control.beep());
    board::beepAction(a)->setChecked(true);
    QVERIFY(control.beep());
}

QTEST_MAIN(TestSessionWindow)
#include "tst_sessionwindow.moc"
