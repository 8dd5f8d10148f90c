#include "grid/cellcolumn.h"

#include <QTest>

#include <functional>

// A column keeps its cells in one string and their ends in a list: an edit
// that moves one boundary wrong shifts every later cell, and an edit that
// writes through a shared copy changes the undo history's columns too.
class TestCellColumn : public QObject
{
    Q_OBJECT

private slots:
    void editsMatchAList_data();
    void editsMatchAList();
    void equalityLooksAtEveryBoundary();
    void longCellsAreShared();
};

namespace {

using Edit = std::function<void(CellColumn&, QStringList&)>;

const QString kLong(CellColumn::kOwnStringFrom, u'L');
const QStringList kCells{QStringLiteral("Trailer 1"), QString(), QStringLiteral("Fruit"), QStringLiteral("Ä ½ €"),
                         QStringLiteral("x")};

} // namespace

void TestCellColumn::editsMatchAList_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::newRow("longer text in the middle") << Edit([](CellColumn& c, QStringList& l) {
        c.set(2, u"Frozen fruit");
        l[2] = QStringLiteral("Frozen fruit");
    });
    QTest::newRow("shorter text at the top") << Edit([](CellColumn& c, QStringList& l) {
        c.set(0, u"T");
        l[0] = QStringLiteral("T");
    });
    QTest::newRow("emptied last cell") << Edit([](CellColumn& c, QStringList& l) {
        c.set(4, QString());
        l[4] = QString();
    });
    QTest::newRow("same length, other text") << Edit([](CellColumn& c, QStringList& l) {
        c.set(2, u"Juice");
        l[2] = QStringLiteral("Juice");
    });
    QTest::newRow("set from its own cell") << Edit([](CellColumn& c, QStringList& l) {
        c.set(1, c.at(0));
        l[1] = l[0];
    });
    QTest::newRow("row put in at the top") << Edit([](CellColumn& c, QStringList& l) {
        c.insert(0, u"new");
        l.insert(0, QStringLiteral("new"));
    });
    QTest::newRow("empty row put in the middle") << Edit([](CellColumn& c, QStringList& l) {
        c.insert(3, {});
        l.insert(3, QString());
    });
    QTest::newRow("row taken out") << Edit([](CellColumn& c, QStringList& l) {
        c.removeAt(2);
        l.removeAt(2);
    });
    QTest::newRow("run replaced by more rows") << Edit([](CellColumn& c, QStringList& l) {
        const QStringList in{QStringLiteral("a"), QString(), QStringLiteral("ccc")};
        c.splice(1, 2, in);
        l.remove(1, 2);
        for (qsizetype i = 0; i < in.size(); ++i)
            l.insert(1 + i, in[i]);
    });
    QTest::newRow("a run of it in place of its first cell") << Edit([](CellColumn& c, QStringList& l) {
        c.splice(0, 1, c.mid(1, 3));
        l = l.mid(1, 3) + l.mid(1);
    });
    QTest::newRow("put into itself") << Edit([](CellColumn& c, QStringList& l) {
        c.splice(2, 0, c);
        l = l.mid(0, 2) + l + l.mid(2);
    });
    QTest::newRow("an empty run taken from its end") << Edit([](CellColumn& c, QStringList& l) {
        c = c.mid(5, 0);
        l.clear();
    });
    QTest::newRow("long cells in, then one made short") << Edit([](CellColumn& c, QStringList& l) {
        c.set(1, kLong);
        c.set(3, kLong + u'!');
        c.set(3, u"short");
        c.append(kLong);
        l[1] = kLong;
        l[3] = QStringLiteral("short");
        l << kLong;
    });
    QTest::newRow("long cells move with rows put in and taken out") << Edit([](CellColumn& c, QStringList& l) {
        c.set(2, kLong);
        c.set(4, kLong);
        c.insert(1, u"new");
        c.removeAt(0);
        c.splice(1, 0, c.mid(1, 2));
        l[2] = kLong;
        l[4] = kLong;
        l.insert(1, QStringLiteral("new"));
        l.removeAt(0);
        l = l.mid(0, 1) + l.mid(1, 2) + l.mid(1);
    });
    QTest::newRow("long cell cut off") << Edit([](CellColumn& c, QStringList& l) {
        c.set(4, kLong);
        c.resize(4);
        c.resize(6);
        l.resize(4);
        l.resize(6);
    });
    QTest::newRow("cells added at the end") << Edit([](CellColumn& c, QStringList& l) {
        c.append(u"tail");
        c.append(QLatin1StringView("\xe9t\xe9"));
        l << QStringLiteral("tail") << QStringLiteral("été");
    });
    QTest::newRow("cut short") << Edit([](CellColumn& c, QStringList& l) {
        c.resize(2);
        l.resize(2);
    });
    QTest::newRow("padded") << Edit([](CellColumn& c, QStringList& l) {
        c.resize(8);
        l.resize(8);
    });
    QTest::newRow("emptied") << Edit([](CellColumn& c, QStringList& l) {
        c.resize(0);
        l.clear();
    });
}

void TestCellColumn::editsMatchAList()
{
    QFETCH(Edit, edit);
    CellColumn column(kCells);
    const CellColumn before = column;
    QVERIFY(before.isSharedWith(column));
    QStringList expected = kCells;
    edit(column, expected);

    QCOMPARE(column.toList(), expected);
    QCOMPARE(column.size(), expected.size());
    qsizetype chars = 0;
    qsizetype row = 0;
    for (const QStringView cell : column) {
        QCOMPARE(cell, expected[row++]);
        chars += cell.size();
    }
    QCOMPARE(chars, column.textSize());
    QCOMPARE(column == CellColumn(expected), true);
    // The copy taken before is untouched.
    QCOMPARE(before.toList(), kCells);
}

void TestCellColumn::equalityLooksAtEveryBoundary()
{
    const CellColumn a(QStringList{QStringLiteral("ab"), QStringLiteral("c")});
    const CellColumn b(QStringList{QStringLiteral("a"), QStringLiteral("bc")});
    QVERIFY(a != b);
    QVERIFY(CellColumn(QStringList{QString(), QStringLiteral("x")}) != CellColumn(QStringList{QStringLiteral("x"), QString()}));
    QVERIFY(CellColumn(2) != CellColumn(3));
    // Built apart, equal by content; and empty text equals no text.
    QVERIFY(CellColumn(QStringList{QString(), QString()}) == CellColumn(2));
    CellColumn edited = a;
    edited.set(1, u"c");
    QVERIFY(edited.isSharedWith(a));   // the same text: nothing copied
    edited.set(1, u"d");
    QVERIFY(!edited.isSharedWith(a));
    QVERIFY(edited != a);
}

void TestCellColumn::longCellsAreShared()
{
    // A cell of megabytes pasted down a column: each paste and each edit
    // elsewhere in the column must not copy it.
    const QString big(4 * 1024 * 1024, u'B');
    CellColumn column(kCells);
    for (qsizetype r = 0; r < column.size(); ++r)
        column.set(r, big);
    const CellColumn before = column;
    column.set(0, u"short");
    column.insert(0, u"top");
    for (qsizetype r = 2; r < column.size(); ++r) {
        QVERIFY(column.string(r).isSharedWith(big));
        QVERIFY(column.at(r).data() == big.constData());
    }
    QVERIFY(before.mid(1, 2).string(0).isSharedWith(big));
    QVERIFY(before != column);
    QCOMPARE(before.textSize(), big.size() * kCells.size());
}

QTEST_GUILESS_MAIN(TestCellColumn)
#include "tst_cellcolumn.moc"
