// Every read, write and delete of the board with one sub-folder of the data
// folder replaced by a link to a folder elsewhere: nothing there may change.

#include "base/preferences.h"
#include "coord/updatesession.h"
#include "grid/griddata.h"
#include "store/columndata.h"
#include "store/columnmenufile.h"
#include "store/gridstore.h"
#include "store/listfile.h"
#include "store/sharedsettings.h"
#include "store/startupcheck.h"
#include "store/textfile.h"
#include "tests/support/fakeservices.h"
#include "tests/support/testfolder.h"
#include "tests/support/testplatform.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

namespace {

using Snapshot = QMap<QString, QByteArray>;

Snapshot snapshot(const QString& folder)
{
    Snapshot files;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        files.insert(name, readAll(QDir(folder).filePath(name)));
    return files;
}

void makeOld(const QString& path)
{
    QFile f(path);
    if (f.open(QIODevice::ReadWrite))
        f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
}

// A data folder with something of every kind in every sub-folder: files the
// board writes, deletes and reads, 105 backups (five to prune) and an old
// temporary file in each.
void fillFolder(TestFolder& tf)
{
    tf.writeMinimalData();
    tf.writeFile(QStringLiteral("colfiles/Trailer.scd"), "T-1\r\nT-2\r\n");
    tf.writeFile(QStringLiteral("gsystem/lists.scd"), "a record\r\n");
    tf.writeFile(QStringLiteral("users/curuser.scd"), "PC-X\r\nxavier\r\n");
    const QDateTime first(QDate(2026, 1, 5), QTime(8, 0));
    for (int i = 0; i < 105; ++i)
        tf.writeFile(QStringLiteral("databkup/") + GridStore::backupFileName(first.addSecs(i * 60)), "1\r\n");
    for (const char* sub : {"gsystem", "users", "colfiles", "databkup"}) {
        const QString temp = QStringLiteral("%1/parm.scd.sbtmpAAAAAA").arg(QLatin1String(sub));
        tf.writeFile(temp, "left over\r\n");
        makeOld(tf.path(temp));
    }
}

} // namespace

class TestLinkedFolders : public QObject
{
    Q_OBJECT
private slots:
    void nothingPassesThroughALink_data();
    void nothingPassesThroughALink();
    void folderSwappedForLinkBeforeRenameIsRefused();
    void linkedFolderRefusedAtStart_data();
    void linkedFolderRefusedAtStart();
    void dataFolderItselfMayBeALink();
};

void TestLinkedFolders::nothingPassesThroughALink_data()
{
    QTest::addColumn<QString>("sub");
    for (const char* sub : {"gsystem", "users", "colfiles", "databkup"})
        QTest::newRow(sub) << QString::fromLatin1(sub);
}

void TestLinkedFolders::nothingPassesThroughALink()
{
    QFETCH(QString, sub);
    if (const QString why = TestPlatform::whyNoLinks(); !why.isEmpty())
        QSKIP(qPrintable(why));
    TestFolder tf;
    fillFolder(tf);
    QTemporaryDir elsewhere;
    const QString outside = elsewhere.filePath(sub);
    QVERIFY(QDir().rename(tf.path(sub), outside));
    QVERIFY(TestPlatform::makeLink(outside, tf.path(sub)));
    const Snapshot before = snapshot(outside);
    const DataFolder folder = tf.folder();
    auto refused = [&sub](const QString& error) {
        return error.contains(sub) && error.contains(QStringLiteral("link"));
    };

    // Writes, each refused where it would pass through the link, with a
    // message naming the folder.
    const GridStore store(folder);
    const GridData grid = TestFolder::sampleGrid();
    const TextFile::WriteResult gridSave = store.saveGrid(QStringLiteral("sgrid.scd"), grid);
    QCOMPARE(gridSave.ok(), sub != u"gsystem");
    const TextFile::WriteResult backup = store.backupGrid(grid, QDateTime::currentDateTime());
    QCOMPARE(backup.ok(), sub != u"databkup");
    if (!backup.ok())
        QVERIFY2(refused(backup.message), qPrintable(backup.message));
    Preferences prefs;
    SharedSettings settings(folder, prefs);
    QCOMPARE(settings.loadPreferences().ok(), sub != u"gsystem");
    // A user list that could not be read through the link is never written.
    const TextFile::ReadResult users = settings.loadUsers();
    QCOMPARE(users.ok(), sub != u"users");
    QCOMPARE(users.value.isEmpty(), sub == u"users");
    const TextFile::WriteResult settingsSave = settings.save({QStringLiteral("All")});
    QCOMPARE(settingsSave.ok(), sub != u"gsystem");
    if (!settingsSave.ok())
        QVERIFY2(refused(settingsSave.message), qPrintable(settingsSave.message));
    GridData edited = grid;
    QCOMPARE(ColumnData::saveColumnData(folder, edited, 1, QStringLiteral("Trailer"), {QStringLiteral("T-3")}).ok(),
             sub != u"colfiles");
    QCOMPARE(ListFile::write(folder, {QStringLiteral("b record")}).ok(), sub != u"gsystem");
    QCOMPARE(ColumnData::saveFixedColumn(folder, edited, {QStringLiteral("9")}).ok(), sub != u"gsystem");
    // A menu file behind the link reads as no menu, and the folder is named.
    const FileResult<QList<ColumnMenuItem>> menu = loadColumnMenu(folder, QStringLiteral("Trailer"));
    QCOMPARE(menu.ok(), sub != u"colfiles");
    QVERIFY(!menu.value.isEmpty());
    if (!menu.ok())
        QVERIFY2(menu.status == FileStatus::Refused && refused(menu.message), qPrintable(menu.message));

    // Deletes: pruning, clean-up of temporaries, interrupted saves.
    const FileResult<int> pruned = store.pruneGridBackups();
    QCOMPARE(pruned.value > 0, sub != u"databkup");
    QCOMPARE(pruned.ok(), sub != u"databkup");
    // Every folder is cleared, so the linked one always fails, and says where.
    const FileResult<int> cleared = store.removeLeftoverTemporaries(std::numeric_limits<qint64>::max());
    QVERIFY2(!cleared.ok() && refused(cleared.message), qPrintable(cleared.message));
    QCOMPARE(store.recoverInterruptedSave(QStringLiteral("sgrid.scd")).ok(), sub != u"gsystem");
    // A whole session: start, press (curuser.scd, clean-up), release.
    FakeIdentity identity(QStringLiteral("PC-A"), QStringLiteral("anna"));
    FakeClock clock;
    GridDocument document;
    UpdateSession session(folder, document, prefs, identity, clock);
    (void)session.startUp();   // refused or not, only where it reaches counts here
    if (session.pressUpdate().kind == UpdateSession::StartResult::Started)
        session.releaseUpdate();

    // Reads: nothing comes from the other folder.
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const TextFile::ReadResult r = TextFile::read(QDir(tf.path(sub)).filePath(it.key()), TextFile::kListFileCap);
        QVERIFY2(!r.ok() && refused(r.reason), qPrintable(it.key() + u": " + r.reason));
        QCOMPARE(r.status, FileStatus::Refused);
        QCOMPARE(r.message, QFileInfo(it.key()).fileName() + u": " + r.reason);
    }
    QCOMPARE(snapshot(outside), before);
}

void TestLinkedFolders::folderSwappedForLinkBeforeRenameIsRefused()
{
    if (const QString why = TestPlatform::whyNoLinks(); !why.isEmpty())
        QSKIP(qPrintable(why));
    TestFolder tf;
    tf.writeMinimalData();
    QTemporaryDir elsewhere;
    const QString gsystem = tf.path(QStringLiteral("gsystem"));
    // Between the checked creation of the temporary files and their rename,
    // the folder is swapped for a link.
    bool swapped = false;
    TextFile::setFaultHook([&](TextFile::Step step, const QString&) {
        if (step == TextFile::Step::Rename && !swapped) {
            swapped = QDir().rename(gsystem, gsystem + QStringLiteral(".real")) && TestPlatform::makeLink(elsewhere.path(), gsystem);
        }
        return 0;
    });
    const auto unhook = qScopeGuard([] { TextFile::setFaultHook({}); });
    const TextFile::WriteResult w = GridStore(tf.folder()).saveGrid(QStringLiteral("sgrid.scd"), TestFolder::sampleGrid());
    QVERIFY(swapped);
    QVERIFY(!w.ok());
    QVERIFY2(w.message.contains(QStringLiteral("gsystem")), qPrintable(w.message));
    QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void TestLinkedFolders::linkedFolderRefusedAtStart_data()
{
    QTest::addColumn<QString>("sub");
    QTest::newRow("gsystem") << QStringLiteral("gsystem");
    QTest::newRow("users") << QStringLiteral("users");
}

void TestLinkedFolders::linkedFolderRefusedAtStart()
{
    QFETCH(QString, sub);
    if (const QString why = TestPlatform::whyNoLinks(); !why.isEmpty())
        QSKIP(qPrintable(why));
    TestFolder tf;
    tf.writeMinimalData();
    QTemporaryDir elsewhere;
    const QString outside = elsewhere.filePath(sub);
    QVERIFY(QDir().rename(tf.path(sub), outside));
    QVERIFY(TestPlatform::makeLink(outside, tf.path(sub)));
    const FileResult<> usable = StartupCheck::checkDataFolder(tf.folder());
    QCOMPARE(usable.status, FileStatus::Refused);
    const QString message = usable.message;
    QVERIFY2(message.startsWith(QStringLiteral("The data folder's %1 folder cannot be used: the folder %1").arg(sub)),
             qPrintable(message));
    QVERIFY(message.contains(QStringLiteral("link")));
}

void TestLinkedFolders::dataFolderItselfMayBeALink()
{
    if (const QString why = TestPlatform::whyNoLinks(); !why.isEmpty())
        QSKIP(qPrintable(why));
    TestFolder tf;
    tf.writeMinimalData();
    QTemporaryDir mounts;
    const QString mountPoint = mounts.filePath(QStringLiteral("share"));
    QVERIFY(TestPlatform::makeLink(tf.root(), mountPoint));
    const DataFolder folder(mountPoint);
    QVERIFY(StartupCheck::checkDataFolder(folder).ok());
    const GridStore store(folder);
    QVERIFY(store.saveGrid(QStringLiteral("sgrid.scd"), TestFolder::sampleGrid()).ok());
    QVERIFY(store.backupGrid(TestFolder::sampleGrid(), QDateTime::currentDateTime()).ok());
    GridData loaded;
    QVERIFY(store.loadGrid(QStringLiteral("sgrid.scd"), loaded).ok());
    QCOMPARE(loaded, TestFolder::sampleGrid());
    QCOMPARE(TextFile::listFiles(folder.backupDir()).value.size(), 1);
}

QTEST_GUILESS_MAIN(TestLinkedFolders)
#include "tst_linkedfolders.moc"
