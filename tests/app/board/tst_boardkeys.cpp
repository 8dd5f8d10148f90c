#include "app/board/findbar.h"
#include "app/board/toolbar.h"
#include "coord/updatesession.h"
#include "grid/griddocument.h"
#include "gridview/celldelegate.h"
#include "store/helppage.h"
#include "store/textfile.h"
#include "tests/app/board/boardfixture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

#include <algorithm>

// The board from the keyboard alone: the toolbar's keys, the menus that
// the Menu key and Shift + F10 open, and finding text in the grid.
class TestBoardKeys : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void toolbarKeys_data();
    void toolbarKeys();
    void everyKeyIsToldAndListed();
    void keysOnlyForButtonsShown();
    void menuKeys_data();
    void menuKeys();
    void rowFromKeyboardAlone();
    void menuKeyWithoutFocusedCell();
    void find_data();
    void find();
    void marksFollowReload();

private:
    MainWindow* window() const { return m_ws->window.get(); }
    void activate(MainWindow* w);
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<Workstation> m_ws;
};

void TestBoardKeys::init()
{
    m_folder = std::make_unique<TestFolder>();
    m_folder->copyInstallationData();
    m_ws = std::make_unique<Workstation>(*m_folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    QVERIFY(m_ws->window);
    activate(window());
}

void TestBoardKeys::cleanup()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowFlags() & Qt::Popup)
            w->close();
    m_ws.reset();
    m_folder.reset();
}

void TestBoardKeys::activate(MainWindow* w)
{
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
}

// A key where the keyboard is, as the user types it.
void TestBoardKeys::key(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QWidget* to = QApplication::activePopupWidget();
    if (!to)
        to = QApplication::focusWidget() ? QApplication::focusWidget() : window();
    QTest::keyClick(to, key, modifiers);
}

void TestBoardKeys::toolbarKeys_data()
{
    QTest::addColumn<bool>("inSession");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("inSessionAfter");
    QTest::addColumn<bool>("editingAfter");
    QTest::newRow("F2 presses Update") << false << int(Qt::Key_F2) << 0 << true << false;
    QTest::newRow("F2 releases Update") << true << int(Qt::Key_F2) << 0 << false << false;
    QTest::newRow("Shift+F2 cancels") << true << int(Qt::Key_F2) << int(Qt::ShiftModifier) << false << false;
    QTest::newRow("F4 lets type") << true << int(Qt::Key_F4) << 0 << true << true;
    QTest::newRow("F4 without a session does nothing") << false << int(Qt::Key_F4) << 0 << false << false;
    QTest::newRow("Shift+F2 without a session does nothing") << false << int(Qt::Key_F2) << int(Qt::ShiftModifier)
                                                             << false << false;
}

void TestBoardKeys::toolbarKeys()
{
    QFETCH(bool, inSession);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    MainWindow* w = window();
    m_ws->fake.messages.answers = {Answer::Yes};   // "Do you wish undo this update?"
    if (inSession)
        board::updateButton(w)->click();
    board::gridView(w)->setFocus();
    QTest::keyClick(board::gridView(w), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QFETCH(bool, inSessionAfter);
    QCOMPARE(w->board().session.state() == UpdateSession::State::Updating, inSessionAfter);
    QCOMPARE(board::updateButton(w)->isChecked(), inSessionAfter);
    QTEST(board::editingButton(w)->isChecked(), "editingAfter");
    // Held down, a key acts once, also where its repeats come as fresh
    // presses (a loaded X server).
    QTest::simulateEvent(board::gridView(w), true, Qt::Key(key), Qt::KeyboardModifiers(modifiers), QString(), true);
    QCOMPARE(w->board().session.state() == UpdateSession::State::Updating, inSessionAfter);
    QTest::keyClick(board::gridView(w), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(w->board().session.state() == UpdateSession::State::Updating, inSessionAfter);
    QTEST(board::editingButton(w)->isChecked(), "editingAfter");
}

void TestBoardKeys::everyKeyIsToldAndListed()
{
    MainWindow* w = window();
    const TextFile::BytesResult file = TextFile::readBytes(m_folder->path("Help.chm"), 1 << 20);
    QVERIFY(file.ok());
    const HelpPage help = HelpPage::parse(TextFile::decode(file.value));
    QStringList listed;   // the first cells of the help's keyboard table
    for (const HelpPage::Block& b : help.blocks)
        for (const QList<HelpPage::Cell>& row : b.table.rows)
            if (!row.isEmpty() && !row[0].paragraphs.isEmpty())
                listed.append(row[0].paragraphs[0].text());
    const auto isListed = [&listed](const QString& keys) {
        return std::any_of(listed.cbegin(), listed.cend(), [&keys](const QString& cell) {
            return cell.split(QRegularExpression(QStringLiteral(", | or "))).contains(keys);
        });
    };
    int buttons = 0;
    for (const QAction* a : w->findChildren<QAction*>()) {
        if (!a->objectName().endsWith(u"Key"))
            continue;
        const QString keys = a->shortcut().toString(QKeySequence::NativeText);
        QVERIFY2(isListed(keys), qPrintable(keys));
        for (const QToolButton* b : w->findChildren<QToolButton*>())
            buttons += b->toolTip().endsWith(QStringLiteral("  (%1)").arg(keys));
    }
    QCOMPARE(buttons, 8);   // "?", Update, Cancel, Editing, List, Prefs, Quit, Tray
    for (const QShortcut* s : w->findChildren<QShortcut*>()) {
        const QString keys = s->key().toString(QKeySequence::NativeText).replace(QStringLiteral("Menu"), QStringLiteral("Menu key"));
        QVERIFY2(isListed(keys), qPrintable(keys));
    }
}

void TestBoardKeys::keysOnlyForButtonsShown()
{
    // The user list gives this user neither Update nor Prefs.
    m_ws.reset();
    m_folder->writeFile("users/users.scd", "nobody[2]\r\n");
    m_ws = std::make_unique<Workstation>(*m_folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    MainWindow* w = window();
    activate(w);
    QVERIFY(!board::updateGroupShown(w) && !board::prefsShown(w));
    key(Qt::Key_F2);
    QCOMPARE(w->board().session.state(), UpdateSession::State::Viewing);
    // A dialog opened by mistake is modal: closed, so that the test fails rather than waits.
    QTimer::singleShot(200, w, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    key(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(!board::dialog<PreferencesDialog>(w));
    // Help is for everybody.
    key(Qt::Key_F1);
    QVERIFY(board::helpWindow(w) && board::helpWindow(w)->isVisible());
}

void TestBoardKeys::menuKeys_data()
{
    QTest::addColumn<bool>("inSession");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("menu");
    const int shift = int(Qt::ShiftModifier);
    const int ctrl = int(Qt::ControlModifier);
    QTest::newRow("Menu key: the column menu") << true << int(Qt::Key_Menu) << 0 << "PopupMenu3";
    QTest::newRow("Shift+F10: the column menu") << true << int(Qt::Key_F10) << shift << "PopupMenu3";
    QTest::newRow("Ctrl+Menu: operations") << true << int(Qt::Key_Menu) << ctrl << "PopupMenu1";
    QTest::newRow("Ctrl+Shift+F10: operations") << true << int(Qt::Key_F10) << (ctrl | shift) << "PopupMenu1";
    QTest::newRow("Shift+Menu: setup") << true << int(Qt::Key_Menu) << shift << "PopupMenu2";
    QTest::newRow("viewing: the Update menu") << false << int(Qt::Key_F10) << shift << "PopupMenu5";
}

void TestBoardKeys::menuKeys()
{
    QFETCH(bool, inSession);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, menu);
    MainWindow* w = window();
    if (inSession)
        QTest::keyClick(w, Qt::Key_F2);
    GridView* view = board::gridView(w);
    view->focusCell(2, 3);
    view->setFocus();
    QTest::keyClick(view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QWidget* popup = QApplication::activePopupWidget();
    QVERIFY(popup);
    QCOMPARE(popup->objectName(), menu);
    // Opened below the focused cell (where it fits), not at the pointer.
    const QPoint below = view->viewport()->mapToGlobal(view->visualRect(view->model()->index(3, 2)).bottomLeft());
    if (popup->screen()->availableGeometry().contains(QRect(below, popup->size())))
        QCOMPARE(popup->pos(), below);
    QTest::keyClick(popup, Qt::Key_Escape);
    QVERIFY(!popup->isVisible());
    QVERIFY(m_ws->fake.messages.shown.isEmpty());

    // On the toolbar the bar's own menu, which during a session holds only
    // what may be done then.
    QTest::keyClick(w, Qt::Key_F6);
    QVERIFY(!view->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QWidget* barMenu = QApplication::activePopupWidget();
    QCOMPARE(barMenu ? barMenu->objectName() : QString(), QStringLiteral("PopupMenu4"));
    const auto shown = [barMenu](const char* item) {
        const QList<QAction*> items = barMenu->actions();
        const auto it = std::find_if(items.begin(), items.end(),
                                     [item](const QAction* a) { return a->objectName() == QLatin1String(item); });
        return it != items.end() && (*it)->isVisible();
    };
    QCOMPARE(shown("PrintSortGrid1"), !inSession);
    QVERIFY(shown("History1") && shown("importCsv"));
}

void TestBoardKeys::rowFromKeyboardAlone()
{
    MainWindow* w = window();
    // Faster than a hand: F2 again within the held-key time.
    w->findChild<Toolbar*>()->setHeldKeyMs(0);
    w->board().prefs.autoMenu = true;
    const QString nextTitle = w->board().document.data().cell(2, 0);
    key(Qt::Key_F2);
    key(Qt::Key_F6);
    QVERIFY(board::gridView(w)->hasFocus());
    key(Qt::Key_Down);   // nothing was focused: the first data cell
    key(Qt::Key_Down);
    QCOMPARE(board::gridView(w)->focusedCell(), std::optional<QPoint>(QPoint(1, 2)));
    key(Qt::Key_Menu);
    ColumnMenuPopup* menu = board::columnMenu(w);
    QVERIFY(menu->isVisible());
    // Head, UPDATE OFF, SKIP CELL, CLEAR CELL, then the values.
    int item = 0;
    while (menu->caption(item).startsWith(u"T-") == false && item < menu->count())
        ++item;
    QVERIFY(item < menu->count());
    const QString picked = menu->caption(item);
    for (int i = 0; i <= item; ++i)
        key(Qt::Key_Down);
    key(Qt::Key_Return);
    QCOMPARE(w->board().document.data().cell(1, 2), picked);
    // The next cell's menu opened by itself.
    QVERIFY(menu->isVisible());
    QCOMPARE(menu->caption(0), nextTitle.toUpper());
    key(Qt::Key_Escape);
    key(Qt::Key_F2);
    QCOMPARE(w->board().session.state(), UpdateSession::State::Viewing);
    QVERIFY(m_folder->readFile("gsystem/sgrid.scd").contains(picked.toLatin1()));
}

void TestBoardKeys::menuKeyWithoutFocusedCell()
{
    MainWindow* w = window();
    key(Qt::Key_F2);
    GridView* view = board::gridView(w);
    QVERIFY(!view->focusedCell());
    view->setFocus();
    QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier);
    QWidget* popup = QApplication::activePopupWidget();
    QCOMPARE(popup ? popup->objectName() : QString(), QStringLiteral("PopupMenu3"));
    QCOMPARE(view->focusedCell(), std::optional<QPoint>(QPoint(1, 1)));
    QVERIFY(m_ws->fake.messages.shown.isEmpty());
    QTest::keyClick(popup, Qt::Key_Escape);
}

void TestBoardKeys::find_data()
{
    QTest::addColumn<bool>("inSession");
    QTest::newRow("viewing") << false;
    QTest::newRow("updating") << true;
}

void TestBoardKeys::find()
{
    QFETCH(bool, inSession);
    MainWindow* w = window();
    GridDocument& doc = w->board().document;
    for (const QPoint& p : {QPoint(3, 1), QPoint(1, 4), QPoint(2, 4), QPoint(4, 6)})
        doc.draft().setCell(p.x(), p.y(), QStringLiteral("Zeta %1").arg(p.y()));
    doc.draft().setCell(0, 5, QStringLiteral("Trailer Q7"));
    doc.publish();
    if (inSession)
        key(Qt::Key_F2);
    const GridData before = doc.data();
    GridView* view = board::gridView(w);
    view->focusCell(4, 2);
    auto* bar = board::child<FindBar>(w, "findBar");

    key(Qt::Key_F, Qt::ControlModifier);
    QVERIFY(bar->isVisible());
    auto* count = board::child<QLabel>(w, "findCount");
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("findText"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("zETA"));
    // From the focused cell on, in reading order.
    QCOMPARE(view->focusedCell(), std::optional<QPoint>(QPoint(1, 4)));
    QCOMPARE(count->text(), QStringLiteral("2 of 4"));
    const QList<QPoint> all{{3, 1}, {1, 4}, {2, 4}, {4, 6}};
    QCOMPARE(view->cellDelegate()->markedCells(), QSet<QPoint>(all.cbegin(), all.cend()));
    key(Qt::Key_F3);
    QCOMPARE(count->text(), QStringLiteral("3 of 4"));
    key(Qt::Key_Return);
    key(Qt::Key_F3);   // round to the first
    QCOMPARE(view->focusedCell(), std::optional<QPoint>(QPoint(3, 1)));
    QCOMPARE(count->text(), QStringLiteral("1 of 4"));
    key(Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(count->text(), QStringLiteral("4 of 4"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral(" 4"));
    QCOMPARE(count->text(), QStringLiteral("1 of 2"));   // the text grew: the focus moved on to a cell with it
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("x"));
    QCOMPARE(count->text(), QStringLiteral("Not found"));
    // A row is found by its fixed cell, which the focus cannot take: the
    // row's first data cell takes it.
    board::child<QLineEdit>(w, "findText")->setText(QStringLiteral("q7"));
    QCOMPARE(view->focusedCell(), std::optional<QPoint>(QPoint(1, 5)));
    QCOMPARE(count->text(), QStringLiteral("1 of 1"));
    QCOMPARE(view->cellDelegate()->markedCells(), QSet<QPoint>{QPoint(0, 5)});
    key(Qt::Key_F3);
    QCOMPARE(count->text(), QStringLiteral("1 of 1"));

    key(Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
    QVERIFY(view->hasFocus());
    QVERIFY(view->cellDelegate()->markedCells().isEmpty());
    QVERIFY(doc.data() == before);
    QCOMPARE(w->board().session.state() == UpdateSession::State::Updating, inSession);
}

void TestBoardKeys::marksFollowReload()
{
    Workstation other(*m_folder, QStringLiteral("PC2"), QStringLiteral("ann"));
    MainWindow* w = window();
    key(Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Omega"));
    QCOMPARE(board::child<QLabel>(w, "findCount")->text(), QStringLiteral("Not found"));

    board::updateButton(other)->click();
    other->board().document.draft().setCell(2, 5, QStringLiteral("omega"));
    board::updateButton(other)->click();
    board::sessionControl(m_ws->window).onPollTick();
    QCOMPARE(w->board().document.data().cell(2, 5), QStringLiteral("omega"));
    QCOMPARE(board::gridView(w)->cellDelegate()->markedCells(), QSet<QPoint>{QPoint(2, 5)});
    QCOMPARE(board::child<QLabel>(w, "findCount")->text(), QStringLiteral("1 match"));
    key(Qt::Key_F3);
    QCOMPARE(board::child<QLabel>(w, "findCount")->text(), QStringLiteral("1 of 1"));
}

QTEST_MAIN(TestBoardKeys)
#include "tst_boardkeys.moc"
