#include "store/textfile.h"
#include "tests/support/testfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestTextFile : public QObject
{
    Q_OBJECT
private slots:
    void lineEnds_data();
    void lineEnds();
    void codepageRoundTrip();
    void unencodableBecomesQuestionMark();
    void writeReplacesWholeFile();
    void failedWriteKeepsOldFile();
};

void TestTextFile::lineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("lf only") << QByteArray("a\nb\n") << QStringList{"a", "b"};
    QTest::newRow("cr only") << QByteArray("a\rb\r") << QStringList{"a", "b"};
    QTest::newRow("no final break") << QByteArray("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("empty lines kept") << QByteArray("\r\n\r\nx\r\n\r\n") << QStringList{"", "", "x", ""};
    QTest::newRow("blanks kept") << QByteArray("  a \r\n") << QStringList{"  a "};
}

void TestTextFile::lineEnds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(TextFile::splitLines(TextFile::decode(bytes)), lines);
}

void TestTextFile::codepageRoundTrip()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n')
            all.append(char(b));
    const QString text = TextFile::decode(all);
    QCOMPARE(text.size(), all.size());
    QCOMPARE(text[0x80 - 2], QChar(0x20AC));   // the euro sign
    QCOMPARE(TextFile::encode(text), all);
    QCOMPARE(TextFile::joinLines({QStringLiteral("Café"), QString()}), QByteArray("Caf\xe9\r\n\r\n"));
}

void TestTextFile::unencodableBecomesQuestionMark()
{
    QCOMPARE(TextFile::encode(QStringLiteral("a\u4e2db")), QByteArray("a?b"));
    QCOMPARE(TextFile::encode(QString::fromUtf8("x\xF0\x9F\x98\x80y")), QByteArray("x?y"));
}

void TestTextFile::writeReplacesWholeFile()
{
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("f.scd"));
    QVERIFY(TextFile::write(p, {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")}));
    const TextFile::WriteResult w = TextFile::write(p, {QStringLiteral("x")});
    QVERIFY(w.ok);
    QCOMPARE(w.path, p);   // callers report where a file went
    QVERIFY(w.error.isEmpty());
    QFile f(p);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("x\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"f.scd"});
}

void TestTextFile::failedWriteKeepsOldFile()
{
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("f.scd"));
    QVERIFY(TextFile::write(p, {QStringLiteral("old")}));
    ReadOnlyGuard guard(dir.path());
    if (!guard.isActive())
        QSKIP("this file system cannot make a folder read-only");
    const TextFile::WriteResult w = TextFile::write(p, {QStringLiteral("new")});
    guard.release();
    QVERIFY(!w.ok);
    QVERIFY(!w.error.isEmpty());
    QVERIFY(w.message().contains(QStringLiteral("f.scd")));
    QCOMPARE(TextFile::read(p).lines, QStringList{"old"});
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
