#include "store/businesshours.h"
#include "store/textfile.h"
#include "tests/support/testfolder.h"

#include <QDir>
#include <QTest>

class TestBusinessHours : public QObject
{
    Q_OBJECT
private slots:
    void parseCount_data();
    void parseCount();
    void parse_data();
    void parse();
    void read_data();
    void read();
};

void TestBusinessHours::parseCount_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("count");
    QTest::newRow("plain") << "12" << true << 12;
    QTest::newRow("leading blanks") << "   5" << true << 5;
    QTest::newRow("rest of line ignored") << "5 columns" << true << 5;
    QTest::newRow("zero reads as 1") << "0" << true << 1;
    QTest::newRow("negative reads as 1") << "-3" << true << 1;
    QTest::newRow("at the cap") << "1024" << true << 1024;
    QTest::newRow("above the cap") << "5000" << true << 1024;
    QTest::newRow("huge") << "99999999999999999999" << true << 1024;
    QTest::newRow("zeros before a small number") << "0000000000007" << true << 7;
    QTest::newRow("huge negative") << "-99999999999999999999" << true << 1;
    QTest::newRow("not a number") << "twelve" << false << 0;
    QTest::newRow("digits then letters") << "5x" << false << 0;
    QTest::newRow("empty line") << "" << false << 0;
    QTest::newRow("blank line") << "   " << false << 0;
    QTest::newRow("sign alone") << "-" << false << 0;
}

void TestBusinessHours::parseCount()
{
    QFETCH(QString, line);
    int count = 0;
    QTEST(BusinessHours::parseCount(line, count), "ok");
    QTEST(count, "count");
}

void TestBusinessHours::parse_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("two by two, column by column")
        << QStringList{"2", "2", "7:00 am", "7:30 am", "8:00 am", "8:30 am"} << 2 << 2
        << QStringList{"7:00 am", "7:30 am", "8:00 am", "8:30 am"};
    QTest::newRow("counts of 0") << QStringList{"0", "0", "x", "y"} << 1 << 1 << QStringList{"x"};
    QTest::newRow("negative count") << QStringList{"-3", "2", "a", "b"} << 1 << 2 << QStringList{"a", "b"};
    QTest::newRow("empty file") << QStringList{} << 1 << 1 << QStringList{""};
    QTest::newRow("row count missing") << QStringList{"3"} << 3 << 1 << QStringList{"", "", ""};
    QTest::newRow("missing cells are empty") << QStringList{"2", "2", "a"} << 2 << 2 << QStringList{"a", "", "", ""};
    QTest::newRow("extra lines ignored") << QStringList{"1", "1", "a", "b"} << 1 << 1 << QStringList{"a"};
    QTest::newRow("cells kept as they stand") << QStringList{"1", "2", " 9:00 ", ""} << 1 << 2
                                              << QStringList{" 9:00 ", ""};
    QTest::newRow("bad column count: nothing") << QStringList{"x", "2", "a"} << 0 << 0 << QStringList{};
    QTest::newRow("bad row count: columns only") << QStringList{"5", "x", "a"} << 5 << 0 << QStringList{};
}

void TestBusinessHours::parse()
{
    QFETCH(QStringList, lines);
    const BusinessHours::Table t = BusinessHours::parse(lines);
    QTEST(t.columns, "columns");
    QTEST(t.rows, "rows");
    QTEST(t.cells, "cells");
}

void TestBusinessHours::read_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("lastCell");
    QTest::addColumn<FileStatus>("status");
    QTest::newRow("file with CR LF") << "crlf" << 2 << 1 << "8:00 am" << FileStatus::Ok;
    QTest::newRow("Windows-1252 text") << "cp1252" << 1 << 1 << QStringLiteral("caf\u00e9") << FileStatus::Ok;
    QTest::newRow("5000 by 5000 is capped") << "huge" << 1024 << 1024 << "" << FileStatus::Ok;
    QTest::newRow("missing file") << "missing" << 0 << 0 << "" << FileStatus::Missing;
    QTest::newRow("folder in its place") << "folder" << 0 << 0 << "" << FileStatus::Missing;
    QTest::newRow("over the read cap") << "toolarge" << 0 << 0 << "" << FileStatus::TooLarge;
}

void TestBusinessHours::read()
{
    QFETCH(QString, setup);
    TestFolder tf;
    QVERIFY(tf.isValid());
    const QString path = tf.folder().gsystem(QStringLiteral("timegrid.scd"));
    if (setup == u"crlf")
        tf.writeFile("gsystem/timegrid.scd", "2\r\n1\r\n7:30 am\r\n8:00 am\r\n");
    else if (setup == u"cp1252")
        tf.writeFile("gsystem/timegrid.scd", "1\r\n1\r\ncaf\xe9\r\n");
    else if (setup == u"huge")
        tf.writeFile("gsystem/timegrid.scd", "5000\r\n5000\r\n");
    else if (setup == u"folder")
        QVERIFY(QDir().mkpath(path));
    else if (setup == u"toolarge")
        tf.writeFile("gsystem/timegrid.scd", "1\r\n1\r\n" + QByteArray(TextFile::kListFileCap, 'x'));
    const FileResult<BusinessHours::Table> r = BusinessHours::read(path);
    QTEST(r.status, "status");
    QCOMPARE(r.message.isEmpty(), r.ok());
    if (!r.ok())
        QVERIFY2(r.message.startsWith(QStringLiteral("timegrid.scd: ")), qPrintable(r.message));
    const BusinessHours::Table& t = r.value;
    QTEST(t.columns, "columns");
    QTEST(t.rows, "rows");
    if (t.complete()) {
        QCOMPARE(t.cells.size(), qsizetype(t.columns) * t.rows);
        QTEST(t.cell(t.columns - 1, t.rows - 1), "lastCell");
    }
}

QTEST_GUILESS_MAIN(TestBusinessHours)
#include "tst_businesshours.moc"
