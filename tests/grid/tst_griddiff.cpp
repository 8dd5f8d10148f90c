#include "grid/griddiff.h"

#include <QTest>

#include <functional>

using Edit = std::function<void(GridData&)>;
using Cells = QList<CellChange>;
Q_DECLARE_METATYPE(Edit)

// What a save changed, as a board tells its user: every cell whose text
// differs, whatever else moved, and the summary's words.
class TestGridDiff : public QObject
{
    Q_OBJECT
private slots:
    void changedCells_data();
    void changedCells();
    void summary_data();
    void summary();
};

namespace {

GridData filled()
{
    GridData g(4, 5);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 5; ++r)
            g.setCell(c, r, QStringLiteral("%1.%2").arg(c).arg(r));
    return g;
}

} // namespace

void TestGridDiff::changedCells_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<Cells>("expected");
    QTest::addColumn<int>("rows");
    QTest::addRow("nothing") << Edit([](GridData&) {}) << Cells{} << 0;
    QTest::addRow("colour only") << Edit([](GridData& g) { g.setRowColor(2, 5); }) << Cells{} << 0;
    QTest::addRow("one cell") << Edit([](GridData& g) { g.setCell(2, 3, QStringLiteral("T-9")); })
                              << Cells{{2, 3, QStringLiteral("2.3"), QStringLiteral("T-9")}} << 1;
    QTest::addRow("emptied, by row then column")
        << Edit([](GridData& g) {
               g.setCell(3, 1, QString());
               g.setCell(1, 1, QString());
               g.setCell(0, 4, QStringLiteral("x"));
           })
        << Cells{{1, 1, QStringLiteral("1.1"), {}}, {3, 1, QStringLiteral("3.1"), {}}, {0, 4, QStringLiteral("0.4"), QStringLiteral("x")}}
        << 2;
    QTest::addRow("title and fixed column")
        << Edit([](GridData& g) {
               g.setCell(1, 0, QStringLiteral("Trailer"));
               g.setCell(0, 2, QStringLiteral("Dock"));
           })
        << Cells{{1, 0, QStringLiteral("1.0"), QStringLiteral("Trailer")}, {0, 2, QStringLiteral("0.2"), QStringLiteral("Dock")}}
        << 2;
    QTest::addRow("row added") << Edit([](GridData& g) {
        g.setSize(4, 6);
        g.setCell(2, 5, QStringLiteral("new"));
    }) << Cells{{2, 5, {}, QStringLiteral("new")}} << 1;
    QTest::addRow("column removed") << Edit([](GridData& g) { g.setSize(3, 5); })
                                    << Cells{{3, 0, QStringLiteral("3.0"), {}}, {3, 1, QStringLiteral("3.1"), {}},
                                             {3, 2, QStringLiteral("3.2"), {}}, {3, 3, QStringLiteral("3.3"), {}},
                                             {3, 4, QStringLiteral("3.4"), {}}}
                                    << 5;
    // A row inserted moves every row below it: each cell that now reads
    // differently is a change.
    Cells shifted;
    for (int r = 1; r <= 5; ++r)
        for (int c = 0; c < 4; ++c)
            shifted.append({c, r, r < 5 ? QStringLiteral("%1.%2").arg(c).arg(r) : QString(),
                            r > 1 ? QStringLiteral("%1.%2").arg(c).arg(r - 1) : QString()});
    QTest::addRow("row inserted") << Edit([](GridData& g) { g.insertRow(2); }) << shifted << 5;
}

void TestGridDiff::changedCells()
{
    QFETCH(Edit, edit);
    QFETCH(Cells, expected);
    QFETCH(int, rows);
    const GridData before = filled();
    GridData after = filled();
    edit(after);
    const Cells changes = GridDiff::changedCells(before, after);
    QCOMPARE(changes, expected);
    QCOMPARE(GridDiff::rowCount(changes), rows);
}

void TestGridDiff::summary_data()
{
    QTest::addColumn<int>("cells");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("text");
    QTest::newRow("several") << 4 << 2 << QStringLiteral("4 cells in 2 rows");
    QTest::newRow("one") << 1 << 1 << QStringLiteral("1 cell in 1 row");
    QTest::newRow("one row") << 3 << 1 << QStringLiteral("3 cells in 1 row");
}

void TestGridDiff::summary()
{
    QFETCH(int, cells);
    QFETCH(int, rows);
    QFETCH(QString, text);
    QCOMPARE(GridDiff::summary(cells, rows), text);
}

QTEST_GUILESS_MAIN(TestGridDiff)
#include "tst_griddiff.moc"
