#include "store/columndata.h"
#include "store/gridstore.h"
#include "store/textfile.h"
#include "tests/support/testfolder.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cerrno>
#include <optional>

using namespace ColumnData;

namespace {

const QString kFixed = QStringLiteral("gsystem/FixedColumn.scd");

// Five columns: the fixed one, then Trailer, Product, Date, Note; 10 data
// rows, the fixed column numbered "r1" ... "r10", its title "No.".
GridData board()
{
    GridData g(5, 11);
    const QStringList titles{"No.", "Trailer", "Product", "Date", "Note"};
    for (int c = 0; c < 5; ++c)
        g.setCell(c, 0, titles[c]);
    for (int r = 1; r < 11; ++r) {
        g.setCell(0, r, QStringLiteral("r%1").arg(r));
        g.setCell(1, r, QStringLiteral("T%1").arg(r));
    }
    return g;
}

QStringList numbered(const QString& prefix, int n)
{
    QStringList out;
    for (int i = 1; i <= n; ++i)
        out << prefix + QString::number(i);
    return out;
}

} // namespace

class TestColumnData : public QObject
{
    Q_OBJECT
private slots:
    void init() { TextFile::setFaultHook({}); }
    void cleanup() { TextFile::setFaultHook({}); }

    void boxLines_data();
    void boxLines();
    void sortedLines_data();
    void sortedLines();
    void readMenuLines_data();
    void readMenuLines();
    void saveColumnData_data();
    void saveColumnData();
    void saveColumnDataWriteFails_data();
    void saveColumnDataWriteFails();
    void saveFixedColumn_data();
    void saveFixedColumn();
    void saveFixedColumnTooManyRows_data();
    void saveFixedColumnTooManyRows();
    void saveFixedColumnWriteFails();
};

void TestColumnData::boxLines_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("text");

    QTest::newRow("none") << QStringList{} << "";
    QTest::newRow("two") << QStringList{"a", "b"} << "a\nb";
    QTest::newRow("empty line inside") << QStringList{"a", "", "b"} << "a\n\nb";
    // An empty last line (an empty menu value) must survive a save of the
    // box as loaded.
    QTest::newRow("empty last line") << QStringList{"a", ""} << "a\n\n";
    QTest::newRow("one empty line") << QStringList{""} << "\n";
    QTest::newRow("only empty lines") << QStringList{"", "", ""} << "\n\n\n";
}

void TestColumnData::boxLines()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, text);
    QCOMPARE(textOfLines(lines), text);
    QCOMPARE(linesOfText(text), lines);
    // A break typed after the last line adds none.
    if (!text.isEmpty() && !text.endsWith(u'\n'))
        QCOMPARE(linesOfText(text + u'\n'), lines);
}

void TestColumnData::sortedLines_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("sorted");

    QTest::newRow("case apart, equal ones keep their order") << QStringList{"b", "A", "a", "C"}
                                                             << QStringList{"A", "a", "b", "C"};
    QTest::newRow("duplicates stay") << QStringList{"Pears", "apples", "Pears", "apples"}
                                     << QStringList{"apples", "apples", "Pears", "Pears"};
    QTest::newRow("empty lines first") << QStringList{"b", "", "a", ""} << QStringList{"", "", "a", "b"};
    QTest::newRow("break lines among values") << QStringList{"Zinc", "Pears&break", "apples"}
                                              << QStringList{"apples", "Pears&break", "Zinc"};
    QTest::newRow("none") << QStringList{} << QStringList{};
}

void TestColumnData::sortedLines()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, sorted);
    QCOMPARE(ColumnData::sortedLines(lines), sorted);
}

void TestColumnData::readMenuLines_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QByteArray>("bytes");     // the file's content; null: no file
    QTest::addColumn<FileStatus>("status");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("message");

    QTest::newRow("file") << "Product" << QByteArray("Apples\r\n&Date\r\n\r\n") << FileStatus::Ok
                          << QStringList{"Apples", "&Date", ""} << "";
    QTest::newRow("no file") << "Product" << QByteArray() << FileStatus::Missing << QStringList{} << "";
    QTest::newRow("title that names no file") << "a/b" << QByteArray() << FileStatus::Missing << QStringList{} << "";
    // Shown empty, a save would throw away every value the user never saw.
    QTest::newRow("over the cap") << "Product" << QByteArray(TextFile::kListFileCap + 1, 'x') << FileStatus::TooLarge
                                  << QStringList{} << "Can't read 'Product.scd'.";
}

void TestColumnData::readMenuLines()
{
    QFETCH(QString, title);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QFETCH(QString, message);

    TestFolder tf;
    if (!bytes.isNull())
        tf.writeFile(QStringLiteral("colfiles/") + title + QStringLiteral(".scd"), bytes);
    const TextFile::ReadResult m = ColumnData::readMenuLines(tf.folder(), title);
    QTEST(m.status, "status");
    QCOMPARE(m.value, lines);
    if (m.okOrMissing())
        return;
    QCOMPARE(m.message.section(u'\r', 0, 0), message);
    QCOMPARE(m.message.section(u'\r', 1), m.reason);
}

void TestColumnData::saveColumnData_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("message");   // empty: saved
    QTest::addColumn<bool>("closes");

    const QStringList three{"Apples", "Pears&break", "Plums"};
    QTest::newRow("same title") << "Product" << three << "" << true;
    QTest::newRow("renamed") << "Goods" << three << "" << true;
    QTest::newRow("empty box writes an empty file") << "Product" << QStringList{} << "" << true;
    QTest::newRow("AUX in capitals") << "AUX" << three << "" << true;
    QTest::newRow("other case of aux") << "aUx" << three << "" << true;
    QTest::newRow("windows-1252 letters") << "D\u00e9p\u00f4t \u20ac" << three << "" << true;
    QTest::newRow("inner dots and blanks") << " Ship To (No.) #2" << three << "" << true;
    QTest::newRow("longest name") << QString(239, u'x') << three << "" << true;

    QTest::newRow("both empty") << "" << QStringList{} << "" << true;
    QTest::newRow("empty header") << "" << three << "Must enter a 'Column header name'." << false;
    QTest::newRow("empty header, one empty line") << "" << QStringList{""} << "Must enter a 'Column header name'."
                                                  << false;
    QTest::newRow("Aux") << "Aux" << three << "Can't name the file 'aux'." << false;
    QTest::newRow("aux") << "aux" << three << "Can't name the file 'aux'." << false;
    QTest::newRow("slash") << "a/b" << three << "Can't name the file 'a/b'." << false;
    QTest::newRow("backslash") << "..\\gsystem\\parm" << three << "Can't name the file '..\\gsystem\\parm'." << false;
    QTest::newRow("dot dot") << ".." << three << "Can't name the file '..'." << false;
    QTest::newRow("dot") << "." << three << "Can't name the file '.'." << false;
    QTest::newRow("CON") << "CON" << three << "Can't name the file 'CON'." << false;
    QTest::newRow("device with extension") << "con.txt" << three << "Can't name the file 'con.txt'." << false;
    QTest::newRow("aux with extension") << "aux.txt" << three << "Can't name the file 'aux.txt'." << false;
    QTest::newRow("lpt1") << "lpt1" << three << "Can't name the file 'lpt1'." << false;
    QTest::newRow("com0") << "COM0" << three << "Can't name the file 'COM0'." << false;
    QTest::newRow("console input") << "conin$" << three << "Can't name the file 'conin$'." << false;
    QTest::newRow("superscript port") << "LPT\u00B2" << three << "Can't name the file 'LPT\u00B2'." << false;
    QTest::newRow("larger than a menu read") << "Product" << QStringList(20000, QString(60, u'v'))
                                             << "The column menu data is too large: at most 1048576 bytes can be saved."
                                             << false;
    QTest::newRow("question mark") << "x?y" << three << "Can't name the file 'x?y'." << false;
    QTest::newRow("colon") << "C:x" << three << "Can't name the file 'C:x'." << false;
    QTest::newRow("tab") << "a\tb" << three << "Can't name the file 'a\tb'." << false;
    QTest::newRow("trailing dot") << "Goods." << three << "Can't name the file 'Goods.'." << false;
    QTest::newRow("trailing blank") << "Goods " << three << "Can't name the file 'Goods '." << false;
    QTest::newRow("not in windows-1252") << "G\u0151ods" << three << "Can't name the file 'G\u0151ods'." << false;
    QTest::newRow("outside the BMP") << "Goods \U0001F600" << three << "Can't name the file 'Goods \U0001F600'."
                                     << false;
    QTest::newRow("name too long") << QString(240, u'x') << three
                                   << "Can't name the file '" + QString(240, u'x') + "'." << false;
}

void TestColumnData::saveColumnData()
{
    QFETCH(QString, header);
    QFETCH(QStringList, lines);
    QFETCH(QString, message);
    QFETCH(bool, closes);

    TestFolder tf;
    const QByteArray oldProduct("Old\r\n");
    tf.writeFile(QStringLiteral("colfiles/Product.scd"), oldProduct);
    const QStringList before = QDir(tf.folder().colfilesDir()).entryList(QDir::Files);
    GridData grid = board();
    const GridData unchanged = grid;

    const SaveResult r = ColumnData::saveColumnData(tf.folder(), grid, 2, header, lines);
    QVERIFY2(r.ok(), qPrintable(r.message));
    QCOMPARE(r.value.notice, message);
    QCOMPARE(r.value.close, closes);
    if (!message.isEmpty() || (lines.isEmpty() && header.isEmpty())) {
        QVERIFY(grid == unchanged);
        QVERIFY(!r.value.gridChanged);
        QCOMPARE(QDir(tf.folder().colfilesDir()).entryList(QDir::Files), before);
        QCOMPARE(tf.readFile(QStringLiteral("colfiles/Product.scd")), oldProduct);
        return;
    }
    QCOMPARE(TextFile::read(tf.folder().colfiles(header + QStringLiteral(".scd"))).value, lines);
    QCOMPARE(grid.cell(2, 0), header);
    QCOMPARE(r.value.gridChanged, header != u"Product");
    QVERIFY(r.value.recomputeWidths);
    // Only the title changed; the old title's file stays for other columns.
    grid.setCell(2, 0, QStringLiteral("Product"));
    QVERIFY(grid == unchanged);
    if (header != u"Product")
        QCOMPARE(tf.readFile(QStringLiteral("colfiles/Product.scd")), oldProduct);
}

void TestColumnData::saveColumnDataWriteFails_data()
{
    QTest::addColumn<int>("step");   // TextFile::Step failed with ENOSPC; -1: read-only folder

    QTest::newRow("disk full while writing") << int(TextFile::Step::Write);
    QTest::newRow("sync fails") << int(TextFile::Step::Sync);
    QTest::newRow("rename fails") << int(TextFile::Step::Rename);
    QTest::newRow("read-only folder") << -1;
}

void TestColumnData::saveColumnDataWriteFails()
{
    QFETCH(int, step);

    TestFolder tf;
    tf.writeFile(QStringLiteral("colfiles/Product.scd"), "Old\r\n");
    GridData grid = board();
    const GridData unchanged = grid;
    std::optional<ReadOnlyGuard> guard;
    if (step < 0) {
        guard.emplace(tf.folder().colfilesDir());
        if (!guard->isActive())
            QSKIP("cannot make a folder read-only here");
    } else {
        TextFile::setFaultHook([step](TextFile::Step s, const QString&) { return int(s) == step ? ENOSPC : 0; });
    }
    const SaveResult r = ColumnData::saveColumnData(tf.folder(), grid, 2, QStringLiteral("Goods"), {"New"});
    TextFile::setFaultHook({});
    guard.reset();

    // Never reported as saved: the dialog stays open with what was typed.
    QVERIFY(!r.value.close);
    QVERIFY(!r.ok());
    QVERIFY2(r.message.contains(QStringLiteral("Goods.scd")), qPrintable(r.message));
    QVERIFY(r.message.section(u'\r', 1).size() > 0);   // the reason
    QVERIFY(r.value.notice.isEmpty());
    QVERIFY(!r.value.gridChanged);
    QVERIFY(grid == unchanged);
    QVERIFY(!tf.exists(QStringLiteral("colfiles/Goods.scd")));
    QCOMPARE(QDir(tf.folder().colfilesDir()).entryList(QDir::Files | QDir::Hidden), QStringList{"Product.scd"});
}

void TestColumnData::saveFixedColumn_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("rows");   // rowCount after the save

    QTest::newRow("12 lines into 10 rows add 2") << numbered(QStringLiteral("F"), 12) << 13;
    QTest::newRow("3 lines into 10 rows") << numbered(QStringLiteral("F"), 3) << 11;
    QTest::newRow("10 lines into 10 rows") << numbered(QStringLiteral("F"), 10) << 11;
    QTest::newRow("no lines empty the column") << QStringList{} << 11;
    QTest::newRow("empty lines count") << QStringList{"", "x", "", "", "", "", "", "", "", "", ""} << 12;
    // Beyond 254 data rows: no row limit here, only the grid file's.
    QTest::newRow("beyond the colour table") << numbered(QStringLiteral("F"), 300) << 301;
}

void TestColumnData::saveFixedColumn()
{
    QFETCH(QStringList, lines);
    QFETCH(int, rows);

    TestFolder tf;
    GridData grid = board();
    // Colours a larger grid left behind must not come back on new rows.
    for (int r = 0; r < GridData::kColorRows; ++r)
        grid.setRowColor(r, 3);
    const GridData before = grid;

    const SaveResult r = ColumnData::saveFixedColumn(tf.folder(), grid, lines);
    QVERIFY(r.ok());
    QVERIFY(r.value.close);
    QVERIFY(r.value.notice.isEmpty());
    QVERIFY(r.value.gridChanged);
    QVERIFY(r.value.recomputeWidths);
    QCOMPARE(grid.rowCount(), rows);
    QCOMPARE(grid.cell(0, 0), QString());
    for (int row = 1; row < rows; ++row) {
        QCOMPARE(grid.cell(0, row), lines.value(row - 1));
        // Other columns keep their cells; new rows are empty.
        QCOMPARE(grid.cell(1, row), row < before.rowCount() ? before.cell(1, row) : QString());
        const int wantColor = row < before.rowCount() ? 3 : 0;
        if (row < GridData::kColorRows)
            QCOMPARE(grid.rowColor(row), wantColor);
    }
    for (int c = 1; c < grid.colCount(); ++c)
        QCOMPARE(grid.cell(c, 0), before.cell(c, 0));
    QCOMPARE(fixedColumnLines(grid).mid(0, lines.size()), lines);
    QCOMPARE(TextFile::read(tf.path(kFixed)).value, lines);
}

void TestColumnData::saveFixedColumnTooManyRows_data()
{
    QTest::addColumn<int>("cols");
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("refused");

    QTest::newRow("rows the file can hold") << 5 << GridStore::kMaxFileRows - 1 << false;
    QTest::newRow("one row more") << 5 << GridStore::kMaxFileRows << true;
    // Many columns: the file's cell bound comes first.
    QTest::newRow("cells the file can hold") << 64 << int(GridStore::kMaxFileCells / 64) - 1 << false;
    QTest::newRow("one row of cells more") << 64 << int(GridStore::kMaxFileCells / 64) << true;
}

void TestColumnData::saveFixedColumnTooManyRows()
{
    QFETCH(int, cols);
    QFETCH(int, lines);
    QFETCH(bool, refused);

    TestFolder tf;
    tf.writeFile(kFixed, "r1\r\n");
    GridData grid = board();
    grid.setSize(cols, grid.rowCount());
    const GridData before = grid;
    const SaveResult r = ColumnData::saveFixedColumn(tf.folder(), grid, QStringList(lines, QStringLiteral("x")));
    QVERIFY(r.ok());
    QCOMPARE(r.value.close, !refused);
    if (!refused) {
        QCOMPARE(grid.rowCount(), lines + 1);
        // The grid file takes it back whole.
        const GridStore store(tf.folder());
        QVERIFY(store.saveGrid(QStringLiteral("sgrid.scd"), grid).ok());
        GridData loaded;
        QVERIFY(store.loadGrid(QStringLiteral("sgrid.scd"), loaded).value);
        QCOMPARE(loaded.rowCount(), lines + 1);
        return;
    }
    QVERIFY(r.value.notice.contains(QString::number(maxGridRows(cols) - 1)));
    QVERIFY(!r.value.gridChanged);
    QVERIFY(grid == before);
    QCOMPARE(tf.readFile(kFixed), QByteArray("r1\r\n"));
}

void TestColumnData::saveFixedColumnWriteFails()
{
    TestFolder tf;
    tf.writeFile(kFixed, "r1\r\n");
    GridData grid = board();
    TextFile::setFaultHook([](TextFile::Step s, const QString&) { return s == TextFile::Step::Rename ? EACCES : 0; });
    const SaveResult r = ColumnData::saveFixedColumn(tf.folder(), grid, numbered(QStringLiteral("F"), 12));
    TextFile::setFaultHook({});

    // The grid keeps the texts (its own save writes the file again); the
    // user is told which file failed and why.
    QVERIFY(!r.ok());
    QVERIFY2(r.message.contains(QStringLiteral("FixedColumn.scd")), qPrintable(r.message));
    QVERIFY(r.message.contains(qt_error_string(EACCES)));
    QVERIFY(r.message.endsWith(QStringLiteral("saved with the grid when the update ends.")));
    QVERIFY(r.value.close);
    QVERIFY(r.value.gridChanged);
    QCOMPARE(grid.rowCount(), 13);
    QCOMPARE(grid.cell(0, 12), QStringLiteral("F12"));
    QCOMPARE(tf.readFile(kFixed), QByteArray("r1\r\n"));
}

QTEST_GUILESS_MAIN(TestColumnData)
#include "tst_columndata.moc"
