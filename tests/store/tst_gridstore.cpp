#include "store/gridstore.h"
#include "tests/support/fakeservices.h"
#include "tests/support/testfolder.h"
#include "tests/support/testplatform.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <time.h>

#include <cerrno>
#include <cstdlib>

using Cells = QList<QStringList>;   // one list per column
using Colors = QList<int>;          // codes of rows 0, 1, 2, ...

namespace {

const QString kGrid = QStringLiteral("sgrid.scd");
const QString kColors = QStringLiteral("gsystem/gclrsgrid.scd");
const QString kFixed = QStringLiteral("gsystem/FixedColumn.scd");

GridData makeGrid(const Cells& cells, const Colors& colors = {})
{
    GridData g(int(cells.size()), cells.isEmpty() ? 0 : int(cells.first().size()));
    for (int c = 0; c < cells.size(); ++c)
        g.setColumn(c, cells[c]);
    for (int r = 0; r < colors.size(); ++r)
        g.setRowColor(r, colors[r]);
    return g;
}

// A grid that differs from anything a test loads, colours included, so a
// load that leaves something behind shows.
GridData stale()
{
    GridData g = makeGrid({{"old", "x", "y"}, {"A", "B", "C"}, {"1", "2", "3"}});
    for (int r = 0; r < GridData::kColorRows; ++r)
        g.setRowColor(r, 7);
    return g;
}

QByteArray crlf(const QStringList& lines)
{
    return TextFile::joinLines(lines);
}

QStringList colorsOf(const GridData& g)
{
    QStringList out;
    for (int r = 0; r < GridData::kColorRows; ++r)
        if (g.rowColor(r))
            out << QStringLiteral("%1:%2").arg(r).arg(g.rowColor(r));
    return out;
}

QStringList backupNames(const TestFolder& tf)
{
    QStringList names = QDir(tf.path(QStringLiteral("databkup"))).entryList(QDir::Files);
    names.sort();
    return names;
}

void setMtime(const QString& path, qint64 seconds)
{
    QVERIFY(TestPlatform::setModifiedTime(path, seconds));
}

// The stamp of `name` into `stamp` (zero when it cannot be read); whether it was read.
bool readStamp(const GridStore& store, const QString& name, FileStamp& stamp)
{
    const FileResult<FileStamp> r = store.gridFileStamp(name);
    stamp = r.value;
    return r.ok();
}

} // namespace

class TestGridStore : public QObject
{
    Q_OBJECT
private slots:
    void savedBytes_data();
    void savedBytes();
    void roundTrip_data();
    void roundTrip();
    void rowsAbove255();

    void loadColors_data();
    void loadColors();
    void loadCells_data();
    void loadCells();
    void badCountsLeaveGrid_data();
    void badCountsLeaveGrid();
    void boundaryCounts_data();
    void boundaryCounts();
    void missingGridFileLeavesGrid();

    void saveOrder_data();
    void saveOrder();
    void failedSaveKeepsFiles_data();
    void failedSaveKeepsFiles();
    void cellLineBreaksKeepLayout();

    void backupName_data();
    void backupName();
    void backupWritesGridOnly();
    void backupsNeverReplace_data();
    void backupsNeverReplace();
    void failedBackupReported();
    void backupTime_data();
    void backupTime();
    void backupKindAndColors_data();
    void backupKindAndColors();
    void listBackups_data();
    void listBackups();
    void prune_data();
    void prune();
    void pruneAcrossDaylightSaving();

    void stamps();
    void stampTellsSavesApartInOneTick();
};

void TestGridStore::savedBytes_data()
{
    QTest::addColumn<Cells>("cells");
    QTest::addColumn<Colors>("colors");
    QTest::addColumn<QByteArray>("grid");
    QTest::addColumn<QByteArray>("colorFile");
    QTest::addColumn<QByteArray>("fixedFile");

    QTest::newRow("1x1") << Cells{{"header"}} << Colors{} << QByteArray("1\r\n1\r\nheader\r\n")
                         << QByteArray() << QByteArray();
    QTest::newRow("2x3 example") << Cells{{"Trailer", "T-12", ""}, {"Product", "Steel", ""}} << Colors{}
                                 << QByteArray("2\r\n3\r\nTrailer\r\nT-12\r\n\r\nProduct\r\nSteel\r\n\r\n")
                                 << QByteArray("0\r\n0\r\n") << QByteArray("T-12\r\n\r\n");
    QTest::newRow("column-major with colours")
        << Cells{{"", "1", "2"}, {"Trailer", "a", "b"}, {"Date", "c", "d"}} << Colors{5, 11, 3}
        << QByteArray("3\r\n3\r\n\r\n1\r\n2\r\nTrailer\r\na\r\nb\r\nDate\r\nc\r\nd\r\n")
        << QByteArray("11\r\n3\r\n") << QByteArray("1\r\n2\r\n");
    QTest::newRow("windows-1252 and blanks")
        << Cells{{" left", "Caf\u00e9 \u20ac5 "}, {"\u201cq\u201d \u2013", "\u4e2d"}} << Colors{0, 10}
        << QByteArray("2\r\n2\r\n left\r\nCaf\xe9 \x80" "5 \r\n\x93q\x94 \x96\r\n?\r\n")
        << QByteArray("10\r\n") << QByteArray("Caf\xe9 \x80" "5 \r\n");
    QTest::newRow("line breaks in cells") << Cells{{"a\r\nb", "c\rd"}, {"e\nf", ""}} << Colors{}
                                          << QByteArray("2\r\n2\r\na b\r\nc d\r\ne f\r\n\r\n")
                                          << QByteArray("0\r\n") << QByteArray("c d\r\n");
}

void TestGridStore::savedBytes()
{
    QFETCH(Cells, cells);
    QFETCH(Colors, colors);
    QFETCH(QByteArray, grid);
    QFETCH(QByteArray, colorFile);
    QFETCH(QByteArray, fixedFile);

    TestFolder tf;
    const TextFile::WriteResult w = GridStore(tf.folder()).saveGrid(kGrid, makeGrid(cells, colors));
    QVERIFY2(w.ok(), qPrintable(w.reason));
    QCOMPARE(tf.readFile(QStringLiteral("gsystem/sgrid.scd")), grid);
    // The lines as a list say the same as the bytes.
    QCOMPARE(TextFile::joinLines(GridStore::gridLines(makeGrid(cells, colors))), grid);
    QVERIFY(tf.exists(kColors));
    QCOMPARE(tf.readFile(kColors), colorFile);
    QVERIFY(tf.exists(kFixed));
    QCOMPARE(tf.readFile(kFixed), fixedFile);
    // Nothing else: no temporary file left behind.
    QCOMPARE(QDir(tf.path(QStringLiteral("gsystem"))).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

void TestGridStore::roundTrip_data()
{
    QTest::addColumn<Cells>("cells");
    QTest::addColumn<Colors>("colors");
    QTest::addColumn<QString>("name");

    QTest::newRow("empty cells") << Cells{{"", "", ""}, {"", "", ""}} << Colors{} << kGrid;
    QTest::newRow("blanks kept") << Cells{{"  a", "b  ", " "}, {"\t", " c d ", ""}} << Colors{0, 4, 9}
                                 << kGrid;
    QTest::newRow("windows-1252") << Cells{{"\u20ac\u0160\u017e\u0178", "\u00ff\u00a0\u00e9"}, {"~x~", "[Red]"}}
                                  << Colors{0, 2} << QStringLiteral("bsgrid.scd");
    Cells all(2);
    Colors codes;
    for (int r = 0; r <= 12; ++r) {
        all[0].append(QString::number(r));
        all[1].append(r % 2 ? QString() : QStringLiteral("v%1").arg(r));
        codes.append(r == 0 ? 0 : r - 1);   // 0..11 on rows 1..12
    }
    QTest::newRow("every colour code") << all << codes << kGrid;
    QTest::newRow("single row") << Cells{{"a"}, {"b"}, {"c"}} << Colors{} << kGrid;
}

void TestGridStore::roundTrip()
{
    QFETCH(Cells, cells);
    QFETCH(Colors, colors);
    QFETCH(QString, name);

    TestFolder tf;
    GridStore store(tf.folder());
    const GridData saved = makeGrid(cells, colors);
    QVERIFY(store.saveGrid(name, saved).ok());
    GridData loaded = stale();
    const GridStore::LoadResult r = store.loadGrid(name, loaded);
    QVERIFY2(r.ok(), qPrintable(r.message));
    QVERIFY(r.value);
    QCOMPARE(loaded.colCount(), saved.colCount());
    QCOMPARE(loaded.rowCount(), saved.rowCount());
    for (int c = 0; c < saved.colCount(); ++c)
        QCOMPARE(loaded.column(c).toList(), saved.column(c).toList());
    QCOMPARE(colorsOf(loaded), colorsOf(saved));
    QVERIFY(loaded == saved);
}

void TestGridStore::rowsAbove255()
{
    TestFolder tf;
    GridStore store(tf.folder());
    GridData g(2, 300);
    g.setRowColor(254, 6);
    g.setRowColor(255, 8);
    g.setRowColor(256, 5);   // no such entry: must read back as 0
    QCOMPARE(g.rowColor(256), 0);
    QVERIFY(store.saveGrid(kGrid, g).ok());
    const QStringList lines = TextFile::read(tf.path(kColors)).value;
    QCOMPARE(lines.size(), 299);
    QCOMPARE(lines[253], QStringLiteral("6"));
    QCOMPARE(lines[254], QStringLiteral("8"));
    for (int i = 255; i < lines.size(); ++i)
        QCOMPARE(lines[i], QStringLiteral("0"));

    // A colour file that colours every row still colours none above 255.
    tf.writeFile(kColors, QByteArray("4\r\n").repeated(299));
    GridData loaded = stale();
    QVERIFY(store.loadGrid(kGrid, loaded).ok());
    QCOMPARE(loaded.rowColor(0), 0);
    QCOMPARE(loaded.rowColor(1), 4);
    QCOMPARE(loaded.rowColor(255), 4);
    QCOMPARE(loaded.rowColor(256), 0);
    QCOMPARE(loaded.rowColor(299), 0);
}

void TestGridStore::loadColors_data()
{
    QTest::addColumn<QByteArray>("colorFile");   // "-" for no colour file
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("colors");

    // The grid has 5 rows; the stale grid had code 7 on every row.
    QTest::newRow("replaces earlier codes") << QByteArray("3\r\n0\r\n11\r\n1\r\n") << true
                                            << QStringList{"1:3", "3:11", "4:1"};
    QTest::newRow("missing file: no colours") << QByteArray("-") << true << QStringList{};
    QTest::newRow("empty file") << QByteArray() << true << QStringList{};
    QTest::newRow("short file") << QByteArray("2\r\n") << true << QStringList{"1:2"};
    QTest::newRow("surplus ignored") << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n") << true
                                     << QStringList{"1:1", "2:2", "3:3", "4:4"};
    QTest::newRow("out of range codes") << QByteArray("12\r\n-1\r\n10\r\n99\r\n") << true
                                        << QStringList{"3:10"};
    QTest::newRow("lf only") << QByteArray("5\n6\n") << true << QStringList{"1:5", "2:6"};
    QTest::newRow("bad line stops there") << QByteArray("2\r\nred\r\n5\r\n") << false << QStringList{"1:2"};
    QTest::newRow("empty line stops there") << QByteArray("9\r\n\r\n5\r\n") << false << QStringList{"1:9"};
    QTest::newRow("fraction stops there") << QByteArray("2\r\n3.0\r\n5\r\n") << false << QStringList{"1:2"};
}

void TestGridStore::loadColors()
{
    QFETCH(QByteArray, colorFile);
    QFETCH(bool, ok);
    QFETCH(QStringList, colors);

    TestFolder tf;
    tf.writeFile(QStringLiteral("gsystem/sgrid.scd"), crlf({"1", "5", "t", "a", "b", "c", "d"}));
    if (colorFile != "-")
        tf.writeFile(kColors, colorFile);
    GridData g = stale();
    const GridStore::LoadResult r = GridStore(tf.folder()).loadGrid(kGrid, g);
    QVERIFY(r.value);
    QCOMPARE(r.ok(), ok);
    QCOMPARE(r.message.isEmpty(), ok);
    QCOMPARE(g.column(0).toList(), QStringList({"t", "a", "b", "c", "d"}));
    QCOMPARE(colorsOf(g), colors);
}

void TestGridStore::loadCells_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Cells>("cells");

    QTest::newRow("1x1") << QByteArray("1\r\n1\r\nheader\r\n") << Cells{{"header"}};
    QTest::newRow("lf only") << QByteArray("2\n2\na\nb\nc\nd\n") << Cells{{"a", "b"}, {"c", "d"}};
    QTest::newRow("no final line break") << QByteArray("2\r\n1\r\na\r\nb") << Cells{{"a"}, {"b"}};
    QTest::newRow("cells missing") << QByteArray("2\r\n3\r\nA\r\nB\r\n") << Cells{{"A", "B", ""}, {"", "", ""}};
    QTest::newRow("counts only") << QByteArray("3\r\n1\r\n") << Cells{{""}, {""}, {""}};
    QTest::newRow("surplus lines ignored") << QByteArray("1\r\n2\r\na\r\nb\r\nc\r\nd\r\n") << Cells{{"a", "b"}};
    QTest::newRow("empty lines are empty cells") << QByteArray("2\r\n2\r\n\r\nx\r\n\r\n\r\n")
                                                 << Cells{{"", "x"}, {"", ""}};
    QTest::newRow("blanks around counts") << QByteArray(" 1\r\n2 \r\n a \r\nb\r\n") << Cells{{" a ", "b"}};
    // 0x80..0x9F are where Windows-1252 is not Latin-1.
    QTest::newRow("windows-1252 beside latin-1")
        << QByteArray("1\r\n4\r\n\x7f\x80\r\nCaf\xe9 \x9f\xa0\r\n\x8a\x9c\r\n\xa0\xff\r\n")
        << Cells{{"\u007f\u20ac", "Caf\u00e9 \u0178\u00a0", "\u0160\u0153", "\u00a0\u00ff"}};
    QTest::newRow("a long cell") << "1\r\n1\r\n" + QByteArray(100000, 'w') + "\r\n" << Cells{{QString(100000, u'w')}};
    QTest::newRow("a long cell, windows-1252")
        << "1\r\n1\r\n" + QByteArray(100000, '\x80') + "\r\n" << Cells{{QString(100000, QChar(0x20AC))}};
}

void TestGridStore::loadCells()
{
    QFETCH(QByteArray, file);
    QFETCH(Cells, cells);

    TestFolder tf;
    tf.writeFile(QStringLiteral("gsystem/sgrid.scd"), file);
    GridData g = stale();
    const GridStore::LoadResult r = GridStore(tf.folder()).loadGrid(kGrid, g);
    QVERIFY(r.value);
    QCOMPARE(g.colCount(), cells.size());
    QCOMPARE(g.rowCount(), cells.first().size());
    for (int c = 0; c < cells.size(); ++c) {
        QCOMPARE(g.column(c).toList(), cells[c]);
        // A full file holds a million cells: no column keeps room it does not use.
        QCOMPARE(g.column(c).unusedCapacity(), 0);
    }
    // No colour file: the loaded grid has no colours, whatever it had.
    QVERIFY(r.ok());
    QCOMPARE(colorsOf(g), QStringList());
}

void TestGridStore::badCountsLeaveGrid_data()
{
    QTest::addColumn<QByteArray>("file");

    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("one count only") << QByteArray("2\r\n");
    QTest::newRow("zero columns") << QByteArray("0\r\n2\r\na\r\nb\r\n");
    QTest::newRow("zero rows") << QByteArray("2\r\n0\r\n");
    QTest::newRow("negative columns") << QByteArray("-1\r\n2\r\n");
    QTest::newRow("negative rows") << QByteArray("2\r\n-3\r\n");
    QTest::newRow("1025 columns") << QByteArray("1025\r\n1\r\n");
    QTest::newRow("32768 rows") << QByteArray("1\r\n32768\r\n");
    QTest::newRow("overflowing count") << QByteArray("1\r\n4294967297\r\n");
    QTest::newRow("letters") << QByteArray("two\r\n2\r\n");
    QTest::newRow("fraction") << QByteArray("2\r\n1.5\r\n");
    QTest::newRow("trailing junk") << QByteArray("2x\r\n2\r\n");
    QTest::newRow("exponent") << QByteArray("1e1\r\n2\r\n");
    QTest::newRow("hex") << QByteArray("0x2\r\n2\r\n");
    QTest::newRow("empty count line") << QByteArray("\r\n2\r\na\r\n");
    QTest::newRow("blank count line") << QByteArray("2\r\n  \r\na\r\n");
    QTest::newRow("cells first") << QByteArray("Trailer\r\nT-12\r\n2\r\n2\r\n");
    QTest::newRow("binary") << QByteArray("\x00\x01\xff\r\n\x80\r\n", 8);
    QTest::newRow("both maxima in 13 bytes") << QByteArray("1024\r\n32767\r\n");
}

void TestGridStore::badCountsLeaveGrid()
{
    QFETCH(QByteArray, file);

    TestFolder tf;
    tf.writeFile(QStringLiteral("gsystem/sgrid.scd"), file);
    tf.writeFile(kColors, "1\r\n2\r\n");
    const GridData before = stale();
    GridData g = before;
    const GridStore::LoadResult r = GridStore(tf.folder()).loadGrid(kGrid, g);
    QVERIFY(!r.ok());
    QVERIFY(!r.value);
    QVERIFY(GridStore::isRefused(r));
    QVERIFY(!r.message.isEmpty());
    QVERIFY(g == before);
}

void TestGridStore::boundaryCounts_data()
{
    QTest::addColumn<int>("cols");
    QTest::addColumn<int>("rows");

    QTest::newRow("1024 columns") << 1024 << 1;
    QTest::newRow("32767 rows") << 1 << 32767;
    QTest::newRow("1024 x 1024 cells") << 1024 << 1024;
    QTest::newRow("1x1") << 1 << 1;
}

void TestGridStore::boundaryCounts()
{
    QFETCH(int, cols);
    QFETCH(int, rows);

    TestFolder tf;
    tf.writeFile(QStringLiteral("gsystem/sgrid.scd"), crlf({QString::number(cols), QString::number(rows), "first"}));
    tf.writeFile(kColors, QByteArray());
    GridData g = stale();
    const GridStore::LoadResult r = GridStore(tf.folder()).loadGrid(kGrid, g);
    QVERIFY(r.ok());
    QCOMPARE(g.colCount(), cols);
    QCOMPARE(g.rowCount(), rows);
    QCOMPARE(g.cell(0, 0), QStringLiteral("first"));
    QCOMPARE(g.cell(cols - 1, rows - 1), cols * rows == 1 ? QStringLiteral("first") : QString());
}

void TestGridStore::missingGridFileLeavesGrid()
{
    TestFolder tf;
    tf.writeFile(kColors, "1\r\n2\r\n");
    const GridData before = stale();
    GridData g = before;
    GridStore store(tf.folder());
    const GridStore::LoadResult r = store.loadGrid(kGrid, g);
    QVERIFY(!r.ok());
    QVERIFY(!r.value);
    QVERIFY(!GridStore::isRefused(r));   // it may come back: tried again at the next poll
    QCOMPARE(r.status, FileStatus::Missing);
    QCOMPARE(r.message, QStringLiteral("sgrid.scd: ") + r.reason);
    QVERIFY(!r.reason.isEmpty());
    QVERIFY(g == before);

    // A folder, a FIFO or a file over the cap where the file should be is no
    // better; none of them blocks or is read in.
    const QString path = tf.path(QStringLiteral("gsystem/") + kGrid);
    QVERIFY(QDir().mkdir(path));
    const GridStore::LoadResult folder = store.loadGrid(kGrid, g);
    QVERIFY(!folder.value);
    QCOMPARE(folder.status, FileStatus::Missing);
    QCOMPARE(folder.message, QStringLiteral("sgrid.scd: it is not a regular file"));
    QVERIFY(QDir().rmdir(path));
    if (TestPlatform::whyNoFifos().isEmpty()) {
        QVERIFY(TestPlatform::makeFifo(path));
        QVERIFY(!store.loadGrid(kGrid, g).value);
        QVERIFY(QFile::remove(path));
    }
    tf.writeFile(QStringLiteral("gsystem/") + kGrid, "1\r\n1\r\nx\r\n");
    QVERIFY(QFile::resize(path, GridStore::kMaxGridFileBytes + 1));   // sparse: costs no disk
    const GridStore::LoadResult big = store.loadGrid(kGrid, g);
    QVERIFY(!big.value);
    QVERIFY(GridStore::isRefused(big));
    QCOMPARE(big.status, FileStatus::TooLarge);
    QCOMPARE(big.message, QStringLiteral("sgrid.scd: it is larger than %1 bytes").arg(GridStore::kMaxGridFileBytes));
    QVERIFY(g == before);
    // So is a colour file over its cap: the cells load, the colours do not.
    QVERIFY(QFile::resize(path, 9));
    tf.writeFile(kColors, QByteArray(TextFile::kListFileCap + 1, '1'));
    const GridStore::LoadResult colors = store.loadGrid(kGrid, g);
    QVERIFY(colors.value);
    QVERIFY(GridStore::isRefused(colors));
    QCOMPARE(colors.status, FileStatus::TooLarge);
    // The file that failed is named, not the grid file.
    QCOMPARE(colors.fileName(), QStringLiteral("gclrsgrid.scd"));
    QVERIFY2(colors.message.startsWith(QStringLiteral("gclrsgrid.scd: ")), qPrintable(colors.message));
    QCOMPARE(g.cell(0, 0), QStringLiteral("x"));
}

void TestGridStore::saveOrder_data()
{
    QTest::addColumn<QString>("blocked");
    QTest::addColumn<bool>("renameFails");       // else a folder stands in its place
    QTest::addColumn<QStringList>("written");    // files that hold the new grid
    QTest::addColumn<QStringList>("untouched");  // files that still hold the old one

    const QStringList all{"gclrsgrid.scd", "FixedColumn.scd", "sgrid.scd"};
    // Nothing is renamed until all three are complete on disk.
    QTest::newRow("colour file blocked") << QStringLiteral("gclrsgrid.scd") << false << QStringList{} << all;
    QTest::newRow("fixed column file blocked") << QStringLiteral("FixedColumn.scd") << false << QStringList{} << all;
    QTest::newRow("grid file blocked") << QStringLiteral("sgrid.scd") << false << QStringList{} << all;
    // Then colour, fixed column, grid: the grid file's stamp changes last.
    QTest::newRow("colour rename fails") << QStringLiteral("gclrsgrid.scd") << true << QStringList{} << all;
    QTest::newRow("fixed column rename fails") << QStringLiteral("FixedColumn.scd") << true
                                               << QStringList{"gclrsgrid.scd"}
                                               << QStringList{"FixedColumn.scd", "sgrid.scd"};
    QTest::newRow("grid rename fails") << QStringLiteral("sgrid.scd") << true
                                       << QStringList{"gclrsgrid.scd", "FixedColumn.scd"} << QStringList{"sgrid.scd"};
}

void TestGridStore::saveOrder()
{
    QFETCH(QString, blocked);
    QFETCH(bool, renameFails);
    QFETCH(QStringList, written);
    QFETCH(QStringList, untouched);

    TestFolder tf;
    GridStore store(tf.folder());
    const GridData oldGrid = makeGrid({{"t", "old"}, {"u", "v"}}, {0, 2});
    const GridData newGrid = makeGrid({{"t", "new", "x"}, {"u", "w", "y"}}, {0, 3, 4});
    QVERIFY(store.saveGrid(kGrid, oldGrid).ok());
    QMap<QString, QByteArray> oldBytes;
    for (const char* f : {"sgrid.scd", "gclrsgrid.scd", "FixedColumn.scd"})
        oldBytes[QString::fromLatin1(f)] = tf.readFile(QStringLiteral("gsystem/") + QString::fromLatin1(f));

    // What a clean save of the new grid writes, to compare against.
    TestFolder ref;
    QVERIFY(GridStore(ref.folder()).saveGrid(kGrid, newGrid).ok());

    const QString blockedPath = tf.path(QStringLiteral("gsystem/") + blocked);
    if (renameFails) {
        TextFile::setFaultHook([blockedPath](TextFile::Step step, const QString& target) {
            return step == TextFile::Step::Rename && target == blockedPath ? EIO : 0;
        });
    } else {
        QVERIFY(QFile::remove(blockedPath));
        QVERIFY(QDir().mkdir(blockedPath));
    }
    const TextFile::WriteResult w = store.saveGrid(kGrid, newGrid);
    TextFile::setFaultHook({});
    QVERIFY(!w.ok());
    QVERIFY(!w.reason.isEmpty());
    QCOMPARE(QFileInfo(w.path).fileName(), blocked);
    QVERIFY(w.message.contains(blocked));
    for (const QString& f : written)
        QCOMPARE(tf.readFile(QStringLiteral("gsystem/") + f), ref.readFile(QStringLiteral("gsystem/") + f));
    for (const QString& f : untouched) {
        if (f != blocked || renameFails)
            QCOMPARE(tf.readFile(QStringLiteral("gsystem/") + f), oldBytes[f]);
    }
    const QStringList left = QDir(tf.path(QStringLiteral("gsystem"))).entryList({QStringLiteral("*.scd.*")});
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u' ')));
}

void TestGridStore::failedSaveKeepsFiles_data()
{
    QTest::addColumn<bool>("tooLarge");
    QTest::newRow("read-only folder") << false;
    // A grid file larger than a load reads would lock every workstation out.
    QTest::newRow("larger than a load reads") << true;
}

void TestGridStore::failedSaveKeepsFiles()
{
    QFETCH(bool, tooLarge);
    TestFolder tf;
    GridStore store(tf.folder());
    QVERIFY(store.saveGrid(kGrid, TestFolder::sampleGrid()).ok());
    const QString gsystem = tf.path(QStringLiteral("gsystem"));
    const QStringList before = QDir(gsystem).entryList(QDir::Files | QDir::Hidden);
    const QByteArray grid = tf.readFile(QStringLiteral("gsystem/sgrid.scd"));
    const QByteArray colors = tf.readFile(kColors);
    const QByteArray fixed = tf.readFile(kFixed);
    FileStamp stamp;
    QVERIFY(readStamp(store, kGrid, stamp));

    TextFile::WriteResult w;
    if (tooLarge) {
        w = store.saveGrid(kGrid, makeGrid({{QString(GridStore::kMaxGridFileBytes, u'x')}}));
    } else {
        ReadOnlyGuard guard(gsystem);
        if (!guard.isActive())
            QSKIP("this file system cannot make a folder read-only");
        w = store.saveGrid(kGrid, makeGrid({{"changed"}}));
    }
    QVERIFY(!w.ok());
    QVERIFY(!w.message.isEmpty());
    // The read-only folder refuses for permission, at the first file written.
    QCOMPARE(w.status, tooLarge ? FileStatus::TooLarge : FileStatus::Refused);
    QCOMPARE(w.fileName(), tooLarge ? kGrid : QStringLiteral("gclrsgrid.scd"));
    QCOMPARE(tf.readFile(QStringLiteral("gsystem/sgrid.scd")), grid);
    QCOMPARE(tf.readFile(kColors), colors);
    QCOMPARE(tf.readFile(kFixed), fixed);
    QCOMPARE(QDir(gsystem).entryList(QDir::Files | QDir::Hidden), before);
    FileStamp after;
    QVERIFY(readStamp(store, kGrid, after));
    QCOMPARE(after, stamp);   // other workstations see no change either
}

// A line break inside a cell would shift every later cell of the file by a
// line, scrambling the whole schedule on the next load.
void TestGridStore::cellLineBreaksKeepLayout()
{
    TestFolder tf;
    GridStore store(tf.folder());
    GridData g = makeGrid({{"t", "a\r\nb", "c"}, {"u", "d\ne", "f\rg"}});
    QVERIFY(store.saveGrid(kGrid, g).ok());
    QCOMPARE(TextFile::read(tf.path(QStringLiteral("gsystem/sgrid.scd"))).value.size(), 2 + 6);
    QCOMPARE(TextFile::read(tf.path(kFixed)).value.size(), 2);
    GridData loaded = stale();
    QVERIFY(store.loadGrid(kGrid, loaded).ok());
    QCOMPARE(loaded.rowCount(), 3);
    QCOMPARE(loaded.cell(0, 2), QStringLiteral("c"));
    QCOMPARE(loaded.cell(1, 0), QStringLiteral("u"));
    QVERIFY(loaded.cell(0, 1).startsWith(u'a') && loaded.cell(0, 1).endsWith(u'b'));
    QVERIFY(loaded.cell(1, 2).startsWith(u'f') && loaded.cell(1, 2).endsWith(u'g'));
}

void TestGridStore::backupName_data()
{
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("name");

    QTest::newRow("afternoon") << QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9))
                               << QStringLiteral("sgridbkup030726140509.scd");
    QTest::newRow("midnight") << QDateTime(QDate(2030, 1, 1), QTime(0, 0, 0))
                              << QStringLiteral("sgridbkup010130000000.scd");
    QTest::newRow("last second of a century year") << QDateTime(QDate(2099, 12, 31), QTime(23, 59, 59))
                                                   << QStringLiteral("sgridbkup123199235959.scd");
    QTest::newRow("year 2000") << QDateTime(QDate(2000, 2, 29), QTime(9, 1, 2, 999))
                               << QStringLiteral("sgridbkup022900090102.scd");
}

void TestGridStore::backupName()
{
    QFETCH(QDateTime, when);
    QFETCH(QString, name);

    QCOMPARE(GridStore::backupFileName(when), name);
    // The name reads back as the time it was made (to the second).
    const QDateTime t = GridStore::backupTime(name);
    QVERIFY(t.isValid());
    QCOMPARE(t.date(), when.date());
    QCOMPARE(t.time(), QTime(when.time().hour(), when.time().minute(), when.time().second()));
}

void TestGridStore::backupWritesGridOnly()
{
    TestFolder tf;
    GridStore store(tf.folder());
    FakeClock clock;
    const GridData g = TestFolder::sampleGrid();
    const TextFile::WriteResult w = store.backupGrid(g, clock.localNow());
    QVERIFY2(w.ok(), qPrintable(w.reason));
    QCOMPARE(backupNames(tf), QStringList{"sgridbkup030726140509.scd"});
    // The grid file's lines, then the kind and the data rows' colours.
    QCOMPARE(tf.readFile(QStringLiteral("databkup/sgridbkup030726140509.scd")),
             crlf(GridStore::gridLines(g) << "[backup] Unknown" << "0 1 0"));
    QCOMPARE(tf.readFile(QStringLiteral("databkup/sgridbkup030726140509.scd")).left(6), QByteArray("4\r\n4\r\n"));
    QCOMPARE(QDir(tf.path(QStringLiteral("gsystem"))).entryList(QDir::Files), QStringList());

    // The same second again: the later backup takes the next second's name.
    const GridData changed = makeGrid({{"later"}});
    const TextFile::WriteResult later = store.backupGrid(changed, clock.localNow());
    QVERIFY(later.ok());
    QCOMPARE(later.path, tf.path(QStringLiteral("databkup/sgridbkup030726140510.scd")));
    QCOMPARE(backupNames(tf), (QStringList{"sgridbkup030726140509.scd", "sgridbkup030726140510.scd"}));
    QCOMPARE(tf.readFile(QStringLiteral("databkup/sgridbkup030726140509.scd")),
             crlf(GridStore::gridLines(g) << "[backup] Unknown" << "0 1 0"));
    QCOMPARE(tf.readFile(QStringLiteral("databkup/sgridbkup030726140510.scd")),
             QByteArray("1\r\n1\r\nlater\r\n[backup] Unknown\r\n\r\n"));

    // A backup loads like any grid file.
    QFile::copy(tf.path(QStringLiteral("databkup/sgridbkup030726140510.scd")),
                tf.path(QStringLiteral("gsystem/restored.scd")));
    GridData loaded = stale();
    QVERIFY(store.loadGrid(QStringLiteral("restored.scd"), loaded).value);
    QCOMPARE(loaded.column(0).toList(), QStringList{"later"});
}

void TestGridStore::backupsNeverReplace_data()
{
    QTest::addColumn<int>("kind");         // -1: a grid file's bytes as they are
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<int>("taken");        // backups there already, from `when` on, a second apart
    QTest::addColumn<QString>("holder");   // what else holds the name of `when`: "folder", "link"
    QTest::addColumn<int>("raced");        // names another workstation takes as this one renames
    QTest::addColumn<bool>("noFlag");      // a file system without the rename that never replaces
    QTest::addColumn<int>("later");        // seconds after `when` the backup is named; -1: none written
    QTest::addColumn<QByteArray>("zone");  // the local time zone, where it matters
    const QDateTime now(QDate(2026, 3, 7), QTime(14, 5, 9));
    const QByteArray here;
    for (int kind = int(BackupKind::Unknown); kind <= int(BackupKind::Rescue); ++kind)
        QTest::addRow("second taken, %s", qPrintable(GridStore::backupKindText(BackupKind(kind))))
            << kind << now << 1 << "" << 0 << false << 1 << here;
    QTest::newRow("second taken, bytes as they are") << -1 << now << 1 << "" << 0 << false << 1 << here;
    QTest::newRow("three seconds taken") << int(BackupKind::Manual) << now << 3 << "" << 0 << false << 3 << here;
    QTest::newRow("a folder holds the name")
        << int(BackupKind::Restore) << now << 0 << "folder" << 0 << false << 1 << here;
    QTest::newRow("a link holds the name") << int(BackupKind::Restore) << now << 0 << "link" << 0 << false << 1 << here;
    QTest::newRow("taken at the rename") << int(BackupKind::Restore) << now << 0 << "" << 1 << false << 1 << here;
    QTest::newRow("taken at the rename, bytes as they are") << -1 << now << 0 << "" << 1 << false << 1 << here;
    QTest::newRow("no such rename, name free") << int(BackupKind::Update) << now << 0 << "" << 0 << true << 0 << here;
    QTest::newRow("no such rename, second taken")
        << int(BackupKind::Update) << now << 1 << "" << 0 << true << 1 << here;
    QTest::newRow("no such rename, taken at the rename")
        << int(BackupKind::Update) << now << 0 << "" << 2 << true << 2 << here;
    QTest::newRow("last second of a year taken")
        << int(BackupKind::Close) << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)) << 1 << "" << 0 << false << 1
        << here;
    QTest::newRow("every name for an hour taken")
        << int(BackupKind::Hourly) << now << 0 << "" << GridStore::kBackupNames << false << -1 << here;
    // Names count the wall clock: the second after 01:59:59 is 02:00:00 also
    // on the night the clock goes back from 02:00 to 01:00.
    QTest::newRow("second taken as the clock goes back")
        << int(BackupKind::Update) << QDateTime(QDate(2026, 11, 1), QTime(1, 59, 59)) << 1 << "" << 0 << false << 1
        << QByteArray("America/New_York");
}

void TestGridStore::backupsNeverReplace()
{
    QFETCH(int, kind);
    QFETCH(QDateTime, when);
    QFETCH(int, taken);
    QFETCH(QString, holder);
    QFETCH(int, raced);
    QFETCH(bool, noFlag);
    QFETCH(int, later);
    QFETCH(QByteArray, zone);
    const QDate day = when.date();   // as written, before the zone changes
    const QTime time = when.time();
    const QByteArray oldZone = qgetenv("TZ");
    if (!zone.isEmpty()) {
        qputenv("TZ", zone);
        ::tzset();
    }
    auto restoreZone = qScopeGuard([&] {
        if (zone.isEmpty())
            return;
        if (oldZone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", oldZone);
        ::tzset();
    });
    const QDateTime now(day, time);
    TestFolder tf;
    GridStore store(tf.folder());
    const QDateTime wallClock(day, time, Qt::UTC);
    auto nameAt = [&](int seconds) { return GridStore::backupFileName(wallClock.addSecs(seconds)); };
    auto pathAt = [&](int seconds) { return tf.path(QStringLiteral("databkup/") + nameAt(seconds)); };

    // What is there already, never to change.
    QMap<QString, QByteArray> before;
    for (int i = 0; i < taken; ++i) {
        before[pathAt(i)] = "1\r\n1\r\nearlier " + QByteArray::number(i) + "\r\n";
        QVERIFY(TextFile::writeBytes(pathAt(i), before[pathAt(i)]).ok());
    }
    QTemporaryDir elsewhere;
    const QString victim = elsewhere.filePath(QStringLiteral("victim"));
    if (holder == u"folder")
        QVERIFY(QDir().mkdir(pathAt(0)));
    if (holder == u"link") {
        if (const QString why = TestPlatform::whyNoLinks(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QVERIFY(TextFile::writeBytes(victim, "precious").ok());
        QVERIFY(TestPlatform::makeLink(victim, pathAt(0)));
    }
    const QByteArray theirs("1\r\n1\r\nanother workstation's\r\n");
    TextFile::setFaultHook([&](TextFile::Step step, const QString& target) {
        if (step == TextFile::Step::NoReplaceRename && noFlag)
            return EINVAL;
        if (step == TextFile::Step::Rename && raced > 0) {
            --raced;
            QFile f(target);
            if (f.open(QIODevice::NewOnly) && f.write(theirs) == theirs.size())
                before[target] = theirs;
        }
        return 0;
    });
    const auto noHook = qScopeGuard([] { TextFile::setFaultHook({}); });
    const GridData g = makeGrid({{"", "1"}, {"Trailer", "T-7"}}, {0, 3});
    const QByteArray raw("99999\r\nnot a schedule\r\n");
    const TextFile::WriteResult w = kind < 0 ? store.backupBytes(raw, now) : store.backupGrid(g, now, BackupKind(kind));
    TextFile::setFaultHook({});

    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QCOMPARE(readAll(it.key()), it.value());
    if (later < 0) {
        QVERIFY(!w.ok());
        QCOMPARE(w.status, FileStatus::Busy);
        QVERIFY2(w.message.contains(nameAt(0)), qPrintable(w.message));
        QCOMPARE(backupNames(tf).size(), qsizetype(before.size()));
        return;
    }
    QVERIFY2(w.ok(), qPrintable(w.message));
    QCOMPARE(w.path, pathAt(later));
    if (!zone.isEmpty())
        QCOMPARE(QFileInfo(w.path).fileName(), QStringLiteral("sgridbkup110126020000.scd"));
    if (kind < 0) {
        QCOMPARE(readAll(w.path), raw);
    } else {
        GridData back = stale();
        BackupKind read = BackupKind::Hourly;
        QVERIFY(store.loadBackup(nameAt(later), back, &read).ok());
        QCOMPARE(back, g);
        QCOMPARE(int(read), kind);
    }
    if (holder == u"folder")
        QVERIFY(QFileInfo(pathAt(0)).isDir());
    if (holder == u"link") {
        QVERIFY(QFileInfo(pathAt(0)).isSymLink());
        QCOMPARE(readAll(victim), QByteArray("precious"));
    }
    // Every file there is a backup of its own: no temporary is left.
    QStringList expected;
    for (int i = holder == u"folder" ? 1 : 0; i <= later; ++i)
        expected << nameAt(i);
    expected.sort();
    QCOMPARE(backupNames(tf), expected);
}

void TestGridStore::failedBackupReported()
{
    TestFolder tf;
    GridStore store(tf.folder());
    FakeClock clock;
    {
        ReadOnlyGuard guard(tf.path(QStringLiteral("databkup")));
        if (!guard.isActive())
            QSKIP("this file system cannot make a folder read-only");
        const TextFile::WriteResult w = store.backupGrid(TestFolder::sampleGrid(), clock.localNow());
        QVERIFY(!w.ok());
        QVERIFY(w.message.contains(QStringLiteral("sgridbkup030726140509.scd")));
    }
    QCOMPARE(backupNames(tf), QStringList());

    // No backup folder at all.
    QVERIFY(QDir(tf.path(QStringLiteral("databkup"))).removeRecursively());
    QVERIFY(!store.backupGrid(TestFolder::sampleGrid(), clock.localNow()).ok());
}

void TestGridStore::backupTime_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QDateTime>("time");   // invalid: not a backup's time

    QTest::newRow("plain") << QStringLiteral("sgridbkup030726140509.scd")
                           << QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9));
    QTest::newRow("year 00") << QStringLiteral("sgridbkup010100000000.scd") << QDateTime(QDate(2000, 1, 1), QTime(0, 0));
    QTest::newRow("year 99") << QStringLiteral("sgridbkup123199235959.scd")
                             << QDateTime(QDate(2099, 12, 31), QTime(23, 59, 59));
    QTest::newRow("leap day") << QStringLiteral("sgridbkup022924120000.scd") << QDateTime(QDate(2024, 2, 29), QTime(12, 0));
    QTest::newRow("no leap day") << QStringLiteral("sgridbkup022925120000.scd") << QDateTime();
    QTest::newRow("month 13") << QStringLiteral("sgridbkup130126120000.scd") << QDateTime();
    QTest::newRow("month 00") << QStringLiteral("sgridbkup000126120000.scd") << QDateTime();
    QTest::newRow("day 32") << QStringLiteral("sgridbkup013226120000.scd") << QDateTime();
    QTest::newRow("hour 24") << QStringLiteral("sgridbkup010126240000.scd") << QDateTime();
    QTest::newRow("minute 60") << QStringLiteral("sgridbkup010126126000.scd") << QDateTime();
    QTest::newRow("too short") << QStringLiteral("sgridbkup0107261405.scd") << QDateTime();
    QTest::newRow("too long") << QStringLiteral("sgridbkup01072614050901.scd") << QDateTime();
    QTest::newRow("letters") << QStringLiteral("sgridbkupold-version.scd") << QDateTime();
    QTest::newRow("signs") << QStringLiteral("sgridbkup+1+1+1+1+1+1.scd") << QDateTime();
    QTest::newRow("bare") << QStringLiteral("sgridbkup.scd") << QDateTime();
    QTest::newRow("other prefix") << QStringLiteral("bsgridbkup030726140509.scd") << QDateTime();
    QTest::newRow("other suffix") << QStringLiteral("sgridbkup030726140509.bak") << QDateTime();
}

void TestGridStore::backupTime()
{
    QFETCH(QString, name);
    QFETCH(QDateTime, time);

    const QDateTime t = GridStore::backupTime(name);
    QCOMPARE(t.isValid(), time.isValid());
    if (time.isValid()) {
        QCOMPARE(t.date(), time.date());
        QCOMPARE(t.time(), time.time());
    }
}

void TestGridStore::prune_data()
{
    QTest::addColumn<QStringList>("extra");     // beside 99 regular backups
    QTest::addColumn<QStringList>("deleted");
    QTest::addColumn<int>("regularDeleted");    // how many of the 99, oldest first

    // The 99 regular backups run hourly from 2026-02-01 00:00.
    QTest::newRow("100 in all: none") << QStringList{"sgridbkup060126120000.scd"} << QStringList{} << 0;
    QTest::newRow("99 in all: none") << QStringList{} << QStringList{} << 0;
    QTest::newRow("103: the three oldest")
        << QStringList{"sgridbkup060126120000.scd", "sgridbkup060126130000.scd", "sgridbkup060126140000.scd",
                       "sgridbkup060126150000.scd"}
        << QStringList{} << 3;
    QTest::newRow("December before January")
        << QStringList{"sgridbkup122525235959.scd", "sgridbkup010126000000.scd"}
        << QStringList{"sgridbkup122525235959.scd"} << 0;
    QTest::newRow("year before month")
        << QStringList{"sgridbkup123199000000.scd", "sgridbkup010100000000.scd", "sgridbkup030626000000.scd"}
        << QStringList{"sgridbkup010100000000.scd"} << 1;
    QTest::newRow("seconds decide")
        << QStringList{"sgridbkup013026235959.scd", "sgridbkup013026235958.scd"}
        << QStringList{"sgridbkup013026235958.scd"} << 0;
    QTest::newRow("junk names go first")
        << QStringList{"sgridbkupcopy.scd", "sgridbkup.scd", "sgridbkup022926000000.scd", "sgridbkup010126246000.scd",
                       "sgridbkup060126120000.scd", "sgridbkup060126130000.scd"}
        << QStringList{"sgridbkupcopy.scd", "sgridbkup.scd", "sgridbkup022926000000.scd",
                       "sgridbkup010126246000.scd"}
        << 1;
}

void TestGridStore::prune()
{
    QFETCH(QStringList, extra);
    QFETCH(QStringList, deleted);
    QFETCH(int, regularDeleted);

    TestFolder tf;
    QStringList regular;
    const QDateTime start(QDate(2026, 2, 1), QTime(0, 0));
    for (int i = 0; i < 99; ++i)
        regular << GridStore::backupFileName(start.addSecs(3600 * i));
    // Written newest first, so creation order and name order disagree with age.
    for (auto it = regular.crbegin(); it != regular.crend(); ++it)
        tf.writeFile(QStringLiteral("databkup/") + *it, "1\r\n1\r\nx\r\n");
    for (const QString& n : extra)
        tf.writeFile(QStringLiteral("databkup/") + n, "1\r\n1\r\nx\r\n");
    // Never counted, never deleted.
    const QStringList others{"sgridbkup010100000000.txt", "gridbkup010100000000.scd", "notes.scd"};
    for (const QString& n : others)
        tf.writeFile(QStringLiteral("databkup/") + n, "keep");
    QVERIFY(QDir(tf.path(QStringLiteral("databkup"))).mkdir(QStringLiteral("sgridbkup010100000001.scd")));

    QStringList expectedGone = deleted + regular.mid(0, regularDeleted);
    QStringList all = regular + extra;
    const FileResult<int> pruned = GridStore(tf.folder()).pruneGridBackups();
    QVERIFY2(pruned.ok(), qPrintable(pruned.message));
    QCOMPARE(pruned.value, int(expectedGone.size()));

    QStringList remaining = backupNames(tf);
    for (const QString& o : others) {
        QVERIFY(remaining.contains(o));
        remaining.removeOne(o);
    }
    QCOMPARE(remaining.size(), std::min<qsizetype>(all.size(), 100));
    const QSet<QString> gone = QSet<QString>(all.begin(), all.end()) - QSet<QString>(remaining.begin(), remaining.end());
    QCOMPARE(gone, QSet<QString>(expectedGone.begin(), expectedGone.end()));
    QVERIFY(QFileInfo(tf.path(QStringLiteral("databkup/sgridbkup010100000001.scd"))).isDir());
}

// Where clocks skip an hour in spring, a name from inside that hour (made on
// a workstation set to another zone) is still a proper date and time.
void TestGridStore::pruneAcrossDaylightSaving()
{
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "America/New_York");
    ::tzset();
    auto restore = qScopeGuard([&] {
        if (oldTz.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", oldTz);
        ::tzset();
    });

    TestFolder tf;
    const QDateTime start(QDate(2026, 3, 8), QTime(3, 0));
    for (int i = 0; i < 99; ++i)
        tf.writeFile(QStringLiteral("databkup/") + GridStore::backupFileName(start.addSecs(60 * i)), "1\r\n1\r\n\r\n");
    tf.writeFile(QStringLiteral("databkup/sgridbkup030826023000.scd"), "1\r\n1\r\n\r\n");
    tf.writeFile(QStringLiteral("databkup/sgridbkup030726120000.scd"), "1\r\n1\r\n\r\n");
    QCOMPARE(GridStore(tf.folder()).pruneGridBackups().value, 1);
    QVERIFY(!tf.exists(QStringLiteral("databkup/sgridbkup030726120000.scd")));
    QVERIFY(tf.exists(QStringLiteral("databkup/sgridbkup030826023000.scd")));
}

void TestGridStore::stamps()
{
    TestFolder tf;
    GridStore store(tf.folder());
    FileStamp s{1, 2, 3};
    QVERIFY(!readStamp(store, kGrid, s));
    QVERIFY(s.isZero());
    QCOMPARE(s, FileStamp());

    QVERIFY(QDir(tf.path(QStringLiteral("gsystem"))).mkdir(QStringLiteral("adir.scd")));
    s = FileStamp{1, 2, 3};
    QVERIFY(!readStamp(store, QStringLiteral("adir.scd"), s));
    QVERIFY(s.isZero());
    QCOMPARE(store.gridFileStamp(QStringLiteral("adir.scd")).status, FileStatus::Missing);

    QVERIFY(store.saveGrid(kGrid, TestFolder::sampleGrid()).ok());
    FileStamp first;
    QVERIFY(readStamp(store, kGrid, first));
    QVERIFY(!first.isZero());
    QVERIFY(first != FileStamp());

    // Reading the grid or its stamp changes nothing.
    GridData g;
    QVERIFY(store.loadGrid(kGrid, g).ok());
    FileStamp again;
    QVERIFY(readStamp(store, kGrid, again));
    QCOMPARE(again, first);

    // The colour and fixed column files have stamps of their own.
    FileStamp colors;
    QVERIFY(readStamp(store, QStringLiteral("gclrsgrid.scd"), colors));
    QVERIFY(colors != first);

    // Gone again: false and zero.
    QVERIFY(QFile::remove(tf.path(QStringLiteral("gsystem/sgrid.scd"))));
    s = first;
    QVERIFY(!readStamp(store, kGrid, s));
    QVERIFY(s.isZero());
}

// Shares with coarse time stamps (2 s on FAT) let two saves carry the same
// last-write time; a poller must still see the second one.
void TestGridStore::stampTellsSavesApartInOneTick()
{
    TestFolder tf;
    GridStore store(tf.folder());
    const QString path = tf.path(QStringLiteral("gsystem/sgrid.scd"));
    const qint64 tick = 1772892309;

    QList<FileStamp> seen;
    const GridData a = makeGrid({{"t", "AAAA"}});
    const GridData b = makeGrid({{"t", "BBBB"}});   // same size as a
    for (const GridData* g : {&a, &b, &a, &b}) {
        QVERIFY(store.saveGrid(kGrid, *g).ok());
        setMtime(path, tick);
        FileStamp s;
        QVERIFY(readStamp(store, kGrid, s));
        QVERIFY(seen.isEmpty() || seen.last() != s);
        seen.append(s);
    }
    // Same content, same time, still a new save.
    FileStamp before = seen.last();
    QVERIFY(store.saveGrid(kGrid, b).ok());
    setMtime(path, tick);
    FileStamp after;
    QVERIFY(readStamp(store, kGrid, after));
    QVERIFY(after != before);
    QCOMPARE(after.writeTimeNs, before.writeTimeNs);

    // A size change alone shows too (a file rewritten in place by an old build).
    FileStamp inPlace;
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::Append));
        f.write("x");
    }
    setMtime(path, tick);
    QVERIFY(readStamp(store, kGrid, inPlace));
    QVERIFY(inPlace != after);
}

void TestGridStore::backupKindAndColors_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::newRow("Update") << int(BackupKind::Update) << "Update";
    QTest::newRow("Hourly") << int(BackupKind::Hourly) << "Hourly";
    QTest::newRow("Close") << int(BackupKind::Close) << "Close";
    QTest::newRow("Backup Now") << int(BackupKind::Manual) << "Backup Now";
    QTest::newRow("before a restore") << int(BackupKind::Restore) << "Before restore";
    QTest::newRow("rescued edits") << int(BackupKind::Rescue) << "Unsaved edits";
    QTest::newRow("not recorded") << int(BackupKind::Unknown) << "Not recorded";
}

void TestGridStore::backupKindAndColors()
{
    QFETCH(int, kind);
    QFETCH(QString, text);
    TestFolder tf;
    GridStore store(tf.folder());
    GridData g = makeGrid({{"", "1", "2", "3"}, {"Trailer", "T-1", "T-2", "T-3"}}, {0, 4, 0, 11});
    QVERIFY(store.backupGrid(g, QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9)), BackupKind(kind)).ok());
    GridData back = stale();
    BackupKind read = BackupKind::Hourly;
    QVERIFY(store.loadBackup(QStringLiteral("sgridbkup030726140509.scd"), back, &read).ok());
    QCOMPARE(back, g);
    QCOMPARE(int(read), kind);
    QCOMPARE(GridStore::backupKindText(read), text);
}

void TestGridStore::listBackups_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<QByteArray>>("contents");
    QTest::addColumn<QStringList>("listed");   // newest first: name, kind, readable
    const QByteArray plain("1\r\n2\r\nA\r\nB\r\n");
    QTest::newRow("newest first, across a year's end")
        << QStringList{"sgridbkup123125235959.scd", "sgridbkup010126000001.scd", "sgridbkup061525120000.scd"}
        << QList<QByteArray>{plain, plain + "[backup] Close\r\n0\r\n", plain + "[backup] Update\r\n0\r\n"}
        << QStringList{"sgridbkup010126000001.scd Close 1", "sgridbkup123125235959.scd Not recorded 1",
                       "sgridbkup061525120000.scd Update 1"};
    QTest::newRow("unreadable backups are listed as such")
        << QStringList{"sgridbkup010126000000.scd", "sgridbkup010126000001.scd", "sgridbkup010126000002.scd"}
        << QList<QByteArray>{"", "0\r\n5\r\n", "99999\r\n1\r\n"}
        << QStringList{"sgridbkup010126000002.scd Not recorded 0", "sgridbkup010126000001.scd Not recorded 0",
                       "sgridbkup010126000000.scd Not recorded 0"};
    QTest::newRow("other files are no backups")
        << QStringList{"sgridbkup.scd", "sgridbkup013226000000.scd", "notes.txt", "sgridbkup010126000000.scd.sbtmpAb12",
                       "sgridbkup010126000000.scd"}
        << QList<QByteArray>{plain, plain, plain, plain, plain + "[backup] Bogus\r\n"}
        << QStringList{"sgridbkup010126000000.scd Not recorded 1"};
    QTest::newRow("a short file still lists") << QStringList{"sgridbkup010126000000.scd"}
                                              << QList<QByteArray>{"2\r\n3\r\nA\r\n"}
                                              << QStringList{"sgridbkup010126000000.scd Not recorded 1"};
    // Only the ends of a backup are read: its counts and its trailer.
    const QByteArray longCell(20000, 'x');
    QTest::newRow("trailer after long cells")
        << QStringList{"sgridbkup010126000000.scd"}
        << QList<QByteArray>{"1\r\n3\r\nA\r\n" + longCell + "\r\n" + longCell + "\r\n[backup] Hourly\r\n0 11\r\n"}
        << QStringList{"sgridbkup010126000000.scd Hourly 1"};
    QByteArray colorsToTheTail(4078, ' ');
    colorsToTheTail[0] = '5';
    QTest::newRow("a cell ending like a trailer where the read begins")
        << QStringList{"sgridbkup010126000000.scd"}
        << QList<QByteArray>{"1\r\n3\r\nA\r\n" + longCell + "[backup] Close\r\n" + colorsToTheTail + "\r\n"}
        << QStringList{"sgridbkup010126000000.scd Not recorded 1"};
    QTest::newRow("last two cells like a trailer but the last is no colour line")
        << QStringList{"sgridbkup010126000000.scd"}
        << QList<QByteArray>{"1\r\n3\r\nA\r\n[backup] Close\r\nT-12\r\n"}
        << QStringList{"sgridbkup010126000000.scd Not recorded 1"};
    QTest::newRow("line ends of every kind")
        << QStringList{"sgridbkup010126000000.scd", "sgridbkup010126000001.scd", "sgridbkup010126000002.scd",
                       "sgridbkup010126000003.scd"}
        << QList<QByteArray>{"1\n2\nA\nB\n[backup] Update\n0\n", "1\r2\rA\rB\r[backup] Manual\r0\r",
                             plain + "[backup] Hourly\r\n0", plain + "[backup] Rescue\r\n\r\n"}
        << QStringList{"sgridbkup010126000003.scd Unsaved edits 1", "sgridbkup010126000002.scd Hourly 1",
                       "sgridbkup010126000001.scd Backup Now 1", "sgridbkup010126000000.scd Update 1"};
    QTest::newRow("larger than a grid file may be")
        << QStringList{"sgridbkup010126000000.scd"} << QList<QByteArray>{"@oversized"}
        << QStringList{"sgridbkup010126000000.scd Not recorded 0"};
}

void TestGridStore::listBackups()
{
    QFETCH(QStringList, names);
    QFETCH(QList<QByteArray>, contents);
    QFETCH(QStringList, listed);
    TestFolder tf;
    for (int i = 0; i < names.size(); ++i) {
        const QString rel = QStringLiteral("databkup/") + names[i];
        if (contents[i] == "@oversized") {
            tf.writeFile(rel, "1\r\n1\r\n");
            QVERIFY(QFile::resize(tf.path(rel), GridStore::kMaxGridFileBytes + 1));   // sparse where it can be
        } else {
            tf.writeFile(rel, contents[i]);
        }
    }
    QStringList got;
    for (const GridStore::BackupEntry& e : GridStore(tf.folder()).listBackups().value) {
        got << QStringLiteral("%1 %2 %3").arg(e.fileName, GridStore::backupKindText(e.kind)).arg(int(e.readable));
        QCOMPARE(e.error.isEmpty(), e.readable);
        GridData g;
        QCOMPARE(GridStore(tf.folder()).loadBackup(e.fileName, g).ok(), e.readable);
    }
    QCOMPARE(got, listed);
}

QTEST_GUILESS_MAIN(TestGridStore)
#include "tst_gridstore.moc"
