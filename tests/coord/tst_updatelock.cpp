#include "coord/updatelock.h"
#include "store/textfile.h"
#include "tests/support/testfolder.h"
#include "tests/support/testplatform.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <limits>

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
    void unreadableLockFileMakesBusyAndIsNamed();
    void unwritableFolderIsLockError();
    void ownFileDeletedOnlyWhenFree();
    void vanishedOwnFileGetsFreshName();
    void namesAreDistinct();
    void deletedOwnFileIsMadeAgain_data();
    void deletedOwnFileIsMadeAgain();
};

void TestUpdateLock::acquireWritesAndLocksOwnFile()
{
    TestFolder tf;
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
    kept.append(UpdateLock::guardFileName());
    kept += QStringList{QStringLiteral("colfiles"), QStringLiteral("databkup"), QStringLiteral("gsystem"),
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

void TestUpdateLock::unreadableLockFileMakesBusyAndIsNamed()
{
    if (const QString why = TestPlatform::whyOwnerReadsAnyway(); !why.isEmpty())
        QSKIP(qPrintable(why));
    TestFolder tf;
    tf.writeFile(QStringLiteral("lockfffffff.scd"), "lock\r\n");
    QVERIFY(QFile::setPermissions(tf.path(QStringLiteral("lockfffffff.scd")), QFileDevice::Permissions()));
    UpdateLock lock(tf.folder());
    // Busy, and the file is named so that somebody can be told to remove it.
    const FileResult<> busy = lock.acquireUpdateLock();
    QCOMPARE(busy.status, FileStatus::Busy);
    QCOMPARE(busy.fileName(), QStringLiteral("lockfffffff.scd"));
    QVERIFY(!lock.isHeld());
    QVERIFY(QFile::setPermissions(tf.path(QStringLiteral("lockfffffff.scd")), QFileDevice::ReadOwner));
    const FileResult<> held = lock.acquireUpdateLock();
    QCOMPARE(held.status, FileStatus::Ok);
    QCOMPARE(held.fileName(), lock.fileName());
}

void TestUpdateLock::unwritableFolderIsLockError()
{
    TestFolder tf;
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
    QTest::addColumn<bool>("otherCameIn");
    QTest::addColumn<QString>("replacement");   // what is put at the old name
    QTest::addColumn<QString>("deleted");       // "lock file", "guard" or "both"
    QTest::newRow("deleted") << false << QString() << QStringLiteral("lock file");
    QTest::newRow("replaced by a link") << false << QStringLiteral("link") << QStringLiteral("lock file");
    QTest::newRow("deleted with the guard, another came in") << true << QString() << QStringLiteral("both");
    // A board that knows no guard sees only the lock files.
    QTest::newRow("deleted, a board without guard came in") << true << QString() << QStringLiteral("lock file");
    QTest::newRow("guard deleted, another pressed meanwhile") << false << QString() << QStringLiteral("guard");
}

void TestUpdateLock::deletedOwnFileIsMadeAgain()
{
    QFETCH(bool, otherCameIn);
    QFETCH(QString, replacement);
    QFETCH(QString, deleted);
    TestFolder tf;
    const QString guard = tf.path(UpdateLock::guardFileName());
    UpdateLock a(tf.folder()), b(tf.folder());
    QCOMPARE(a.acquireUpdateLock().status, FileStatus::Ok);
    QCOMPARE(a.watchOwnFile(), UpdateLock::Watch::Held);
    const QString first = a.fileName();
    if (!TestPlatform::openFilesCanBeDeleted()) {
        // Windows refuses to delete the file while the workstation holds it.
        QVERIFY(!QFile::remove(tf.path(first)));
        QVERIFY(!QFile::remove(guard));
        QCOMPARE(a.watchOwnFile(), UpdateLock::Watch::Held);
        QCOMPARE(b.acquireUpdateLock().status, FileStatus::Busy);
        return;
    }
    if (deleted != u"guard")
        QVERIFY(QFile::remove(tf.path(first)));
    if (deleted != u"lock file")
        QVERIFY(QFile::remove(guard));
    if (replacement == u"link") {
        if (const QString why = TestPlatform::whyNoLinks(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QVERIFY(TestPlatform::makeLink(tf.path(QStringLiteral("gsystem/parm.scd")), tf.path(first)));
    }
    // Linux lets anybody delete a held file: the board looks free meanwhile.
    if (otherCameIn && deleted == u"lock file") {
        LockFile older;
        QVERIFY(older.open(tf.path(QStringLiteral("lockolder01.scd")), LockFile::Create::IfMissing).ok());
        QCOMPARE(a.watchOwnFile(), UpdateLock::Watch::Lost);
        QVERIFY(!a.isHeld());
        QVERIFY(!LockFile::isHeldElsewhere(guard).value);
        return;
    }
    if (otherCameIn) {
        QCOMPARE(b.acquireUpdateLock().status, FileStatus::Ok);
        QCOMPARE(a.watchOwnFile(), UpdateLock::Watch::Lost);
        QVERIFY(!a.isHeld());
        QVERIFY(b.isHeld());
        return;
    }
    if (deleted == u"guard") {
        // A press in the gap makes a new guard, but the lock file still stops it.
        QCOMPARE(b.acquireUpdateLock().status, FileStatus::Busy);
        QVERIFY(tf.exists(UpdateLock::guardFileName()));
    }
    QCOMPARE(a.watchOwnFile(), UpdateLock::Watch::Restored);
    QVERIFY(a.isHeld());
    QCOMPARE(a.fileName() != first, deleted != u"guard");
    QVERIFY(LockFile::isHeldElsewhere(tf.path(a.fileName())).value);
    QVERIFY(LockFile::isHeldElsewhere(guard).value);
    QCOMPARE(a.watchOwnFile(), UpdateLock::Watch::Held);
    QCOMPARE(b.acquireUpdateLock().status, FileStatus::Busy);
    a.releaseUpdateLock();
    a.deleteOwnFile();
    QVERIFY(!tf.exists(a.fileName()));
}

QTEST_GUILESS_MAIN(TestUpdateLock)
#include "tst_updatelock.moc"
