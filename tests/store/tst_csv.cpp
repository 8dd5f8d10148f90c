#include "grid/gridhistory.h"
#include "store/csvfile.h"
#include "store/csvimport.h"
#include "store/textfile.h"
#include "tests/support/gridtext.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

using Rows = QList<QStringList>;

// Comma-separated files as spreadsheets write them, read back strictly
// enough to catch a broken file and loosely enough to take what Excel and
// LibreOffice save; and what such a file does to the grid.
class TestCsv : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void malformed_data();
    void malformed();
    void readsAreCapped();
    void formatRoundTrips();
    void failedWriteReported();
    void plan_data();
    void plan();
    void overTheRowLimitChangesNothing();
    void exportImportChangesNothing();
    void importIsOneUndoStep();
};

void TestCsv::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Rows>("rows");       // the header first
    QTest::addColumn<QList<int>>("lines");  // where each data row starts
    QTest::addColumn<bool>("utf8");

    QTest::newRow("plain, CR LF") << QByteArray("a,b\r\n1,2\r\n") << Rows{{"a", "b"}, {"1", "2"}} << QList<int>{2} << true;
    QTest::newRow("LF and no last break") << QByteArray("a,b\n1,2\n3,4") << Rows{{"a", "b"}, {"1", "2"}, {"3", "4"}}
                                          << QList<int>{2, 3} << true;
    QTest::newRow("lone CR") << QByteArray("a\r1\r") << Rows{{"a"}, {"1"}} << QList<int>{2} << true;
    QTest::newRow("quoted separator and quotes")
        << QByteArray("a,b\r\n\"x, y\",\"say \"\"hi\"\"\"\r\n") << Rows{{"a", "b"}, {"x, y", "say \"hi\""}}
        << QList<int>{2} << true;
    QTest::newRow("line break in quotes counts lines")
        << QByteArray("a,b\r\n\"one\r\ntwo\",x\r\n3,4\r\n") << Rows{{"a", "b"}, {"one\ntwo", "x"}, {"3", "4"}}
        << QList<int>{2, 4} << true;
    QTest::newRow("empty lines skipped") << QByteArray("a\r\n\r\n1\r\n\r\n") << Rows{{"a"}, {"1"}} << QList<int>{3} << true;
    QTest::newRow("short line padded, trailing separator")
        << QByteArray("a,b,c\r\n1\r\n1,2,\r\n") << Rows{{"a", "b", "c"}, {"1", "", ""}, {"1", "2", ""}}
        << QList<int>{2, 3} << true;
    QTest::newRow("stray quote taken as it stands") << QByteArray("a,b\r\n5\" pipe,x\r\n")
                                                    << Rows{{"a", "b"}, {"5\" pipe", "x"}} << QList<int>{2} << true;
    QTest::newRow("UTF-8 with byte order mark") << QByteArray("\xEF\xBB\xBF" "K\xC3\xA4se,\xE2\x82\xAC\r\n")
                                                << Rows{{u"K\u00e4se"_qs, u"\u20ac"_qs}} << QList<int>{} << true;
    QTest::newRow("only the first mark dropped") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFk\r\n")
                                                 << Rows{{u"\ufeffk"_qs}} << QList<int>{} << true;
    QTest::newRow("UTF-8 without mark") << QByteArray("Caf\xC3\xA9\r\n") << Rows{{u"Caf\u00e9"_qs}} << QList<int>{} << true;
    QTest::newRow("Windows-1252 fallback") << QByteArray("Caf\xE9,\x80\r\n") << Rows{{u"Caf\u00e9"_qs, u"\u20ac"_qs}}
                                           << QList<int>{} << false;
    QTest::newRow("semicolons of a European Excel") << QByteArray("a;b\r\n1,5;2\r\n") << Rows{{"a", "b"}, {"1,5", "2"}}
                                                    << QList<int>{2} << true;
    QTest::newRow("UTF-16 of Excel's Unicode Text, tabs") << QByteArray("\xFF\xFE\x4B\x00\xE4\x00\x73\x00\x65\x00\x09\x00\xAC\x20\x0D\x00\x0A\x00\x31\x00\x09\x00\x32\x00\x0D\x00\x0A\x00", 28)
                                                       << Rows{{u"K\u00e4se"_qs, u"\u20ac"_qs}, {"1", "2"}} << QList<int>{2} << true;
    QTest::newRow("UTF-16 big-endian") << QByteArray("\xFE\xFF\x00\x4B\x00\xE4\x00\x73\x00\x65\x00\x2C\x20\xAC\x00\x0D\x00\x0A", 18) << Rows{{u"K\u00e4se"_qs, u"\u20ac"_qs}}
                                       << QList<int>{} << true;
    QTest::newRow("tabs") << QByteArray("a\tb\r\n1\t2\r\n") << Rows{{"a", "b"}, {"1", "2"}} << QList<int>{2} << true;
}

void TestCsv::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Rows, rows);
    QFETCH(QList<int>, lines);
    QFETCH(bool, utf8);
    bool wasUtf8 = !utf8;
    CsvFile::Table table;
    CsvFile::Problem problem;
    QVERIFY2(CsvFile::parse(CsvFile::decode(bytes, &wasUtf8), table, problem), qPrintable(problem.reason));
    QCOMPARE(table.header, rows.first());
    QCOMPARE(table.rows, rows.mid(1));
    QCOMPARE(table.lines, lines);
    QCOMPARE(wasUtf8, utf8);
}

void TestCsv::malformed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");   // as read() tells it

    QTest::newRow("unclosed quote names its line")
        << QByteArray("a,b\r\n1,2\r\n\"open,3\r\n4,5\r\n") << "x.csv, line 3: a quoted field is not closed.";
    QTest::newRow("text after a closing quote") << QByteArray("a,b\r\n\"x\"y,2\r\n")
                                                << "x.csv, line 2: text follows a closing quote.";
    QTest::newRow("more fields than the title line")
        << QByteArray("a,b\r\n1,2\r\n1,2,3\r\n") << "x.csv, line 3: 3 fields where the first line has 2.";
    QTest::newRow("line counted through a quoted break")
        << QByteArray("a\r\n\"1\r\n2\"\r\n1,2\r\n") << "x.csv, line 4: 2 fields where the first line has 1.";
    QTest::newRow("a NUL names its line") << QByteArray("a,b\r\n1,2\nx\0y,3\r\n", 16)
                                          << "x.csv, line 3: a control character (code 0) that no cell can hold.";
    QTest::newRow("UTF-16 read as bytes would hold NULs")
        << QByteArray("a\0,\0b\0\r\0\n\0", 10) << "x.csv, line 1: a control character (code 0) that no cell can hold.";
    QTest::newRow("empty file") << QByteArray() << "x.csv: the file holds no lines.";
    QTest::newRow("only line breaks") << QByteArray("\r\n\r\n") << "x.csv: the file holds no lines.";
    QTest::newRow("too many fields") << QByteArray(CsvFile::kMaxFields + 1, ',')
                                     << QStringLiteral("x.csv, line 1: more than %1 fields.").arg(CsvFile::kMaxFields);
    QTest::newRow("too many lines") << QByteArray("a\r\n").repeated(CsvFile::kMaxRecords + 2)
                                    << QStringLiteral("x.csv, line %1: more than %2 lines.")
                                           .arg(CsvFile::kMaxRecords + 2).arg(CsvFile::kMaxRecords);
}

void TestCsv::malformed()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.csv"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    const FileResult<CsvFile::Table> read = CsvFile::read(path);
    QCOMPARE(read.status, FileStatus::Malformed);
    QCOMPARE(read.message, message);
}

void TestCsv::readsAreCapped()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.csv"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.resize(CsvFile::kMaxBytes + 1));
    f.close();
    QCOMPARE(CsvFile::read(path).status, FileStatus::TooLarge);
    QCOMPARE(CsvFile::read(dir.filePath(QStringLiteral("none.csv"))).status, FileStatus::Missing);
}

void TestCsv::formatRoundTrips()
{
    const Rows rows{{"Trailer", "Note", ""},
                    {"T 1", "a, b", "say \"x\""},
                    {"", "semi;colon", "=SUM(A1)"},
                    {u"\u00e9\u20ac"_qs, " spaced ", "two\nlines"}};
    const QByteArray bytes = CsvFile::format(rows);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(bytes.contains("\"a, b\",\"say \"\"x\"\"\"\r\n"));
    // Formulas go out as the schedule holds them: the file is the office's own data.
    QVERIFY(bytes.contains(",=SUM(A1)\r\n"));
    CsvFile::Table table;
    CsvFile::Problem problem;
    QVERIFY(CsvFile::parse(CsvFile::decode(bytes), table, problem));
    QCOMPARE(Rows{table.header} + table.rows, rows);
    // One column: an empty cell is no empty line, a tab no separator.
    const Rows single{{"K"}, {""}, {"a\tb"}, {"c;d"}};
    QVERIFY(CsvFile::parse(CsvFile::decode(CsvFile::format(single)), table, problem));
    QCOMPARE(Rows{table.header} + table.rows, single);
}

void TestCsv::failedWriteReported()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    QVERIFY(CsvFile::write(path, {{"old"}}).ok());
    TextFile::setFaultHook([](TextFile::Step step, const QString&) { return step == TextFile::Step::Sync ? ENOSPC : 0; });
    const auto unhook = qScopeGuard([] { TextFile::setFaultHook({}); });
    const TextFile::WriteResult written = CsvFile::write(path, {{"new"}});
    QVERIFY(!written.ok());
    QVERIFY2(written.message.startsWith(QStringLiteral("Could not save out.csv:")), qPrintable(written.message));
    QCOMPARE(CsvFile::read(path).value.header, QStringList{"old"});
    QVERIFY(!CsvFile::write(dir.filePath(QStringLiteral("no/such/folder.csv")), {{"x"}}).ok());
    // A read-only file is kept, for anybody (the rename would replace it).
    TextFile::setFaultHook({});
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup | QFile::ReadOther));
    const TextFile::WriteResult readOnly = CsvFile::write(path, {{"new"}});
    QCOMPARE(readOnly.message, QStringLiteral("Could not save out.csv:\rthe file is read-only."));
    QCOMPARE(CsvFile::read(path).value.header, QStringList{"old"});
}

void TestCsv::plan_data()
{
    QTest::addColumn<QStringList>("grid");
    QTest::addColumn<QString>("csv");
    QTest::addColumn<QStringList>("result");
    QTest::addColumn<QList<int>>("counts");   // added, replaced, cells changed
    QTest::addColumn<QStringList>("unknown");
    QTest::addColumn<int>("notes");

    const QStringList g{"|Trailer|Load", "1|a|x", "2|b|y"};
    QTest::newRow("replace by name, titles in any case and order")
        << g << "Door,LOAD , trailer\r\n2,y2,b\r\n1,x,a\r\n" << QStringList{"|Trailer|Load", "1|a|x", "2|b|y2"}
        << QList<int>{0, 1, 1} << QStringList{} << 0;
    QTest::newRow("absent columns kept, unknown reported")
        << g << "Door,Weight,Load\r\n1,9,x1\r\n" << QStringList{"|Trailer|Load", "1|a|x1", "2|b|y"}
        << QList<int>{0, 1, 1} << QStringList{"Weight"} << 0;
    QTest::newRow("new names appended")
        << g << "Door,Trailer\r\n3,c\r\n1,a\r\n" << QStringList{"|Trailer|Load", "1|a|x", "2|b|y", "3|c|"}
        << QList<int>{1, 0, 2} << QStringList{} << 0;
    QTest::newRow("new names fill empty rows at the bottom first")
        << QStringList{"|Trailer", "1|a", "|", "|"} << "D,Trailer\r\n7,g\r\n8,h\r\n9,i\r\n"
        << QStringList{"|Trailer", "1|a", "7|g", "8|h", "9|i"} << QList<int>{3, 0, 6} << QStringList{} << 0;
    QTest::newRow("empty rows keep only their numbers, which new names replace")
        << QStringList{"|Trailer", "1|a", "2|", "3|"} << "D,Trailer\r\nN1,g\r\nN2,h\r\n"
        << QStringList{"|Trailer", "1|a", "N1|g", "N2|h"} << QList<int>{2, 0, 4} << QStringList{} << 0;
    QTest::newRow("repeated names pair in order")
        << QStringList{"|T", "A|1", "A|2", "|3"} << "k,T\r\nA,one\r\nA,two\r\n,three\r\n"
        << QStringList{"|T", "A|one", "A|two", "|three"} << QList<int>{0, 3, 3} << QStringList{} << 0;
    QTest::newRow("untitled and repeated titles match in order")
        << QStringList{"|X||X", "1|a|b|c"} << ",x,,X\r\n1,p,q,r\r\n" << QStringList{"|X||X", "1|p|q|r"}
        << QList<int>{0, 1, 3} << QStringList{} << 0;
    QTest::newRow("unstorable characters saved as question marks")
        << g << u"D,Trailer\r\n1,\u2713 ok\r\n"_qs << QStringList{"|Trailer|Load", "1|? ok|x", "2|b|y"}
        << QList<int>{0, 1, 1} << QStringList{} << 1;
    QTest::newRow("line breaks become spaces") << g << "D,Load\r\n2,\"p\r\nq\"\r\n"
                                               << QStringList{"|Trailer|Load", "1|a|x", "2|b|p q"}
                                               << QList<int>{0, 1, 1} << QStringList{} << 1;
    QTest::newRow("titles never change, empty title column named")
        << g << "D,Trailer,\r\n1,a,z\r\n" << g << QList<int>{0, 0, 0} << QStringList{"column 3 (no title)"} << 0;
}

void TestCsv::plan()
{
    QFETCH(QStringList, grid);
    QFETCH(QString, csv);
    QFETCH(QStringList, result);
    QFETCH(QList<int>, counts);
    QFETCH(QStringList, unknown);
    QFETCH(int, notes);
    CsvFile::Table table;
    CsvFile::Problem problem;
    QVERIFY(CsvFile::parse(csv, table, problem));
    const GridData before = ::grid(grid);
    const CsvImport::Plan p = CsvImport::plan(before, table);
    QCOMPARE(rows(p.result), result);
    QCOMPARE((QList<int>{p.added, p.replaced, p.cellsChanged()}), counts);
    QCOMPARE(p.unknownColumns, unknown);
    QCOMPARE(p.notes.size(), notes);
    for (const CsvImport::Change& c : p.changes) {
        QCOMPARE(c.before, before.cell(c.col, c.row));
        QCOMPARE(c.after, p.result.cell(c.col, c.row));
    }
}

void TestCsv::overTheRowLimitChangesNothing()
{
    GridData g(2, CsvImport::kMaxDataRows - 1);   // 252 data rows, none empty
    for (int r = 1; r < g.rowCount(); ++r) {
        g.setCell(0, r, QString::number(r));
        g.setCell(1, r, QStringLiteral("used"));
    }
    CsvFile::Table table;
    table.header = QStringList{"k", ""};
    for (const char* name : {"1", "new1", "new2", "new3", "new4"}) {
        table.rows.append({QString::fromLatin1(name), "v"});
        table.lines.append(int(table.lines.size()) + 2);
    }
    const CsvImport::Plan p = CsvImport::plan(g, table);
    QCOMPARE(p.added, 4);
    QCOMPARE(p.notFitting, 2);
    QCOMPARE(p.result, g);
    QVERIFY(p.changes.isEmpty());
    table.rows.removeLast();
    table.rows.removeLast();
    QVERIFY(CsvImport::plan(g, table).fits());
}

void TestCsv::exportImportChangesNothing()
{
    GridData g = grid({"Door|Trailer|Note, \"quoted\"|", "1|a|x, y|", "|b|two|", "1|c||", "|||"});
    setColors(g, "0 1 10 0 9");
    for (bool withColors : {false, true}) {
        CsvFile::Table table;
        CsvFile::Problem problem;
        QVERIFY(CsvFile::parse(CsvFile::decode(CsvFile::format(CsvImport::exportRows(g, withColors))), table, problem));
        QCOMPARE(table.header.size(), g.colCount() + (withColors ? 1 : 0));
        const CsvImport::Plan p = CsvImport::plan(g, table);
        QCOMPARE(p.result, g);
        QVERIFY(p.changes.isEmpty());
        QVERIFY(p.unknownColumns.isEmpty());
        QVERIFY(p.notes.isEmpty());
    }
    CsvFile::Table recoloured;
    CsvFile::Problem problem;
    QVERIFY(CsvFile::parse(QStringLiteral("D,row color\r\n1,green\r\n,\r\n1,Pink\r\n"), recoloured, problem));
    const CsvImport::Plan p = CsvImport::plan(g, recoloured);
    QCOMPARE(colors(p.result), QStringLiteral("0 5 0 0 9"));
    QCOMPARE(p.changes.size(), 2);
    QCOMPARE(p.changes[0].after, QStringLiteral("Green"));
    QCOMPARE(p.notes, QStringList{"Line 4: \"Pink\" is not a row colour; the row keeps its colour."});
}

void TestCsv::importIsOneUndoStep()
{
    GridData g = grid({"|T|U", "1|a|b", "2|c|d"});
    CsvFile::Table table;
    CsvFile::Problem problem;
    QVERIFY(CsvFile::parse(QStringLiteral("k,U,T\r\n2,D,C\r\n3,e,f\r\n4,g,h\r\n"), table, problem));
    const GridData before = g;
    GridHistory history;
    history.start(g);
    g = CsvImport::plan(g, table).result;
    QVERIFY(history.record(g, QStringLiteral("Import CSV")));
    QCOMPARE(history.undoCount(), 1);
    const GridData after = g;
    QVERIFY(history.undo(g));
    QCOMPARE(g, before);
    QVERIFY(history.redo(g));
    QCOMPARE(g, after);
}

QTEST_GUILESS_MAIN(TestCsv)
#include "tst_csv.moc"
