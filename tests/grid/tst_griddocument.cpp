#include "grid/griddata.h"
#include "grid/griddocument.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

// What a change announces decides what every view redraws or rebuilds: a
// change described too small leaves stale cells on screen.
class TestGridDocument : public QObject
{
    Q_OBJECT

private slots:
    void between_data();
    void between();
    void publishAnnouncesAroundTheSwap();
};

namespace {

using Change = std::function<void(GridData&)>;

GridData sample()
{
    GridData g(4, 6);
    for (int c = 0; c < g.colCount(); ++c)
        for (int r = 0; r < g.rowCount(); ++r)
            g.setCell(c, r, QStringLiteral("%1:%2").arg(c).arg(r));
    return g;
}

} // namespace

void TestGridDocument::between_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<int>("kind");
    // Cells: firstCol, lastCol, firstRow, lastRow; rows and columns: first, count.
    QTest::addColumn<QList<int>>("where");
    QTest::addColumn<QList<int>>("colorRows");   // first, last; empty when none changed

    QTest::newRow("nothing") << Change([](GridData&) {}) << int(GridChange::None) << QList<int>{} << QList<int>{};
    QTest::newRow("same text again") << Change([](GridData& g) { g.setCell(1, 1, QStringLiteral("1:1")); })
                                     << int(GridChange::None) << QList<int>{} << QList<int>{};
    QTest::newRow("one cell") << Change([](GridData& g) { g.setCell(2, 3, QStringLiteral("x")); })
                              << int(GridChange::Cells) << QList<int>{2, 2, 3, 3} << QList<int>{};
    QTest::newRow("title and a far cell")
        << Change([](GridData& g) {
               g.setCell(1, 0, QStringLiteral("t"));
               g.setCell(3, 5, QStringLiteral("x"));
           })
        << int(GridChange::Cells) << QList<int>{1, 3, 0, 5} << QList<int>{};
    QTest::newRow("colour only") << Change([](GridData& g) {
        g.setRowColor(2, 4);
        g.setRowColor(4, 1);
    }) << int(GridChange::Cells) << QList<int>{} << QList<int>{2, 4};
    QTest::newRow("column moved") << Change([](GridData& g) { g.moveColumn(1, 3); }) << int(GridChange::Cells)
                                  << QList<int>{1, 3, 0, 5} << QList<int>{};
    QTest::newRow("row inserted") << Change([](GridData& g) { g.insertRow(3); }) << int(GridChange::RowsInserted)
                                  << QList<int>{2, 1} << QList<int>{};
    QTest::newRow("row appended") << Change([](GridData& g) { g.insertRow(g.rowCount() + 1); })
                                  << int(GridChange::RowsInserted) << QList<int>{6, 1} << QList<int>{};
    QTest::newRow("row removed") << Change([](GridData& g) { g.removeRow(4); }) << int(GridChange::RowsRemoved)
                                 << QList<int>{3, 1} << QList<int>{};
    QTest::newRow("two rows removed") << Change([](GridData& g) {
        g.removeRow(2);
        g.removeRow(2);
    }) << int(GridChange::RowsRemoved) << QList<int>{1, 2} << QList<int>{};
    QTest::newRow("column inserted") << Change([](GridData& g) { g.insertColumn(2); })
                                     << int(GridChange::ColumnsInserted) << QList<int>{1, 1} << QList<int>{};
    QTest::newRow("column removed") << Change([](GridData& g) { g.removeColumn(4); })
                                    << int(GridChange::ColumnsRemoved) << QList<int>{3, 1} << QList<int>{};
    // A cell shifted down one column as a row is added (Insert Cell): no
    // single run of rows explains it.
    QTest::newRow("row added and a column shifted")
        << Change([](GridData& g) {
               g.insertRow(g.rowCount() + 1);
               QStringList cells = g.column(2).toList();
               cells.insert(2, QString());
               g.setColumn(2, cells);
           })
        << int(GridChange::Reset) << QList<int>{} << QList<int>{};
    QTest::newRow("row inserted and a cell typed")
        << Change([](GridData& g) {
               g.insertRow(2);
               g.setCell(1, 5, QStringLiteral("x"));
           })
        << int(GridChange::Reset) << QList<int>{} << QList<int>{};
    QTest::newRow("new shape") << Change([](GridData& g) { g.setSize(2, 3); }) << int(GridChange::Reset)
                               << QList<int>{} << QList<int>{};
}

void TestGridDocument::between()
{
    QFETCH(Change, change);
    QFETCH(int, kind);
    QFETCH(QList<int>, where);
    QFETCH(QList<int>, colorRows);

    const GridData before = sample();
    GridData after = before;
    change(after);
    const GridChange c = GridChange::between(before, after);
    QCOMPARE(int(c.kind), kind);
    if (kind == GridChange::Cells) {
        QCOMPARE(c.textsChanged(), !where.isEmpty());
        if (!where.isEmpty())
            QCOMPARE((QList<int>{c.firstCol, c.lastCol, c.firstRow, c.lastRow}), where);
    } else if (kind != GridChange::None && kind != GridChange::Reset) {
        QCOMPARE((QList<int>{c.first, c.count}), where);
    }
    QCOMPARE(c.colorsChanged(), !colorRows.isEmpty());
    if (!colorRows.isEmpty())
        QCOMPARE((QList<int>{c.firstColorRow, c.lastColorRow}), colorRows);
}

void TestGridDocument::publishAnnouncesAroundTheSwap()
{
    GridDocument doc(sample());
    QList<QString> seen;
    connect(&doc, &GridDocument::aboutToChange, this, [&] { seen.append(doc.data().cell(1, 1)); });
    connect(&doc, &GridDocument::changed, this, [&] { seen.append(doc.data().cell(1, 1)); });
    QSignalSpy changed(&doc, &GridDocument::changed);

    // Views read the grid as it was until the draft is published.
    doc.draft().setCell(1, 1, QStringLiteral("new"));
    QCOMPARE(doc.data().cell(1, 1), QStringLiteral("1:1"));
    QCOMPARE(doc.publish().kind, GridChange::Cells);
    QCOMPARE(seen, (QList<QString>{QStringLiteral("1:1"), QStringLiteral("new")}));
    QCOMPARE(doc.data(), doc.draft());

    // A draft equal to the grid shown announces nothing.
    QCOMPARE(doc.publish().kind, GridChange::None);
    QCOMPARE(changed.count(), 1);
}

QTEST_GUILESS_MAIN(TestGridDocument)
#include "tst_griddocument.moc"
