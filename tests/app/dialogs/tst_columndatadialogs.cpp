#include "app/dialogs/columndatadialog.h"
#include "app/dialogs/fixedcolumndialog.h"
#include "grid/griddata.h"
#include "store/textfile.h"
#include "tests/support/fakeservices.h"
#include "tests/support/testfolder.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>

#include <cerrno>
#include <memory>

namespace {

// Titles "No.", "Trailer", "Product", "Date"; 10 data rows, the fixed
// column numbered "r1" ... "r10".
GridData board()
{
    GridData g(4, 11);
    const QStringList titles{"No.", "Trailer", "Product", "Date"};
    for (int c = 0; c < 4; ++c)
        g.setCell(c, 0, titles[c]);
    for (int r = 1; r < 11; ++r)
        g.setCell(0, r, QStringLiteral("r%1").arg(r));
    return g;
}

template <typename T>
T* child(QWidget* dialog, const char* name)
{
    T* w = dialog->findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no child %s", name);
    return w;
}

QPlainTextEdit* box(QWidget* d) { return child<QPlainTextEdit>(d, "Memo1"); }
// As the dialogs read it: toPlainText() turns no-break spaces into blanks.
QString rawText(QPlainTextEdit* memo)
{
    return memo->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n');
}
void click(QWidget* d, const char* button) { QTest::mouseClick(child<QPushButton>(d, button), Qt::LeftButton); }

} // namespace

class TestColumnDataDialogs : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void captions_data();
    void captions();
    void opening_data();
    void opening();
    void sortAndBreak();
    void refusedSaveKeepsTyping_data();
    void refusedSaveKeepsTyping();
    void closeWithoutWriting_data();
    void closeWithoutWriting();
    void saves();

private:
    // The dialog under test, opened: "column" on the Product column, or
    // "fixed".
    ColumnEditorDialog* openDialog(const QString& which);

    std::unique_ptr<TestFolder> m_folder;
    GridData m_grid;
    std::unique_ptr<FakeMessages> m_messages;
    std::unique_ptr<ColumnDataDialog> m_column;
    std::unique_ptr<FixedColumnDialog> m_fixed;
};

void TestColumnDataDialogs::init()
{
    m_folder = std::make_unique<TestFolder>();
    m_folder->writeFile(QStringLiteral("colfiles/Product.scd"), "Apples\r\nPears\r\n");
    // Left over from before rows were inserted: not what the grid shows.
    m_folder->writeFile(QStringLiteral("gsystem/FixedColumn.scd"), "stale1\r\nstale2\r\n");
    m_grid = board();
    m_messages = std::make_unique<FakeMessages>();
    m_column = std::make_unique<ColumnDataDialog>(m_folder->folder(), m_grid, *m_messages);
    m_fixed = std::make_unique<FixedColumnDialog>(m_folder->folder(), m_grid, *m_messages);
}

void TestColumnDataDialogs::cleanup()
{
    TextFile::setFaultHook({});
    m_column.reset();
    m_fixed.reset();
    m_folder.reset();
    m_messages.reset();
}

ColumnEditorDialog* TestColumnDataDialogs::openDialog(const QString& which)
{
    if (which == u"fixed") {
        m_fixed->open();
        return m_fixed.get();
    }
    if (!m_column->openFor(2))
        return nullptr;
    return m_column.get();
}

void TestColumnDataDialogs::captions_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("formName");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("labels");    // Label1, Label2
    QTest::addColumn<QStringList>("buttons");   // Button1 ... faces as shown

    QTest::newRow("column") << "column" << "Form4" << "Column Data"
                            << QStringList{"Column header name:", "Column menu data:"}
                            << QStringList{"Save", "Cancel", "Sort", "&break"};
    QTest::newRow("fixed") << "fixed" << "Form3" << "Fixed Left Column Data"
                           << QStringList{"Column header name:", "Fixed Left Column Data"}
                           << QStringList{"Save", "Cancel"};
}

void TestColumnDataDialogs::captions()
{
    QFETCH(QString, which);
    QFETCH(QString, formName);
    QFETCH(QString, title);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, buttons);

    QDialog* d = openDialog(which);
    QVERIFY(d && d->isVisible());
    QCOMPARE(d->objectName(), formName);
    QCOMPARE(d->windowTitle(), title);
    for (int i = 0; i < 2; ++i) {
        auto* label = child<QLabel>(d, i == 0 ? "Label1" : "Label2");
        QCOMPARE(label->text(), labels[i]);
        QVERIFY(label->width() >= label->sizeHint().width());
    }
    for (int i = 0; i < buttons.size(); ++i) {
        auto* b = child<QPushButton>(d, QByteArray("Button" + QByteArray::number(i + 1)).constData());
        // A single "&" would hide itself and underline the next letter.
        QString face = b->text();
        face.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
        QVERIFY2(!face.contains(u'&'), qPrintable(b->text()));
        face.replace(u'\x01', u'&');
        QCOMPARE(face, buttons[i]);
        QVERIFY(b->width() >= b->sizeHint().width());
    }
    QVERIFY(d->findChild<QPushButton*>(QStringLiteral("Button%1").arg(buttons.size() + 1)) == nullptr);
    // Fixed size, at least as designed; no title-bar buttons.
    QVERIFY(d->width() >= 262 && d->height() >= 468);
    QCOMPARE(d->minimumSize(), d->maximumSize());
    QVERIFY(!(d->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint)));
    QCOMPARE(box(d)->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(box(d)->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(box(d)->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    if (which == u"fixed") {
        QCOMPARE(child<QLineEdit>(d, "Edit1")->text(), QStringLiteral("Fixed Left Column"));
        QVERIFY(!child<QLineEdit>(d, "Edit1")->isEnabled());
    }
}

void TestColumnDataDialogs::opening_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QByteArray>("productFile");   // null: none
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");

    QTest::newRow("column with its file") << "column" << QByteArray("Apples\r\n\r\nPears\r\n\r\n") << true
                                          << "Apples\n\nPears\n\n" << "";
    QTest::newRow("column without a file") << "column" << QByteArray() << true << "" << "";
    QTest::newRow("column file too large") << "column" << QByteArray(TextFile::kListFileCap + 1, 'x') << false << ""
                                           << "Can't read 'Product.scd'.";
    // The grid as it is now, not the file from the last grid save.
    QTest::newRow("fixed from the grid") << "fixed" << QByteArray() << true
                                         << "r1\nr2\nr3\nr4\nr5\nr6\nr7\nr8\nr9\nr10" << "";
}

void TestColumnDataDialogs::opening()
{
    QFETCH(QString, which);
    QFETCH(QByteArray, productFile);
    QFETCH(bool, opens);
    QFETCH(QString, text);
    QFETCH(QString, message);

    const QString product = m_folder->path(QStringLiteral("colfiles/Product.scd"));
    QVERIFY(QFile::remove(product));
    if (!productFile.isNull())
        m_folder->writeFile(QStringLiteral("colfiles/Product.scd"), productFile);

    QDialog* d = openDialog(which);
    QCOMPARE(d != nullptr, opens);
    QCOMPARE(m_messages->texts().join(u'|').section(u'\r', 0, 0), message);
    if (!opens) {
        QVERIFY(!m_column->isVisible());
        return;
    }
    QCOMPARE(box(d)->toPlainText(), text);
    if (which == u"column")
        QCOMPARE(child<QLineEdit>(d, "Edit1")->text(), QStringLiteral("Product"));
}

void TestColumnDataDialogs::sortAndBreak()
{
    QDialog* d = openDialog(QStringLiteral("column"));
    QVERIFY(d);
    QPlainTextEdit* memo = box(d);
    memo->setPlainText(QStringLiteral("b\nA\n\na\nC"));
    click(d, "Button3");
    QCOMPARE(memo->toPlainText(), QStringLiteral("\nA\na\nb\nC"));

    // At the caret, over the selected text; the clipboard keeps it.
    QApplication::clipboard()->setText(QStringLiteral("other"));
    memo->setPlainText(QStringLiteral("Pears\nPlums"));
    QTextCursor cursor = memo->textCursor();
    cursor.setPosition(5);
    cursor.setPosition(8, QTextCursor::KeepAnchor);   // "\nPl"
    memo->setTextCursor(cursor);
    click(d, "Button4");
    QCOMPARE(memo->toPlainText(), QStringLiteral("Pears&breakums"));
    QCOMPARE(memo->textCursor().position(), 11);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("&break"));
    QVERIFY(m_folder->readFile(QStringLiteral("colfiles/Product.scd")) == "Apples\r\nPears\r\n");
}

void TestColumnDataDialogs::refusedSaveKeepsTyping_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<bool>("diskFull");
    QTest::addColumn<QString>("message");

    QTest::newRow("no header") << "" << false << "Must enter a 'Column header name'.";
    QTest::newRow("aux") << "aux" << false << "Can't name the file 'aux'.";
    QTest::newRow("path") << "../gsystem/parm" << false << "Can't name the file '../gsystem/parm'.";
    QTest::newRow("disk full") << "Goods" << true << "Could not save Goods.scd:";
    // Another column's menu file is replaced only on a Yes.
    QTest::newRow("another menu's name, No") << "Goods" << false
                                             << "A column menu named 'Goods' exists already. "
                                                "Replace its values with these?";
    // Characters the files would turn into "?" are named; "No" goes back.
    QTest::newRow("a character the files cannot hold, No")
        << "Goods \u2713" << false
        << "This character cannot be stored in the data files and would be saved as \"?\":\n\n\u2713\n\nSave anyway?";
}

void TestColumnDataDialogs::refusedSaveKeepsTyping()
{
    QFETCH(QString, header);
    QFETCH(bool, diskFull);
    QFETCH(QString, message);

    const bool otherMenu = message.startsWith(u"A column menu");
    if (otherMenu)
        m_folder->writeFile(QStringLiteral("colfiles/Goods.scd"), "Goods menu\r\n");
    QDialog* d = openDialog(QStringLiteral("column"));
    QVERIFY(d);
    QSignalSpy changed(m_column.get(), &ColumnEditorDialog::gridChanged);
    QSignalSpy closed(m_column.get(), &ColumnEditorDialog::closed);
    child<QLineEdit>(d, "Edit1")->setText(header);
    box(d)->selectAll();
    QTest::keyClicks(box(d), QStringLiteral("typed"));
    if (diskFull)
        TextFile::setFaultHook([](TextFile::Step s, const QString&) { return s == TextFile::Step::Write ? ENOSPC : 0; });
    click(d, "Button1");
    const bool question = message.endsWith(u'?');
    QCOMPARE((question ? m_messages->questions : m_messages->texts()).join(u'|').section(u'\r', 0, 0), message);
    // The box comes back from the message as it was left.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(d, &activate);
    QVERIFY(d->isVisible());
    QCOMPARE(box(d)->toPlainText(), QStringLiteral("typed"));
    QCOMPARE(child<QLineEdit>(d, "Edit1")->text(), header);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(closed.count(), 0);
    QCOMPARE(m_grid, board());
    if (otherMenu) {
        QCOMPARE(m_folder->readFile(QStringLiteral("colfiles/Goods.scd")), QByteArray("Goods menu\r\n"));
        return;
    }
    QCOMPARE(QDir(m_folder->folder().colfilesDir()).entryList(QDir::Files), QStringList{"Product.scd"});
}

void TestColumnDataDialogs::closeWithoutWriting_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("how");

    for (const char* which : {"column", "fixed"})
        for (const char* how : {"Escape", "Cancel", "closeWithoutEffect"})
            QTest::addRow("%s %s", which, how) << which << how;
}

void TestColumnDataDialogs::closeWithoutWriting()
{
    QFETCH(QString, which);
    QFETCH(QString, how);

    ColumnEditorDialog* d = openDialog(which);
    QVERIFY(d);
    QSignalSpy changed(d, &ColumnEditorDialog::gridChanged);
    QSignalSpy closed(d, &ColumnEditorDialog::closed);
    if (which == u"column")
        child<QLineEdit>(d, "Edit1")->setText(QStringLiteral("Goods"));
    box(d)->setPlainText(QStringLiteral("one\ntwo\nthree"));
    const QByteArray fixedBefore = m_folder->readFile(QStringLiteral("gsystem/FixedColumn.scd"));

    if (how == u"Escape")
        QTest::keyClick(box(d), Qt::Key_Escape);
    else if (how == u"Cancel")
        click(d, "Button2");
    else
        d->closeWithoutEffect();
    QVERIFY(!d->isVisible());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(changed.count(), 0);
    d->closeWithoutEffect();   // already closed: nothing more
    QCOMPARE(closed.count(), 1);
    QCOMPARE(m_grid, board());
    QCOMPARE(QDir(m_folder->folder().colfilesDir()).entryList(QDir::Files), QStringList{"Product.scd"});
    QCOMPARE(m_folder->readFile(QStringLiteral("colfiles/Product.scd")), QByteArray("Apples\r\nPears\r\n"));
    QCOMPARE(m_folder->readFile(QStringLiteral("gsystem/FixedColumn.scd")), fixedBefore);
    QVERIFY(m_messages->shown.isEmpty());
}

void TestColumnDataDialogs::saves()
{
    // "Column Data": renames the column, writes the new title's file.
    ColumnEditorDialog* d = openDialog(QStringLiteral("column"));
    QVERIFY(d);
    QSignalSpy changed(d, &ColumnEditorDialog::gridChanged);
    QSignalSpy closed(d, &ColumnEditorDialog::closed);
    child<QLineEdit>(d, "Edit1")->setText(QStringLiteral("Goods"));
    // Saved anyway: what cannot be stored is written as "?".
    box(d)->setPlainText(QStringLiteral("Nuts\u00a0&\u00a0Bolts\nPears\n\u2713ok\n"));
    m_messages->answers = {Answer::Yes, Answer::Yes};
    click(d, "Button1");
    QCOMPARE(m_messages->questions.size(), 1);
    QVERIFY(!d->isVisible());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().first().toBool(), true);
    QCOMPARE(m_grid.cell(2, 0), QStringLiteral("Goods"));
    QCOMPARE(m_folder->readFile(QStringLiteral("colfiles/Goods.scd")), QByteArray("Nuts\xa0&\xa0" "Bolts\r\nPears\r\n?ok\r\n"));
    QCOMPARE(m_folder->readFile(QStringLiteral("colfiles/Product.scd")), QByteArray("Apples\r\nPears\r\n"));

    // Opened again, it shows the new file.
    QVERIFY(m_column->openFor(2));
    QCOMPARE(rawText(box(m_column.get())), QStringLiteral("Nuts\u00a0&\u00a0Bolts\nPears\n?ok"));
    m_column->closeWithoutEffect();

    // "Fixed Left Column Data": 12 lines into 10 data rows.
    d = openDialog(QStringLiteral("fixed"));
    QSignalSpy fixedChanged(d, &ColumnEditorDialog::gridChanged);
    QStringList lines;
    for (int i = 1; i <= 12; ++i)
        lines << QStringLiteral("F%1").arg(i);
    box(d)->setPlainText(lines.join(u'\n').replace(QStringLiteral("F1\n"), QStringLiteral("F1\u2605\n")));
    lines.first() += u'?';   // the grid holds what the file does
    click(d, "Button1");
    QCOMPARE(m_messages->questions.size(), 2);
    QVERIFY(!d->isVisible());
    QCOMPARE(fixedChanged.count(), 1);
    QCOMPARE(m_grid.rowCount(), 13);
    QCOMPARE(m_grid.cell(0, 12), QStringLiteral("F12"));
    QCOMPARE(m_grid.cell(0, 0), QString());
    QCOMPARE(TextFile::read(m_folder->path(QStringLiteral("gsystem/FixedColumn.scd"))).value, lines);
    QVERIFY(m_messages->shown.isEmpty());
}

QTEST_MAIN(TestColumnDataDialogs)
#include "tst_columndatadialogs.moc"
