#include "store/datafolder.h"

#include <QDir>
#include <QTest>

class TestDataFolder : public QObject
{
    Q_OBJECT
private slots:
    void paths();
    void columnMenuFile_data();
    void columnMenuFile();
};

void TestDataFolder::paths()
{
    const DataFolder f(QStringLiteral("/srv/board/./data/"));
    QCOMPARE(f.root(), QStringLiteral("/srv/board/data"));
    QCOMPARE(f.gsystem(QStringLiteral("sgrid.scd")), QStringLiteral("/srv/board/data/gsystem/sgrid.scd"));
    QCOMPARE(f.users(QStringLiteral("users.scd")), QStringLiteral("/srv/board/data/users/users.scd"));
    QCOMPARE(f.colfiles(QStringLiteral("Date.scd")), QStringLiteral("/srv/board/data/colfiles/Date.scd"));
    QCOMPARE(f.backups(QStringLiteral("b.scd")), QStringLiteral("/srv/board/data/databkup/b.scd"));
    QCOMPARE(f.inRoot(QStringLiteral("lockx.scd")), QStringLiteral("/srv/board/data/lockx.scd"));
    QCOMPARE(f.backupDir(), QStringLiteral("/srv/board/data/databkup"));
    QCOMPARE(f.colfilesDir(), QStringLiteral("/srv/board/data/colfiles"));

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

    const DataFolder f(QStringLiteral("/data"));
    QCOMPARE(DataFolder::isSafeFileTitle(title), safe);
    const QString path = f.columnMenuFile(title);
    if (!safe) {
        QVERIFY(path.isEmpty());
        return;
    }
    QCOMPARE(path, QStringLiteral("/data/colfiles/") + title + QStringLiteral(".scd"));
    QCOMPARE(QFileInfo(path).absolutePath(), f.colfilesDir());
}

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
