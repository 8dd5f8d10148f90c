#include "app/board/statusline.h"
#include "app/dialogs/columndatadialog.h"
#include "app/desktop/storabletextvalidator.h"
#include "app/dialogs/datetimedialog.h"
#include "app/dialogs/fixedcolumndialog.h"
#include "app/dialogs/listdialog.h"
#include "coord/updatesession.h"
#include "grid/griddocument.h"
#include "grid/grideditor.h"
#include "gridview/columnmenupopup.h"
#include "gridview/gridview.h"
#include "store/gridstore.h"
#include "tests/app/board/boardfixture.h"
#include "tests/support/modelmirror.h"

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QEnterEvent>
#include <QHeaderView>
#include <QLabel>
#include <QShortcut>
#include <QTest>
#include <QToolButton>

#include <sys/stat.h>

// Editing through the main window during a session: right-click routing,
// filling a row from the column menus, the operations menu and the Ctrl
// shortcuts.
class TestEditingWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void rightClickRouting_data();
    void rightClickRouting();
    void rightClickWithoutFocusedCell();
    void fillRowWithAutomaticMenu();
    void fillRowWithoutAutomaticMenu();
    void updateOffSaves();
    void unusableMenuFileGivesEmptyMenu_data();
    void unusableMenuFileGivesEmptyMenu();
    void operationsMenuLayoutAndPasteItems();
    void shortcutsOnlyDuringSession_data();
    void shortcutsOnlyDuringSession();
    void setupMenuOpensColumnEditors_data();
    void setupMenuOpensColumnEditors();
    void dateTimeFromColumnMenu_data();
    void dateTimeFromColumnMenu();
    void listButtonNeedsARow();
    void typingWithEditingDown();
    void typingIntoCell_data();
    void typingIntoCell();
    void focusHasOneOwner_data();
    void focusHasOneOwner();
    void undoRedoOfOneChange_data();
    void undoRedoOfOneChange();
    void gestureHintWhenPointerRests();

private:
    int indexOf(ColumnMenuPopup* menu, const QString& caption) const;
    void rightClick(Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<Workstation> m_ws;
};

void TestEditingWindow::init()
{
    m_folder = std::make_unique<TestFolder>();
    m_folder->copyInstallationData();
    m_ws = std::make_unique<Workstation>(*m_folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    QVERIFY(m_ws->window);
    board::updateButton((*m_ws))->click();
    QCOMPARE((*m_ws)->board().session.state(), UpdateSession::State::Updating);
}

void TestEditingWindow::cleanup()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowFlags() & Qt::Popup)
            w->close();
    m_ws.reset();
    m_folder.reset();
}

int TestEditingWindow::indexOf(ColumnMenuPopup* menu, const QString& caption) const
{
    for (int i = 0; i < menu->count(); ++i)
        if (menu->caption(i) == caption)
            return i;
    return -1;
}

void TestEditingWindow::rightClick(Qt::KeyboardModifiers modifiers)
{
    MainWindow* w = m_ws->window.get();
    board::interaction(w).onGridMousePress(Qt::RightButton, QPoint(100, 100), modifiers);
    board::interaction(w).openChosenMenu(QPoint(100, 100));
}

void TestEditingWindow::rightClickRouting_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("menu");
    QTest::newRow("plain") << int(Qt::NoModifier) << QStringLiteral("PopupMenu3");
    QTest::newRow("ctrl") << int(Qt::ControlModifier) << QStringLiteral("PopupMenu1");
    QTest::newRow("shift") << int(Qt::ShiftModifier) << QStringLiteral("PopupMenu2");
    QTest::newRow("ctrl wins over shift") << int(Qt::ControlModifier | Qt::ShiftModifier) << QStringLiteral("PopupMenu1");
}

void TestEditingWindow::rightClickRouting()
{
    QFETCH(int, modifiers);
    QFETCH(QString, menu);
    MainWindow* w = m_ws->window.get();
    board::gridView(w)->focusCell(2, 1);
    rightClick(Qt::KeyboardModifiers(modifiers));
    for (ColumnMenuPopup* m : {board::columnMenu(w), board::operationsMenu(w), board::setupMenu(w)})
        QCOMPARE(m->isVisible(), m->objectName() == menu);
    QVERIFY(m_ws->fake.messages.shown.isEmpty());
}

void TestEditingWindow::rightClickWithoutFocusedCell()
{
    MainWindow* w = m_ws->window.get();
    rightClick();
    QVERIFY(!board::columnMenu(w)->isVisible());
    QCOMPARE(m_ws->fake.messages.texts(), QStringList{"Click on a column first."});
}

void TestEditingWindow::setupMenuOpensColumnEditors_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<QString>("dialog");   // "" when none opens
    QTest::addColumn<bool>("timedOut");    // the session ends behind the dialog
    QTest::newRow("column data") << "Column Data Setup" << true << "Form4" << false;
    QTest::newRow("column data without a cell") << "Column Data Setup" << false << "" << false;
    QTest::newRow("fixed column without a cell") << "Fixed Column Data Setup" << false << "Form3" << false;
    QTest::newRow("column data, session ends") << "Column Data Setup" << true << "Form4" << true;
    QTest::newRow("fixed column, session ends") << "Fixed Column Data Setup" << true << "Form3" << true;
}

void TestEditingWindow::setupMenuOpensColumnEditors()
{
    QFETCH(QString, entry);
    QFETCH(bool, focused);
    QFETCH(QString, dialog);
    QFETCH(bool, timedOut);
    MainWindow* w = m_ws->window.get();
    w->board().prefs.timeOut = true;
    w->board().session.restartTimeout();
    if (focused)
        board::gridView(w)->focusCell(2, 1);
    board::setupMenu(w)->trigger(indexOf(board::setupMenu(w), entry));
    QDialog* open = dialog.isEmpty() ? nullptr : w->findChild<QDialog*>(dialog);
    QCOMPARE(board::shown<ColumnDataDialog>(w), dialog == u"Form4");
    QCOMPARE(board::shown<FixedColumnDialog>(w), dialog == u"Form3");
    if (!open) {
        QCOMPARE(m_ws->fake.messages.texts(), QStringList{"Click on a column first."});
        return;
    }
    // The time-out waits while the dialog is open and starts afresh after it.
    QVERIFY(!board::timer(w, 2)->isActive());
    const GridData before = w->board().document.draft();
    if (timedOut) {
        board::sessionControl(w).closeSessionBoxes();
        board::sessionControl(w).endSession();
        QVERIFY(!open->isVisible());
        QCOMPARE(w->board().document.draft(), before);
        QVERIFY(!board::timer(w, 2)->isActive());
        return;
    }
    open->reject();
    QVERIFY(!open->isVisible());
    QVERIFY(board::timer(w, 2)->isActive());
    QCOMPARE(board::timer(w, 2)->interval(), 30000);
}

void TestEditingWindow::dateTimeFromColumnMenu_data()
{
    QTest::addColumn<bool>("sessionEnds");   // behind the open dialog
    QTest::newRow("current date written, then the advance") << false;
    QTest::newRow("session ends: nothing written, no advance") << true;
}

void TestEditingWindow::dateTimeFromColumnMenu()
{
    QFETCH(bool, sessionEnds);
    MainWindow* w = m_ws->window.get();
    w->board().prefs.autoMenu = false;
    int dateColumn = 1;
    while (w->board().document.draft().cell(dateColumn, 0) != u"Date")
        ++dateColumn;
    board::gridView(w)->focusCell(dateColumn, 4);
    rightClick();
    const int item = indexOf(board::columnMenu(w), QStringLiteral("DATE/TIME"));
    QVERIFY(item >= 0 && board::columnMenu(w)->isItemEnabled(item));
    board::columnMenu(w)->trigger(item);
    DateTimeDialog* dialog = board::dialog<DateTimeDialog>(w);
    QVERIFY(dialog->isVisible());
    const QString before = w->board().document.draft().cell(dateColumn, 4);

    if (sessionEnds) {
        board::sessionControl(w).closeSessionBoxes();
        board::sessionControl(w).endSession();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(w->board().document.draft().cell(dateColumn, 4), before);
        QVERIFY(!board::timer(w, 3)->isActive());
        return;
    }
    dialog->findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click();   // "Current Date"
    QVERIFY(!dialog->isVisible());
    QCOMPARE(w->board().document.draft().cell(dateColumn, 4), QStringLiteral("3.7.2026"));
    QVERIFY(board::timer(w, 3)->isActive());
    QCOMPARE(board::timer(w, 3)->interval(), 250);
    board::interaction(w).onAdvanceTick();
    QCOMPARE(board::gridView(w)->focusedCell(), dateColumn + 1 < w->board().document.draft().colCount()
                                               ? std::optional<QPoint>(QPoint(dateColumn + 1, 4))
                                               : std::nullopt);
}

void TestEditingWindow::fillRowWithAutomaticMenu()
{
    MainWindow* w = m_ws->window.get();
    w->board().prefs.autoMenu = true;
    const int row = 4;   // an empty row of the sample
    board::gridView(w)->focusCell(1, row);
    rightClick();
    ColumnMenuPopup* menu = board::columnMenu(w);
    QVERIFY(menu->isVisible());
    QCOMPARE(menu->caption(0), QStringLiteral("TRAILER"));
    QCOMPARE(menu->caption(1), QStringLiteral("UPDATE OFF"));
    QCOMPARE(menu->caption(2), QStringLiteral("SKIP CELL"));
    QCOMPARE(menu->caption(3), QStringLiteral("CLEAR CELL"));

    QStringList picked;
    for (int col = 1; col < w->board().document.draft().colCount(); ++col) {
        QVERIFY2(menu->isVisible(), qPrintable(QStringLiteral("menu of column %1").arg(col)));
        QCOMPARE(menu->caption(0), w->board().document.draft().cell(col, 0).toUpper());
        // The first value of the column's file: the item after the fixed ones.
        int value = 4;
        while (!menu->isItemEnabled(value) || menu->caption(value) == u"DATE/TIME")
            ++value;
        picked << menu->caption(value);
        board::columnMenu(w)->trigger(value);
        if (col + 1 < w->board().document.draft().colCount())
            QCOMPARE(board::gridView(w)->focusedCell(), std::optional<QPoint>(QPoint(col + 1, row)));
    }
    QVERIFY(!board::gridView(w)->focusedCell());
    for (int col = 1; col < w->board().document.draft().colCount(); ++col)
        QCOMPARE(w->board().document.draft().cell(col, row), picked[col - 1]);

    board::updateButton(w)->click();
    GridData saved;
    QVERIFY(GridStore(m_folder->folder()).loadGrid(QStringLiteral("sgrid.scd"), saved).ok());
    for (int col = 1; col < saved.colCount(); ++col)
        QCOMPARE(saved.cell(col, row), picked[col - 1]);
}

void TestEditingWindow::fillRowWithoutAutomaticMenu()
{
    MainWindow* w = m_ws->window.get();
    w->board().prefs.autoMenu = false;
    board::gridView(w)->focusCell(2, 4);
    rightClick();
    const int skip = indexOf(board::columnMenu(w), QStringLiteral("SKIP CELL"));
    board::columnMenu(w)->trigger(skip);
    board::columnMenu(w)->close();
    QCOMPARE(board::gridView(w)->focusedCell(), std::optional<QPoint>(QPoint(3, 4)));
    QVERIFY(!board::columnMenu(w)->isVisible());
    rightClick();
    QCOMPARE(board::columnMenu(w)->caption(0), w->board().document.draft().cell(3, 0).toUpper());
}

void TestEditingWindow::updateOffSaves()
{
    MainWindow* w = m_ws->window.get();
    w->board().document.draft().setCell(2, 5, QStringLiteral("typed"));
    board::gridView(w)->focusCell(2, 5);
    rightClick();
    board::columnMenu(w)->trigger(indexOf(board::columnMenu(w), QStringLiteral("UPDATE OFF")));
    QCOMPARE(w->board().session.state(), UpdateSession::State::Viewing);
    QVERIFY(!board::updateButton(w)->isChecked());
    GridData saved;
    QVERIFY(GridStore(m_folder->folder()).loadGrid(QStringLiteral("sgrid.scd"), saved).ok());
    QCOMPARE(saved.cell(2, 5), QStringLiteral("typed"));
}

void TestEditingWindow::unusableMenuFileGivesEmptyMenu_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("menuFile");   // what stands at colfiles/<title>.scd
    QTest::newRow("parent path") << QStringLiteral("../gsystem/parm") << QString();
    QTest::newRow("backslash") << QStringLiteral("..\\gsystem\\parm") << QString();
    QTest::newRow("dot dot") << QStringLiteral("..") << QString();
    QTest::newRow("colon") << QStringLiteral("C:Product") << QString();
    QTest::newRow("star") << QStringLiteral("Prod*") << QString();
    QTest::newRow("fifo") << QStringLiteral("Product") << QStringLiteral("fifo");
    QTest::newRow("link out of the folder") << QStringLiteral("Product") << QStringLiteral("link");
    QTest::newRow("over the size cap") << QStringLiteral("Product") << QStringLiteral("huge");
    QTest::newRow("a value reading DATE/TIME") << QStringLiteral("Product") << QStringLiteral("DATE/TIME");
    // The whole folder a link to elsewhere: empty, and said, naming it.
    QTest::newRow("colfiles a link") << QStringLiteral("Product") << QStringLiteral("folder link");
}

void TestEditingWindow::unusableMenuFileGivesEmptyMenu()
{
    QFETCH(QString, title);
    QFETCH(QString, menuFile);
    MainWindow* w = m_ws->window.get();
    // A file the title would reach if it were taken as a path.
    m_folder->writeFile(QStringLiteral("gsystem/parm.scd"), "secret\r\n");
    const QString path = m_folder->path(QStringLiteral("colfiles/") + title + QStringLiteral(".scd"));
    QFile::remove(path);
    if (menuFile == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0666), 0);
    else if (menuFile == u"link")
        QVERIFY(QFile::link(m_folder->path(QStringLiteral("gsystem/parm.scd")), path));
    else if (menuFile == u"folder link") {
        m_folder->writeFile(QStringLiteral("colfiles/Product.scd"), "Steel\r\n");
        QVERIFY(QDir().rename(m_folder->path(QStringLiteral("colfiles")), m_folder->path(QStringLiteral("elsewhere"))));
        QVERIFY(QFile::link(m_folder->path(QStringLiteral("elsewhere")), m_folder->path(QStringLiteral("colfiles"))));
    } else if (menuFile == u"huge")
        m_folder->writeFile(QStringLiteral("colfiles/") + title + QStringLiteral(".scd"),
                            QByteArray(TextFile::kListFileCap + 1, 'x'));
    else if (!menuFile.isEmpty())
        m_folder->writeFile(QStringLiteral("colfiles/") + title + QStringLiteral(".scd"), menuFile.toLatin1() + "\r\n");
    w->board().document.draft().setCell(2, 0, title);
    w->board().document.publish();
    board::gridView(w)->focusCell(2, 1);
    rightClick();
    ColumnMenuPopup* menu = board::columnMenu(w);
    if (menuFile == u"DATE/TIME") {
        // It acts as the fixed item does: it opens the Date / Time dialog.
        QCOMPARE(menu->caption(4), menuFile);
        menu->trigger(4);
        QVERIFY(board::dialog<DateTimeDialog>(w)->isVisible());
        board::dialog<DateTimeDialog>(w)->closeWithoutEffect();
        return;
    }
    QCOMPARE(menu->caption(0), QStringLiteral("[EMPTY]"));
    QCOMPARE(menu->count(), 4);
    const QStringList told = m_ws->fake.messages.texts();
    if (menuFile == u"folder link")
        QVERIFY2(told.size() == 1 && told[0].contains(QStringLiteral("colfiles")) && told[0].contains(QStringLiteral("link")),
                 qPrintable(told.join(u'|')));
    else
        QVERIFY(told.isEmpty());
}

void TestEditingWindow::operationsMenuLayoutAndPasteItems()
{
    MainWindow* w = m_ws->window.get();
    board::gridView(w)->focusCell(1, 1);
    rightClick(Qt::ControlModifier);
    ColumnMenuPopup* ops = board::operationsMenu(w);
    QCOMPARE(ops->columnCount(), 3);
    QVERIFY(ops->hasBarBefore(1) && ops->hasBarBefore(2));
    const int pasteRow = indexOf(ops, QStringLiteral("Paste Row  (Ctrl p)"));
    const int copyRow = indexOf(ops, QStringLiteral("Copy Row  (Ctrl c)"));
    QVERIFY(pasteRow >= 0 && copyRow >= 0);
    QVERIFY(!ops->isItemEnabled(pasteRow));
    QVERIFY(ops->isItemEnabled(indexOf(ops, QStringLiteral("Create List Records"))));
    board::operationsMenu(w)->trigger(copyRow);
    ops->close();
    QVERIFY(!board::gridView(w)->focusedCell());

    board::gridView(w)->focusCell(1, 4);
    rightClick(Qt::ControlModifier);
    QVERIFY(ops->isItemEnabled(pasteRow));
    QVERIFY(!ops->isItemEnabled(indexOf(ops, QStringLiteral("Paste Cell"))));
    board::operationsMenu(w)->trigger(pasteRow);
    for (int col = 1; col < w->board().document.draft().colCount(); ++col)
        QCOMPARE(w->board().document.draft().cell(col, 4), w->board().document.draft().cell(col, 1));
    QCOMPARE(w->board().document.draft().rowColor(4), w->board().document.draft().rowColor(1));
}

void TestEditingWindow::shortcutsOnlyDuringSession_data()
{
    QTest::addColumn<bool>("inSession");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("onToolbar");   // the keyboard on the button bar, not the grid
    QTest::addColumn<int>("rowsAdded");
    QTest::newRow("ctrl a in a session") << true << int(Qt::ControlModifier) << false << 1;
    QTest::newRow("ctrl a on the button bar") << true << int(Qt::ControlModifier) << true << 1;
    QTest::newRow("ctrl shift a") << true << int(Qt::ControlModifier | Qt::ShiftModifier) << false << 0;
    QTest::newRow("ctrl alt a") << true << int(Qt::ControlModifier | Qt::AltModifier) << false << 0;
    QTest::newRow("a alone") << true << int(Qt::NoModifier) << false << 0;
    QTest::newRow("outside a session") << false << int(Qt::ControlModifier) << false << 0;
}

void TestEditingWindow::shortcutsOnlyDuringSession()
{
    QFETCH(bool, inSession);
    QFETCH(int, modifiers);
    QFETCH(bool, onToolbar);
    QFETCH(int, rowsAdded);
    MainWindow* w = m_ws->window.get();
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    if (!inSession)
        board::updateButton(w)->click();
    QWidget* target = onToolbar ? static_cast<QWidget*>(board::updateButton(w)) : board::gridView(w);
    target->setFocus();
    const auto mods = Qt::KeyboardModifiers(modifiers);
    const int rows = w->board().document.draft().rowCount();

    // The press acts, with Ctrl still down: a typist may let go of Ctrl
    // before the letter.
    QTest::keyPress(target, Qt::Key_A, mods);
    QCOMPARE(w->board().document.draft().rowCount(), rows + rowsAdded);
    // Held down: the repeated presses do nothing more.
    QTest::simulateEvent(target, true, Qt::Key_A, mods, QStringLiteral("a"), true);
    QTest::simulateEvent(target, true, Qt::Key_A, mods, QStringLiteral("a"), true);
    QCOMPARE(w->board().document.draft().rowCount(), rows + rowsAdded);
    QTest::keyRelease(target, Qt::Key_A, mods);
    QCOMPARE(w->board().document.draft().rowCount(), rows + rowsAdded);
    // A second press is a second command.
    QTest::keyClick(target, Qt::Key_A, mods);
    QCOMPARE(w->board().document.draft().rowCount(), rows + 2 * rowsAdded);
}

void TestEditingWindow::listButtonNeedsARow()
{
    MainWindow* w = m_ws->window.get();
    board::button(w, "SpeedButton7")->click();
    QCOMPARE(m_ws->fake.messages.texts(), QStringList{"Click on a row first."});
    QCOMPARE(m_ws->fake.messages.shown[0].offset, QPoint(0, 33));
    QVERIFY(!board::shown<ListDialog>(w));

    // With a row, the list opens; it holds the time-out while open, in
    // editing mode too, and a session that ends anyway closes it without writing.
    w->board().prefs.timeOut = true;
    w->board().session.restartTimeout();
    board::gridView(w)->focusCell(1, 3);
    board::button(w, "SpeedButton7")->click();
    QVERIFY(board::dialog<ListDialog>(w)->isVisible());
    QVERIFY(!board::timer(w, 2)->isActive());
    board::dialog<ListDialog>(w)->findChild<QPushButton*>(QStringLiteral("SpeedButton1"))->click();
    QVERIFY(board::dialog<ListDialog>(w)->isEditing());
    QVERIFY(!board::timer(w, 2)->isActive());
    board::dialog<ListDialog>(w)->findChild<QPushButton*>(QStringLiteral("SpeedButton1"))->click();
    QVERIFY(!board::dialog<ListDialog>(w)->isEditing());
    QVERIFY(!board::timer(w, 2)->isActive());   // still open
    board::dialog<ListDialog>(w)->findChild<QPushButton*>(QStringLiteral("SpeedButton1"))->click();
    board::sessionControl(w).closeSessionBoxes();
    board::sessionControl(w).endSession();
    QVERIFY(!board::shown<ListDialog>(w));
    QVERIFY(!board::dialog<ListDialog>(w)->isEditing());
}

void TestEditingWindow::typingWithEditingDown()
{
    MainWindow* w = m_ws->window.get();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    GridView* view = board::gridView(w);
    view->focusCell(2, 4);
    QVERIFY(!view->editingAllowed());
    board::editingButton(w)->click();
    QVERIFY(view->editingAllowed());
    const int width = view->colWidth(2);
    view->setFocus();
    // The first key opens the cell's editor, which then has the keyboard.
    QTest::keyClicks(view, QStringLiteral("A"));
    QTRY_VERIFY(QApplication::focusWidget() && QApplication::focusWidget() != view);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral(" rather long typed value"));
    QTRY_COMPARE(w->board().document.draft().cell(2, 4), QStringLiteral("A rather long typed value"));
    QVERIFY(view->colWidth(2) > width);
    QVERIFY(w->board().session.activityFlag());

    // A character the grid file cannot hold is refused as it is typed, or
    // left out of a paste, and the status bar says which.
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    auto* status = w->findChild<StatusLine*>(QStringLiteral("StatusBar1"));
    QVERIFY(status);
    QVERIFY(status->notice().isEmpty());
    QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QStringLiteral("\u2713"), Qt::NoModifier);
    QCOMPARE(editor->text(), QStringLiteral("A rather long typed value"));
    QCOMPARE(status->notice(), QStringLiteral("\"\u2713\" cannot be stored in the schedule's files and was left out."));
    editor->setCursorPosition(1);
    editor->insert(QString::fromUtf8(" \u2605caf\u00e9 \xF0\x9F\x98\x80\u2605"));
    QCOMPARE(editor->text(), QString::fromUtf8("A caf\u00e9  rather long typed value"));
    QCOMPARE(status->notice(),
             QString::fromUtf8("\"\u2605\", \"\xF0\x9F\x98\x80\" cannot be stored in the schedule's files and were left out."));
    QTRY_COMPARE(w->board().document.draft().cell(2, 4), QString::fromUtf8("A caf\u00e9  rather long typed value"));
    editor->selectAll();
    editor->insert(QStringLiteral("A rather long typed value"));
    QTRY_COMPARE(w->board().document.draft().cell(2, 4), QStringLiteral("A rather long typed value"));
    // The cursor stays where the kept text puts it.
    StorableTextValidator validator;
    QString typed = QString::fromUtf8("ab\xF0\x9F\x98\x80" "c\u2713d");
    int cursor = 6;
    QCOMPARE(validator.validate(typed, cursor), QValidator::Acceptable);
    QCOMPARE(typed, QStringLiteral("abcd"));
    QCOMPARE(cursor, 3);

    // Raising "Editing" ends the edit and leaves nothing focused.
    board::editingButton(w)->click();
    QVERIFY(!view->editingAllowed());
    QVERIFY(!view->focusedCell());
    board::updateButton(w)->click();
    GridData saved;
    QVERIFY(GridStore(m_folder->folder()).loadGrid(QStringLiteral("sgrid.scd"), saved).ok());
    QCOMPARE(saved.cell(2, 4), QStringLiteral("A rather long typed value"));
}

void TestEditingWindow::typingIntoCell_data()
{
    QTest::addColumn<QString>("reached");   // how the cell got the focus before the typing
    QTest::newRow("fresh cell") << "focus";
    QTest::newRow("after a click") << "click";
    QTest::newRow("after tab") << "tab";
    QTest::newRow("after a menu pick") << "pick";
}

void TestEditingWindow::typingIntoCell()
{
    QFETCH(QString, reached);
    MainWindow* w = m_ws->window.get();
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    GridView* view = board::gridView(w);
    board::editingButton(w)->click();
    const GridData& grid = w->board().document.draft();
    if (reached == u"focus") {
        view->focusCell(2, 4);
        view->setFocus();
    } else if (reached == u"click") {
        const QRect cell = view->visualRect(view->model()->index(4, 2));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    } else if (reached == u"tab") {
        view->focusCell(1, 4);
        view->setFocus();
        QTest::keyClicks(view, QStringLiteral("Acme"));
        QTest::keyClick(view, Qt::Key_Tab);
        QCOMPARE(grid.cell(1, 4), QStringLiteral("Acme"));
    } else {
        view->focusCell(1, 4);
        view->setFocus();
        rightClick();
        ColumnMenuPopup* menu = board::columnMenu(w);
        QVERIFY(menu->isVisible());
        const int item = indexOf(menu, menu->caption(menu->count() - 1));
        const QString picked = menu->caption(item);
        menu->trigger(item);
        menu->closeMenu();
        QCOMPARE(grid.cell(1, 4), picked);
    }
    QCOMPARE(view->focusedCell(), std::optional<QPoint>(QPoint(2, 4)));
    QTest::keyClicks(view, QStringLiteral("Metro Hardware"));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(grid.cell(2, 4), QStringLiteral("Metro Hardware"));
    // Enter closes the editor once the key is done with.
    QCoreApplication::processEvents();
    QVERIFY(!view->isEditing());
    QCOMPARE(grid.cell(2, 4), QStringLiteral("Metro Hardware"));
}

void TestEditingWindow::focusHasOneOwner_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("focusStays");
    QTest::newRow("rows added above") << "insert" << true;
    QTest::newRow("focused row taken away") << "remove" << false;
    QTest::newRow("whole grid replaced") << "reset" << false;
}

void TestEditingWindow::focusHasOneOwner()
{
    // A change published by another writer moves or drops the view's
    // current cell without a selection signal: the editing rules must see
    // the same cell the view shows.
    QFETCH(QString, change);
    QFETCH(bool, focusStays);
    MainWindow* w = m_ws->window.get();
    GridView* view = board::gridView(w);
    GridDocument& document = w->board().document;
    const int last = document.draft().rowCount() - 1;
    view->focusCell(2, last);
    QCOMPARE(board::editor(w).focused(), std::optional<QPoint>(QPoint(2, last)));
    if (change == u"insert")
        document.draft().insertRow(1);
    else if (change == u"remove")
        document.draft().removeRow(last);
    else
        document.draft().setSize(2, 2);
    document.publish();
    QCOMPARE(board::editor(w).focused(), view->focusedCell());
    QCOMPARE(board::editor(w).focused().has_value(), focusStays);
    if (focusStays)
        QVERIFY(board::editor(w).focused()->y() >= 1);
}

void TestEditingWindow::undoRedoOfOneChange_data()
{
    QTest::addColumn<QString>("item");    // operations menu item, or "typed" for the in-cell editor
    QTest::addColumn<QPoint>("focus");
    QTest::addColumn<QString>("undoItem");
    QTest::addColumn<QString>("question");
    QTest::newRow("delete column") << "Delete Column" << QPoint(2, 1) << "Undo Delete Column %2" << "Delete column %2?";
    QTest::newRow("delete row") << "Delete Row  (Ctrl d)" << QPoint(1, 3) << "Undo Delete Row %r" << "Delete row %r?";
    QTest::newRow("colour") << "Color Red" << QPoint(1, 2) << "Undo Color Red %r" << "";
    QTest::newRow("add row") << "Add Row  (Ctrl a)" << QPoint(1, 1) << "Undo Add Row" << "";
    QTest::newRow("typed cell") << "typed" << QPoint(1, 2) << "Undo Typing in %1" << "";
    QTest::newRow("column dragged") << "dragged" << QPoint(1, 1) << "Undo Move Column %1" << "";
}

void TestEditingWindow::undoRedoOfOneChange()
{
    QFETCH(QString, item);
    QFETCH(QPoint, focus);
    QFETCH(QString, undoItem);
    QFETCH(QString, question);
    MainWindow* w = m_ws->window.get();
    const auto named = [w](QString text, QPoint f) {
        const auto quoted = [](const QString& t) -> QString { return u'\'' + t.trimmed() + u'\''; };
        return text.replace(QStringLiteral("%1"), quoted(w->board().document.draft().cell(1, 0)))
            .replace(QStringLiteral("%2"), quoted(w->board().document.draft().cell(2, 0)))
            .replace(QStringLiteral("%r"), quoted(w->board().document.draft().cell(0, f.y())));
    };
    undoItem = named(undoItem, focus);
    question = named(question, focus);
    m_ws->fake.messages.fallback = Answer::Yes;
    const GridData before = w->board().document.draft();
    // Every step below reaches the view through the model's signals alone.
    const ModelMirror mirror(board::gridView(w)->model());
    const auto viewShows = [&](const GridData& grid) {
        return w->board().document.data() == grid && mirror.mismatch().isEmpty();
    };

    board::gridView(w)->focusCell(focus.x(), focus.y());
    if (item == QLatin1String("dragged")) {
        // Column 2 dragged before column 1: the moved one is named by its new place.
        QHeaderView* header = board::gridView(w)->horizontalHeader();
        header->moveSection(header->visualIndex(2), header->visualIndex(1));
        undoItem = QStringLiteral("Undo Move Column '%1'").arg(before.cell(2, 0).trimmed());
    } else if (item == QLatin1String("typed")) {
        board::gridView(w)->model()->setData(board::gridView(w)->model()->index(focus.y(), focus.x()), QStringLiteral("typed"));
    } else {
        rightClick(Qt::ControlModifier);
        const int at = indexOf(board::operationsMenu(w), item);
        QVERIFY(at >= 0);
        board::operationsMenu(w)->trigger(at);
        board::operationsMenu(w)->close();
    }
    QVERIFY(!(w->board().document.draft() == before));
    const GridData after = w->board().document.draft();
    QVERIFY2(viewShows(after), qPrintable(mirror.mismatch()));
    if (!question.isEmpty())
        QVERIFY2(m_ws->fake.messages.questions.join(u'|').contains(question),
                 qPrintable(m_ws->fake.messages.questions.join(u'|')));

    // The menu names the step; Ctrl + Z and Ctrl + Y go back and forth.
    board::gridView(w)->focusCell(1, 1);
    rightClick(Qt::ControlModifier);
    ColumnMenuPopup* ops = board::operationsMenu(w);
    const int undo = indexOf(ops, undoItem);
    QVERIFY2(undo >= 0, qPrintable(ops->caption(ops->count() - 2)));
    QVERIFY(ops->isItemEnabled(undo));
    QVERIFY(!ops->isItemEnabled(indexOf(ops, QStringLiteral("Redo  (Ctrl y)"))));
    ops->trigger(undo);
    ops->close();
    QVERIFY2(viewShows(before), qPrintable(mirror.mismatch()));
    emit board::redoShortcut(w)->activated();
    QVERIFY2(viewShows(after), qPrintable(mirror.mismatch()));
    emit board::undoShortcut(w)->activated();
    QVERIFY2(viewShows(before), qPrintable(mirror.mismatch()));
    emit board::undoShortcut(w)->activated();
    QVERIFY2(viewShows(before), qPrintable(mirror.mismatch()));

    // Released and begun again: the history went with the session.
    emit board::redoShortcut(w)->activated();
    board::updateButton(w)->click();
    QCOMPARE(w->board().session.state(), UpdateSession::State::Viewing);
    board::updateButton(w)->click();
    QCOMPARE(w->board().session.state(), UpdateSession::State::Updating);
    QVERIFY2(viewShows(after), qPrintable(mirror.mismatch()));
    QVERIFY(!w->board().session.history().canUndo());
    emit board::undoShortcut(w)->activated();
    QVERIFY2(viewShows(after), qPrintable(mirror.mismatch()));
}

void TestEditingWindow::gestureHintWhenPointerRests()
{
    MainWindow* w = m_ws->window.get();
    StatusLine* status = w->findChild<StatusLine*>(QStringLiteral("StatusBar1"));
    QWidget* viewport = board::gridView(w)->viewport();
    const auto enterGrid = [viewport] {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(viewport, &enter);
    };
    const auto leaveGrid = [viewport] {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(viewport, &leave);
    };

    // Passing over the grid says nothing; resting on it names the gestures.
    enterGrid();
    QCOMPARE(status->text(), QString());
    board::interaction(w).onPointerRested();
    for (const char* gesture : {"Right-click", "Ctrl+right-click", "Shift+right-click"})
        QVERIFY2(status->text().contains(QLatin1String(gesture)), qPrintable(status->text()));
    leaveGrid();
    QCOMPARE(status->text(), QString());

    // Outside a session the gestures do not apply.
    board::updateButton(w)->click();
    QCOMPARE(w->board().session.state(), UpdateSession::State::Viewing);
    enterGrid();
    board::interaction(w).onPointerRested();
    QCOMPARE(status->text(), QString());
    leaveGrid();
}

QTEST_MAIN(TestEditingWindow)
#include "tst_editingwindow.moc"
