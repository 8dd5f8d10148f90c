#include "coord/lockfile.h"
#include "tests/support/testfolder.h"
#include "tests/support/testplatform.h"

#include <QDir>
#include <QFile>
#include <QTest>


Q_DECLARE_METATYPE(FileStatus)

class TestLockFile : public QObject
{
    Q_OBJECT

private slots:
    void twoOpensInOneProcessConflict();
    void openRefusesWhatCannotBeLocked_data();
    void openRefusesWhatCannotBeLocked();
    void heldElsewhere_data();
    void heldElsewhere();
    void closingAnotherDescriptorKeepsTheLock();
    void unreadableFileCountsAsHeld();
    void scanNeverTakesTheLock();
    void destructorAndCloseRelease();
};

void TestLockFile::twoOpensInOneProcessConflict()
{
    TestFolder tf;
    tf.writeFile(QStringLiteral("lockaaaaaaa.scd"), "lock\r\n");
    const QString path = tf.path(QStringLiteral("lockaaaaaaa.scd"));

    LockFile a, b;
    QVERIFY(a.open(path).ok());
    QVERIFY(a.isOpen());
    const FileResult<> refused = b.open(path);
    QVERIFY(!b.isOpen());
    QCOMPARE(refused.status, FileStatus::Busy);
    QCOMPARE(refused.reason, QStringLiteral("locked by another workstation"));
    QCOMPARE(refused.message, QStringLiteral("lockaaaaaaa.scd: locked by another workstation"));

    a.close();
    QVERIFY(!a.isOpen());
    QVERIFY(b.open(path).ok());
    QVERIFY(!a.open(path).ok());
    QVERIFY(QFile::exists(path));   // closing keeps the file
}

void TestLockFile::openRefusesWhatCannotBeLocked_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("makeFolder");
    QTest::addColumn<FileStatus>("status");
    QTest::newRow("missing file") << QStringLiteral("lockmissing.scd") << false << FileStatus::Missing;
    QTest::newRow("folder") << QStringLiteral("lockdir1234.scd") << true << FileStatus::Missing;
}

void TestLockFile::openRefusesWhatCannotBeLocked()
{
    QFETCH(QString, entry);
    QFETCH(bool, makeFolder);
    QFETCH(FileStatus, status);
    TestFolder tf;
    if (makeFolder)
        QVERIFY(QDir(tf.root()).mkdir(entry));
    LockFile f;
    const FileResult<> r = f.open(tf.path(entry));
    QVERIFY(!f.isOpen());
    QCOMPARE(r.status, status);
    QVERIFY(!r.reason.isEmpty());
    QCOMPARE(r.message, entry + u": " + r.reason);
    QVERIFY(!QFileInfo(tf.path(entry)).isFile());   // never created on the way
}

void TestLockFile::heldElsewhere_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("held");
    QTest::newRow("held") << QStringLiteral("held") << true;
    QTest::newRow("stale (closed) file") << QStringLiteral("stale") << false;
    QTest::newRow("released again") << QStringLiteral("released") << false;
    QTest::newRow("missing") << QStringLiteral("missing") << false;
    QTest::newRow("vanished while held") << QStringLiteral("vanished") << false;
    QTest::newRow("folder") << QStringLiteral("folder") << false;
    QTest::newRow("empty file held") << QStringLiteral("emptyHeld") << true;
}

void TestLockFile::heldElsewhere()
{
    QFETCH(QString, kind);
    QFETCH(bool, held);
    TestFolder tf;
    const QString name = QStringLiteral("lockbbbbbbb.scd");
    const QString path = tf.path(name);
    LockFile owner;
    if (kind == u"folder") {
        QVERIFY(QDir(tf.root()).mkdir(name));
    } else if (kind != u"missing") {
        tf.writeFile(name, kind == u"emptyHeld" ? QByteArray() : QByteArray("lock\r\n"));
    }
    if (kind == u"held" || kind == u"released" || kind == u"vanished" || kind == u"emptyHeld")
        QVERIFY(owner.open(path).ok());
    if (kind == u"released")
        owner.close();
    if (kind == u"vanished") {
        // Windows refuses to delete a held file, so there it stays held.
        QCOMPARE(QFile::remove(path), TestPlatform::openFilesCanBeDeleted());
        held = !TestPlatform::openFilesCanBeDeleted();
    }

    const FileResult<bool> look = LockFile::isHeldElsewhere(path);
    QCOMPARE(look.value, held);
    // What is not there, or no regular file, is no lock file at all.
    const bool gone = kind == u"missing" || kind == u"folder" || (!held && kind == u"vanished");
    QCOMPARE(look.status == FileStatus::Missing, gone);
}

void TestLockFile::closingAnotherDescriptorKeepsTheLock()
{
    // A classic process-wide lock would be dropped by any close of the file
    // in the process, for instance by a scan or a stamp reader.
    TestFolder tf;
    tf.writeFile(QStringLiteral("lockccccccc.scd"), "lock\r\n");
    const QString path = tf.path(QStringLiteral("lockccccccc.scd"));
    LockFile owner;
    QVERIFY(owner.open(path).ok());

    {
        QFile writer(path);
        QVERIFY(writer.open(QIODevice::ReadWrite));
    }
    {
        // Windows keeps other opens from reading locked bytes (Wine lets
        // them), so only where locks are advisory is the content certain.
        QFile reader(path);
        QVERIFY(reader.open(QIODevice::ReadOnly));
        const QByteArray bytes = reader.readAll();
        if (!TestPlatform::locksStopReaders())
            QCOMPARE(bytes, QByteArray("lock\r\n"));
    }
    LockFile other;
    QVERIFY(!other.open(path).ok());   // a failed attempt closes its own descriptor too
    QVERIFY(LockFile::isHeldElsewhere(path).value);
    QVERIFY(!other.open(path).ok());
}

void TestLockFile::unreadableFileCountsAsHeld()
{
    if (const QString why = TestPlatform::whyOwnerReadsAnyway(); !why.isEmpty())
        QSKIP(qPrintable(why));
    TestFolder tf;
    tf.writeFile(QStringLiteral("lockfffffff.scd"), "lock\r\n");
    const QString path = tf.path(QStringLiteral("lockfffffff.scd"));
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
    const FileResult<bool> unreadable = LockFile::isHeldElsewhere(path);
    QVERIFY(unreadable.value);
    QCOMPARE(unreadable.status, FileStatus::Refused);   // so that somebody is told to remove it
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
    QVERIFY(!LockFile::isHeldElsewhere(path).value);   // readable is enough to test
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void TestLockFile::scanNeverTakesTheLock()
{
    TestFolder tf;
    tf.writeFile(QStringLiteral("lockddddddd.scd"), "lock\r\n");
    const QString path = tf.path(QStringLiteral("lockddddddd.scd"));
    for (int i = 0; i < 20; ++i)
        QVERIFY(!LockFile::isHeldElsewhere(path).value);
    LockFile owner;
    QVERIFY(owner.open(path).ok());
    for (int i = 0; i < 20; ++i)
        QVERIFY(LockFile::isHeldElsewhere(path).value);
    QVERIFY(owner.isOpen());
    owner.close();
    QVERIFY(!LockFile::isHeldElsewhere(path).value);
}

void TestLockFile::destructorAndCloseRelease()
{
    TestFolder tf;
    tf.writeFile(QStringLiteral("lockeeeeeee.scd"), "lock\r\n");
    const QString path = tf.path(QStringLiteral("lockeeeeeee.scd"));
    {
        LockFile scoped;
        QVERIFY(scoped.open(path).ok());
        QVERIFY(LockFile::isHeldElsewhere(path).value);
    }
    QVERIFY(!LockFile::isHeldElsewhere(path).value);

    LockFile f;
    f.close();   // closing what was never opened is harmless
    QVERIFY(f.open(path).ok());
    QVERIFY(f.open(path).ok());   // reopening by the same object replaces its own lock
    f.close();
    f.close();
    QVERIFY(!LockFile::isHeldElsewhere(path).value);
}

QTEST_GUILESS_MAIN(TestLockFile)
#include "tst_lockfile.moc"
