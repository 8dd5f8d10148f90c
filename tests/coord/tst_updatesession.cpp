#include "coord/updatesession.h"
#include "grid/griddata.h"
#include "store/gridstore.h"
#include "base/preferences.h"
#include "store/savehistory.h"
#include "store/textfile.h"
#include "tests/support/fakeservices.h"
#include "tests/support/station.h"
#include "tests/support/testfolder.h"
#include "tests/support/testplatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

#include <memory>

namespace {

using State = UpdateSession::State;
using Start = UpdateSession::StartResult;

QStringList fileLines(const TestFolder& tf, const QString& rel)
{
    return TextFile::read(tf.path(rel)).value;
}

QStringList backups(const TestFolder& tf)
{
    return QDir(tf.path(QStringLiteral("databkup"))).entryList(QDir::Files);
}

} // namespace

class TestUpdateSession : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startUpLoadsAndPolls();
    void pressStartsSessionWithSnapshot();
    void leftoversWaitForLockHolder();
    void busyWhileOtherUpdates();
    void busyReadsCurrentUserFile_data();
    void busyReadsCurrentUserFile();
    void lockErrorWaitsForNobody();
    void waitingEndsWhenOtherReleases();
    void releaseSavesWithoutOwnReload();
    void releaseRecordsWhoChangedWhat_data();
    void releaseRecordsWhoChangedWhat();
    void pressLoadsOthersSaveBeforeSnapshot();
    void touchedFileIsReloaded();
    void incompleteReloadIsRetried();
    void cancelRestoresSnapshot();
    void cancelWithoutSnapshotFallsBackToSharedFile();
    void historyBelongsToTheSession_data();
    void historyBelongsToTheSession();
    void pollIntervals_data();
    void pollIntervals();
    void holderTexts_data();
    void holderTexts();
    void countdown_data();
    void countdown();
    void timeoutDecisions_data();
    void timeoutDecisions();
    void timeoutKeptAliveByActivity();
    void dialogsSuspendTimeout();
    void updateBackupRule_data();
    void updateBackupRule();
    void timedBackups_data();
    void timedBackups();
    void failedSaveKeepsSessionOpen();
    void failedSnapshotDoesNotStart();
    void savesInsideOneTickAreToldApart();
    void savesBetweenPollsAreNotMissed();
    void closeDownKeepsHeldLockFile();
    void shutdownSavesRunningSession();
    void shutdownRescuesUnsavableEdits();
    void vanishedFolderGivesDefinedResults();
    void lostLockNeverSavesOverOtherSession_data();
    void lostLockNeverSavesOverOtherSession();
    void failingWritesNeverReportSuccess_data();
    void failingWritesNeverReportSuccess();
    void fullDiskKeepsSessionOpen();
    void oversizedCurrentUserNames();
    void cancelAfterHalfFailedSave();
    void savingWorkstationShowsWhatFileHolds();
    void unreadGridIsNeverSaved();
    void restoreBackup_data();
    void restoreBackup();
    void restoreKeepsUnreadableSchedule();
    void backupsInOneSecondAreAllKept_data();
    void backupsInOneSecondAreAllKept();

private:
    std::unique_ptr<TestFolder> m_tf;
    std::unique_ptr<Station> m_a;
    std::unique_ptr<Station> m_b;
};

void TestUpdateSession::init()
{
    m_tf = std::make_unique<TestFolder>();
    m_tf->writeMinimalData();
    m_a = std::make_unique<Station>(m_tf->folder(), QStringLiteral("PC-A"), QStringLiteral("anna"));
    m_b = std::make_unique<Station>(m_tf->folder(), QStringLiteral("PC-B"), QStringLiteral("ben"));
    QVERIFY(m_a->session.startUp().ok());
    QVERIFY(m_b->session.startUp().ok());
}

void TestUpdateSession::cleanup()
{
    m_a.reset();
    m_b.reset();
    m_tf.reset();
}

void TestUpdateSession::startUpLoadsAndPolls()
{
    QCOMPARE(m_a->grid, TestFolder::sampleGrid());
    QCOMPARE(m_a->session.state(), State::Viewing);
    QCOMPARE(m_a->session.pollInterval(), 5000);
    QVERIFY(!m_a->session.timeoutActive());
    QVERIFY(!m_a->session.lastKnownStamp().isZero());
    QCOMPARE(m_a->session.currentStamp(), m_a->session.lastKnownStamp());
    QVERIFY(!m_a->session.poll().reloaded);

    // Backups beyond 100 are pruned at start.
    for (int i = 0; i < 103; ++i)
        m_tf->writeFile(QStringLiteral("databkup/") + GridStore::backupFileName(
                            QDateTime(QDate(2025, 1, 1), QTime(0, 0)).addSecs(i)), "1\r\n1\r\nx\r\n");
    Station c(m_tf->folder(), QStringLiteral("PC-C"), QStringLiteral("cid"));
    QVERIFY(c.session.startUp().ok());
    QCOMPARE(backups(*m_tf).size(), 100);
}

void TestUpdateSession::pressStartsSessionWithSnapshot()
{
    m_a->prefs.timeOut = true;
    m_a->grid.setCell(2, 2, QStringLiteral("unsaved view edit"));
    const Start r = m_a->session.pressUpdate();
    QCOMPARE(r.kind, Start::Started);
    QVERIFY(!r.reloaded);
    QCOMPARE(m_a->session.state(), State::Updating);
    QVERIFY(m_a->session.lock().isHeld());
    QCOMPARE(m_a->session.pollInterval(), 7000);
    QVERIFY(m_a->session.timeoutActive());

    GridData snapshot;
    QVERIFY(GridStore(m_tf->folder()).loadGrid(QStringLiteral("bsgrid.scd"), snapshot).ok());
    QCOMPARE(snapshot, m_a->grid);
    QCOMPARE(fileLines(*m_tf, QStringLiteral("users/curuser.scd")),
             (QStringList{QStringLiteral("PC-A"), QStringLiteral("anna")}));

    // A second press while updating changes nothing.
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    QCOMPARE(m_a->session.state(), State::Updating);
}

void TestUpdateSession::leftoversWaitForLockHolder()
{
    // Left by killed boards: an hour old by the file system's stamps.
    const QStringList old{"gsystem/parm.scd.sbtmpOld001", "users/users.scd.sbtmpOld002", "databkup/x.scd.sbtmpOld003",
                          "colfiles/Date.scd.sbtmpOld004", "Schedboard.scd.sbtmpOld005", "lockdead001.scd"};
    // Under way on other workstations: just written.
    const QStringList young{"gsystem/parm.scd.sbtmpYoung1", "lockfresh01.scd"};
    for (const QString& f : old + young)
        m_tf->writeFile(f, "x\r\n");
    const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
    for (const QString& f : old) {
        QFile file(m_tf->path(f));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(hourAgo, QFileDevice::FileModificationTime));
    }
    // A save of the grid cut short between its renames.
    const QByteArray cut = m_tf->readFile(QStringLiteral("gsystem/bsgrid.scd"));
    m_tf->writeFile(QStringLiteral("gsystem/sgrid.scd.sbtmpCut001"), cut);
    m_tf->writeFile(QStringLiteral("gsystem/sgrid.scd"), "garbage\r\n");
    // One that no save wrote (damaged, or planted): never put in place.
    m_tf->writeFile(QStringLiteral("gsystem/sgrid.scd.sbtmpBad001"), "x");

    // A board that starts, whatever its clock says, leaves all of it alone:
    // without the lock it cannot tell a crash from a save under way.
    Station c(m_tf->folder(), QStringLiteral("PC-C"), QStringLiteral("cleo"));
    c.clock.now = QDateTime::currentDateTime().addDays(2);
    (void)c.session.startUp();   // the grid planted here is garbage on purpose
    for (const QString& f : old + young)
        QVERIFY2(m_tf->exists(f), qPrintable(f));
    QVERIFY(m_tf->exists(QStringLiteral("gsystem/sgrid.scd.sbtmpCut001")));

    // The holder of the lock finishes the save and clears what is old.
    QCOMPARE(c.session.pressUpdate().kind, Start::Started);
    QVERIFY(!m_tf->exists(QStringLiteral("gsystem/sgrid.scd.sbtmpCut001")));
    QVERIFY(!m_tf->exists(QStringLiteral("gsystem/sgrid.scd.sbtmpBad001")));
    QCOMPARE(m_tf->readFile(QStringLiteral("gsystem/sgrid.scd")), cut);
    for (const QString& f : old)
        QVERIFY2(!m_tf->exists(f), qPrintable(f));
    for (const QString& f : young)
        QVERIFY2(m_tf->exists(f), qPrintable(f));
    QVERIFY(m_tf->exists(c.session.lock().fileName()));
    c.session.releaseUpdate();
}

void TestUpdateSession::busyWhileOtherUpdates()
{
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    // A viewing board learns of the session at its next poll.
    QVERIFY(!m_b->session.holder());
    (void)m_b->session.poll();
    QVERIFY(m_b->session.holder());
    const Start r = m_b->session.pressUpdate();
    QCOMPARE(r.kind, Start::Busy);
    QCOMPARE(r.computer, QStringLiteral("PC-A"));
    QCOMPARE(r.user, QStringLiteral("anna"));
    QCOMPARE(m_b->session.state(), State::Waiting);
    QCOMPARE(m_b->session.pollInterval(), 3000);
    QVERIFY(!m_b->session.lock().isHeld());
    QVERIFY(!m_b->session.timeoutActive());

    // Still busy on every tick while A holds the lock; pressing again too.
    for (int i = 0; i < 3; ++i) {
        const UpdateSession::PollResult p = m_b->session.poll();
        QVERIFY(!p.freed);
        QCOMPARE(m_b->session.state(), State::Waiting);
        // Every poll says who holds the board; the holder sees nobody.
        QVERIFY(m_b->session.holder());
        QCOMPARE(m_b->session.holder()->user, QStringLiteral("anna"));
        QCOMPARE(m_b->session.holder()->computer, QStringLiteral("PC-A"));
        QVERIFY(m_b->session.holder()->sinceMsUtc > 0);
        (void)m_a->session.poll();
        QVERIFY(!m_a->session.holder());
    }
    QCOMPARE(m_b->session.pressUpdate().kind, Start::Busy);
    QCOMPARE(m_a->session.state(), State::Updating);
    QVERIFY(m_a->session.releaseUpdate().saved);
    (void)m_b->session.poll();
    QVERIFY(!m_b->session.holder());
}

void TestUpdateSession::busyReadsCurrentUserFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("computer");
    QTest::addColumn<QString>("user");
    QTest::newRow("missing") << QByteArray() << false << QString() << QString();
    QTest::newRow("empty") << QByteArray() << true << QString() << QString();
    QTest::newRow("one line") << QByteArray("PC-X\r\n") << true << QStringLiteral("PC-X") << QString();
    QTest::newRow("LF only") << QByteArray("PC-X\nxena\n") << true << QStringLiteral("PC-X") << QStringLiteral("xena");
    QTest::newRow("extra lines") << QByteArray("PC-X\r\nxena\r\nmore\r\n") << true << QStringLiteral("PC-X")
                                 << QStringLiteral("xena");
}

void TestUpdateSession::busyReadsCurrentUserFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, present);
    QFETCH(QString, computer);
    QFETCH(QString, user);
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    QFile::remove(m_tf->path(QStringLiteral("users/curuser.scd")));
    if (present)
        m_tf->writeFile(QStringLiteral("users/curuser.scd"), content);
    const Start r = m_b->session.pressUpdate();
    QCOMPARE(r.kind, Start::Busy);
    QCOMPARE(r.computer, computer);
    QCOMPARE(r.user, user);
}

void TestUpdateSession::lockErrorWaitsForNobody()
{
    QCOMPARE(m_b->session.pressUpdate().kind, Start::Started);
    QVERIFY(m_b->session.releaseUpdate().saved);
    LockFile intruder;
    QVERIFY(intruder.open(m_tf->path(m_b->session.lock().fileName())).ok());

    // Nobody holds the board: no editor is named, and there is nobody to
    // wait for. The message names the file and the reason.
    Start r = m_b->session.pressUpdate();
    QCOMPARE(r.kind, Start::LockError);
    QCOMPARE(r.path, m_tf->path(m_b->session.lock().fileName()));
    QVERIFY2(!r.reason.isEmpty() && r.message.contains(r.reason), qPrintable(r.message));
    QVERIFY(r.computer.isEmpty() && r.user.isEmpty());
    QCOMPARE(m_b->session.state(), State::Viewing);
    QCOMPARE(m_b->session.pollInterval(), 7000);
    QVERIFY(!m_b->session.lock().isHeld());

    // A board already waiting goes on waiting: its own waiting check tells
    // when the board is free.
    intruder.close();
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    QCOMPARE(m_b->session.pressUpdate().kind, Start::Busy);
    QVERIFY(m_a->session.releaseUpdate().saved);
    QVERIFY(intruder.open(m_tf->path(m_b->session.lock().fileName())).ok());
    QCOMPARE(m_b->session.pressUpdate().kind, Start::LockError);
    QCOMPARE(m_b->session.state(), State::Waiting);
    QCOMPARE(m_b->session.pollInterval(), 3000);
    QVERIFY(!m_b->session.poll().freed);   // the intruder's lock is somebody's
    intruder.close();
    QVERIFY(m_b->session.poll().freed);
    QCOMPARE(m_b->session.pressUpdate().kind, Start::Started);
}

void TestUpdateSession::waitingEndsWhenOtherReleases()
{
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    QCOMPARE(m_b->session.pressUpdate().kind, Start::Busy);
    m_a->grid.setCell(1, 1, QStringLiteral("T-99"));
    m_a->grid.setRowColor(1, 5);
    QVERIFY(m_a->session.releaseUpdate().saved);

    const UpdateSession::PollResult p = m_b->session.poll();
    QVERIFY(p.freed);
    QVERIFY(p.reloaded);   // the reload check runs in the same tick
    QVERIFY2(p.ok(), qPrintable(p.message));
    QCOMPARE(m_b->session.state(), State::Viewing);
    QCOMPARE(m_b->session.pollInterval(), 7000);
    QCOMPARE(m_b->grid, m_a->grid);

    // Freed once only; nothing is started by itself.
    const UpdateSession::PollResult again = m_b->session.poll();
    QVERIFY(!again.freed);
    QVERIFY(!again.reloaded);
    QVERIFY(!m_b->session.lock().isHeld());
}

void TestUpdateSession::releaseSavesWithoutOwnReload()
{
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    m_a->grid.setCell(3, 3, QStringLiteral("  padded  "));
    m_a->grid.setRowColor(3, 11);
    const UpdateSession::EndResult e = m_a->session.releaseUpdate();
    QVERIFY(e.saved);
    QVERIFY(e.failure.ok());
    QCOMPARE(m_a->session.state(), State::Viewing);
    QVERIFY(!m_a->session.lock().isHeld());
    QVERIFY(!m_a->session.timeoutActive());

    GridData onDisk;
    QVERIFY(GridStore(m_tf->folder()).loadGrid(QStringLiteral("sgrid.scd"), onDisk).ok());
    QCOMPARE(onDisk, m_a->grid);
    QCOMPARE(m_a->session.currentStamp(), m_a->session.lastKnownStamp());

    // The saver does not reload its own save; the other workstation does.
    m_a->grid.setCell(3, 3, QStringLiteral("local only"));
    QVERIFY(!m_a->session.poll().reloaded);
    QCOMPARE(m_a->grid.cell(3, 3), QStringLiteral("local only"));
    QVERIFY(m_b->session.poll().reloaded);
    QCOMPARE(m_b->grid, onDisk);
    QVERIFY(!m_b->session.poll().reloaded);

    // Releasing outside a session does nothing.
    QVERIFY(!m_a->session.releaseUpdate().saved);
}

void TestUpdateSession::releaseRecordsWhoChangedWhat_data()
{
    QTest::addColumn<int>("fault");   // on the history file's rename; 0: none
    QTest::addColumn<bool>("folderInPlace");
    QTest::newRow("recorded") << 0 << false;
    QTest::newRow("disk full") << ENOSPC << false;
    QTest::newRow("a folder in its place") << 0 << true;
}

void TestUpdateSession::releaseRecordsWhoChangedWhat()
{
    QFETCH(int, fault);
    QFETCH(bool, folderInPlace);
    const QString history = m_tf->path(QStringLiteral("gsystem/") + SaveHistory::fileName());
    if (folderInPlace)
        QVERIFY(QDir().mkpath(history));
    const auto noFaults = qScopeGuard([] { TextFile::setFaultHook({}); });
    TextFile::setFaultHook([fault](TextFile::Step step, const QString& target) {
        return step == TextFile::Step::Rename && target.endsWith(SaveHistory::fileName()) ? fault : 0;
    });

    // Another workstation's save before the press is not this session's.
    QCOMPARE(m_b->session.pressUpdate().kind, Start::Started);
    m_b->grid.setCell(1, 1, QStringLiteral("ben's"));
    QVERIFY(m_b->session.releaseUpdate().saved);
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    const QString was = m_a->grid.cell(2, 3);
    m_a->grid.setCell(2, 3, QStringLiteral("T-99"));
    m_a->grid.setCell(0, 3, QStringLiteral("Dock 4"));
    m_a->grid.setRowColor(3, 6);
    m_a->clock.now = QDateTime(QDate(2026, 5, 1), QTime(9, 30), Qt::UTC);
    // Whatever becomes of the record, the save is a save.
    const UpdateSession::EndResult e = m_a->session.releaseUpdate();
    QVERIFY(e.saved);
    QVERIFY2(e.failure.ok(), qPrintable(e.failure.message));
    QCOMPARE(m_a->session.state(), State::Viewing);
    QVERIFY(m_b->session.poll().reloaded);
    QCOMPARE(m_b->grid.cell(2, 3), QStringLiteral("T-99"));

    const FileResult<SaveRecord> newest = SaveHistory::readNewest(m_tf->folder());
    if (fault || folderInPlace) {
        QVERIFY(!newest.ok() || newest.value.user == QStringLiteral("ben"));
        return;
    }
    QVERIFY2(newest.ok(), qPrintable(newest.message));
    QCOMPARE(newest.value.user, QStringLiteral("anna"));
    QCOMPARE(newest.value.computer, QStringLiteral("PC-A"));
    QCOMPARE(newest.value.timeMsUtc, m_a->clock.now.toMSecsSinceEpoch());
    QCOMPARE(newest.value.cells, (QList<CellChange>{{0, 3, TestFolder::sampleGrid().cell(0, 3), QStringLiteral("Dock 4")},
                                                    {2, 3, was, QStringLiteral("T-99")}}));
    QVERIFY(SaveHistory::madeStamp(newest.value, m_b->session.lastKnownStamp()));
    QCOMPARE(SaveHistory::read(m_tf->folder()).value.size(), 2);
}

void TestUpdateSession::pressLoadsOthersSaveBeforeSnapshot()
{
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    m_a->grid.setCell(2, 1, QStringLiteral("Copper"));
    QVERIFY(m_a->session.releaseUpdate().saved);

    // B has not polled since A saved.
    const Start r = m_b->session.pressUpdate();
    QCOMPARE(r.kind, Start::Started);
    QVERIFY(r.reloaded);
    QCOMPARE(m_b->grid.cell(2, 1), QStringLiteral("Copper"));
    GridData snapshot;
    QVERIFY(GridStore(m_tf->folder()).loadGrid(QStringLiteral("bsgrid.scd"), snapshot).ok());
    QCOMPARE(snapshot, m_a->grid);
}

void TestUpdateSession::touchedFileIsReloaded()
{
    // Same content, new file: any new version counts.
    const QByteArray bytes = m_tf->readFile(QStringLiteral("gsystem/sgrid.scd"));
    QVERIFY(TextFile::writeBytes(m_tf->path(QStringLiteral("gsystem/sgrid.scd")), bytes).ok());
    m_b->grid.setCell(1, 1, QStringLiteral("stale"));
    QVERIFY(m_b->session.poll().reloaded);
    QCOMPARE(m_b->grid, TestFolder::sampleGrid());
}

void TestUpdateSession::incompleteReloadIsRetried()
{
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    m_a->grid.setCell(1, 2, QStringLiteral("T-7"));
    QVERIFY(m_a->session.releaseUpdate().saved);
    QVERIFY(QFile::remove(m_tf->path(QStringLiteral("gsystem/gclrsgrid.scd"))));

    // A missing colour file means rows without colours, nothing to read
    // again; an update can still start, and its save makes the file again.
    UpdateSession::PollResult p = m_b->session.poll();
    QVERIFY(p.reloaded);
    QVERIFY2(p.ok(), qPrintable(p.message));
    QCOMPARE(m_b->grid.cell(1, 2), QStringLiteral("T-7"));
    QCOMPARE(m_b->session.lastKnownStamp(), m_b->session.currentStamp());
    QVERIFY(!m_b->session.poll().reloaded);

    // A colour file that is there but malformed is not read again at every
    // poll: the next save, which changes the grid file too, brings the colours.
    m_tf->writeFile(QStringLiteral("gsystem/gclrsgrid.scd"), "red\r\n");
    m_tf->writeFile(QStringLiteral("gsystem/sgrid.scd"), m_tf->readFile(QStringLiteral("gsystem/sgrid.scd")));
    p = m_b->session.poll();
    QVERIFY(p.reloaded);
    QVERIFY(!p.ok() && !p.message.isEmpty());
    QVERIFY(!m_b->session.poll().reloaded);
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    QVERIFY(m_a->session.releaseUpdate().saved);
    p = m_b->session.poll();
    QVERIFY(p.reloaded);
    QVERIFY2(p.ok(), qPrintable(p.message));
    QCOMPARE(m_b->grid, m_a->grid);
    QVERIFY(!m_b->session.poll().reloaded);

    // A malformed file leaves the grid as it was and is not read again
    // until it changes; a file that cannot be opened is retried.
    m_tf->writeFile(QStringLiteral("gsystem/sgrid.scd"), "x\r\ny\r\n");
    const GridData before = m_b->grid;
    p = m_b->session.poll();
    QVERIFY(!p.reloaded);
    QVERIFY(!p.ok() && !p.message.isEmpty());
    p = m_b->session.poll();
    QVERIFY(!p.reloaded);
    QVERIFY2(p.ok(), qPrintable(p.message));
    QCOMPARE(m_b->grid, before);
    QVERIFY(QFile::remove(m_tf->path(QStringLiteral("gsystem/sgrid.scd"))));
    for (int i = 0; i < 2; ++i)
        QVERIFY(!m_b->session.poll().ok());
    m_tf->writeFile(QStringLiteral("gsystem/sgrid.scd"), "2\r\n2\r\nA\r\nB\r\nC\r\nD\r\n");
    QVERIFY(m_b->session.poll().reloaded);
    QCOMPARE(m_b->grid.cell(1, 1), QStringLiteral("D"));
}

void TestUpdateSession::cancelRestoresSnapshot()
{
    const QByteArray shared = m_tf->readFile(QStringLiteral("gsystem/sgrid.scd"));
    QVERIFY(!m_a->session.cancel().ok());   // nothing to cancel
    m_a->prefs.timeOut = true;
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    const GridData start = m_a->grid;
    m_a->grid.setCell(1, 1, QStringLiteral("changed"));
    m_a->grid.setRowColor(1, 4);
    m_a->grid.setRowColor(2, 0);
    m_a->grid.setSize(6, 9);

    QVERIFY(m_a->session.cancel().ok());
    QCOMPARE(m_a->grid, start);
    QCOMPARE(m_a->session.state(), State::Viewing);
    QVERIFY(!m_a->session.lock().isHeld());
    QVERIFY(!m_a->session.timeoutActive());
    QCOMPARE(m_a->session.pollInterval(), 7000);
    QCOMPARE(m_tf->readFile(QStringLiteral("gsystem/sgrid.scd")), shared);
    QCOMPARE(m_b->session.pressUpdate().kind, Start::Started);
}

void TestUpdateSession::historyBelongsToTheSession_data()
{
    QTest::addColumn<QString>("end");
    QTest::newRow("release") << "release";
    QTest::newRow("cancel") << "cancel";
    QTest::newRow("time-out") << "timeout";
    QTest::newRow("close answered no") << "abandon";
}

void TestUpdateSession::historyBelongsToTheSession()
{
    QFETCH(QString, end);
    QVERIFY(!m_a->session.history().active());
    m_a->prefs.timeOut = true;
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    const GridData start = m_a->grid;
    m_a->grid.setCell(1, 1, QStringLiteral("changed"));
    QVERIFY(m_a->session.recordChange(QStringLiteral("typed")));
    QVERIFY(m_a->session.undo());
    QCOMPARE(m_a->grid, start);
    QCOMPARE(m_a->document.data(), start);
    QVERIFY(m_a->session.redo());

    if (end == QLatin1String("release")) {
        QVERIFY(m_a->session.releaseUpdate().saved);
    } else if (end == QLatin1String("cancel")) {
        QVERIFY(m_a->session.cancel().ok());
    } else if (end == QLatin1String("timeout")) {
        m_a->session.timeoutTick();   // the activity flag of the start
        QCOMPARE(m_a->session.timeoutTick(), UpdateSession::TimeoutAction::End);
        QVERIFY(m_a->session.releaseUpdate().saved);
    } else {
        m_a->session.abandon();
    }
    QCOMPARE(m_a->session.state(), State::Viewing);
    QVERIFY(!m_a->session.history().active());
    QVERIFY(!m_a->session.history().canUndo() && !m_a->session.history().canRedo());
    const GridData after = m_a->grid;
    QVERIFY(!m_a->session.undo());
    QCOMPARE(m_a->grid, after);

    // The next session starts with no steps of its own.
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    QVERIFY(m_a->session.history().active());
    QVERIFY(!m_a->session.history().canUndo());
}

void TestUpdateSession::cancelWithoutSnapshotFallsBackToSharedFile()
{
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    m_a->grid.setCell(1, 1, QStringLiteral("changed"));
    QVERIFY(QFile::remove(m_tf->path(QStringLiteral("gsystem/bsgrid.scd"))));
    QVERIFY(!m_a->session.cancel().ok());
    QCOMPARE(m_a->grid, TestFolder::sampleGrid());
    QCOMPARE(m_a->session.state(), State::Viewing);
    QVERIFY(!m_a->session.lock().isHeld());
    QVERIFY(!m_a->session.poll().reloaded);
}

void TestUpdateSession::pollIntervals_data()
{
    QTest::addColumn<bool>("network");
    QTest::addColumn<QString>("interval");
    // After: A starts, A ends, B press (busy), B freed, B starts, B ends.
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("network, 7 s") << true << QStringLiteral("7") << QList<int>{7000, 7000, 3000, 7000, 7000, 7000};
    QTest::newRow("alone, 7 s") << false << QStringLiteral("7") << QList<int>{7000, 0, 3000, 7000, 7000, 0};
    QTest::newRow("network, letters") << true << QStringLiteral("abc") << QList<int>{5000, 5000, 3000, 3000, 3000, 3000};
    // Waiting always polls at 3 s, alone too and below a shorter preference.
    QTest::newRow("alone, 1 s") << false << QStringLiteral("1") << QList<int>{1000, 0, 3000, 1000, 1000, 0};
    QTest::newRow("alone, letters") << false << QStringLiteral("abc") << QList<int>{5000, 0, 3000, 3000, 3000, 0};
    QTest::newRow("network, zero") << true << QStringLiteral("0") << QList<int>{5000, 5000, 3000, 3000, 3000, 3000};
    QTest::newRow("network, negative") << true << QStringLiteral("-4") << QList<int>{5000, 5000, 3000, 3000, 3000, 3000};
    QTest::newRow("network, spaces") << true << QStringLiteral(" 12 ") << QList<int>{12000, 12000, 3000, 12000, 12000, 12000};
}

void TestUpdateSession::pollIntervals()
{
    QFETCH(bool, network);
    QFETCH(QString, interval);
    QFETCH(QList<int>, expected);
    for (Station* s : {m_a.get(), m_b.get()}) {
        s->prefs.network = network;
        s->prefs.updateInterval = interval;
        QCOMPARE(s->session.pollInterval(), 5000);
    }
    QList<int> seen;
    // The session's own timers follow: Timer1 at the interval (stopped at 0),
    // the lock check while updating.
    auto note = [&seen](UpdateSession& s) {
        const int ms = s.pollInterval();
        QCOMPARE(s.pollTimer().isActive() ? s.pollTimer().interval() : 0, ms);
        QCOMPARE(s.lockTimer().isActive(), s.state() == State::Updating);
        seen << ms;
    };
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    note(m_a->session);
    QCOMPARE(m_b->session.pressUpdate().kind, Start::Busy);
    QVERIFY(m_a->session.releaseUpdate().saved);
    note(m_a->session);
    note(m_b->session);
    QVERIFY(m_b->session.poll().freed);
    note(m_b->session);
    QCOMPARE(m_b->session.pressUpdate().kind, Start::Started);
    note(m_b->session);
    QVERIFY(m_b->session.releaseUpdate().saved);
    note(m_b->session);
    QCOMPARE(seen, expected);
}

void TestUpdateSession::holderTexts_data()
{
    QTest::addColumn<QString>("computer");
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("military");
    QTest::addColumn<QString>("text");
    QTest::newRow("full") << "PC-A" << "anna" << true << "Updating: anna on PC-A since 14:05";
    QTest::newRow("twelve-hour clock") << "PC-A" << "anna" << false << "Updating: anna on PC-A since 2:05 PM";
    QTest::newRow("names trimmed") << " PC-A " << " anna\t" << true << "Updating: anna on PC-A since 14:05";
    QTest::newRow("empty curuser.scd") << "" << "" << true << "Updating: someone since 14:05";
    QTest::newRow("unknown start") << "PC-A" << "anna" << true << "Updating: anna on PC-A";
}

void TestUpdateSession::holderTexts()
{
    QFETCH(QString, computer);
    QFETCH(QString, user);
    QFETCH(bool, military);
    const bool unknownStart = QByteArray(QTest::currentDataTag()) == "unknown start";
    UpdateSession::Holder h{computer, user,
                            unknownStart ? 0 : QDateTime(QDate(2026, 3, 2), QTime(14, 5)).toMSecsSinceEpoch()};
    QTEST(UpdateSession::holderText(h, military), "text");
}

void TestUpdateSession::countdown_data()
{
    QTest::addColumn<bool>("active");
    QTest::addColumn<bool>("activity");
    QTest::addColumn<int>("remainingMs");
    QTest::addColumn<int>("seconds");   // -1: no countdown
    QTest::newRow("early in the period") << true << false << 20000 << -1;
    QTest::newRow("ten seconds left") << true << false << 10000 << 10;
    QTest::newRow("part of a second rounds up") << true << false << 9001 << 10;
    QTest::newRow("last moment") << true << false << 1 << 1;
    QTest::newRow("due now") << true << false << 0 << 0;
    QTest::newRow("activity keeps the session") << true << true << 3000 << -1;
    QTest::newRow("time-out off") << false << false << 3000 << -1;
    QTest::newRow("timer stopped") << true << false << -1 << -1;
}

void TestUpdateSession::countdown()
{
    QFETCH(bool, active);
    QFETCH(bool, activity);
    QFETCH(int, remainingMs);
    const std::optional<int> s = UpdateSession::countdownSeconds(active, activity, remainingMs);
    QTEST(s ? *s : -1, "seconds");
}

void TestUpdateSession::timeoutDecisions_data()
{
    QTest::addColumn<bool>("optionOn");
    QTest::addColumn<bool>("activity");
    QTest::addColumn<UpdateSession::TimeoutAction>("action");
    QTest::newRow("idle") << true << false << UpdateSession::TimeoutAction::End;
    QTest::newRow("active") << true << true << UpdateSession::TimeoutAction::Continue;
    QTest::newRow("option turned off, idle") << false << false << UpdateSession::TimeoutAction::Stop;
    QTest::newRow("option turned off, active") << false << true << UpdateSession::TimeoutAction::Stop;
}

void TestUpdateSession::timeoutDecisions()
{
    QFETCH(bool, optionOn);
    QFETCH(bool, activity);
    QFETCH(UpdateSession::TimeoutAction, action);
    m_a->prefs.timeOut = true;
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    QVERIFY(m_a->session.timeoutActive());
    m_a->prefs.timeOut = optionOn;
    if (activity)
        m_a->session.noteActivity();
    QCOMPARE(m_a->session.timeoutTick(), action);
    QCOMPARE(m_a->session.timeoutActive(), action != UpdateSession::TimeoutAction::Stop);
    if (action != UpdateSession::TimeoutAction::Stop)
        QVERIFY(!m_a->session.activityFlag());
    QCOMPARE(m_a->session.state(), State::Updating);   // ending is the window's call
}

void TestUpdateSession::timeoutKeptAliveByActivity()
{
    using Action = UpdateSession::TimeoutAction;
    m_a->prefs.timeOut = true;
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    for (int i = 0; i < 4; ++i) {
        m_a->session.noteActivity();
        QCOMPARE(m_a->session.timeoutTick(), Action::Continue);
    }
    // The first tick after the last activity clears the flag, the next ends.
    m_a->session.noteActivity();
    QCOMPARE(m_a->session.timeoutTick(), Action::Continue);
    m_a->grid.setCell(1, 1, QStringLiteral("timed out"));
    QCOMPARE(m_a->session.timeoutTick(), Action::End);
    QVERIFY(m_a->session.releaseUpdate().saved);
    QVERIFY(!m_a->session.timeoutActive());
    QVERIFY(m_b->session.poll().reloaded);
    QCOMPARE(m_b->grid.cell(1, 1), QStringLiteral("timed out"));

    // Outside a session a stray tick stops the timer.
    QCOMPARE(m_a->session.timeoutTick(), Action::Stop);
}

void TestUpdateSession::dialogsSuspendTimeout()
{
    m_a->session.restartTimeout();
    QVERIFY(!m_a->session.timeoutActive());   // only meaningful while updating
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    QVERIFY(!m_a->session.timeoutActive());   // option off
    m_a->session.restartTimeout();
    QVERIFY(m_a->session.timeoutActive());
    QCOMPARE(m_a->session.timeoutTick(), UpdateSession::TimeoutAction::Stop);
    QVERIFY(!m_a->session.timeoutActive());

    m_a->prefs.timeOut = true;
    m_a->session.restartTimeout();
    m_a->session.suspendTimeout();
    QVERIFY(!m_a->session.timeoutActive());
    m_a->session.restartTimeout();
    QVERIFY(m_a->session.timeoutActive());
}

void TestUpdateSession::updateBackupRule_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("backup");
    QTest::newRow("Update, selected") << int(Preferences::BackupUpdate) << true << true;
    QTest::newRow("Update, nothing selected") << int(Preferences::BackupUpdate) << false << false;
    QTest::newRow("Hourly, selected") << int(Preferences::BackupHourly) << true << false;
    QTest::newRow("Close, selected") << int(Preferences::BackupClose) << true << false;
}

void TestUpdateSession::updateBackupRule()
{
    QFETCH(int, choice);
    QFETCH(bool, selected);
    QFETCH(bool, backup);
    m_a->prefs.backup = choice;
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    m_a->grid.setCell(1, 1, QStringLiteral("backed"));
    if (selected)
        m_a->session.noteSelection();
    const UpdateSession::EndResult e = m_a->session.releaseUpdate();
    QVERIFY(e.saved);
    QCOMPARE(e.backedUp, backup);
    QVERIFY(!m_a->session.selectionFlag());
    const QStringList files = backups(*m_tf);
    QCOMPARE(files.size(), backup ? 1 : 0);
    if (backup) {
        QCOMPARE(files.first(), QStringLiteral("sgridbkup030726140509.scd"));
        const QStringList cells = GridStore::gridLines(m_a->grid);
        QCOMPARE(fileLines(*m_tf, QStringLiteral("databkup/") + files.first()).mid(0, cells.size()), cells);
        GridData back;
        BackupKind kind = BackupKind::Unknown;
        QVERIFY(GridStore(m_tf->folder()).loadBackup(files.first(), back, &kind).ok());
        QCOMPARE(back, m_a->grid);
        QCOMPARE(kind, BackupKind::Update);
    }

    // The flag was cleared: the next session without a selection makes none.
    m_a->clock.now = m_a->clock.now.addSecs(5);
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    QVERIFY(m_a->session.releaseUpdate().saved);
    QCOMPARE(backups(*m_tf).size(), backup ? 1 : 0);
}

void TestUpdateSession::timedBackups_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("backupComputer");
    QTest::addColumn<bool>("hourly");
    QTest::addColumn<bool>("atClose");
    QTest::newRow("Hourly here") << int(Preferences::BackupHourly) << QStringLiteral("PC-A") << true << false;
    QTest::newRow("Hourly elsewhere") << int(Preferences::BackupHourly) << QStringLiteral("PC-B") << false << false;
    // One PC is "PC-A" to Windows and "pc-a" to Linux: the same computer.
    QTest::newRow("Hourly, case differs") << int(Preferences::BackupHourly) << QStringLiteral("pc-a") << true << false;
    QTest::newRow("Close here") << int(Preferences::BackupClose) << QStringLiteral("PC-A") << false << true;
    QTest::newRow("Close, case differs") << int(Preferences::BackupClose) << QStringLiteral("Pc-A") << false << true;
    QTest::newRow("Close, typed with spaces") << int(Preferences::BackupClose) << QStringLiteral(" PC-A ") << false << true;
    QTest::newRow("Update here") << int(Preferences::BackupUpdate) << QStringLiteral("PC-A") << false << false;
}

void TestUpdateSession::timedBackups()
{
    QFETCH(int, choice);
    QFETCH(QString, backupComputer);
    QFETCH(bool, hourly);
    QFETCH(bool, atClose);
    m_a->prefs.backup = choice;
    m_a->prefs.backupComputer = backupComputer;
    QVERIFY(m_a->session.hourlyBackup().ok());
    QCOMPARE(backups(*m_tf).size(), hourly ? 1 : 0);
    if (hourly)
        QCOMPARE(GridStore(m_tf->folder()).listBackups().value.value(0).kind, BackupKind::Hourly);
    m_a->clock.now = m_a->clock.now.addSecs(3600);
    QVERIFY(m_a->session.closeBackup().ok());
    QCOMPARE(backups(*m_tf).size(), (hourly ? 1 : 0) + (atClose ? 1 : 0));

    // A backup that cannot be written says so.
    if (hourly || atClose) {
        ReadOnlyGuard guard(m_tf->path(QStringLiteral("databkup")));
        if (!guard.isActive())
            QSKIP("cannot make a folder read-only here");
        m_a->clock.now = m_a->clock.now.addSecs(3600);
        const TextFile::WriteResult w = hourly ? m_a->session.hourlyBackup() : m_a->session.closeBackup();
        QVERIFY(!w.ok());
        QVERIFY(!w.reason.isEmpty());
    }
}

void TestUpdateSession::failedSaveKeepsSessionOpen()
{
    m_a->prefs.timeOut = true;
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    m_a->grid.setCell(1, 1, QStringLiteral("must not be lost"));
    m_a->session.noteSelection();
    const QByteArray shared = m_tf->readFile(QStringLiteral("gsystem/sgrid.scd"));
    {
        ReadOnlyGuard guard(m_tf->path(QStringLiteral("gsystem")));
        if (!guard.isActive())
            QSKIP("cannot make a folder read-only here");
        const UpdateSession::EndResult e = m_a->session.releaseUpdate();
        QVERIFY(!e.saved);
        QVERIFY(!e.failure.ok());
        QVERIFY(e.failure.path.startsWith(m_tf->path(QStringLiteral("gsystem"))));
        QVERIFY(!e.failure.message.isEmpty());
        QCOMPARE(m_a->session.state(), State::Updating);
        QVERIFY(m_a->session.lock().isHeld());
        QVERIFY(m_a->session.timeoutActive());
        QVERIFY(m_a->session.selectionFlag());
        QVERIFY(backups(*m_tf).isEmpty());
        QCOMPARE(m_b->session.pressUpdate().kind, Start::Busy);

        // The time-out retries, and fails the same way while the disk refuses.
        QCOMPARE(m_a->session.timeoutTick(), UpdateSession::TimeoutAction::End);
        QVERIFY(!m_a->session.releaseUpdate().saved);
        QCOMPARE(m_a->session.state(), State::Updating);
    }
    QCOMPARE(m_tf->readFile(QStringLiteral("gsystem/sgrid.scd")), shared);
    QCOMPARE(m_a->session.timeoutTick(), UpdateSession::TimeoutAction::End);
    const UpdateSession::EndResult e = m_a->session.releaseUpdate();
    QVERIFY(e.saved);
    QVERIFY(e.backedUp);
    QCOMPARE(m_a->session.state(), State::Viewing);
    QVERIFY(m_b->session.poll().freed);
    QCOMPARE(m_b->grid.cell(1, 1), QStringLiteral("must not be lost"));
}

void TestUpdateSession::failedSnapshotDoesNotStart()
{
    m_a->prefs.timeOut = true;
    {
        ReadOnlyGuard guard(m_tf->path(QStringLiteral("gsystem")));
        if (!guard.isActive())
            QSKIP("cannot make a folder read-only here");
        const Start r = m_a->session.pressUpdate();
        QCOMPARE(r.kind, Start::SnapshotFailed);
        QVERIFY(!r.ok());
        QVERIFY(!r.reason.isEmpty());
        QCOMPARE(m_a->session.state(), State::Viewing);
        QVERIFY(!m_a->session.lock().isHeld());
        QVERIFY(!m_a->session.timeoutActive());
        QVERIFY(!m_b->session.lock().otherLockHeld().value);
        QVERIFY(!m_a->session.releaseUpdate().saved);
    }
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
}

void TestUpdateSession::savesInsideOneTickAreToldApart()
{
    // Same size and (on coarse clocks) the same write time: the file's
    // identity still tells the versions apart.
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
        m_a->grid.setCell(1, 1, QString::number(i % 10));
        QVERIFY(m_a->session.releaseUpdate().saved);
        QVERIFY(!m_a->session.poll().reloaded);
        QVERIFY2(m_b->session.poll().reloaded, qPrintable(QString::number(i)));
        QCOMPARE(m_b->grid.cell(1, 1), QString::number(i % 10));
    }
}

void TestUpdateSession::savesBetweenPollsAreNotMissed()
{
    // Two sessions elsewhere between two polls: the version in between frees
    // its file, which the next save may reuse.
    for (int i = 0; i < 8; ++i) {
        for (const char* text : {"x", "y"}) {
            QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
            m_a->grid.setCell(1, 1, QString::fromLatin1(text) + QString::number(i % 10));
            QVERIFY(m_a->session.releaseUpdate().saved);
        }
        QVERIFY2(m_b->session.poll().reloaded, qPrintable(QString::number(i)));
        QCOMPARE(m_b->grid, m_a->grid);
    }
}

void TestUpdateSession::closeDownKeepsHeldLockFile()
{
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    const QString name = m_a->session.lock().fileName();
    m_a->session.closeDown();
    QVERIFY(m_tf->exists(name));
    QCOMPARE(m_b->session.pressUpdate().kind, Start::Busy);
    QVERIFY(m_a->session.releaseUpdate().saved);
    m_a->session.closeDown();
    QVERIFY(!m_tf->exists(name));
    m_b->session.closeDown();   // never pressed: no file of its own
    QVERIFY(QDir(m_tf->root()).entryList({QStringLiteral("lock*.scd")}).isEmpty());
}

void TestUpdateSession::shutdownSavesRunningSession()
{
    const UpdateSession::EndResult idle = m_b->session.shutdownWithoutAnswer();
    QVERIFY(!idle.saved);
    QVERIFY(idle.failure.ok());

    m_a->prefs.backup = Preferences::BackupUpdate;
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    m_a->grid.setCell(2, 3, QStringLiteral("at logoff"));
    m_a->session.noteSelection();
    const QString name = m_a->session.lock().fileName();
    const UpdateSession::EndResult e = m_a->session.shutdownWithoutAnswer();
    QVERIFY(e.saved);
    QVERIFY(e.backedUp);
    QVERIFY(!m_a->session.lock().isHeld());
    QVERIFY(!m_tf->exists(name));
    QVERIFY(m_b->session.poll().reloaded);
    QCOMPARE(m_b->grid.cell(2, 3), QStringLiteral("at logoff"));
}

void TestUpdateSession::shutdownRescuesUnsavableEdits()
{
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    m_a->grid.setCell(2, 3, QStringLiteral("rescued"));
    ReadOnlyGuard guard(m_tf->path(QStringLiteral("gsystem")));
    if (!guard.isActive())
        QSKIP("cannot make a folder read-only here");
    const UpdateSession::EndResult e = m_a->session.shutdownWithoutAnswer();
    QVERIFY(!e.saved);
    QVERIFY(!e.failure.ok());
    QVERIFY(!e.rescuedTo.isEmpty());
    GridData rescued;
    const QStringList lines = TextFile::read(e.rescuedTo).value;
    QCOMPARE(lines.mid(0, GridStore::gridLines(m_a->grid).size()), GridStore::gridLines(m_a->grid));
    QCOMPARE(GridStore(m_tf->folder()).listBackups().value.value(0).kind, BackupKind::Rescue);
    QVERIFY(m_a->session.lock().isHeld());   // a held lock file is never deleted
    QVERIFY(m_tf->exists(m_a->session.lock().fileName()));
}

void TestUpdateSession::vanishedFolderGivesDefinedResults()
{
    QTemporaryDir base;
    const QString root = QDir(base.path()).filePath(QStringLiteral("board"));
    for (const char* sub : {"gsystem", "users", "colfiles", "databkup"})
        QVERIFY(QDir(root).mkpath(QString::fromLatin1(sub)));
    const DataFolder folder(root);
    QVERIFY(GridStore(folder).saveGrid(QStringLiteral("sgrid.scd"), TestFolder::sampleGrid()).ok());
    Station a(folder, QStringLiteral("PC-A"), QStringLiteral("anna"));
    Station b(folder, QStringLiteral("PC-B"), QStringLiteral("ben"));
    QVERIFY(a.session.startUp().ok());
    QVERIFY(b.session.startUp().ok());
    QCOMPARE(a.session.pressUpdate().kind, Start::Started);
    QCOMPARE(b.session.pressUpdate().kind, Start::Busy);

    // Windows keeps a held file, and so the folder holding it: there only
    // A's lock file is left.
    const bool gone = QDir(root).removeRecursively();
    QCOMPARE(gone, TestPlatform::openFilesCanBeDeleted());
    // A folder that cannot be listed says nothing about who holds it.
    const UpdateSession::PollResult p = b.session.poll();
    QVERIFY(!p.freed);
    QVERIFY(!p.reloaded);
    QCOMPARE(b.grid, TestFolder::sampleGrid());
    QCOMPARE(b.session.pressUpdate().kind, gone ? Start::LockError : Start::Busy);
    QCOMPARE(b.session.state(), State::Waiting);

    a.grid.setCell(1, 1, QStringLiteral("kept"));
    const UpdateSession::EndResult e = a.session.releaseUpdate();
    QVERIFY(!e.saved);
    QCOMPARE(a.session.state(), State::Updating);
    QCOMPARE(a.grid.cell(1, 1), QStringLiteral("kept"));
    QVERIFY(!a.session.cancel().ok());
    QCOMPARE(a.session.state(), State::Viewing);
    a.session.closeDown();
    b.session.closeDown();
}

void TestUpdateSession::lostLockNeverSavesOverOtherSession_data()
{
    QTest::addColumn<bool>("guardDeleted");     // the guard goes with the lock file
    QTest::addColumn<bool>("noticedByWatch");   // else only at the release
    QTest::addColumn<bool>("otherFinished");    // the other session came and went meanwhile
    QTest::newRow("lock file alone: the guard keeps the board") << false << true << false;
    QTest::newRow("noticed within a second") << true << true << false;
    QTest::newRow("noticed at release") << true << false << false;
    QTest::newRow("whole session in between, noticed within a second") << true << true << true;
    QTest::newRow("whole session in between, noticed at release") << true << false << true;
}

void TestUpdateSession::lostLockNeverSavesOverOtherSession()
{
    QFETCH(bool, guardDeleted);
    QFETCH(bool, noticedByWatch);
    QFETCH(bool, otherFinished);
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    m_a->grid.setCell(1, 1, QStringLiteral("edit of A"));
    QVERIFY(!m_a->session.checkLock());
    if (!TestPlatform::openFilesCanBeDeleted()) {
        // Windows refuses to delete the held file: the lock stays, and so
        // does the session.
        QVERIFY(!QFile::remove(m_tf->path(m_a->session.lock().fileName())));
        QCOMPARE(m_b->session.pressUpdate().kind, Start::Busy);
        QVERIFY(!m_a->session.checkLock());
        QVERIFY(m_a->session.releaseUpdate().saved);
        return;
    }
    QVERIFY(QFile::remove(m_tf->path(m_a->session.lock().fileName())));
    if (!guardDeleted) {
        QCOMPARE(m_b->session.pressUpdate().kind, Start::Busy);
        QVERIFY(!m_a->session.checkLock());
        QVERIFY(m_a->session.releaseUpdate().saved);
        return;
    }
    QVERIFY(QFile::remove(m_tf->path(UpdateLock::guardFileName())));
    QCOMPARE(m_b->session.pressUpdate().kind, Start::Started);
    m_b->grid.setCell(1, 2, QStringLiteral("edit of B"));
    if (otherFinished) {
        QVERIFY(m_b->session.releaseUpdate().saved);
        QCOMPARE(m_a->session.lock().otherLockHeld().value, false);
    }

    const UpdateSession::EndResult e = noticedByWatch ? *m_a->session.checkLock() : m_a->session.releaseUpdate();
    QVERIFY(e.lockLost);
    QVERIFY(!e.saved);
    QCOMPARE(m_a->session.state(), State::Viewing);
    QVERIFY(!m_a->session.lock().isHeld());
    QVERIFY(QFileInfo(e.rescuedTo).isFile());
    QCOMPARE(TextFile::read(e.rescuedTo).value.mid(2).count(QStringLiteral("edit of A")), 1);
    QVERIFY(!m_a->session.releaseUpdate().saved);
    if (otherFinished) {
        QCOMPARE(m_a->grid.cell(1, 2), QStringLiteral("edit of B"));   // shows the shared file again
        return;
    }
    QCOMPARE(m_a->grid, TestFolder::sampleGrid());
    QVERIFY(m_b->session.releaseUpdate().saved);
    QVERIFY(m_a->session.poll().reloaded);
    QCOMPARE(m_a->grid.cell(1, 2), QStringLiteral("edit of B"));
    QVERIFY(m_a->grid.cell(1, 1) != QStringLiteral("edit of A"));
}

void TestUpdateSession::failingWritesNeverReportSuccess_data()
{
    QTest::addColumn<bool>("atPress");
    QTest::addColumn<QString>("file");
    QTest::addColumn<TextFile::Step>("step");
    QTest::addColumn<int>("err");
    for (const auto& [step, stepName] : {std::pair{TextFile::Step::Write, "write"}, {TextFile::Step::Sync, "sync"},
                                         {TextFile::Step::Rename, "rename"}}) {
        for (const char* f : {"bsgrid.scd", "gclrbsgrid.scd", "FixedColumn.scd"})
            QTest::addRow("press: %s %s", f, stepName) << true << QString::fromLatin1(f) << step << ENOSPC;
        for (const char* f : {"sgrid.scd", "gclrsgrid.scd", "FixedColumn.scd"})
            QTest::addRow("release: %s %s", f, stepName) << false << QString::fromLatin1(f) << step << EIO;
    }
    QTest::newRow("press: lock file") << true << QString() << TextFile::Step::Create << EACCES;
}

void TestUpdateSession::failingWritesNeverReportSuccess()
{
    QFETCH(bool, atPress);
    QFETCH(QString, file);
    QFETCH(TextFile::Step, step);
    QFETCH(int, err);
    QStringList names{QStringLiteral("sgrid.scd"), QStringLiteral("gclrsgrid.scd"), QStringLiteral("bsgrid.scd"),
                      QStringLiteral("gclrbsgrid.scd"), QStringLiteral("FixedColumn.scd")};
    QMap<QString, QByteArray> before;
    for (const QString& n : names)
        before[n] = m_tf->readFile(QStringLiteral("gsystem/") + n);
    const auto fail = [&](TextFile::Step s, const QString& target) {
        const bool hit = file.isEmpty() ? QFileInfo(target).fileName().startsWith(QStringLiteral("lock"))
                                        : QFileInfo(target).fileName() == file;
        return hit && s == step ? err : 0;
    };
    const auto noFaults = qScopeGuard([] { TextFile::setFaultHook({}); });

    if (atPress) {
        TextFile::setFaultHook(fail);
        const Start r = m_a->session.pressUpdate();
        QVERIFY(r.kind != Start::Started);
        QCOMPARE(m_a->session.state() == State::Updating, false);
        QVERIFY(!m_a->session.lock().isHeld());
    } else {
        QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
        for (const QString& n : names)
            before[n] = m_tf->readFile(QStringLiteral("gsystem/") + n);
        m_a->grid.setCell(0, 1, QStringLiteral("new label"));
        m_a->grid.setRowColor(1, 7);
        TextFile::setFaultHook(fail);
        const UpdateSession::EndResult e = m_a->session.releaseUpdate();
        QVERIFY(!e.saved);
        QCOMPARE(QFileInfo(e.failure.path).fileName(), file);
        QCOMPARE(e.failure.reason, qt_error_string(err));
        QCOMPARE(m_a->session.state(), State::Updating);
        QVERIFY(m_a->session.lock().isHeld());
    }
    // The grid file is never replaced unless the whole save succeeded.
    QCOMPARE(m_tf->readFile(QStringLiteral("gsystem/sgrid.scd")), before[QStringLiteral("sgrid.scd")]);
    QCOMPARE(m_tf->readFile(QStringLiteral("gsystem/bsgrid.scd")), before[QStringLiteral("bsgrid.scd")]);
    if (step != TextFile::Step::Rename) {
        for (const QString& n : names)
            QCOMPARE(m_tf->readFile(QStringLiteral("gsystem/") + n), before[n]);
    }
    TextFile::setFaultHook({});
    if (!atPress)
        QVERIFY(m_a->session.releaseUpdate().saved);
}

void TestUpdateSession::fullDiskKeepsSessionOpen()
{
    // The data folder on a small real file system that fills up mid-session.
    const TestPlatform::SmallVolume mount(256);
    if (!mount.whyNot().isEmpty())
        QSKIP(qPrintable(mount.whyNot()));
    for (const char* sub : {"gsystem", "users", "colfiles", "databkup"})
        QVERIFY(QDir(mount.path()).mkdir(QString::fromLatin1(sub)));
    const DataFolder folder(mount.path());
    GridData big(30, 200);
    for (int c = 0; c < 30; ++c)
        for (int r = 0; r < 200; ++r)
            big.setCell(c, r, QStringLiteral("cell %1 %2").arg(c).arg(r));
    QVERIFY(GridStore(folder).saveGrid(QStringLiteral("sgrid.scd"), big).ok());
    QVERIFY(GridStore(folder).saveGrid(QStringLiteral("bsgrid.scd"), big).ok());
    Station s(folder, QStringLiteral("PC-A"), QStringLiteral("anna"));
    QVERIFY(s.session.startUp().ok());
    QCOMPARE(s.session.pressUpdate().kind, Start::Started);
    const QByteArray grid = TextFile::readBytes(folder.gsystem(QStringLiteral("sgrid.scd")), 1 << 20).value;
    {
        QFile filler(QDir(mount.path()).filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        filler.write(QByteArray(256 * 1024, 'x'));
    }
    s.grid.setCell(1, 1, QStringLiteral("edited"));
    const UpdateSession::EndResult e = s.session.releaseUpdate();
    QVERIFY(!e.saved);
    QVERIFY2(e.failure.message.contains(QStringLiteral("space")), qPrintable(e.failure.message));
    QCOMPARE(s.session.state(), State::Updating);
    QCOMPARE(TextFile::readBytes(folder.gsystem(QStringLiteral("sgrid.scd")), 1 << 20).value, grid);
    GridData reread;
    QVERIFY(GridStore(folder).loadGrid(QStringLiteral("sgrid.scd"), reread).ok());
    QCOMPARE(reread, big);
    QVERIFY(QFile::remove(QDir(mount.path()).filePath(QStringLiteral("filler"))));
    QVERIFY(s.session.releaseUpdate().saved);
    s.session.closeDown();
}

void TestUpdateSession::oversizedCurrentUserNames()
{
    m_tf->writeFile(QStringLiteral("users/curuser.scd"), QByteArray(1000, 'c') + "\r\n" + QByteArray(10, 'u'));
    QString computer, user;
    m_a->session.readCurrentUser(computer, user);
    QCOMPARE(computer.size(), UpdateSession::kMaxNameLength);
    QCOMPARE(user, QStringLiteral("uuuuuuuuuu"));
    m_tf->writeFile(QStringLiteral("users/curuser.scd"), QByteArray(TextFile::kSmallFileCap + 1, 'c'));
    m_a->session.readCurrentUser(computer, user);
    QVERIFY(computer.isEmpty() && user.isEmpty());
}

void TestUpdateSession::cancelAfterHalfFailedSave()
{
    // The save failed after the colour file was renamed: Cancel (or a close
    // answered No) leaves the shared files describing the same rows again.
    const QByteArray grid = m_tf->readFile(QStringLiteral("gsystem/sgrid.scd"));
    const QByteArray colors = m_tf->readFile(QStringLiteral("gsystem/gclrsgrid.scd"));
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    m_a->grid.insertRow(2);
    m_a->grid.setRowColor(2, 9);
    TextFile::setFaultHook([](TextFile::Step s, const QString& target) {
        return s == TextFile::Step::Rename && target.endsWith(QStringLiteral("/sgrid.scd")) ? EIO : 0;
    });
    QVERIFY(!m_a->session.releaseUpdate().saved);
    TextFile::setFaultHook({});
    QVERIFY(m_tf->readFile(QStringLiteral("gsystem/gclrsgrid.scd")) != colors);
    QVERIFY(m_a->session.cancel().ok());
    QCOMPARE(m_tf->readFile(QStringLiteral("gsystem/sgrid.scd")), grid);
    QCOMPARE(m_tf->readFile(QStringLiteral("gsystem/gclrsgrid.scd")), colors);
    QVERIFY(!m_a->session.poll().reloaded);
}

void TestUpdateSession::savingWorkstationShowsWhatFileHolds()
{
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    m_a->grid.setCell(1, 1, QString::fromUtf8("\xe6\x97\xa5 caf\xc3\xa9"));   // a CJK character, é
    m_a->grid.setCell(2, 2, QStringLiteral("two\nlines"));
    const UpdateSession::EndResult e = m_a->session.releaseUpdate();
    QVERIFY(e.saved);
    QVERIFY(e.cellsChanged);
    QCOMPARE(m_a->grid.cell(1, 1), QString::fromUtf8("? caf\xc3\xa9"));
    QCOMPARE(m_a->grid.cell(2, 2), QStringLiteral("two lines"));
    QVERIFY(m_b->session.poll().reloaded);
    QCOMPARE(m_b->grid, m_a->grid);
    // Nothing to change the next time.
    QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    QVERIFY(!m_a->session.releaseUpdate().cellsChanged);
}

void TestUpdateSession::unreadGridIsNeverSaved()
{
    // The schedule could not be read at start (the grid shows empty): an
    // update on that empty grid would save it over the schedule.
    const QByteArray bad("5\r\n99999999\r\nx\r\n");
    m_tf->writeFile(QStringLiteral("gsystem/sgrid.scd"), bad);
    Station c(m_tf->folder(), QStringLiteral("PC-C"), QStringLiteral("cid"));
    const GridStore::LoadResult start = c.session.startUp();
    QVERIFY(!start.value && GridStore::isRefused(start) && start.status != FileStatus::Missing);
    const Start r = c.session.pressUpdate();
    QCOMPARE(r.kind, Start::ReloadFailed);
    QVERIFY(r.message.startsWith(QStringLiteral("sgrid.scd: ")));
    QCOMPARE(r.status, start.status);
    QCOMPARE(c.session.state(), State::Viewing);
    QVERIFY(!c.session.lock().isHeld());
    QVERIFY(!c.session.releaseUpdate().saved);
    QCOMPARE(m_tf->readFile(QStringLiteral("gsystem/sgrid.scd")), bad);
    // Once it reads, the update starts on it.
    QVERIFY(GridStore(m_tf->folder()).saveGrid(QStringLiteral("sgrid.scd"), TestFolder::sampleGrid()).ok());
    QCOMPARE(c.session.pressUpdate().kind, Start::Started);
    QCOMPARE(c.grid, TestFolder::sampleGrid());
    QVERIFY(c.session.releaseUpdate().saved);
    c.session.closeDown();
}


void TestUpdateSession::restoreBackup_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("result");
    QTest::newRow("restored") << "free" << int(UpdateSession::RestoreResult::Restored);
    QTest::newRow("another workstation updates") << "busy" << int(UpdateSession::RestoreResult::Busy);
    QTest::newRow("own session running") << "own session" << int(UpdateSession::RestoreResult::Updating);
    QTest::newRow("backup cannot be read") << "bad backup" << int(UpdateSession::RestoreResult::Unreadable);
    QTest::newRow("not a backup's name") << "bad name" << int(UpdateSession::RestoreResult::Unreadable);
    QTest::newRow("replaced schedule cannot be kept") << "read-only backups"
                                                      << int(UpdateSession::RestoreResult::KeepFailed);
}

void TestUpdateSession::restoreBackup()
{
    QFETCH(QString, situation);
    QFETCH(int, result);
    GridStore store(m_tf->folder());
    GridData old = TestFolder::sampleGrid();
    old.setCell(2, 2, QStringLiteral("Sand"));
    old.setRowColor(3, 5);
    QString name = GridStore::backupFileName(m_a->clock.now.addDays(-1));
    QVERIFY(store.backupGrid(old, m_a->clock.now.addDays(-1), BackupKind::Update).ok());
    if (situation == u"bad backup")
        m_tf->writeFile(QStringLiteral("databkup/") + name, "x\r\n");
    if (situation == u"bad name")
        name = QStringLiteral("../gsystem/sgrid.scd");
    if (situation == u"busy")
        QCOMPARE(m_b->session.pressUpdate().kind, Start::Started);
    if (situation == u"own session")
        QCOMPARE(m_a->session.pressUpdate().kind, Start::Started);
    const QByteArray gridBefore = m_tf->readFile(QStringLiteral("gsystem/sgrid.scd"));
    const int backupsBefore = int(backups(*m_tf).size());

    std::unique_ptr<ReadOnlyGuard> guard;
    if (situation == u"read-only backups") {
        guard = std::make_unique<ReadOnlyGuard>(m_tf->path(QStringLiteral("databkup")));
        if (!guard->isActive())
            QSKIP("cannot make a folder read-only here");
    }
    const UpdateSession::RestoreResult r = m_a->session.restoreBackup(name);
    guard.reset();
    QCOMPARE(int(r.kind), result);
    if (situation == u"own session") {
        QVERIFY(m_a->session.lock().isHeld());
        return;
    }
    QVERIFY(!m_a->session.lock().isHeld());
    QVERIFY(situation == u"busy" || !m_a->session.lock().otherLockHeld().value);

    if (r.kind != UpdateSession::RestoreResult::Restored) {
        // Nothing changed: no schedule replaced, no backup made.
        QCOMPARE(m_tf->readFile(QStringLiteral("gsystem/sgrid.scd")), gridBefore);
        QCOMPARE(backups(*m_tf).size(), backupsBefore);
        QCOMPARE(m_a->grid, TestFolder::sampleGrid());
        QCOMPARE(m_a->session.state(), State::Viewing);
        if (situation == u"busy")
            QCOMPARE(r.user, QStringLiteral("ben"));
        if (situation == u"read-only backups")
            QVERIFY(r.message.contains(QStringLiteral("sgridbkup030726140509.scd")));
        QCOMPARE(r.ok(), false);
        return;
    }
    // Grid, colours and fixed column as one, like a release's save.
    GridData shared;
    QVERIFY(store.loadGrid(QStringLiteral("sgrid.scd"), shared).ok());
    QCOMPARE(shared, old);
    QCOMPARE(m_tf->readFile(QStringLiteral("gsystem/FixedColumn.scd")), QByteArray("1\r\n2\r\n\r\n"));
    QCOMPARE(m_a->grid, old);
    QVERIFY(!m_a->session.poll().reloaded);   // its own write is no news
    QVERIFY(m_b->session.poll().reloaded);
    QCOMPARE(m_b->grid, old);
    // The schedule it replaced is the newest backup.
    const QList<GridStore::BackupEntry> list = store.listBackups().value;
    QCOMPARE(list.size(), 2);
    QCOMPARE(list[0].kind, BackupKind::Restore);
    QCOMPARE(r.keptAs, m_tf->folder().backups(list[0].fileName));
    GridData kept;
    QVERIFY(store.loadBackup(list[0].fileName, kept).ok());
    QCOMPARE(kept, TestFolder::sampleGrid());
}

void TestUpdateSession::restoreKeepsUnreadableSchedule()
{
    GridStore store(m_tf->folder());
    const QString name = GridStore::backupFileName(m_a->clock.now.addDays(-1));
    QVERIFY(store.backupGrid(TestFolder::sampleGrid(), m_a->clock.now.addDays(-1), BackupKind::Close).ok());
    const QByteArray broken("99999\r\nnot a schedule\r\n");
    m_tf->writeFile(QStringLiteral("gsystem/sgrid.scd"), broken);
    const UpdateSession::RestoreResult r = m_a->session.restoreBackup(name);
    QCOMPARE(int(r.kind), int(UpdateSession::RestoreResult::Restored));
    QCOMPARE(readAll(r.keptAs), broken);
    // A schedule that had vanished leaves nothing to keep.
    QVERIFY(QFile::remove(m_tf->path(QStringLiteral("gsystem/sgrid.scd"))));
    m_a->clock.now = m_a->clock.now.addSecs(1);
    const UpdateSession::RestoreResult again = m_a->session.restoreBackup(name);
    QCOMPARE(int(again.kind), int(UpdateSession::RestoreResult::Restored));
    QVERIFY(again.keptAs.isEmpty());
    QCOMPARE(m_a->grid, TestFolder::sampleGrid());
}

// Backups made within one second, by one workstation or two, each keep
// their schedule in a file of their own, named a second apart.
void TestUpdateSession::backupsInOneSecondAreAllKept_data()
{
    QTest::addColumn<QStringList>("steps");   // "<station> restore <backup>", "<station> backup now", "break"
    QTest::addColumn<QStringList>("kept");    // from the clock's second on: "<kind> <schedule>"
    QTest::newRow("two restores") << QStringList{"A restore X", "A restore Y"}
                                  << QStringList{"Restore S", "Restore X"};
    QTest::newRow("restore, then Backup Now") << QStringList{"A restore X", "A backup now"}
                                              << QStringList{"Restore S", "Manual X"};
    QTest::newRow("Backup Now, then restore") << QStringList{"A backup now", "A restore X"}
                                              << QStringList{"Manual S", "Restore S"};
    QTest::newRow("two workstations restore") << QStringList{"A restore X", "B restore Y"}
                                              << QStringList{"Restore S", "Restore X"};
    QTest::newRow("a restore here, Backup Now there") << QStringList{"A restore X", "B backup now"}
                                                      << QStringList{"Restore S", "Manual S"};
    QTest::newRow("three restores") << QStringList{"A restore X", "B restore Y", "A restore X"}
                                    << QStringList{"Restore S", "Restore X", "Restore Y"};
    // A schedule that does not read as a grid is kept byte for byte.
    QTest::newRow("two unreadable schedules restored over")
        << QStringList{"break", "A restore X", "break", "B restore Y"} << QStringList{"Restore broken", "Restore broken"};
}

void TestUpdateSession::backupsInOneSecondAreAllKept()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, kept);
    GridStore store(m_tf->folder());
    const QDateTime now = m_a->clock.now;
    QCOMPARE(m_b->clock.now, now);
    QMap<QString, GridData> schedules{{"S", TestFolder::sampleGrid()}};
    schedules["X"] = TestFolder::sampleGrid();
    schedules["X"].setCell(2, 2, QStringLiteral("Sand"));
    schedules["X"].setRowColor(3, 5);
    schedules["Y"] = TestFolder::sampleGrid();
    schedules["Y"].setCell(1, 1, QStringLiteral("Gravel"));
    // The backups restored from, made days before.
    QMap<QString, QString> files;
    for (const QString& id : {QStringLiteral("X"), QStringLiteral("Y")}) {
        const QDateTime made = now.addDays(id == u"X" ? -1 : -2);
        const TextFile::WriteResult w = store.backupGrid(schedules[id], made, BackupKind::Update);
        QVERIFY(w.ok());
        files[id] = QFileInfo(w.path).fileName();
    }
    const QByteArray broken("99999\r\nnot a schedule\r\n");

    QStringList keptAs;
    for (const QString& step : steps) {
        if (step == u"break") {
            m_tf->writeFile(QStringLiteral("gsystem/sgrid.scd"), broken);
            continue;
        }
        Station& station = step.startsWith(u'A') ? *m_a : *m_b;
        if (step.endsWith(u"backup now")) {
            const TextFile::WriteResult w = station.session.backupNow();
            QVERIFY2(w.ok(), qPrintable(w.message));
            keptAs << w.path;
        } else {
            const UpdateSession::RestoreResult r = station.session.restoreBackup(files[step.right(1)]);
            QCOMPARE(int(r.kind), int(UpdateSession::RestoreResult::Restored));
            keptAs << r.keptAs;
        }
    }

    QStringList expected;
    for (int i = 0; i < kept.size(); ++i)
        expected << m_tf->folder().backups(GridStore::backupFileName(now.addSecs(i)));
    QCOMPARE(keptAs, expected);
    QCOMPARE(backups(*m_tf).size(), qsizetype(files.size() + kept.size()));
    for (int i = 0; i < kept.size(); ++i) {
        const QString kind = kept[i].section(u' ', 0, 0);
        const QString schedule = kept[i].section(u' ', 1);
        if (schedule == u"broken") {
            QCOMPARE(readAll(keptAs[i]), broken);
            continue;
        }
        GridData back;
        BackupKind read = BackupKind::Unknown;
        QVERIFY(store.loadBackup(QFileInfo(keptAs[i]).fileName(), back, &read).ok());
        QCOMPARE(back, schedules[schedule]);
        QCOMPARE(read, kind == u"Restore" ? BackupKind::Restore : BackupKind::Manual);
    }
    // The backups restored from are as they were.
    for (const QString& id : files.keys()) {
        GridData back;
        QVERIFY(store.loadBackup(files[id], back).ok());
        QCOMPARE(back, schedules[id]);
    }
}

QTEST_GUILESS_MAIN(TestUpdateSession)
#include "tst_updatesession.moc"
