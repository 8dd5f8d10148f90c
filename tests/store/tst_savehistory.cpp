#include "store/savehistory.h"
#include "grid/griddata.h"
#include "store/textfile.h"
#include "tests/support/testfolder.h"

#include <QTest>

using Records = QList<SaveRecord>;

// gsystem/history.scd: what goes in comes back, the caps hold, no cell text
// can forge a line, and damage costs only the lines it touched.
class TestSaveHistory : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void capsKeepTheNewest();
    void recordCutsToCaps();
    void malformedLinesAreSkipped_data();
    void malformedLinesAreSkipped();
    void damagedFileStartsAfresh();
    void madeStamp_data();
    void madeStamp();
    void savedText_data();
    void savedText();
    void filter_data();
    void filter();
};

namespace {

SaveRecord save(qint64 time, const QString& user = QStringLiteral("anna"), QList<CellChange> cells = {})
{
    SaveRecord s;
    s.timeMsUtc = time;
    s.gridStamp = {time * 1000000, quint64(time), 4096};
    s.user = user;
    s.computer = QStringLiteral("PC-A");
    s.cellCount = int(cells.size());
    s.rowCount = GridDiff::rowCount(cells);
    s.titles = {QString(), QStringLiteral("Trailer"), QStringLiteral("Product")};
    s.cells = std::move(cells);
    return s;
}

QString pathOf(const TestFolder& tf)
{
    return tf.path(QStringLiteral("gsystem/") + SaveHistory::fileName());
}

} // namespace

void TestSaveHistory::roundTrip_data()
{
    QTest::addColumn<Records>("saves");
    QTest::newRow("none changed") << Records{save(1)};
    QTest::newRow("cells") << Records{save(1, QStringLiteral("anna"), {{1, 2, QStringLiteral("old"), QStringLiteral("new")}}),
                                      save(2, QStringLiteral("ben"), {{2, 7, {}, QStringLiteral("café")}, {1, 7, QStringLiteral("x"), {}}})};
    // A cell that tries to start a save of its own, with every character
    // the format uses.
    const QString forged = QStringLiteral("x\r\nsave\t9\t0\t0\t0\tmallory\tPC-M\t0\t0\t\ncell\t1\t1\ta\tb\tend\\n\\");
    SaveRecord hostile = save(3, QStringLiteral("a\tb\\c"), {{1, 1, forged, QStringLiteral("\\t\t")}});
    hostile.titles = {QStringLiteral("\x1f"), QStringLiteral("Trailer\x1f\\s")};
    QTest::newRow("hostile texts") << Records{hostile};
    SaveRecord untitled = save(4);
    untitled.titles.clear();
    QTest::newRow("no titles") << Records{untitled};
}

void TestSaveHistory::roundTrip()
{
    QFETCH(Records, saves);
    TestFolder tf;
    for (const SaveRecord& s : saves)
        QVERIFY(SaveHistory::append(tf.folder(), s).ok());
    const FileResult<Records> r = SaveHistory::read(tf.folder());
    QVERIFY2(r.ok(), qPrintable(r.message));
    Records newestFirst(saves.rbegin(), saves.rend());
    QCOMPARE(r.value, newestFirst);
    QCOMPARE(SaveHistory::readNewest(tf.folder()).value, saves.last());
    // Windows-1252 with CR LF, like every data file.
    const QByteArray bytes = tf.readFile(QStringLiteral("gsystem/history.scd"));
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));
}

void TestSaveHistory::capsKeepTheNewest()
{
    TestFolder tf;
    Records many;
    for (int i = 0; i < SaveHistory::kMaxSaves + 4; ++i)
        many.append(save(i + 1, {}, {{1, 1, QString(), QString::number(i)}}));
    // More than the cap, as a board with another cap might leave it.
    QVERIFY(TextFile::write(pathOf(tf), SaveHistory::format(many)).ok());
    QCOMPARE(SaveHistory::read(tf.folder()).value.size(), SaveHistory::kMaxSaves);
    QVERIFY(SaveHistory::append(tf.folder(), save(SaveHistory::kMaxSaves + 5)).ok());
    const Records saves = SaveHistory::read(tf.folder()).value;
    QCOMPARE(saves.size(), SaveHistory::kMaxSaves);
    QCOMPARE(saves.first().timeMsUtc, SaveHistory::kMaxSaves + 5);
    QCOMPARE(saves.last().timeMsUtc, 6);
}

void TestSaveHistory::recordCutsToCaps()
{
    GridData before(5, 101);
    GridData after(5, 101);
    after.setCell(1, 0, QStringLiteral("Trailer"));
    for (int r = 1; r <= 100; ++r)
        after.setCell(2, r, QString(500, QLatin1Char('w')));
    const SaveRecord s = SaveHistory::record(before, after, QStringLiteral("anna"), QStringLiteral("PC-A"), 77, {5, 6, 7});
    QCOMPARE(s.cellCount, 101);
    QCOMPARE(s.rowCount, 101);
    QCOMPARE(s.cells.size(), SaveHistory::kMaxCellsPerSave);
    QCOMPARE(s.cells[1].after.size(), SaveHistory::kMaxTextChars);
    QCOMPARE(s.titles.value(1), QStringLiteral("Trailer"));
    QCOMPARE(s.gridStamp, (FileStamp{5, 6, 7}));

    // The worst the caps allow still keeps every save inside the file's cap.
    SaveRecord worst = s;
    for (CellChange& c : worst.cells)
        c.before = c.after = QString(SaveHistory::kMaxTextChars, QLatin1Char('\\'));
    const Records full(SaveHistory::kMaxSaves, worst);
    QVERIFY(TextFile::joinLines(SaveHistory::format(full)).size() <= SaveHistory::kMaxFileBytes);
}

void TestSaveHistory::malformedLinesAreSkipped_data()
{
    QTest::addColumn<QString>("bad");
    QTest::addColumn<int>("saves");   // how many of the three survive
    QTest::newRow("empty line") << QString() << 3;
    QTest::newRow("garbage") << QStringLiteral("<b>hello</b>") << 3;
    QTest::newRow("save, fields missing") << QStringLiteral("save\t5\t0") << 3;
    QTest::newRow("save, time not a number") << QStringLiteral("save\tx\t0\t0\t0\tu\tc\t0\t0\t") << 3;
    QTest::newRow("save, bad escape") << QStringLiteral("save\t5\t0\t0\t0\tu\\q\tc\t0\t0\t") << 3;
    QTest::newRow("save, negative count") << QStringLiteral("save\t5\t0\t0\t0\tu\tc\t-1\t0\t") << 3;
    QTest::newRow("cell, row out of range") << QStringLiteral("cell\t99999999\t1\ta\tb\tend") << 3;
    QTest::newRow("cell, unterminated") << QStringLiteral("cell\t1\t1\ta\tb") << 3;
    QTest::newRow("cell, trailing backslash") << QStringLiteral("cell\t1\t1\ta\\\tb\tend") << 3;
}

void TestSaveHistory::malformedLinesAreSkipped()
{
    QFETCH(QString, bad);
    QFETCH(int, saves);
    const Records good{save(1, QStringLiteral("anna"), {{1, 1, QStringLiteral("a"), QStringLiteral("b")}}), save(2),
                       save(3, QStringLiteral("cid"), {{2, 4, {}, QStringLiteral("c")}})};
    QStringList lines = SaveHistory::format(good);
    // Between two saves, and again before any save.
    lines.insert(2, bad);
    lines.prepend(bad);
    const Records parsed = SaveHistory::parse(lines);
    QCOMPARE(parsed.size(), saves);
    QCOMPARE(parsed, good);
    // A damaged save line takes its cells with it: they belong to nobody.
    lines = SaveHistory::format(good);
    lines[0] = QStringLiteral("save\tbroken");
    const Records withoutFirst = SaveHistory::parse(lines);
    QCOMPARE(withoutFirst, Records(good.begin() + 1, good.end()));
}

void TestSaveHistory::damagedFileStartsAfresh()
{
    TestFolder tf;
    QVERIFY(SaveHistory::readNewest(tf.folder()).status == FileStatus::Missing);
    QCOMPARE(SaveHistory::read(tf.folder()).status, FileStatus::Missing);
    // Over the cap: malformed, and the next save starts the file again.
    QVERIFY(writeRaw(pathOf(tf), QByteArray(SaveHistory::kMaxFileBytes + 1, 'x')));
    QCOMPARE(SaveHistory::read(tf.folder()).status, FileStatus::TooLarge);
    QVERIFY(!SaveHistory::readNewest(tf.folder()).ok());
    QVERIFY(SaveHistory::append(tf.folder(), save(5)).ok());
    QCOMPARE(SaveHistory::read(tf.folder()).value, Records{save(5)});
    // A tail that starts inside a long save still finds the newest whole.
    SaveRecord big = save(6, QStringLiteral("ben"));
    for (int i = 0; i < SaveHistory::kMaxCellsPerSave; ++i)
        big.cells.append({1, i + 1, QString(SaveHistory::kMaxTextChars, QLatin1Char('b')), QString(SaveHistory::kMaxTextChars, QLatin1Char('a'))});
    big.cellCount = int(big.cells.size());
    for (int i = 0; i < 3; ++i)
        QVERIFY(SaveHistory::append(tf.folder(), big).ok());
    QVERIFY(SaveHistory::append(tf.folder(), save(7, QStringLiteral("cid"))).ok());
    QCOMPARE(SaveHistory::readNewest(tf.folder()).value, save(7, QStringLiteral("cid")));
}

void TestSaveHistory::madeStamp_data()
{
    QTest::addColumn<FileStamp>("stamp");
    QTest::addColumn<bool>("made");
    const FileStamp recorded = save(1000).gridStamp;
    QTest::newRow("the same") << recorded << true;
    QTest::newRow("other id, 100 ns ticks") << FileStamp{recorded.writeTimeNs / 100 * 100, 99, recorded.size} << true;
    QTest::newRow("a FAT tick later") << FileStamp{recorded.writeTimeNs + 1999999999, 0, recorded.size} << true;
    QTest::newRow("a later save") << FileStamp{recorded.writeTimeNs + 3000000000LL, recorded.fileId, recorded.size} << false;
    QTest::newRow("other size") << FileStamp{recorded.writeTimeNs, recorded.fileId, recorded.size + 1} << false;
    QTest::newRow("unreadable") << FileStamp{} << false;
}

void TestSaveHistory::madeStamp()
{
    QFETCH(FileStamp, stamp);
    QFETCH(bool, made);
    QCOMPARE(SaveHistory::madeStamp(save(1000), stamp), made);
}

void TestSaveHistory::savedText_data()
{
    QTest::addColumn<bool>("named");
    QTest::addColumn<QString>("computer");
    QTest::addColumn<int>("cells");
    QTest::addColumn<bool>("military");
    QTest::addColumn<qint64>("fileTimeKnown");   // 0: no stamp of the grid file
    QTest::addColumn<int>("colorRows");
    QTest::addColumn<QString>("text");
    // The record says 14:05 by the saver's clock, the grid file 14:06 by the server's.
    QTest::newRow("named, the file's time") << true << QStringLiteral("PC-A") << 4 << false << qint64(1) << 0
                                           << QStringLiteral("Saved by anna on PC-A at 2:06 PM: 4 cells in 2 rows");
    QTest::newRow("military") << true << QStringLiteral("PC-A") << 4 << true << qint64(1) << 0
                              << QStringLiteral("Saved by anna on PC-A at 14:06: 4 cells in 2 rows");
    QTest::newRow("no computer") << true << QString() << 1 << true << qint64(1) << 0
                                 << QStringLiteral("Saved by anna at 14:06: 1 cell in 2 rows");
    QTest::newRow("not recorded") << false << QString() << 4 << true << qint64(1) << 0
                                  << QStringLiteral("Saved at 14:06: 4 cells in 2 rows");
    QTest::newRow("no cell") << true << QStringLiteral("PC-A") << 0 << true << qint64(1) << 0
                             << QStringLiteral("Saved by anna on PC-A at 14:06: no cell changed");
    QTest::newRow("colours only") << true << QStringLiteral("PC-A") << 0 << true << qint64(1) << 3
                                  << QStringLiteral("Saved by anna on PC-A at 14:06: colors of 3 rows");
    QTest::newRow("no file time: the record's") << true << QStringLiteral("PC-A") << 4 << true << qint64(0) << 0
                                                << QStringLiteral("Saved by anna on PC-A at 14:05: 4 cells in 2 rows");
}

void TestSaveHistory::savedText()
{
    QFETCH(bool, named);
    QFETCH(QString, computer);
    QFETCH(int, cells);
    QFETCH(bool, military);
    QFETCH(qint64, fileTimeKnown);
    QFETCH(int, colorRows);
    QFETCH(QString, text);
    SaveRecord s = save(QDateTime(QDate(2026, 3, 7), QTime(14, 5)).toMSecsSinceEpoch());
    s.computer = computer;
    const qint64 fileTime = fileTimeKnown ? QDateTime(QDate(2026, 3, 7), QTime(14, 6)).toMSecsSinceEpoch() : 0;
    QCOMPARE(SaveHistory::savedText(named ? &s : nullptr, fileTime, cells, 2, military, colorRows), text);
}

void TestSaveHistory::filter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("shown");
    QTest::newRow("everything") << QString() << 3;
    QTest::newRow("a text, any case") << QStringLiteral("t-9") << 1;
    QTest::newRow("a user") << QStringLiteral("BEN") << 2;
    QTest::newRow("a column title") << QStringLiteral("product") << 1;
    QTest::newRow("a row number") << QStringLiteral("7") << 2;
    QTest::newRow("nothing") << QStringLiteral("zzz") << 0;
}

void TestSaveHistory::filter()
{
    QFETCH(QString, filter);
    QFETCH(int, shown);
    const Records newestFirst{save(2, QStringLiteral("ben"), {{2, 7, QStringLiteral("old"), QStringLiteral("T-9")}, {1, 7, {}, {}}}),
                              save(1)};
    const QList<SaveHistory::Entry> entries = SaveHistory::entries(newestFirst);
    QCOMPARE(entries.size(), 3);   // two cells, and the save that changed none
    int count = 0;
    for (const SaveHistory::Entry& e : entries)
        count += SaveHistory::matches(e, filter) ? 1 : 0;
    QCOMPARE(count, shown);
}

QTEST_GUILESS_MAIN(TestSaveHistory)
#include "tst_savehistory.moc"
