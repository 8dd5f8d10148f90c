#include "grid/griddata.h"
#include "grid/gridfind.h"

#include <QTest>

using GridFind::Direction;

namespace {

// "c,r" for each cell, in the order given.
QStringList describe(const QList<QPoint>& cells)
{
    QStringList out;
    for (const QPoint& p : cells)
        out.append(QStringLiteral("%1,%2").arg(p.x()).arg(p.y()));
    return out;
}

// Three data columns and three data rows under titles and a fixed column
// that hold the searched words too.
GridData sample()
{
    GridData g(4, 4);
    const QStringList rows[] = {
        {"Trailer", "Trailer", "Product", "Date"},
        {"Trailer 1", "TR-100", "apples", ""},
        {"2", "Pears", "tr-200", "Crème"},
        {"3", "", "Trailer bay", "crÈME brûlée"},
    };
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            g.setCell(c, r, rows[r][c]);
    }
    return g;
}

} // namespace

class TestGridFind : public QObject
{
    Q_OBJECT

private slots:
    void matches_data();
    void matches();
    void step_data();
    void step();
    void focusFor_data();
    void focusFor();
};

void TestGridFind::matches_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("any case, in reading order, titles first")
        << "tr" << QStringList{"0,0", "1,0", "0,1", "1,1", "2,2", "2,3"};
    QTest::newRow("inside a text") << "-2" << QStringList{"2,2"};
    QTest::newRow("blank inside") << "r b" << QStringList{"2,3"};
    QTest::newRow("letters above 127 in any case") << QString::fromUtf8("CRÈME") << QStringList{"3,2", "3,3"};
    QTest::newRow("a title") << "Date" << QStringList{"3,0"};
    QTest::newRow("a fixed cell") << "3" << QStringList{"0,3"};
    QTest::newRow("no match") << "plums" << QStringList{};
    QTest::newRow("empty text matches nothing, not every cell") << "" << QStringList{};
    QTest::newRow("a blank matches texts with one") << " " << QStringList{"0,1", "2,3", "3,3"};
}

void TestGridFind::matches()
{
    QFETCH(QString, text);
    QTEST(describe(GridFind::matches(sample(), text)), "expected");
}

void TestGridFind::step_data()
{
    QTest::addColumn<int>("count");   // matches at 1,1 2,2 2,3 (first `count` of them)
    QTest::addColumn<QPoint>("from"); // 0,0 for no cell
    QTest::addColumn<bool>("forward");
    QTest::addColumn<bool>("includeFrom");
    QTest::addColumn<int>("expected");

    QTest::newRow("nothing found") << 0 << QPoint(1, 1) << true << false << -1;
    QTest::newRow("no cell: the first") << 3 << QPoint() << true << false << 0;
    QTest::newRow("no cell backward: the last") << 3 << QPoint() << false << false << 2;
    QTest::newRow("from a match: the next") << 3 << QPoint(1, 1) << true << false << 1;
    QTest::newRow("from a match, taken itself") << 3 << QPoint(2, 2) << true << true << 1;
    QTest::newRow("from between: the next in reading order") << 3 << QPoint(3, 1) << true << false << 1;
    QTest::newRow("from the last: round to the first") << 3 << QPoint(2, 3) << true << false << 0;
    QTest::newRow("past the last: round to the first") << 3 << QPoint(3, 3) << true << true << 0;
    QTest::newRow("backward from a match") << 3 << QPoint(2, 2) << false << false << 0;
    QTest::newRow("backward from between") << 3 << QPoint(1, 3) << false << false << 1;
    QTest::newRow("backward from the first: round to the last") << 3 << QPoint(1, 1) << false << false << 2;
    QTest::newRow("one match from itself: itself again") << 1 << QPoint(1, 1) << true << false << 0;
}

void TestGridFind::step()
{
    QFETCH(int, count);
    QFETCH(QPoint, from);
    QFETCH(bool, forward);
    QFETCH(bool, includeFrom);
    const QList<QPoint> found = QList<QPoint>{{1, 1}, {2, 2}, {2, 3}}.first(count);
    const std::optional<QPoint> cell = from.isNull() ? std::nullopt : std::optional<QPoint>(from);
    QTEST(GridFind::step(found, cell, forward ? Direction::Forward : Direction::Backward, includeFrom), "expected");
}

void TestGridFind::focusFor_data()
{
    QTest::addColumn<QSize>("grid");   // columns, rows
    QTest::addColumn<QPoint>("match");
    QTest::addColumn<QPoint>("expected");   // 0,0 for none

    QTest::newRow("a data cell: itself") << QSize(4, 4) << QPoint(2, 3) << QPoint(2, 3);
    QTest::newRow("a fixed cell: the row's first data cell") << QSize(4, 4) << QPoint(0, 2) << QPoint(1, 2);
    QTest::newRow("a title: the column's first data cell") << QSize(4, 4) << QPoint(3, 0) << QPoint(3, 1);
    QTest::newRow("the corner") << QSize(4, 4) << QPoint(0, 0) << QPoint(1, 1);
    QTest::newRow("titles only: nothing to focus") << QSize(4, 1) << QPoint(2, 0) << QPoint();
    QTest::newRow("the fixed column only: nothing to focus") << QSize(1, 4) << QPoint(0, 2) << QPoint();
}

void TestGridFind::focusFor()
{
    QFETCH(QSize, grid);
    QFETCH(QPoint, match);
    const std::optional<QPoint> cell = GridFind::focusFor(GridData(grid.width(), grid.height()), match);
    QTEST(cell.value_or(QPoint()), "expected");
}

QTEST_GUILESS_MAIN(TestGridFind)
#include "tst_gridfind.moc"
