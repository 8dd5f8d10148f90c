#include "grid/columnmenu.h"
#include "grid/griddata.h"
#include "grid/griddocument.h"
#include "grid/grideditor.h"
#include "base/preferences.h"
#include "tests/support/fakeservices.h"

#include <QTest>

namespace {

// "H:PRODUCT" head, "U:", "S:", "C:", "D:" the fixed items, "V:Apples" a
// value, "V|:Pears" a value that starts a new menu column.
QStringList describe(const QList<ColumnMenuItem>& menu)
{
    QStringList out;
    for (const ColumnMenuItem& item : menu) {
        static const char kinds[] = "HUSCDV";
        QString s = QString(QLatin1Char(kinds[item.kind]));
        if (item.columnBreak)
            s += u'|';
        out.append(s + u':' + item.caption);
    }
    return out;
}

const QStringList kFixed{"U:UPDATE OFF", "S:SKIP CELL", "C:CLEAR CELL"};

// Row 1 of a 4-column grid: fixed column, then A, B, C.
GridData rowGrid()
{
    GridData g(4, 3);
    const QStringList titles{"", "Product", "Trailer", "Date"};
    for (int c = 0; c < 4; ++c) {
        g.setCell(c, 0, titles[c]);
        g.setCell(c, 1, QStringLiteral("old%1").arg(c));
    }
    return g;
}

} // namespace

class TestColumnMenu : public QObject
{
    Q_OBJECT

private slots:
    void grammar_data();
    void grammar();
    void oddTitles_data();
    void oddTitles();
    void largeFiles();
    void pick_data();
    void pick();
    void advancePastTheEnd();
    void advanceOnARowThatIsGone();
    void pickNeverWritesTitles();
};

void TestColumnMenu::grammar_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("product") << "Product" << true << QStringList{"Apples", "&Date", "Pears&break", "x&Date"}
                             << QStringList{"H:PRODUCT"} + kFixed + QStringList{"D:DATE/TIME", "V:Apples", "V|:Pears"};
    QTest::newRow("no file") << "Product" << false << QStringList{"Apples", "&Date"}
                             << QStringList{"H:[EMPTY]"} + kFixed;
    QTest::newRow("empty file") << "Trailer 2" << true << QStringList{} << QStringList{"H:TRAILER 2"} + kFixed;
    QTest::newRow("break at the start gives an empty caption")
        << "a" << true << QStringList{"&breakFoo"} << QStringList{"H:A"} + kFixed + QStringList{"V|:"};
    QTest::newRow("break cut at the first &")
        << "a" << true << QStringList{"Salt & Pepper&break", "B&W&break"}
        << QStringList{"H:A"} + kFixed + QStringList{"V|:Salt ", "V|:B"};
    QTest::newRow("an & without break stays")
        << "a" << true << QStringList{"Salt & Pepper", "&Break"}
        << QStringList{"H:A"} + kFixed + QStringList{"V:Salt & Pepper", "V:&Break"};
    QTest::newRow("lower case date is a value")
        << "a" << true << QStringList{"&date", "&DATE"} << QStringList{"H:A"} + kFixed + QStringList{"V:&date", "V:&DATE"};
    QTest::newRow("date with a blank is dropped without the item")
        << "a" << true << QStringList{"&Date ", " &Date", "x"} << QStringList{"H:A"} + kFixed + QStringList{"V:x"};
    QTest::newRow("date twice gives one item")
        << "a" << true << QStringList{"x", "&Date", "y", "&Date"}
        << QStringList{"H:A"} + kFixed + QStringList{"D:DATE/TIME", "V:x", "V:y"};
    QTest::newRow("date beats break") << "a" << true << QStringList{"z&Date&break"} << QStringList{"H:A"} + kFixed;
    QTest::newRow("empty lines are values")
        << "a" << true << QStringList{"", "x", ""} << QStringList{"H:A"} + kFixed + QStringList{"V:", "V:x", "V:"};
    QTest::newRow("values that read like fixed items stay values")
        << "a" << true << QStringList{"SKIP CELL", "UPDATE OFF"}
        << QStringList{"H:A"} + kFixed + QStringList{"V:SKIP CELL", "V:UPDATE OFF"};
    QTest::newRow("characters above 127")
        << QString::fromUtf8("Crème") << true << QStringList{QString::fromUtf8("Brûlée"), QString::fromUtf8("€5")}
        << QStringList{QString::fromUtf8("H:CRÈME")} + kFixed
               + QStringList{QString::fromUtf8("V:Brûlée"), QString::fromUtf8("V:€5")};
    QTest::newRow("line breaks inside a line end it")
        << "a" << true << QStringList{"x\r\ny", "p\rq\nr", "s&break\nt"}
        << QStringList{"H:A"} + kFixed + QStringList{"V:x", "V:y", "V:p", "V:q", "V:r", "V|:s", "V:t"};
    QTest::newRow("title case kept apart from the head")
        << "pRoDuCt" << true << QStringList{"v"} << QStringList{"H:PRODUCT"} + kFixed + QStringList{"V:v"};
}

void TestColumnMenu::grammar()
{
    QFETCH(QString, title);
    QFETCH(bool, exists);
    QFETCH(QStringList, lines);
    QTEST(describe(buildColumnMenu(title, exists, lines)), "expected");
}

void TestColumnMenu::oddTitles_data()
{
    QTest::addColumn<QString>("title");
    QTest::newRow("parent path") << "../gsystem/parm";
    QTest::newRow("backslash") << "..\\x";
    QTest::newRow("dot") << ".";
    QTest::newRow("dot dot") << "..";
    QTest::newRow("reserved characters") << "a<b>c:d\"e|f?g*h";
    QTest::newRow("control character") << QStringLiteral("a\tb");
    QTest::newRow("empty") << "";
    QTest::newRow("very long") << QString(5000, u'x');
}

// A title that cannot name a file has no file: the menu is "[EMPTY]" and the
// fixed items, however odd the title.
void TestColumnMenu::oddTitles()
{
    QFETCH(QString, title);
    QCOMPARE(describe(buildColumnMenu(title, false, {})), QStringList{"H:[EMPTY]"} + kFixed);
    QCOMPARE(describe(buildColumnMenu(title, false, {"&Date", "v"})), QStringList{"H:[EMPTY]"} + kFixed);
}

void TestColumnMenu::largeFiles()
{
    QStringList lines;
    for (int i = 0; i < 5000; ++i)
        lines.append(i % 100 == 99 ? QStringLiteral("v%1&break").arg(i) : QStringLiteral("v%1").arg(i));
    lines.append(QString(200000, u'L'));
    const QList<ColumnMenuItem> menu = buildColumnMenu(QStringLiteral("Big"), true, lines);
    QCOMPARE(menu.size(), 4 + 5001);
    QCOMPARE(menu[4 + 199].caption, QStringLiteral("v199"));
    QVERIFY(menu[4 + 199].columnBreak);
    QVERIFY(!menu[4 + 200].columnBreak);
    QCOMPARE(menu.last().caption.size(), 200000);
}

void TestColumnMenu::pick_data()
{
    QTest::addColumn<bool>("autoMenu");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("cellAfter");   // the picked cell
    QTest::addColumn<QString>("focusAfter");
    QTest::addColumn<int>("menuColumn");      // -1: no menu to build
    QTest::addColumn<bool>("openMenu");
    QTest::addColumn<bool>("toToolbar");

    const int V = ColumnMenuItem::Value;
    const int adv = PickResult::Advanced;
    QTest::newRow("value, auto menu") << true << 1 << V << "Apples" << adv << "Apples" << "2,1" << 2 << true << false;
    QTest::newRow("value, no auto menu") << false << 2 << V << "Apples" << adv << "Apples" << "3,1" << 3 << false << false;
    QTest::newRow("value in the last column") << true << 3 << V << "Apples" << adv << "Apples" << "none" << -1 << false << true;
    QTest::newRow("empty value clears") << true << 1 << V << "" << adv << "" << "2,1" << 2 << true << false;
    QTest::newRow("value with & kept as held") << false << 1 << V << "A&B" << adv << "A&B" << "2,1" << 2 << false << false;
    QTest::newRow("skip, no auto menu") << false << 1 << int(ColumnMenuItem::SkipCell) << "SKIP CELL" << adv << "old1" << "2,1" << -1 << false << false;
    QTest::newRow("skip in the last column, no auto menu") << false << 3 << int(ColumnMenuItem::SkipCell) << "SKIP CELL" << adv << "old3" << "none" << -1 << false << false;
    QTest::newRow("skip, auto menu") << true << 1 << int(ColumnMenuItem::SkipCell) << "SKIP CELL" << adv << "old1" << "2,1" << 2 << true << false;
    QTest::newRow("skip in the last column, auto menu") << true << 3 << int(ColumnMenuItem::SkipCell) << "SKIP CELL" << adv << "old3" << "none" << -1 << false << true;
    QTest::newRow("clear cell") << false << 2 << int(ColumnMenuItem::ClearCell) << "CLEAR CELL" << adv << "" << "3,1" << 3 << false << false;
    QTest::newRow("value reading SKIP CELL skips") << false << 1 << V << "SKIP CELL" << adv << "old1" << "2,1" << -1 << false << false;
    QTest::newRow("value reading CLEAR CELL clears") << true << 1 << V << "CLEAR CELL" << adv << "" << "2,1" << 2 << true << false;
    QTest::newRow("value reading UPDATE OFF ends") << true << 1 << V << "UPDATE OFF" << int(PickResult::EndSession) << "old1" << "1,1" << -1 << false << false;
    QTest::newRow("update off") << true << 1 << int(ColumnMenuItem::UpdateOff) << "UPDATE OFF" << int(PickResult::EndSession) << "old1" << "1,1" << -1 << false << false;
    QTest::newRow("date/time") << true << 2 << int(ColumnMenuItem::DateTime) << "DATE/TIME" << int(PickResult::OpenDateTime) << "old2" << "2,1" << -1 << false << false;
    QTest::newRow("head") << true << 1 << int(ColumnMenuItem::Head) << "PRODUCT" << int(PickResult::Nothing) << "old1" << "1,1" << -1 << false << false;
    QTest::newRow("head reading like a value does nothing") << true << 1 << int(ColumnMenuItem::Head) << "CLEAR CELL" << int(PickResult::Nothing) << "old1" << "1,1" << -1 << false << false;
    QTest::newRow("case differs: a value") << false << 1 << V << "Skip Cell" << adv << "Skip Cell" << "2,1" << 2 << false << false;
}

void TestColumnMenu::pick()
{
    QFETCH(bool, autoMenu);
    QFETCH(int, column);
    QFETCH(int, kind);
    QFETCH(QString, caption);

    GridDocument doc{rowGrid()};
    GridData& g = doc.draft();
    Preferences p;
    p.autoMenu = autoMenu;
    FakeMessages m;
    GridEditor e(doc, p, m);
    e.selectCell(column, 1);

    const PickResult r = e.pickColumnItem({ColumnMenuItem::Kind(kind), caption});

    QTEST(int(r.action), "action");
    QTEST(g.cell(column, 1), "cellAfter");
    const auto f = e.focused();
    QTEST(f ? QStringLiteral("%1,%2").arg(f->x()).arg(f->y()) : QStringLiteral("none"), "focusAfter");
    QTEST(r.advance.menuColumn ? r.advance.column : -1, "menuColumn");
    QTEST(r.advance.openMenu, "openMenu");
    QTEST(r.advance.focusToToolbar, "toToolbar");
    if (f && *f != QPoint(column, 1))
        QCOMPARE(e.target(), *f);
    // Other cells of the row never change.
    for (int c = 0; c < 4; ++c)
        if (c != column)
            QCOMPARE(g.cell(c, 1), QStringLiteral("old%1").arg(c));
    QCOMPARE(g.cell(1, 0), QStringLiteral("Product"));
    QVERIFY(m.shown.isEmpty());
}

// After the last column the target stays past the end: further advances
// focus nothing until the user selects a cell again.
void TestColumnMenu::advancePastTheEnd()
{
    GridDocument doc{rowGrid()};
    GridData& g = doc.draft();
    Preferences p;
    p.autoMenu = true;
    FakeMessages m;
    GridEditor e(doc, p, m);
    e.selectCell(2, 1);

    const PickResult a = e.pickColumnItem({ColumnMenuItem::Value, QStringLiteral("x")});
    QCOMPARE(a.advance.column, 3);
    const PickResult b = e.pickColumnItem({ColumnMenuItem::Value, QStringLiteral("y")});
    QVERIFY(!b.advance.menuColumn);
    QVERIFY(!e.focused());
    QCOMPARE(e.target(), QPoint(4, 1));

    // A pick arriving late (a Date/Time advance) writes nothing out there.
    const GridData before = g;
    const PickResult c = e.pickColumnItem({ColumnMenuItem::Value, QStringLiteral("z")});
    QVERIFY(!c.changed);
    QVERIFY(g == before);
    QVERIFY(!e.advanceTarget().menuColumn);
    QVERIFY(!e.focused());

    e.selectCell(1, 2);
    const AdvanceResult d = e.advanceTarget();
    QVERIFY(d.menuColumn && d.openMenu);
    QCOMPARE(e.focused(), std::optional<QPoint>(QPoint(2, 2)));
    QCOMPARE(rowGrid().cell(1, 1), g.cell(1, 1));
    QCOMPARE(g.cell(2, 1), QStringLiteral("x"));
    QCOMPARE(g.cell(3, 1), QStringLiteral("y"));
}

void TestColumnMenu::advanceOnARowThatIsGone()
{
    GridDocument doc{rowGrid()};
    GridData& g = doc.draft();
    Preferences p;
    p.autoMenu = true;
    FakeMessages m;
    GridEditor e(doc, p, m);
    e.selectCell(1, 2);
    g.setSize(4, 2);   // reloaded with fewer rows meanwhile

    const AdvanceResult a = e.advanceTarget();
    QVERIFY(!a.menuColumn);
    QVERIFY(a.focusToToolbar);
    QVERIFY(!e.focused());
    QCOMPARE(g.rowCount(), 2);
}

// A stale or never-set target must not let a pick rename a column: the
// titles name the menu files.
void TestColumnMenu::pickNeverWritesTitles()
{
    GridDocument doc{rowGrid()};
    GridData& g = doc.draft();
    Preferences p;
    FakeMessages m;
    GridEditor e(doc, p, m);   // target (0, 0)
    const PickResult r = e.pickColumnItem({ColumnMenuItem::Value, QStringLiteral("x")});
    QVERIFY(!r.changed);
    QCOMPARE(g.cell(0, 0), QString());
    QCOMPARE(g.cell(1, 0), QStringLiteral("Product"));
    // The advance from (0,0) moves to (1,0), a title: nothing is focused there.
    QVERIFY(!e.focused());
}

QTEST_GUILESS_MAIN(TestColumnMenu)
#include "tst_columnmenu.moc"
