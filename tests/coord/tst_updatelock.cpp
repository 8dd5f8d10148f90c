#include "coord/updatelock.h"
#include "store/textfile.h"
#include "tests/support/testfolder.h"
#include "tests/support/testplatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QThread>
#include <QTest>

#include <filesystem>
#include <limits>
#include <thread>

Q_DECLARE_METATYPE(UpdateLock::Watch)
Q_DECLARE_METATYPE(FileStatus)

class TestUpdateLock : public QObject
{
    Q_OBJECT

private slots:
    void acquireWritesAndLocksOwnFile();
    void secondWorkstationIsBusyUntilRelease();
    void leftoversBlockNobody_data();
    void leftoversBlockNobody();
    void lockTakenAfterTheLookStays();
    void ownFileHeldByAnotherIsLockError();
    void unreadableLockFileIsLockErrorAndNamed();
    void unwritableFolderIsLockError();
    void guardThatCannotBeLockedStartsNothing_data();
    void guardThatCannotBeLockedStartsNothing();
    void ownFileDeletedOnlyWhenFree();
    void vanishedOwnFileGetsFreshName();
    void namesAreDistinct();
    void deletedOwnFileIsMadeAgain_data();
    void deletedOwnFileIsMadeAgain();
    void deletedGuardGoesBackToItsHolder();
    void hardLinkedGuardStartsNothing();
};

void TestUpdateLock::acquireWritesAndLocksOwnFile()
{
    TestFolder tf;
    QVERIFY(QFile::remove(tf.path(UpdateLock::guardFileName())));   // a share never pressed on
    UpdateLock lock(tf.folder());
    QVERIFY(lock.fileName().isEmpty());
    QCOMPARE(lock.acquireUpdateLock().status, FileStatus::Ok);
    QVERIFY(lock.isHeld());
    static const QRegularExpression re(QStringLiteral("^lock[a-z0-9]{7}\\.scd$"));
    QVERIFY2(re.match(lock.fileName()).hasMatch(), qPrintable(lock.fileName()));
    const TextFile::ReadResult content = TextFile::read(tf.path(lock.fileName()));
    QVERIFY(content.ok());
    QCOMPARE(content.value.size(), 1);
    QVERIFY(LockFile::isHeldElsewhere(tf.path(lock.fileName())).value);
    // The guard is made by the first press, and every account can lock it.
    QVERIFY(LockFile::isHeldElsewhere(tf.path(UpdateLock::guardFileName())).value);
    if (TestPlatform::whyNoModeBits().isEmpty())
    {
        constexpr auto kEverybody = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther
            | QFileDevice::WriteOther;
        QCOMPARE(QFileInfo(tf.path(UpdateLock::guardFileName())).permissions() & kEverybody, kEverybody);
    }

    // Pressing again while holding changes nothing.
    const QString name = lock.fileName();
    QCOMPARE(lock.acquireUpdateLock().status, FileStatus::Ok);
    QCOMPARE(lock.fileName(), name);
    QVERIFY(!lock.otherLockHeld().value);   // the own file is never "another"

    lock.releaseUpdateLock();
    QVERIFY(!lock.isHeld());
    QVERIFY(!LockFile::isHeldElsewhere(tf.path(name)).value);
    QVERIFY(tf.exists(name));
    QCOMPARE(lock.acquireUpdateLock().status, FileStatus::Ok);
    QCOMPARE(lock.fileName(), name);   // an existing own file is reused
}

void TestUpdateLock::secondWorkstationIsBusyUntilRelease()
{
    TestFolder tf;
    UpdateLock a(tf.folder()), b(tf.folder());
    QCOMPARE(a.acquireUpdateLock().status, FileStatus::Ok);
    QCOMPARE(b.acquireUpdateLock().status, FileStatus::Busy);
    QVERIFY(!b.isHeld());
    QVERIFY(b.otherLockHeld().value);
    QVERIFY(!a.otherLockHeld().value);   // b let go of its own file again
    QVERIFY(a.fileName() != b.fileName());

    a.releaseUpdateLock();
    QVERIFY(!b.otherLockHeld().value);
    QCOMPARE(b.acquireUpdateLock().status, FileStatus::Ok);
    QCOMPARE(a.acquireUpdateLock().status, FileStatus::Busy);
    QVERIFY(b.isHeld());
}

void TestUpdateLock::leftoversBlockNobody_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    // What the holder's clean-up keeps of them, all of them old.
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("stale lock files") << QStringList{QStringLiteral("lock1234567.scd"), QStringLiteral("lockx.scd")}
                                      << QStringList{} << QStringList{};
    QTest::newRow("folder matching the pattern") << QStringList{} << QStringList{QStringLiteral("lockdir.scd")}
                                                 << QStringList{QStringLiteral("lockdir.scd")};
    QTest::newRow("empty stale file") << QStringList{QStringLiteral("lock.scd")} << QStringList{} << QStringList{};
    QTest::newRow("other names") << QStringList{QStringLiteral("lock1.txt"), QStringLiteral("xlock1.scd")}
                                 << QStringList{} << QStringList{QStringLiteral("lock1.txt"), QStringLiteral("xlock1.scd")};
    QTest::newRow("upper case, as a Windows board may see it")
        << QStringList{QStringLiteral("LOCKABCDEFG.SCD")} << QStringList{} << QStringList{};
}

void TestUpdateLock::leftoversBlockNobody()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QStringList, kept);
    TestFolder tf;
    for (const QString& f : files)
        tf.writeFile(f, f == u"lock.scd" ? QByteArray() : QByteArray("lock\r\n"));
    for (const QString& d : folders)
        QVERIFY(QDir(tf.root()).mkdir(d));
    // A link to another workstation's file is nobody's lock file to delete.
    const bool linked = TestPlatform::whyNoLinks().isEmpty();
    if (linked) {
        QVERIFY(TestPlatform::makeLink(tf.path(QStringLiteral("gsystem/parm.scd")), tf.path(QStringLiteral("lockln00001.scd"))));
        kept.append(QStringLiteral("lockln00001.scd"));
    }
    UpdateLock lock(tf.folder());
    QVERIFY(!lock.otherLockHeld().value);
    QCOMPARE(lock.removeStaleLockFiles(std::numeric_limits<qint64>::max()), 0);   // only while holding
    QCOMPARE(lock.acquireUpdateLock().status, FileStatus::Ok);
    QCOMPARE(lock.removeStaleLockFiles(std::numeric_limits<qint64>::max()), int(files.size() + folders.size() - kept.size() + (linked ? 1 : 0)));
    kept.append(lock.fileName());
    kept += QStringList{UpdateLock::guardFileName(), QStringLiteral("colfiles"), QStringLiteral("databkup"), QStringLiteral("gsystem"),
                        QStringLiteral("users")};
    kept.sort();
    QCOMPARE(QDir(tf.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), kept);
}

void TestUpdateLock::lockTakenAfterTheLookStays()
{
    TestFolder tf;
    tf.writeFile(QStringLiteral("lockother01.scd"), "lock\r\n");
    UpdateLock lock(tf.folder());
    QCOMPARE(lock.acquireUpdateLock().status, FileStatus::Ok);
    // Another workstation locks its old file now; it will see our lock and
    // back off, but while it holds the file it is not a leftover.
    LockFile other;
    QVERIFY(other.open(tf.path(QStringLiteral("lockother01.scd"))).ok());
    QCOMPARE(lock.removeStaleLockFiles(std::numeric_limits<qint64>::max()), 0);
    QVERIFY(tf.exists(QStringLiteral("lockother01.scd")));
    other.close();
    QCOMPARE(lock.removeStaleLockFiles(std::numeric_limits<qint64>::max()), 1);
}

void TestUpdateLock::ownFileHeldByAnotherIsLockError()
{
    // Another workstation that drew the same name holds our file.
    TestFolder tf;
    UpdateLock lock(tf.folder());
    QCOMPARE(lock.acquireUpdateLock().status, FileStatus::Ok);
    lock.releaseUpdateLock();
    LockFile intruder;
    QVERIFY(intruder.open(tf.path(lock.fileName())).ok());

    // Our own file locked elsewhere is a failure to lock, never "busy".
    const FileResult<> refused = lock.acquireUpdateLock();
    QCOMPARE(refused.status, FileStatus::Failed);
    QVERIFY(!lock.isHeld());
    QVERIFY(!refused.message.isEmpty());
    QCOMPARE(refused.fileName(), lock.fileName());

    intruder.close();
    const FileResult<> held = lock.acquireUpdateLock();
    QCOMPARE(held.status, FileStatus::Ok);
    QVERIFY(held.message.isEmpty());
}

void TestUpdateLock::unreadableLockFileIsLockErrorAndNamed()
{
    if (const QString why = TestPlatform::whyOwnerReadsAnyway(); !why.isEmpty())
        QSKIP(qPrintable(why));
    TestFolder tf;
    tf.writeFile(QStringLiteral("lockfffffff.scd"), "lock\r\n");
    QVERIFY(QFile::setPermissions(tf.path(QStringLiteral("lockfffffff.scd")), QFileDevice::Permissions()));
    UpdateLock lock(tf.folder());
    // Whether it is held cannot be told: no session, and the file is named so
    // that somebody can be told to remove it.
    const FileResult<> refused = lock.acquireUpdateLock();
    QCOMPARE(refused.status, FileStatus::Refused);
    QCOMPARE(refused.fileName(), QStringLiteral("lockfffffff.scd"));
    QVERIFY(!lock.isHeld());
    QVERIFY(QFile::setPermissions(tf.path(QStringLiteral("lockfffffff.scd")), QFileDevice::ReadOwner));
    const FileResult<> held = lock.acquireUpdateLock();
    QCOMPARE(held.status, FileStatus::Ok);
    QCOMPARE(held.fileName(), lock.fileName());
}

void TestUpdateLock::unwritableFolderIsLockError()
{
    TestFolder tf;
    QVERIFY(QFile::remove(tf.path(UpdateLock::guardFileName())));
    UpdateLock lock(tf.folder());
    {
        // No guard can be made, so nobody can hold the board through it.
        ReadOnlyGuard guard(tf.root());
        if (!guard.isActive())
            QSKIP("cannot make a folder read-only here");
        const FileResult<> refused = lock.acquireUpdateLock();
        QVERIFY(!refused.ok());
        QVERIFY(refused.status != FileStatus::Busy);
        QVERIFY(!lock.isHeld());
        QCOMPARE(refused.fileName(), UpdateLock::guardFileName());
    }
    // The guard was made by another workstation; the own lock file cannot be.
    UpdateLock other(tf.folder());
    QCOMPARE(other.acquireUpdateLock().status, FileStatus::Ok);
    other.releaseUpdateLock();
    ReadOnlyGuard guard(tf.root());
    const FileResult<> refused = lock.acquireUpdateLock();
    QVERIFY(!refused.ok());
    QVERIFY(refused.status != FileStatus::Busy);
    QVERIFY(!lock.isHeld());
    QVERIFY2(refused.message.startsWith(QStringLiteral("Could not save lock")), qPrintable(refused.message));
    // Nothing of the press stays locked.
    QVERIFY(!LockFile::isHeldElsewhere(tf.path(UpdateLock::guardFileName())).value);
    guard.release();
    QCOMPARE(lock.acquireUpdateLock().status, FileStatus::Ok);
}

void TestUpdateLock::guardThatCannotBeLockedStartsNothing_data()
{
    QTest::addColumn<QString>("planted");
    QTest::newRow("folder") << QStringLiteral("folder");
    QTest::newRow("link to a data file") << QStringLiteral("link");
    QTest::newRow("dangling link") << QStringLiteral("dangling");
    QTest::newRow("FIFO") << QStringLiteral("fifo");
}

void TestUpdateLock::guardThatCannotBeLockedStartsNothing()
{
    QFETCH(QString, planted);
    TestFolder tf;
    const QString guard = tf.path(UpdateLock::guardFileName());
    QVERIFY(QFile::remove(guard));
    if (planted == u"folder") {
        QVERIFY(QDir(tf.root()).mkdir(UpdateLock::guardFileName()));
    } else if (planted == u"fifo") {
        if (const QString why = TestPlatform::whyNoFifos(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QVERIFY(TestPlatform::makeFifo(guard));
    } else {
        if (const QString why = TestPlatform::whyNoLinks(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QVERIFY(TestPlatform::makeLink(tf.path(planted == u"link" ? QStringLiteral("gsystem/parm.scd")
                                                                  : QStringLiteral("nothing.scd")),
                                       guard));
    }
    // Nobody could hold the board through it, so it is neither free nor
    // somebody's session: named, and nothing is written.
    UpdateLock lock(tf.folder());
    const FileResult<> r = lock.acquireUpdateLock();
    QCOMPARE(r.status, FileStatus::Failed);
    QCOMPARE(r.fileName(), UpdateLock::guardFileName());
    QVERIFY(!lock.isHeld());
    QVERIFY(lock.fileName().isEmpty());
    QVERIFY(QDir(tf.root()).entryList({QStringLiteral("lock*.scd")}).isEmpty());
    const FileResult<bool> look = lock.boardHeldElsewhere();
    QVERIFY(look.value);
    QCOMPARE(look.status, FileStatus::Failed);
}

void TestUpdateLock::ownFileDeletedOnlyWhenFree()
{
    TestFolder tf;
    UpdateLock lock(tf.folder());
    lock.deleteOwnFile();   // nothing chosen yet: nothing to do
    QCOMPARE(lock.acquireUpdateLock().status, FileStatus::Ok);
    const QString name = lock.fileName();
    lock.deleteOwnFile();
    QVERIFY(tf.exists(name));
    QVERIFY(lock.isHeld());
    lock.releaseUpdateLock();
    lock.deleteOwnFile();
    QVERIFY(!tf.exists(name));
}

void TestUpdateLock::vanishedOwnFileGetsFreshName()
{
    TestFolder tf;
    UpdateLock lock(tf.folder());
    QCOMPARE(lock.acquireUpdateLock().status, FileStatus::Ok);
    lock.releaseUpdateLock();
    const QString first = lock.fileName();
    QVERIFY(QFile::remove(tf.path(first)));

    QCOMPARE(lock.acquireUpdateLock().status, FileStatus::Ok);
    QVERIFY(lock.fileName() != first);
    QVERIFY(tf.exists(lock.fileName()));

    // A folder put where the own file was is not taken for it either.
    lock.releaseUpdateLock();
    const QString second = lock.fileName();
    QVERIFY(QFile::remove(tf.path(second)));
    QVERIFY(QDir(tf.root()).mkdir(second));
    QCOMPARE(lock.acquireUpdateLock().status, FileStatus::Ok);
    QVERIFY(lock.fileName() != second);
}

void TestUpdateLock::namesAreDistinct()
{
    QSet<QString> seen;
    for (int i = 0; i < 2000; ++i) {
        const QString n = UpdateLock::newFileName();
        QVERIFY(QDir::match(QStringLiteral("lock*.scd"), n));
        QCOMPARE(n.size(), 4 + UpdateLock::kTokenLength + 4);
        QCOMPARE(n, n.toLower());
        seen.insert(n);
    }
    QCOMPARE(seen.size(), 2000);
}

void TestUpdateLock::deletedOwnFileIsMadeAgain_data()
{
    QTest::addColumn<bool>("lockFile");        // the own lock file is deleted
    QTest::addColumn<bool>("guard");           // the guard is deleted
    QTest::addColumn<QString>("replacement");  // what is put at the guard's or the lock file's name
    QTest::addColumn<bool>("otherPresses");    // another workstation presses meanwhile
    QTest::addColumn<UpdateLock::Watch>("watch");
    QTest::addColumn<FileStatus>("otherGets");
    using W = UpdateLock::Watch;
    QTest::newRow("lock file deleted") << true << false << QString() << false << W::Restored << FileStatus::Busy;
    QTest::newRow("lock file replaced by a link")
        << true << false << QStringLiteral("link") << false << W::Restored << FileStatus::Busy;
    // The guard keeps the board whatever the lock files show.
    QTest::newRow("lock file deleted, another presses")
        << true << false << QString() << true << W::Restored << FileStatus::Busy;
    QTest::newRow("guard deleted") << false << true << QString() << false << W::Restored << FileStatus::Busy;
    // The other takes the new guard, sees our lock file and backs off.
    QTest::newRow("guard deleted, another presses")
        << false << true << QString() << true << W::Restored << FileStatus::Busy;
    QTest::newRow("guard replaced by a link")
        << false << true << QStringLiteral("link") << true << W::Exposed << FileStatus::Failed;
    QTest::newRow("both deleted, another presses") << true << true << QString() << true << W::Lost << FileStatus::Ok;
    // A board that knows no guard sees only the lock files: it got in.
    QTest::newRow("lock file deleted, a board without guard came in")
        << true << false << QStringLiteral("older board") << false << W::Lost << FileStatus::Ok;
}

void TestUpdateLock::deletedOwnFileIsMadeAgain()
{
    QFETCH(bool, lockFile);
    QFETCH(bool, guard);
    QFETCH(QString, replacement);
    QFETCH(bool, otherPresses);
    QFETCH(UpdateLock::Watch, watch);
    QFETCH(FileStatus, otherGets);
    TestFolder tf;
    UpdateLock a(tf.folder()), b(tf.folder());
    QCOMPARE(a.acquireUpdateLock().status, FileStatus::Ok);
    QCOMPARE(a.watchOwnFile(), UpdateLock::Watch::Held);
    const QString first = a.fileName();
    const QString guardName = UpdateLock::guardFileName();
    QVERIFY(LockFile::isHeldElsewhere(tf.path(guardName)).value);
    QVERIFY(b.guardHeldElsewhere().value);
    if (!TestPlatform::openFilesCanBeDeleted()) {
        // Windows refuses to delete either file while the workstation holds it.
        QVERIFY(!QFile::remove(tf.path(first)));
        QVERIFY(!QFile::remove(tf.path(guardName)));
        QCOMPARE(a.watchOwnFile(), UpdateLock::Watch::Held);
        QCOMPARE(b.acquireUpdateLock().status, FileStatus::Busy);
        return;
    }
    const QString replaced = guard ? guardName : first;
    if (lockFile)
        QVERIFY(QFile::remove(tf.path(first)));
    if (guard)
        QVERIFY(QFile::remove(tf.path(guardName)));
    if (replacement == u"link") {
        if (const QString why = TestPlatform::whyNoLinks(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QVERIFY(TestPlatform::makeLink(tf.path(QStringLiteral("gsystem/parm.scd")), tf.path(replaced)));
    }
    LockFile older;
    if (replacement == u"older board")
        QVERIFY(older.open(tf.path(QStringLiteral("lockolder01.scd")), LockFile::Create::IfMissing).ok());
    // Linux lets anybody delete a held file: the board may look free meanwhile.
    if (otherPresses)
        QCOMPARE(b.acquireUpdateLock().status, otherGets);
    QCOMPARE(a.watchOwnFile(), watch);
    if (watch == UpdateLock::Watch::Lost) {
        QVERIFY(!a.isHeld());
        QVERIFY(!LockFile::isHeldElsewhere(tf.path(guardName)).value || b.isHeld());
        QCOMPARE(b.isHeld(), otherPresses);
        return;
    }
    QVERIFY(a.isHeld());
    QCOMPARE(a.fileName() != first, lockFile);
    QVERIFY(LockFile::isHeldElsewhere(tf.path(a.fileName())).value);
    if (watch == UpdateLock::Watch::Exposed) {
        // Nobody can hold the board through a link: no press gets in until
        // the guard is put right, and then ours is made again.
        QCOMPARE(b.acquireUpdateLock().status, FileStatus::Failed);
        QVERIFY(QFile::remove(tf.path(guardName)));
        QCOMPARE(a.watchOwnFile(), UpdateLock::Watch::Restored);
    }
    QCOMPARE(a.watchOwnFile(), UpdateLock::Watch::Held);
    QVERIFY(LockFile::isHeldElsewhere(tf.path(guardName)).value);
    QCOMPARE(b.acquireUpdateLock().status, FileStatus::Busy);
    a.releaseUpdateLock();
    QVERIFY(!b.guardHeldElsewhere().value);
    a.deleteOwnFile();
    QVERIFY(!tf.exists(a.fileName()));
}

void TestUpdateLock::deletedGuardGoesBackToItsHolder()
{
    if (!TestPlatform::openFilesCanBeDeleted())
        QSKIP("the guard cannot be deleted while it is held here");
    // The holder's lock file is gone from the other's listing too (as from a
    // cached one): only the guard can keep the other out.
    TestFolder tf;
    UpdateLock a(tf.folder()), b(tf.folder());
    QCOMPARE(a.acquireUpdateLock().status, FileStatus::Ok);
    QVERIFY(QFile::remove(tf.path(a.fileName())));
    QVERIFY(QFile::remove(tf.path(UpdateLock::guardFileName())));
    // The holder's check of every second comes while the other's press waits.
    UpdateLock::Watch watched = UpdateLock::Watch::Held;
    std::thread holderCheck([&a, &watched] {
        QThread::msleep(UpdateLock::kGuardSettleMs / 3);
        watched = a.watchOwnFile();
    });
    const FileResult<> press = b.acquireUpdateLock();
    holderCheck.join();
    QCOMPARE(watched, UpdateLock::Watch::Restored);
    QCOMPARE(press.status, FileStatus::Busy);
    QVERIFY(a.isHeld());
    QVERIFY(!b.isHeld());
    QCOMPARE(a.watchOwnFile(), UpdateLock::Watch::Held);
}

void TestUpdateLock::hardLinkedGuardStartsNothing()
{
    // A second name for the guard would make a press meet its own lock.
    TestFolder tf;
    std::error_code error;
    std::filesystem::create_hard_link(tf.path(UpdateLock::guardFileName()).toStdWString(),
                                      tf.path(QStringLiteral("lockhardlnk.scd")).toStdWString(), error);
    if (error)
        QSKIP("no hard links here");
    UpdateLock lock(tf.folder());
    const FileResult<> r = lock.acquireUpdateLock();
    QCOMPARE(r.status, FileStatus::Failed);
    QCOMPARE(r.fileName(), UpdateLock::guardFileName());
    QVERIFY(!lock.isHeld());
}

QTEST_GUILESS_MAIN(TestUpdateLock)
#include "tst_updatelock.moc"
