#include "gridview/columnmenupopup.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// Builds a menu from a compact description: captions separated by spaces,
// "|" a column break with a bar, "/" one without, a leading "-" a disabled
// item. Each item's action appends its caption to `picked`.
void build(ColumnMenuPopup& menu, const QString& items, QStringList* picked = nullptr)
{
    menu.clear();
    const QStringList words = items.split(u' ', Qt::SkipEmptyParts);
    for (const QString& w : words) {
        if (w == u"|")
            menu.addColumnBreak(true);
        else if (w == u"/")
            menu.addColumnBreak(false);
        else if (w.startsWith(u'-'))
            menu.addItem(w.mid(1), false, [picked, w] { if (picked) picked->append(w.mid(1)); });
        else
            menu.addItem(w, true, [picked, w] { if (picked) picked->append(w); });
    }
}

QList<int> columnsOf(const ColumnMenuPopup& menu)
{
    QList<int> result;
    for (int i = 0; i < menu.count(); ++i)
        result.append(menu.columnOf(i));
    return result;
}

Qt::Key keyFor(const QString& name)
{
    if (name == u"Up")
        return Qt::Key_Up;
    if (name == u"Down")
        return Qt::Key_Down;
    if (name == u"Left")
        return Qt::Key_Left;
    if (name == u"Right")
        return Qt::Key_Right;
    if (name == u"Enter")
        return Qt::Key_Return;
    if (name == u"Escape")
        return Qt::Key_Escape;
    return Qt::Key_unknown;
}

} // namespace

class TestColumnMenuPopup : public QObject
{
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void headItem();
    void keyboardNavigation_data();
    void keyboardNavigation();
    void pickRunsAction_data();
    void pickRunsAction();
    void mouse_data();
    void mouse();
    void hoverHighlights();
    void reopenFromTriggered();
    void captionsKeepAmpersands();
    void staysOnScreen_data();
    void staysOnScreen();
};

void TestColumnMenuPopup::layout_data()
{
    QTest::addColumn<QString>("items");
    QTest::addColumn<QList<int>>("columns");
    QTest::addColumn<QList<bool>>("bars");   // per menu column after the first

    QTest::newRow("one column") << "a b c" << QList<int>{0, 0, 0} << QList<bool>{};
    QTest::newRow("plain break") << "a b / c" << QList<int>{0, 0, 1} << QList<bool>{false};
    QTest::newRow("bar breaks") << "a | b c | d" << QList<int>{0, 1, 1, 2} << QList<bool>{true, true};
    QTest::newRow("mixed") << "a / b | c" << QList<int>{0, 1, 2} << QList<bool>{false, true};
    QTest::newRow("break before first item ignored") << "/ a b" << QList<int>{0, 0} << QList<bool>{};
    QTest::newRow("two breaks in a row are one") << "a / / b" << QList<int>{0, 1} << QList<bool>{false};
    QTest::newRow("disabled items take part") << "-a / -b c" << QList<int>{0, 1, 1} << QList<bool>{false};
}

void TestColumnMenuPopup::layout()
{
    QFETCH(QString, items);
    QFETCH(QList<int>, columns);
    QFETCH(QList<bool>, bars);

    ColumnMenuPopup menu;
    build(menu, items);
    QCOMPARE(columnsOf(menu), columns);
    QCOMPARE(menu.columnCount(), int(bars.size()) + 1);
    for (int c = 1; c < menu.columnCount(); ++c)
        QCOMPARE(menu.hasBarBefore(c), bars[c - 1]);

    // Each menu column starts at the top, right of the one before, and all
    // items lie inside the popup without overlapping.
    const QRect all(QPoint(0, 0), menu.sizeHint());
    for (int i = 0; i < menu.count(); ++i) {
        const QRect r = menu.itemRect(i);
        QVERIFY(all.contains(r));
        if (i > 0 && columns[i] != columns[i - 1]) {
            QVERIFY(r.left() > menu.itemRect(i - 1).right());
            QCOMPARE(r.top(), menu.itemRect(0).top());
        } else if (i > 0) {
            QCOMPARE(r.left(), menu.itemRect(i - 1).left());
            QVERIFY(r.top() > menu.itemRect(i - 1).bottom());
        }
        QCOMPARE(menu.itemAt(r.center()), i);
    }
}

void TestColumnMenuPopup::headItem()
{
    ColumnMenuPopup menu;
    menu.addItem(QStringLiteral("UPDATE OFF"));
    menu.addItem(QStringLiteral("SKIP CELL"));
    menu.setHeadItem(QStringLiteral("PRODUCT"));
    QCOMPARE(menu.count(), 3);
    QCOMPARE(menu.caption(0), QStringLiteral("PRODUCT"));
    QCOMPARE(menu.caption(1), QStringLiteral("UPDATE OFF"));
    menu.setHeadItem(QStringLiteral("[EMPTY]"));
    QCOMPARE(menu.count(), 3);
    QCOMPARE(menu.caption(0), QStringLiteral("[EMPTY]"));
    menu.clear();
    QCOMPARE(menu.count(), 0);
    QCOMPARE(menu.columnCount(), 0);
}

void TestColumnMenuPopup::keyboardNavigation_data()
{
    // Menu: column 0 = A B C, bar, column 1 = D E, plain break, column 2 = F.
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("highlighted");

    QTest::newRow("nothing") << "" << -1;
    QTest::newRow("down starts at top") << "Down" << 0;
    QTest::newRow("up starts at bottom") << "Up" << 2;
    QTest::newRow("down wraps") << "Down Down Down Down" << 0;
    QTest::newRow("up wraps") << "Down Up" << 2;
    QTest::newRow("right keeps the row") << "Down Down Right" << 4;
    QTest::newRow("right clamps to a shorter column") << "Up Right" << 4;
    QTest::newRow("right to the last column") << "Down Right Right" << 5;
    QTest::newRow("right wraps to the first") << "Down Right Right Right" << 0;
    QTest::newRow("left wraps to the last") << "Down Left" << 5;
    QTest::newRow("down within the second column wraps") << "Down Right Down Down" << 3;
    QTest::newRow("left from nothing") << "Left" << 5;
}

void TestColumnMenuPopup::keyboardNavigation()
{
    QFETCH(QString, keys);
    QFETCH(int, highlighted);
    ColumnMenuPopup menu;
    build(menu, QStringLiteral("A B C | D E / F"));
    menu.popup(QPoint(10, 10));
    for (const QString& k : keys.split(u' ', Qt::SkipEmptyParts))
        QTest::keyClick(&menu, keyFor(k));
    QCOMPARE(menu.highlighted(), highlighted);
    QVERIFY(menu.isVisible());
}

void TestColumnMenuPopup::pickRunsAction_data()
{
    QTest::addColumn<QString>("items");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("picked");   // the caption whose action ran, "" for none

    QTest::newRow("enter on first") << "A B C" << "Down Enter" << "A";
    QTest::newRow("enter in second column") << "A B | C D" << "Down Right Down Enter" << "D";
    QTest::newRow("escape") << "A B" << "Down Escape" << "";
    QTest::newRow("enter with nothing highlighted stays open") << "A B" << "Enter Escape" << "";
    QTest::newRow("disabled item is not picked") << "-A B" << "Down Enter Escape" << "";
    QTest::newRow("disabled item skipped by moving on") << "-A B" << "Down Enter Down Enter" << "B";
}

void TestColumnMenuPopup::pickRunsAction()
{
    QFETCH(QString, items);
    QFETCH(QString, keys);
    QFETCH(QString, picked);

    ColumnMenuPopup menu;
    QStringList ran;
    build(menu, items, &ran);
    QSignalSpy spy(&menu, &ColumnMenuPopup::triggered);
    menu.popup(QPoint(20, 20));
    for (const QString& k : keys.split(u' ', Qt::SkipEmptyParts)) {
        if (menu.isVisible())
            QTest::keyClick(&menu, keyFor(k));
    }
    QVERIFY(!menu.isVisible());
    QCOMPARE(ran, picked.isEmpty() ? QStringList() : QStringList{picked});
    QCOMPARE(spy.count(), ran.size());
}

void TestColumnMenuPopup::mouse_data()
{
    QTest::addColumn<QString>("items");
    QTest::addColumn<int>("item");          // -1: a point outside the menu
    QTest::addColumn<bool>("pressFirst");   // false: a release alone
    QTest::addColumn<int>("triggered");
    QTest::addColumn<bool>("staysOpen");

    QTest::newRow("click picks") << "A B / C" << 2 << true << 2 << false;
    QTest::newRow("click on head") << "H A" << 0 << true << 0 << false;
    QTest::newRow("disabled stays open") << "A -B" << 1 << true << -1 << true;
    QTest::newRow("outside closes") << "A B" << -1 << true << -1 << false;
    QTest::newRow("release alone picks nothing") << "A B" << 1 << false << -1 << true;
}

void TestColumnMenuPopup::mouse()
{
    QFETCH(QString, items);
    QFETCH(int, item);
    QFETCH(bool, pressFirst);
    QFETCH(int, triggered);
    QFETCH(bool, staysOpen);

    ColumnMenuPopup menu;
    build(menu, items);
    QSignalSpy spy(&menu, &ColumnMenuPopup::triggered);
    menu.popup(QPoint(30, 30));
    QVERIFY(menu.isVisible());
    const QPoint at = item >= 0 ? menu.itemRect(item).center() : QPoint(menu.width() + 40, 5);
    if (pressFirst)
        QTest::mouseClick(&menu, Qt::LeftButton, {}, at);
    else
        QTest::mouseRelease(&menu, Qt::LeftButton, {}, at);
    QCOMPARE(menu.isVisible(), staysOpen);
    if (triggered >= 0) {
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().toInt(), triggered);
    } else {
        QCOMPARE(spy.count(), 0);
    }
}

void TestColumnMenuPopup::hoverHighlights()
{
    ColumnMenuPopup menu;
    build(menu, QStringLiteral("A B | C"));
    menu.popup(QPoint(0, 0));
    QTest::mouseMove(&menu, menu.itemRect(2).center());
    QCOMPARE(menu.highlighted(), 2);
    QTest::mouseMove(&menu, menu.itemRect(1).center());
    QCOMPARE(menu.highlighted(), 1);
    QTest::keyClick(&menu, Qt::Key_Return);
    QVERIFY(!menu.isVisible());
}

void TestColumnMenuPopup::reopenFromTriggered()
{
    // A row is filled with a run of picks: each pick opens the next menu
    // from the handler, on the same popup.
    ColumnMenuPopup menu;
    int picks = 0;
    connect(&menu, &ColumnMenuPopup::triggered, &menu, [&](int) {
        ++picks;
        build(menu, QStringLiteral("X Y Z"));
        menu.popup(QPoint(50, 50));
    });
    build(menu, QStringLiteral("A B"));
    menu.popup(QPoint(50, 50));
    QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.itemRect(1).center());
    QCOMPARE(picks, 1);
    QVERIFY(menu.isVisible());
    QCOMPARE(menu.count(), 3);
    QCOMPARE(menu.highlighted(), -1);
    QTest::keyClick(&menu, Qt::Key_Escape);
    QVERIFY(!menu.isVisible());
    QCOMPARE(picks, 1);
}

void TestColumnMenuPopup::captionsKeepAmpersands()
{
    ColumnMenuPopup a;
    ColumnMenuPopup b;
    a.addItem(QStringLiteral("Salt & Pepper"));
    b.addItem(QStringLiteral("Salt  Pepper"));
    QCOMPARE(a.caption(0), QStringLiteral("Salt & Pepper"));
    // Shown literally: the "&" takes room like any character instead of
    // vanishing as an accelerator mark.
    QVERIFY(a.itemRect(0).width() > b.itemRect(0).width());
}

void TestColumnMenuPopup::staysOnScreen_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QPoint>("expected");

    const QRect screen(0, 0, 800, 600);
    QTest::newRow("fits") << QPoint(100, 100) << QSize(200, 150) << screen << QPoint(100, 100);
    QTest::newRow("too far right") << QPoint(700, 100) << QSize(200, 150) << screen << QPoint(600, 100);
    QTest::newRow("too low") << QPoint(100, 500) << QSize(200, 150) << screen << QPoint(100, 450);
    QTest::newRow("corner") << QPoint(790, 590) << QSize(200, 150) << screen << QPoint(600, 450);
    QTest::newRow("taller than the screen") << QPoint(10, 300) << QSize(100, 900) << screen << QPoint(10, 0);
    QTest::newRow("second screen") << QPoint(1900, 50) << QSize(200, 100) << QRect(1024, 0, 1000, 700)
                                   << QPoint(1824, 50);
}

void TestColumnMenuPopup::staysOnScreen()
{
    QFETCH(QPoint, pos);
    QFETCH(QSize, size);
    QFETCH(QRect, area);
    QFETCH(QPoint, expected);
    QCOMPARE(ColumnMenuPopup::fitInto(pos, size, area), expected);

    if (area.topLeft() == QPoint(0, 0)) {
        // The real popup too, on the (offscreen) screen.
        ColumnMenuPopup menu;
        for (int i = 0; i < 60; ++i)
            menu.addItem(QStringLiteral("Item %1").arg(i));
        const QRect screen = menu.screen()->availableGeometry();
        menu.popup(screen.bottomRight());
        QVERIFY(screen.contains(menu.geometry()));

        // Taller than the screen: it goes on in further columns, every value
        // on screen and reachable by the keyboard.
        ColumnMenuPopup tall;
        tall.setHeadItem(QStringLiteral("PRODUCT"));
        for (int i = 0; i < 200; ++i)
            tall.addItem(QStringLiteral("Value %1").arg(i));
        tall.popup(screen.topLeft());
        QVERIFY(screen.contains(tall.geometry()));
        QVERIFY(tall.columnCount() > 1);
        for (int i = 0; i < tall.count(); ++i)
            QVERIFY2(tall.rect().contains(tall.itemRect(i)), qPrintable(QString::number(i)));
        QVERIFY(tall.columnOf(1) == 0 && tall.columnOf(tall.count() - 1) == tall.columnCount() - 1);
        QVERIFY(!tall.hasBarBefore(1));
        tall.setHighlighted(0);
        QTest::keyClick(&tall, Qt::Key_Right);
        QCOMPARE(tall.columnOf(tall.highlighted()), 1);
        tall.close();
    }
}

QTEST_MAIN(TestColumnMenuPopup)
#include "tst_columnmenupopup.moc"
