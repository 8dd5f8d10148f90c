#include "store/datafolder.h"
#include "store/installation.h"
#include "store/textfile.h"
#include "tests/support/testplatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <QTest>

class TestDataFolder : public QObject
{
    Q_OBJECT
private slots:
    void paths();
    void columnMenuFile_data();
    void columnMenuFile();
    void chooseDataFolder_data();
    void chooseDataFolder();
    void seedFolder();
};

void TestDataFolder::paths()
{
    // "/" on Linux, the current drive ("C:/") on Windows.
    const QString top = QDir::rootPath();
    const DataFolder f(top + QStringLiteral("srv/board/./data/"));
    const QString root = top + QStringLiteral("srv/board/data");
    QCOMPARE(f.root(), root);
    QCOMPARE(f.gsystem(QStringLiteral("sgrid.scd")), root + QStringLiteral("/gsystem/sgrid.scd"));
    QCOMPARE(f.users(QStringLiteral("users.scd")), root + QStringLiteral("/users/users.scd"));
    QCOMPARE(f.colfiles(QStringLiteral("Date.scd")), root + QStringLiteral("/colfiles/Date.scd"));
    QCOMPARE(f.backups(QStringLiteral("b.scd")), root + QStringLiteral("/databkup/b.scd"));
    QCOMPARE(f.inRoot(QStringLiteral("lockx.scd")), root + QStringLiteral("/lockx.scd"));
    QCOMPARE(f.backupDir(), root + QStringLiteral("/databkup"));
    QCOMPARE(f.colfilesDir(), root + QStringLiteral("/colfiles"));

    // A relative folder is pinned when the object is made, not when used.
    const QString here = QDir::currentPath();
    const DataFolder rel(QStringLiteral("data"));
    QCOMPARE(rel.root(), QDir(here).filePath(QStringLiteral("data")));
}

void TestDataFolder::columnMenuFile_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("safe");

    QTest::newRow("plain") << "Trailer" << true;
    QTest::newRow("blanks and punctuation") << "Ship To (No.) #2" << true;
    QTest::newRow("windows-1252") << "D\u00e9p\u00f4t \u20ac" << true;
    QTest::newRow("dots inside") << "a..b" << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("dot dot") << ".." << false;
    QTest::newRow("parent path") << "../gsystem/parm" << false;
    QTest::newRow("backslash path") << "..\\users\\users" << false;
    QTest::newRow("absolute") << "/etc/passwd" << false;
    QTest::newRow("drive") << "C:x" << false;
    QTest::newRow("wildcard") << "Date*" << false;
    QTest::newRow("question mark") << "Why?" << false;
    QTest::newRow("quote") << "say \"hi\"" << false;
    QTest::newRow("pipe") << "a|b" << false;
    QTest::newRow("angle") << "<b>" << false;
    QTest::newRow("tab") << "a\tb" << false;
    QTest::newRow("line break") << "a\nb" << false;
    QTest::newRow("delete char") << "a\x7f" << false;
    // Windows opens a device instead of a file for these, whatever follows
    // the first dot: a column titled NUL would "save" its menu into nothing.
    QTest::newRow("device CON") << "CON" << false;
    QTest::newRow("device nul lower case") << "nul" << false;
    QTest::newRow("device with extension") << "Aux.txt" << false;
    QTest::newRow("device aux with blank") << "AUX " << false;
    QTest::newRow("the word AUX alone") << "AUX" << true;
    QTest::newRow("the word aux alone") << "aux" << true;
    QTest::newRow("device with blanks") << "PRN  " << false;
    QTest::newRow("device COM1") << "COM1" << false;
    QTest::newRow("device lpt9") << "lpt9" << false;
    QTest::newRow("not a device: CONSIGNEE") << "CONSIGNEE" << true;
    QTest::newRow("not a device: COM") << "COM" << true;
    QTest::newRow("not a device: COM10") << "COM10" << true;
    QTest::newRow("not a device: NULL") << "NULL" << true;
    QTest::newRow("not a device: Nul in a word") << "Annul" << true;
}

void TestDataFolder::columnMenuFile()
{
    QFETCH(QString, title);
    QFETCH(bool, safe);

    const DataFolder f(QDir::rootPath() + QStringLiteral("data"));
    QCOMPARE(DataFolder::isSafeFileTitle(title), safe);
    const QString path = f.columnMenuFile(title);
    if (!safe) {
        QVERIFY(path.isEmpty());
        return;
    }
    QCOMPARE(path, f.colfilesDir() + u'/' + title + QStringLiteral(".scd"));
    // By the path's text: Qt for Windows takes AUX.scd for the device.
    QCOMPARE(QDir::cleanPath(path + QStringLiteral("/..")), f.colfilesDir());
}

// An installed board: <root>/lib/schedboard with <root>/share/schedboard/data.
void TestDataFolder::chooseDataFolder_data()
{
    QTest::addColumn<bool>("installed");         // the sample exists
    QTest::addColumn<bool>("besideExecutable");  // gsystem/ beside the executable
    QTest::addColumn<QStringList>("named");      // the command line's folders, relative to the test's root
    QTest::addColumn<QString>("home");           // relative to the root, which is the working folder
    QTest::addColumn<QString>("folder");         // expected, relative to the root; or the error's end
    QTest::addColumn<bool>("seeds");

    const QStringList none;
    QTest::newRow("network: the executable's folder") << false << true << none << "home" << "lib/schedboard" << false;
    QTest::newRow("not installed, no data: still the executable's folder") << false << false << none << "home" << "lib/schedboard" << false;
    QTest::newRow("installed: the home copy of the sample") << true << false << none << "home" << "home/SchedBoard" << true;
    QTest::newRow("installed, relative home: refused") << true << false << none << "./home/" << "schedboard <folder>" << false;
    QTest::newRow("installed, home is /: refused") << true << false << none << "/" << "schedboard <folder>" << false;
    QTest::newRow("installed into a data folder: that folder") << true << true << none << "home" << "lib/schedboard" << false;
    QTest::newRow("named folder wins, never seeded") << true << false << QStringList{"share"} << "home" << "share" << false;
    QTest::newRow("named folder missing: an error") << true << false << QStringList{"mnt/notmounted"} << "home" << "notmounted' does not exist." << false;
    QTest::newRow("named folder empty: not mounted?") << true << false << QStringList{"home"} << "home" << "Is the shared folder mounted?" << false;
    QTest::newRow("named file: not a folder") << true << false << QStringList{"file"} << "home" << "file' is a file, not a data folder." << false;
    QTest::newRow("named empty text: never the home copy") << true << false << QStringList{""} << "home" << "given to the board is empty." << false;
    QTest::newRow("two named folders") << true << false << QStringList{"share", "share"} << "home" << "one data folder, not 2." << false;
}

void TestDataFolder::chooseDataFolder()
{
    QFETCH(bool, installed);
    QFETCH(bool, besideExecutable);
    QFETCH(QStringList, named);
    QFETCH(QString, home);
    QFETCH(QString, folder);
    QFETCH(bool, seeds);

    QTemporaryDir root;
    if (home != u'/' && !home.startsWith(u'.'))
        home = root.filePath(home);
    const QString exe = root.filePath(QStringLiteral("lib/schedboard"));
    QVERIFY(QDir().mkpath(exe));
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("home"))));
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("share/gsystem"))));
    QFile file(root.filePath(QStringLiteral("file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    if (installed)
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("share/schedboard/data/gsystem"))));
    if (besideExecutable)
        QVERIFY(QDir().mkpath(exe + QStringLiteral("/gsystem")));
    const QString cwd = QDir::currentPath();
    const auto restore = qScopeGuard([&cwd] { QDir::setCurrent(cwd); });
    QVERIFY(QDir::setCurrent(root.path()));
    for (QString& f : named)
        if (!f.isEmpty())
            f = root.filePath(f);

    const FileResult<Installation::Choice> chosen = Installation::chooseDataFolder(named, exe, home);
    const Installation::Choice& choice = chosen.value;
    if (folder.contains(u' ')) {
        QVERIFY(!chosen.ok());
        QVERIFY(choice.folder.isEmpty());
        QVERIFY2(chosen.message.endsWith(folder), qPrintable(chosen.message));
        return;
    }
    QVERIFY2(chosen.ok(), qPrintable(chosen.message));
    QCOMPARE(choice.folder, QDir(root.path()).canonicalPath() + u'/' + folder);
    QCOMPARE(choice.sample.isEmpty(), !seeds);
    if (seeds)
        QCOMPARE(choice.sample, root.filePath(QStringLiteral("share/schedboard/data")));
}

void TestDataFolder::seedFolder()
{
    QTemporaryDir root;
    const QString sample = root.filePath(QStringLiteral("sample"));
    QVERIFY(QDir().mkpath(sample + QStringLiteral("/gsystem")));
    QVERIFY(QDir().mkpath(sample + QStringLiteral("/databkup")));
    const auto put = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
    };
    QVERIFY(put(sample + QStringLiteral("/gsystem/sgrid.scd"), "2\r\n2\r\n"));
    QVERIFY(put(sample + QStringLiteral("/databkup/.keep"), ""));
    QVERIFY(put(sample + QStringLiteral("/Help.chm"), QByteArray(70000, 'h')));
    const auto leftovers = [&root] {
        return QDir(root.filePath(QStringLiteral("home"))).entryList({QStringLiteral("*.sbtmp*")}, QDir::AllEntries | QDir::System | QDir::Hidden);
    };

    // A write that fails half-way (a full disk) leaves no folder behind,
    // or the next start would take a half copy for a schedule.
    const QString target = root.filePath(QStringLiteral("home/SchedBoard"));
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("home"))));
    {
        int writes = 0;
        TextFile::setFaultHook([&writes](TextFile::Step step, const QString&) {
            return step == TextFile::Step::Write && ++writes == 2 ? ENOSPC : 0;
        });
        const auto noFaults = qScopeGuard([] { TextFile::setFaultHook({}); });
        const Installation::SeedResult failed = Installation::seedFolder(sample, target);
        QVERIFY(!failed.ok());
        QVERIFY2(failed.message.startsWith(QStringLiteral("Could not prepare the data folder '")), qPrintable(failed.message));
        QVERIFY(!QFileInfo::exists(target));
        QCOMPARE(leftovers(), QStringList());
    }

    // The first start copies everything, the empty file and folder too.
    Installation::SeedResult seeded = Installation::seedFolder(sample, target);
    QVERIFY2(seeded.ok() && seeded.value, qPrintable(seeded.message));
    QCOMPARE(TextFile::readBytes(target + QStringLiteral("/gsystem/sgrid.scd"), 100).value, QByteArray("2\r\n2\r\n"));
    QCOMPARE(QFileInfo(target + QStringLiteral("/Help.chm")).size(), 70000);
    QVERIFY(QFileInfo::exists(target + QStringLiteral("/databkup/.keep")));
    QCOMPARE(leftovers(), QStringList());

    // Later starts leave the user's schedule alone, also a folder the user emptied.
    QVERIFY(QFile::remove(target + QStringLiteral("/gsystem/sgrid.scd")));
    seeded = Installation::seedFolder(sample, target);
    QVERIFY(seeded.ok() && !seeded.value);
    QVERIFY(!QFileInfo::exists(target + QStringLiteral("/gsystem/sgrid.scd")));

    // An existing folder without the shared files is named, not used.
    const QString emptied = root.filePath(QStringLiteral("home/Emptied"));
    QVERIFY(QDir().mkpath(emptied));
    const Installation::SeedResult notData = Installation::seedFolder(sample, emptied);
    QVERIFY(!notData.ok());
    QVERIFY2(notData.message.endsWith(QStringLiteral("the next start copies the sample again.")), qPrintable(notData.message));

    // Two first starts at once: the one that loses the race uses the winner's copy.
    const QString raced = root.filePath(QStringLiteral("home/Raced"));
    {
        TextFile::setFaultHook([&raced](TextFile::Step step, const QString&) {
            if (step == TextFile::Step::Write)
                QDir().mkpath(raced + QStringLiteral("/gsystem"));
            return 0;
        });
        const auto noFaults = qScopeGuard([] { TextFile::setFaultHook({}); });
        const Installation::SeedResult lost = Installation::seedFolder(sample, raced);
        QVERIFY2(lost.ok() && !lost.value, qPrintable(lost.message));
        QCOMPARE(leftovers(), QStringList());
    }

    // A killed start's staging folder goes once it is old; a link planted in
    // the staging folder's place is removed, never the folder it points to.
    const QString later = root.filePath(QStringLiteral("home/Later"));
    const QString stale = later + QStringLiteral(".sbtmp999999");
    QVERIFY(QDir().mkpath(stale + QStringLiteral("/gsystem")));
    QVERIFY(TestPlatform::setModifiedTime(stale, 1000000000));
    const QString victim = root.filePath(QStringLiteral("victim"));
    QVERIFY(QDir().mkpath(victim));
    QVERIFY(put(victim + QStringLiteral("/important.txt"), "x"));
    // Where no link can be made, only the old staging folder is there to go.
    if (TestPlatform::whyNoLinks().isEmpty()) {
        QVERIFY(TestPlatform::makeLink(victim, later + QStringLiteral(".sbtmp") + QString::number(QCoreApplication::applicationPid())));
        QVERIFY(TestPlatform::makeLink(victim, later + QStringLiteral(".sbtmp4242")));
    }
    seeded = Installation::seedFolder(sample, later);
    QVERIFY2(seeded.ok() && seeded.value, qPrintable(seeded.message));
    QVERIFY(QFileInfo::exists(victim + QStringLiteral("/important.txt")));
    QCOMPARE(leftovers(), QStringList());

    // A sample gone since the choice is named, and no empty folder made.
    const QString elsewhere = root.filePath(QStringLiteral("home/Other"));
    const Installation::SeedResult missing =
        Installation::seedFolder(root.filePath(QStringLiteral("nosample")), elsewhere);
    QVERIFY(!missing.ok());
    QVERIFY2(missing.message.contains(QStringLiteral("nosample' is missing.")), qPrintable(missing.message));
    QVERIFY(!QFileInfo::exists(elsewhere));
}

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
