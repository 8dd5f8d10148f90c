#include "grid/gridhistory.h"

#include <QTest>

#include <functional>

using Edit = std::function<void(GridData&)>;
Q_DECLARE_METATYPE(Edit)

// Undo and redo of every kind of change the grid takes, back to exactly the
// grid before and forward to exactly the grid after, and the steps' order.
class TestGridHistory : public QObject
{
    Q_OBJECT
private slots:
    void undoRedoRestoreExactly_data();
    void undoRedoRestoreExactly();
    void stepsRunBackToTheStart();
    void bookkeeping_data();
    void bookkeeping();

private:
    static GridData filled(int cols, int rows);
};

GridData TestGridHistory::filled(int cols, int rows)
{
    GridData g(cols, rows);
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r)
            g.setCell(c, r, QStringLiteral("%1.%2").arg(c).arg(r));
    g.setRowColor(3, 2);
    return g;
}

void TestGridHistory::undoRedoRestoreExactly_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addRow("typed cell") << Edit([](GridData& g) { g.setCell(2, 4, QStringLiteral("Trailer 9")); });
    QTest::addRow("cell emptied") << Edit([](GridData& g) { g.setCell(0, 0, QString()); });
    QTest::addRow("same text, other string") << Edit([](GridData& g) { g.setCell(1, 1, QStringLiteral("1.2")); });
    QTest::addRow("first row added") << Edit([](GridData& g) { g.insertRow(1); });
    QTest::addRow("row inserted") << Edit([](GridData& g) { g.insertRow(5); });
    QTest::addRow("row appended") << Edit([](GridData& g) { g.insertRow(g.rowCount() + 1); });
    QTest::addRow("row removed") << Edit([](GridData& g) { g.removeRow(4); });
    QTest::addRow("last row removed") << Edit([](GridData& g) { g.removeRow(g.rowCount()); });
    QTest::addRow("column added") << Edit([](GridData& g) { g.insertColumn(3); });
    QTest::addRow("column removed") << Edit([](GridData& g) { g.removeColumn(2); });
    QTest::addRow("last column removed") << Edit([](GridData& g) { g.removeColumn(g.colCount()); });
    QTest::addRow("column moved") << Edit([](GridData& g) { g.moveColumn(0, 3); });
    QTest::addRow("colour") << Edit([](GridData& g) { g.setRowColor(7, 11); });
    QTest::addRow("colours cleared") << Edit([](GridData& g) { g.clearColors(); });
    QTest::addRow("row pasted with colour") << Edit([](GridData& g) {
        for (int c = 0; c < g.colCount(); ++c)
            g.setCell(c, 6, g.cell(c, 2));
        g.setRowColor(6, g.rowColor(2));
    });
    QTest::addRow("grid reshaped") << Edit([](GridData& g) { g.setSize(2, 3); });
    QTest::addRow("grid emptied") << Edit([](GridData& g) { g.setSize(0, 0); });
    QTest::addRow("grid grown") << Edit([](GridData& g) { g.setSize(9, 14); g.setCell(8, 13, QStringLiteral("x")); });
}

void TestGridHistory::undoRedoRestoreExactly()
{
    QFETCH(Edit, edit);
    GridData grid = filled(5, 10);
    const GridData before = grid;
    GridHistory h;
    h.start(grid);
    edit(grid);
    const GridData after = grid;
    QVERIFY(h.record(grid, QStringLiteral("the edit")));
    QCOMPARE(h.undoLabel(), QStringLiteral("the edit"));

    QVERIFY(h.undo(grid));
    QVERIFY(grid == before);
    QVERIFY(!h.canUndo());
    QCOMPARE(h.redoLabel(), QStringLiteral("the edit"));
    QVERIFY(h.redo(grid));
    QVERIFY(grid == after);
    QVERIFY(!h.canRedo());
    // And once more both ways: the steps made by undo and redo are as good.
    QVERIFY(h.undo(grid));
    QVERIFY(grid == before);
    QVERIFY(h.redo(grid));
    QVERIFY(grid == after);
}

void TestGridHistory::stepsRunBackToTheStart()
{
    GridData grid = filled(6, 12);
    GridHistory h;
    h.start(grid);
    QList<GridData> states{grid};
    for (int i = 0; i < 60; ++i) {
        switch (i % 5) {
        case 0: grid.setCell(i % grid.colCount(), i % 12, QString::number(i)); break;
        case 1: grid.insertRow(1 + i % grid.rowCount()); break;
        case 2: grid.setRowColor(i % 12, grid.rowColor(i % 12) == 5 ? 6 : 5); break;
        case 3: grid.removeRow(1 + i % grid.rowCount()); break;
        case 4: i % 2 ? grid.insertColumn(2) : grid.removeColumn(3); break;
        }
        QVERIFY2(h.record(grid, QString::number(i)), qPrintable(QString::number(i)));
        states.append(grid);
    }
    for (int i = 59; i >= 0; --i) {
        QCOMPARE(h.undoLabel(), QString::number(i));
        QVERIFY(h.undo(grid));
        QVERIFY2(grid == states[i], qPrintable(QString::number(i)));
    }
    QVERIFY(!h.undo(grid));
    for (int i = 1; i <= 60; ++i) {
        QVERIFY(h.redo(grid));
        QVERIFY2(grid == states[i], qPrintable(QString::number(i)));
    }
}

void TestGridHistory::bookkeeping_data()
{
    // e change, t a key typed into cell (1, 1), T typing it back to "1.1",
    // s same text again, n no change, u undo, r redo, c clear
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("undoCount");
    QTest::addColumn<bool>("canRedo");
    QTest::addColumn<QString>("cell");     // cell (1, 1) at the end
    QTest::addRow("unchanged grid leaves no step") << "n" << 0 << false << "1.1";
    QTest::addRow("rewritten with the same text") << "s" << 0 << false << "1.1";
    QTest::addRow("two changes") << "ee" << 2 << false << "e2";
    QTest::addRow("undo then a change drops redo") << "eeue" << 2 << false << "e4";
    QTest::addRow("undo past the start refused") << "euuu" << 0 << true << "1.1";
    QTest::addRow("redo with nothing to redo") << "er" << 1 << false << "e1";
    QTest::addRow("unrecorded change undone first") << "eEu" << 1 << true << "e1";
    QTest::addRow("cleared: nothing recorded or undone") << "ecue" << 0 << false << "e4";
    QTest::addRow("keys typed into one cell: one step") << "ttt" << 1 << false << "e3";
    QTest::addRow("typing undone all at once") << "tttu" << 0 << true << "1.1";
    QTest::addRow("typing after another change") << "ettu" << 1 << true << "e1";
    QTest::addRow("typing after an undo: a new step") << "ttuttu" << 0 << true << "1.1";
    QTest::addRow("typed back to what it was: no step") << "ttT" << 0 << false << "1.1";
}

void TestGridHistory::bookkeeping()
{
    QFETCH(QString, script);
    QFETCH(int, undoCount);
    QFETCH(bool, canRedo);
    QFETCH(QString, cell);
    GridData grid = filled(3, 3);
    GridHistory h;
    h.start(grid);
    for (qsizetype i = 0; i < script.size(); ++i) {
        const QString text = QStringLiteral("e%1").arg(i + 1);
        switch (script[i].unicode()) {
        case 'e': grid.setCell(1, 1, text); h.record(grid, text); break;
        case 'E': grid.setCell(1, 1, text); break;
        case 't': grid.setCell(1, 1, text); h.record(grid, text, QStringLiteral("cell 1 1")); break;
        case 'T': grid.setCell(1, 1, QStringLiteral("1.1")); h.record(grid, text, QStringLiteral("cell 1 1")); break;
        case 's': grid.setCell(1, 1, QStringLiteral("1.1")); QVERIFY(!h.record(grid, text)); break;
        case 'n': QVERIFY(!h.record(grid, text)); break;
        case 'u': h.undo(grid); break;
        case 'r': h.redo(grid); break;
        case 'c': h.clear(); break;
        }
    }
    QCOMPARE(h.undoCount(), undoCount);
    QCOMPARE(h.canRedo(), canRedo);
    QCOMPARE(grid.cell(1, 1), cell);
}

QTEST_GUILESS_MAIN(TestGridHistory)
#include "tst_gridhistory.moc"
