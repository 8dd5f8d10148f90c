#include "app/dialogs/listdialog.h"
#include "grid/griddata.h"
#include "gridview/columnmenupopup.h"
#include "store/textfile.h"
#include "tests/support/fakeservices.h"
#include "tests/support/gridtext.h"
#include "tests/support/testfolder.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <cerrno>

namespace {

const QString kList = QStringLiteral("gsystem/lists.scd");
const QByteArray kRecords("[Paper][Blue]~P~~Rolls~\r\n[bad]~x~y~\r\n[Cement][Gray]~C~\r\n");

} // namespace

// The "List" dialog: pasting a record, list editing mode and its file.
class TestListDialog : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void captionsAndLayout();
    void clickPastesAndCloses();
    void badRecordWarnsAndStaysOpen();
    void arrowsBrowseEnterPastes();
    void reloadsOnEveryOpening();
    void unreadableListIsNotEdited();
    void editingModeCycle();
    void insertionCommands_data();
    void insertionCommands();
    void failedSaveStaysInEditingMode();
    void closeWithoutEffectWritesNothing();

private:
    template <class T> T* child(const char* name) const
    {
        T* w = m_dialog->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no %s", name);
        return w;
    }
    QListWidget* list() const { return child<QListWidget>("ListBox1"); }
    QPlainTextEdit* editor() const { return child<QPlainTextEdit>("RichEdit1"); }
    QPushButton* modeButton() const { return child<QPushButton>("SpeedButton1"); }
    QPushButton* closeButton() const { return child<QPushButton>("SpeedButton2"); }
    QStringList records() const;
    void clickRecord(const QString& text);

    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<GridData> m_grid;
    FakeMessages m_messages;
    std::unique_ptr<ListDialog> m_dialog;
};

void TestListDialog::init()
{
    m_folder = std::make_unique<TestFolder>();
    m_folder->writeFile(kList, kRecords);
    m_grid = std::make_unique<GridData>(4, 4);
    const QStringList titles{"Fix", "Trailer", "Product", "Date"};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            m_grid->setCell(c, r, r == 0 ? titles[c] : QStringLiteral("r%1c%2").arg(r).arg(c));
    m_messages = FakeMessages();
    m_dialog = std::make_unique<ListDialog>(m_folder->folder(), *m_grid, m_messages);
}

void TestListDialog::cleanup()
{
    TextFile::setFaultHook({});
    m_dialog.reset();
    m_grid.reset();
    m_folder.reset();
}

QStringList TestListDialog::records() const
{
    QStringList out;
    for (int i = 0; i < list()->count(); ++i)
        out.append(list()->item(i)->text());
    return out;
}

void TestListDialog::clickRecord(const QString& text)
{
    const QList<QListWidgetItem*> found = list()->findItems(text, Qt::MatchExactly);
    QVERIFY(found.size() == 1);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(found[0]).center());
}

void TestListDialog::captionsAndLayout()
{
    m_dialog->openFor(1);
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_dialog->windowTitle(), "List");
    QVERIFY(!(m_dialog->windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(m_dialog->palette().color(QPalette::Window), QColor(231, 223, 173));
    QCOMPARE(modeButton()->text(), "Update  List");
    QCOMPARE(closeButton()->text(), "Close");
    QVERIFY(closeButton()->isEnabled());
    QCOMPARE(records(), QStringList({"[bad]~x~y~", "[Cement][Gray]~C~", "[Paper][Blue]~P~~Rolls~"}));
    modeButton()->click();
    QCOMPARE(child<QPushButton>("SpeedButton4")->text(), "PreLine");
    QCOMPARE(child<QPushButton>("SpeedButton12")->text(), "~");
    QCOMPARE(child<QToolButton>("SpeedButton17")->toolTip(), "Program help");

    auto* menu = child<ColumnMenuPopup>("PopupMenu1");
    QStringList captions;
    for (int i = 0; i < menu->count(); ++i)
        captions.append(menu->caption(i));
    QCOMPARE(captions, QStringList({"PreLine", "~~", "[]", "Color Clear", "Color Red", "Color Yellow", "Color Orange",
                                    "Color Blue", "Color Green", "Color Gray", "Color Violet", "Color Beige",
                                    "Color Brown", "Color Mask"}));
    QCOMPARE(menu->columnOf(2), 0);
    QCOMPARE(menu->columnOf(3), 1);

    auto* panel = child<QFrame>("Panel3");
    QVERIFY(!panel->isVisible());
    child<QToolButton>("SpeedButton17")->click();
    QVERIFY(panel->isVisible());
    QCOMPARE(panel->palette().color(QPalette::Window), QColor(192, 176, 144));
    auto* label1 = child<QLabel>("Label1");
    auto* label2 = child<QLabel>("Label2");
    QCOMPARE(label1->palette().color(QPalette::Window), QColor(248, 232, 168));
    QCOMPARE(label1->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    const QStringList lines = label1->text().split(u'\n');
    QCOMPARE(lines.size(), 14);
    QCOMPARE(lines[0], "  List allows for a string of data to be pasted into a focused row.");
    QCOMPARE(lines[4], "  [&blue] A 'line color' (optional: If color or brackets are left out, the line will be white).");
    QCOMPARE(lines[7], QString::fromUtf8("  ¹If there is nothing between the tildes (~~), the subsequent column will be skipped."));
    QCOMPARE(label2->text().split(u'\n').value(1),
             "[description][color]~OSC~~Trailer~~Product~~Consignor~~Consignee~~Date~~Color~");
    // The whole panel fits in the dialog, with every line unclipped.
    QVERIFY(m_dialog->rect().contains(panel->geometry()));
    QCOMPARE(panel->size(), panel->sizeHint());
    QVERIFY(label1->width() >= label1->sizeHint().width());

    // A click on the panel's text hides it.
    QTest::mouseClick(label1, Qt::LeftButton);
    QVERIFY(!panel->isVisible());
    // Every caption fits its button.
    for (QPushButton* b : m_dialog->findChildren<QPushButton*>())
        QVERIFY2(b->width() >= b->sizeHint().width(), qPrintable(b->objectName()));
}

void TestListDialog::clickPastesAndCloses()
{
    QSignalSpy changed(m_dialog.get(), &ListDialog::gridChanged);
    QSignalSpy closed(m_dialog.get(), &ListDialog::closed);
    m_dialog->openFor(2);
    clickRecord(QStringLiteral("[Paper][Blue]~P~~Rolls~"));
    QCOMPARE(m_grid->cell(1, 2), "P");
    QCOMPARE(m_grid->cell(2, 2), "Rolls");
    QCOMPARE(m_grid->cell(3, 2), "r2c3");
    QCOMPARE(m_grid->cell(1, 1), "r1c1");
    QCOMPARE(m_grid->rowColor(2), 4);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(closed.count(), 1);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(list()->currentRow(), -1);
    QVERIFY(list()->selectedItems().isEmpty());
    QVERIFY(m_messages.shown.isEmpty());
    QCOMPARE(m_folder->readFile(kList), kRecords);

    // "Close" closes without touching the grid.
    m_dialog->openFor(1);
    closeButton()->click();
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(closed.count(), 2);
    QCOMPARE(changed.count(), 1);
}

void TestListDialog::badRecordWarnsAndStaysOpen()
{
    QSignalSpy changed(m_dialog.get(), &ListDialog::gridChanged);
    m_dialog->openFor(1);
    clickRecord(QStringLiteral("[bad]~x~y~"));
    QCOMPARE(shownTexts(m_messages), QStringList{"W 10,35 Uneven number of tildes in 'List' record."});
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(list()->currentItem()->text(), "[bad]~x~y~");
    QCOMPARE(changed.count(), 0);

    // A record longer than the grid: the fitting part stays, and the grid is refreshed.
    m_messages.clear();
    m_grid->setSize(2, 4);
    clickRecord(QStringLiteral("[Paper][Blue]~P~~Rolls~"));
    QCOMPARE(shownTexts(m_messages), QStringList{"W 10,35 'List' record columns greater than grid columns - truncating."});
    QCOMPARE(m_grid->cell(1, 1), "P");
    QCOMPARE(m_grid->rowColor(1), 4);
    QCOMPARE(changed.count(), 1);
    QVERIFY(m_dialog->isVisible());
}

void TestListDialog::arrowsBrowseEnterPastes()
{
    m_folder->writeFile(kList, "[c][Red]~~~C2~\r\n[bad]~x~y~\r\n[a]~A1~\r\n");
    QSignalSpy changed(m_dialog.get(), &ListDialog::gridChanged);
    QSignalSpy closed(m_dialog.get(), &ListDialog::closed);
    m_dialog->openFor(3);
    QCOMPARE(list()->currentRow(), -1);
    // Enter before any record was reached pastes nothing.
    QTest::keyClick(list(), Qt::Key_Return);
    QVERIFY(m_dialog->isVisible());

    // The arrows move through every record, bad ones too, and paste none.
    for (const auto& [key, row] : {std::pair{Qt::Key_Down, 0}, {Qt::Key_Down, 1}, {Qt::Key_Down, 2},
                                   {Qt::Key_Up, 1}}) {
        QTest::keyClick(list(), key);
        QCOMPARE(list()->currentRow(), row);
        QCOMPARE(list()->selectedItems().size(), 1);
    }
    QCOMPARE(changed.count(), 0);
    QCOMPARE(m_grid->cell(1, 3), "r3c1");
    QVERIFY(m_messages.shown.isEmpty());
    QVERIFY(m_dialog->isVisible());

    // Enter on a bad record warns and stays; Enter on a good one pastes.
    QTest::keyClick(list(), Qt::Key_Return);
    QCOMPARE(shownTexts(m_messages), QStringList{"W 10,35 Uneven number of tildes in 'List' record."});
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(list()->currentRow(), 1);
    QTest::keyClick(list(), Qt::Key_Up);
    QTest::keyClick(list(), Qt::Key_Return);
    QCOMPARE(m_grid->cell(1, 3), "A1");
    QCOMPARE(closed.count(), 1);

    // The selection was cleared: the next opening starts above the first
    // record again. The keypad's Enter pastes too.
    m_dialog->openFor(3);
    QCOMPARE(list()->currentRow(), -1);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(list(), Qt::Key_Down);
    QCOMPARE(m_grid->cell(2, 3), "r3c2");
    QTest::keyClick(list(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(m_grid->cell(2, 3), "C2");
    QCOMPARE(m_grid->rowColor(3), 1);
    QCOMPARE(closed.count(), 2);
}

void TestListDialog::reloadsOnEveryOpening()
{
    m_dialog->openFor(1);
    QCOMPARE(records().size(), 3);
    closeButton()->click();

    // Another workstation saves, then this one opens and edits.
    m_folder->writeFile(kList, "[New one]~N~\r\n");
    m_dialog->openFor(1);
    QCOMPARE(records(), QStringList{"[New one]~N~"});
    closeButton()->click();

    m_folder->writeFile(kList, "[zeta]\r\n[Alpha]\r\n");
    m_dialog->openFor(1);
    modeButton()->click();
    QCOMPARE(editor()->toPlainText(), "[Alpha]\n[zeta]");
    editor()->moveCursor(QTextCursor::End);
    editor()->insertPlainText(QStringLiteral("\n[beta]"));
    modeButton()->click();
    QCOMPARE(m_folder->readFile(kList), "[Alpha]\r\n[beta]\r\n[zeta]\r\n");

    // A missing file is an empty list, and the first save makes it.
    closeButton()->click();
    QVERIFY(QFile::remove(m_folder->path(kList)));
    m_dialog->openFor(1);
    QCOMPARE(records(), QStringList());
    QVERIFY(m_messages.shown.isEmpty());
    modeButton()->click();
    QVERIFY(m_dialog->isEditing());
    editor()->insertPlainText(QStringLiteral("[only]"));
    modeButton()->click();
    QCOMPARE(m_folder->readFile(kList), "[only]\r\n");
}

void TestListDialog::unreadableListIsNotEdited()
{
    const QByteArray tooLarge(int(TextFile::kListFileCap) + 1, 'x');
    m_folder->writeFile(kList, tooLarge);
    QSignalSpy editing(m_dialog.get(), &ListDialog::listEditingChanged);
    m_dialog->openFor(1);
    QCOMPARE(shownTexts(m_messages), QStringList{"E 0,33 Can't read 'lists.scd'."});
    QCOMPARE(records(), QStringList());

    m_messages.clear();
    modeButton()->click();
    QCOMPARE(shownTexts(m_messages), QStringList{"E 0,33 Can't read 'lists.scd'."});
    QVERIFY(!m_dialog->isEditing());
    QVERIFY(!modeButton()->isChecked());
    QCOMPARE(modeButton()->text(), "Update  List");
    QVERIFY(list()->isVisible());
    QVERIFY(closeButton()->isEnabled());
    QCOMPARE(editing.count(), 0);
    QCOMPARE(m_folder->readFile(kList), tooLarge);
}

void TestListDialog::editingModeCycle()
{
    QSignalSpy editing(m_dialog.get(), &ListDialog::listEditingChanged);
    QSignalSpy closed(m_dialog.get(), &ListDialog::closed);
    m_dialog->openFor(1);
    const QStringList captions{"Update OFF", "Update List", "Update OFF", "Update List"};
    for (int i = 0; i < captions.size(); ++i) {
        const bool on = i % 2 == 0;
        modeButton()->click();
        QCOMPARE(modeButton()->text(), captions[i]);
        QCOMPARE(m_dialog->isEditing(), on);
        QCOMPARE(editor()->isVisible(), on);
        QCOMPARE(list()->isVisible(), !on);
        QCOMPARE(closeButton()->isEnabled(), !on);
        for (const char* name : {"SpeedButton4", "SpeedButton12", "SpeedButton3", "SpeedButton17"})
            QCOMPARE(child<QWidget>(name)->isVisible(), on);
        QCOMPARE(editing.count(), i + 1);
        QCOMPARE(editing.last().first().toBool(), on);
        if (on) {
            QCOMPARE(editor()->toPlainText(), "[bad]~x~y~\n[Cement][Gray]~C~\n[Paper][Blue]~P~~Rolls~");
            // While editing, neither Escape nor "Close" ends the dialog.
            QTest::keyClick(editor(), Qt::Key_Escape);
            m_dialog->reject();
            QVERIFY(m_dialog->isVisible());
        }
    }
    QCOMPARE(closed.count(), 0);
    // Saved unchanged, in the list's order.
    QCOMPARE(m_folder->readFile(kList), "[bad]~x~y~\r\n[Cement][Gray]~C~\r\n[Paper][Blue]~P~~Rolls~\r\n");

    // The help panel goes with every press of the mode button.
    modeButton()->click();
    child<QToolButton>("SpeedButton17")->click();
    QVERIFY(child<QFrame>("Panel3")->isVisible());
    modeButton()->click();
    QVERIFY(!child<QFrame>("Panel3")->isVisible());
}

void TestListDialog::insertionCommands_data()
{
    QTest::addColumn<QString>("command");   // a button's object name or a menu caption
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<bool>("hidesHelp");

    QTest::newRow("PreLine button") << "SpeedButton4" << "[description][color]~Trailer~~Product~~Date~" << true;
    QTest::newRow("~ button") << "SpeedButton12" << "~data~" << true;
    QTest::newRow("bracket button") << "SpeedButton3" << "[description][color]" << true;
    QTest::newRow("PreLine item") << "PreLine" << "[description][color]~Trailer~~Product~~Date~" << true;
    QTest::newRow("~~ item") << "~~" << "~data~" << true;
    QTest::newRow("[] item") << "[]" << "[description][color]" << true;
    QTest::newRow("Color Clear") << "Color Clear" << "Clear" << false;
    QTest::newRow("Color Orange") << "Color Orange" << "Orange" << false;
    QTest::newRow("Color Mask") << "Color Mask" << "Mask" << false;
}

void TestListDialog::insertionCommands()
{
    QFETCH(QString, command);
    QFETCH(QString, inserted);
    QFETCH(bool, hidesHelp);

    m_dialog->openFor(1);
    modeButton()->click();
    editor()->setPlainText(QStringLiteral("[x]SELECTED~1~"));
    QTextCursor cursor = editor()->textCursor();
    cursor.setPosition(3);
    cursor.setPosition(11, QTextCursor::KeepAnchor);
    editor()->setTextCursor(cursor);
    QApplication::clipboard()->setText(QStringLiteral("before"));
    child<QToolButton>("SpeedButton17")->click();

    if (command.startsWith(QLatin1String("SpeedButton"))) {
        QAbstractButton* b = m_dialog->findChild<QAbstractButton*>(command);
        QVERIFY(b);
        b->click();
    } else {
        auto* menu = child<ColumnMenuPopup>("PopupMenu1");
        int index = -1;
        for (int i = 0; i < menu->count(); ++i)
            if (menu->caption(i) == command)
                index = i;
        QVERIFY(index >= 0);
        emit menu->triggered(index);
    }
    // The selection is replaced and the text stays on the clipboard.
    QCOMPARE(editor()->toPlainText(), "[x]" + inserted + "~1~");
    QCOMPARE(QApplication::clipboard()->text(), inserted);
    QCOMPARE(child<QFrame>("Panel3")->isVisible(), !hidesHelp);
}

void TestListDialog::failedSaveStaysInEditingMode()
{
    QSignalSpy editing(m_dialog.get(), &ListDialog::listEditingChanged);
    m_dialog->openFor(1);
    modeButton()->click();
    // Characters the file cannot hold: named, and "No" goes back to the text.
    editor()->setPlainText(QStringLiteral("[tick]~\u2713ok~\n[star]~\u2605~\u2713~"));
    m_messages.answers = {Answer::No};
    modeButton()->click();
    QCOMPARE(m_messages.questions,
             QStringList{"These characters cannot be stored in the data files and would be saved as \"?\":\n\n"
                         "\u2713 \u2605\n\nSave anyway?"});
    QVERIFY(m_dialog->isEditing());
    QVERIFY(modeButton()->isChecked());
    QCOMPARE(editor()->toPlainText(), "[tick]~\u2713ok~\n[star]~\u2605~\u2713~");
    QCOMPARE(m_folder->readFile(kList), kRecords);
    QCOMPARE(editing.count(), 1);
    // "Yes" saves them as "?", and the list shows what the file holds.
    m_messages.answers = {Answer::Yes};
    modeButton()->click();
    QVERIFY(!m_dialog->isEditing());
    QCOMPARE(m_folder->readFile(kList), "[star]~?~?~\r\n[tick]~?ok~\r\n");
    QCOMPARE(records(), (QStringList{"[star]~?~?~", "[tick]~?ok~"}));
    QCOMPARE(editing.count(), 2);
    m_messages.clear();
    m_folder->writeFile(kList, kRecords);
    editing.clear();
    modeButton()->click();

    editor()->setPlainText(QStringLiteral("[typed]~T~"));
    const QString target = m_folder->path(kList);
    TextFile::setFaultHook([target](TextFile::Step step, const QString& path) {
        return step == TextFile::Step::Rename && QFileInfo(path) == QFileInfo(target) ? ENOSPC : 0;
    });
    modeButton()->click();
    TextFile::setFaultHook({});

    QCOMPARE(m_messages.shown.size(), 1);
    QCOMPARE(m_messages.shown[0].kind, MessageKind::Error);
    QVERIFY2(m_messages.shown[0].text.contains(QLatin1String("lists.scd")), qPrintable(m_messages.shown[0].text));
    QVERIFY(m_messages.shown[0].text.contains(qt_error_string(ENOSPC)));
    QVERIFY(m_dialog->isEditing());
    QVERIFY(modeButton()->isChecked());
    QCOMPARE(modeButton()->text(), "Update OFF");
    QVERIFY(editor()->isVisible());
    QVERIFY(!closeButton()->isEnabled());
    QCOMPARE(editor()->toPlainText(), "[typed]~T~");
    QCOMPARE(m_folder->readFile(kList), kRecords);
    QCOMPARE(editing.count(), 1);

    // Once the file can be written, the same press saves.
    modeButton()->click();
    QCOMPARE(m_folder->readFile(kList), "[typed]~T~\r\n");
    QVERIFY(!m_dialog->isEditing());
    QCOMPARE(records(), QStringList{"[typed]~T~"});
    QCOMPARE(editing.count(), 2);
}

void TestListDialog::closeWithoutEffectWritesNothing()
{
    QSignalSpy editing(m_dialog.get(), &ListDialog::listEditingChanged);
    QSignalSpy closed(m_dialog.get(), &ListDialog::closed);
    QSignalSpy changed(m_dialog.get(), &ListDialog::gridChanged);

    // In list mode.
    m_dialog->openFor(1);
    m_dialog->closeWithoutEffect();
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(closed.count(), 1);

    // In list editing mode, with text typed: nothing written.
    m_dialog->openFor(1);
    modeButton()->click();
    editor()->setPlainText(QStringLiteral("[half typed]~"));
    m_dialog->closeWithoutEffect();
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(closed.count(), 2);
    QCOMPARE(m_folder->readFile(kList), kRecords);
    QCOMPARE(editing.count(), 2);
    QCOMPARE(editing.last().first().toBool(), false);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(m_grid->cell(1, 1), "r1c1");

    // Reopened, the list shows what another workstation saved meanwhile,
    // and the old text can no longer be written over it.
    m_folder->writeFile(kList, "[other workstation]\r\n");
    m_dialog->openFor(2);
    QVERIFY(!m_dialog->isEditing());
    QCOMPARE(records(), QStringList{"[other workstation]"});

    m_dialog->closeWithoutEffect();
    m_dialog->closeWithoutEffect();   // closed already: nothing more
    QCOMPARE(closed.count(), 3);
    QCOMPARE(m_folder->readFile(kList), "[other workstation]\r\n");

    // The session ends while the user is asked about characters the file
    // cannot hold: nothing is written, whatever the answer, and the mode is off.
    for (const Answer answer : {Answer::Yes, Answer::No}) {
        m_dialog->openFor(1);
        modeButton()->click();
        editor()->setPlainText(QStringLiteral("[tick]~\u2713~"));
        m_messages.answers = {answer};
        m_messages.whileAsking = [this] { m_dialog->closeWithoutEffect(); };
        modeButton()->click();
        QVERIFY(!m_dialog->isVisible());
        QVERIFY(!m_dialog->isEditing());
        QVERIFY(!modeButton()->isChecked());
        QCOMPARE(m_folder->readFile(kList), "[other workstation]\r\n");
    }
}

QTEST_MAIN(TestListDialog)
#include "tst_listdialog.moc"
