#include "app/board/csvtransfer.h"
#include "app/dialogs/csvimportdialog.h"
#include "coord/updatesession.h"
#include "store/csvfile.h"
#include "tests/app/board/boardfixture.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

// The grid out to a spreadsheet file and back through the button bar's
// menu: the preview before anything changes, Cancel, OK as one undo step,
// and the files that change nothing.
class TestCsvTransfer : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void importOnlyDuringSession();
    void exportThenImportChangesNothing();
    void previewCancelThenOkAndUndo();
    void refusedFilesChangeNothing_data();
    void refusedFilesChangeNothing();
    void failedExportIsTold();

private:
    struct Preview
    {
        QString summary;
        bool okEnabled = false;
        int changes = 0;
    };
    // Runs "Import CSV…" on `path`; the preview, if it opens, is answered
    // with OK or Cancel.
    Preview import(const QString& path, bool accept);
    void startSession();
    CsvTransfer& transfer() { return *board::child<CsvTransfer>(*m_ws, "csvTransfer"); }
    const GridData& grid() { return (*m_ws)->board().document.data(); }
    QString write(const char* name, const QByteArray& bytes);

    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<Workstation> m_ws;
    std::unique_ptr<QTemporaryDir> m_files;
};

void TestCsvTransfer::init()
{
    m_folder = std::make_unique<TestFolder>();
    m_folder->copyInstallationData();
    m_ws = std::make_unique<Workstation>(*m_folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    QVERIFY(m_ws->window);
    m_files = std::make_unique<QTemporaryDir>();
}

void TestCsvTransfer::cleanup()
{
    m_ws.reset();
    m_folder.reset();
    m_files.reset();
}

void TestCsvTransfer::startSession()
{
    board::updateButton(*m_ws)->click();
    QCOMPARE((*m_ws)->board().session.state(), UpdateSession::State::Updating);
}

QString TestCsvTransfer::write(const char* name, const QByteArray& bytes)
{
    const QString path = m_files->filePath(QString::fromLatin1(name));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

TestCsvTransfer::Preview TestCsvTransfer::import(const QString& path, bool accept)
{
    Preview seen;
    transfer().setChooser([path](bool saving, const QString&) { return CsvTransfer::Choice{saving ? QString() : path}; });
    QTimer::singleShot(0, this, [this, &seen, accept] {
        auto* d = (*m_ws)->findChild<CsvImportDialog*>();
        if (!d)
            return;
        seen.summary = d->findChild<QLabel*>(QStringLiteral("csvSummary"))->text();
        QPushButton* ok = d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        seen.okEnabled = ok->isEnabled();
        seen.changes = d->findChild<QTableWidget*>(QStringLiteral("csvChanges"))->rowCount();
        if (accept)
            QTest::mouseClick(ok, Qt::LeftButton);
        else
            d->reject();
    });
    board::child<QAction>(*m_ws, "importCsv")->trigger();
    return seen;
}

void TestCsvTransfer::importOnlyDuringSession()
{
    QAction* importCsv = board::child<QAction>(*m_ws, "importCsv");
    QAction* exportCsv = board::child<QAction>(*m_ws, "exportCsv");
    QVERIFY(!importCsv->isEnabled());
    QVERIFY(exportCsv->isEnabled());
    QVERIFY(board::beepAction(*m_ws)->isVisible());
    const GridData before = grid();
    const QString path = write("in.csv", "#,Trailer\r\n1,changed\r\n");
    import(path, true);
    QCOMPARE(grid(), before);

    // A session shows only what it may use from the menu.
    startSession();
    QVERIFY(importCsv->isEnabled());
    QVERIFY(exportCsv->isEnabled());
    QVERIFY(!board::beepAction(*m_ws)->isVisible());
    QVERIFY(board::sessionControl(*m_ws).endSession());
    QVERIFY(!importCsv->isEnabled());
    QVERIFY(board::beepAction(*m_ws)->isVisible());
}

void TestCsvTransfer::exportThenImportChangesNothing()
{
    // Exported while viewing, with the row colours.
    const QString path = m_files->filePath(QStringLiteral("board"));
    transfer().setChooser([path](bool saving, const QString& suggested) {
        return saving && suggested.endsWith(QStringLiteral(".csv")) ? CsvTransfer::Choice{path, true}
                                                                     : CsvTransfer::Choice{};
    });
    board::child<QAction>(*m_ws, "exportCsv")->trigger();
    QFile f(path + QStringLiteral(".csv"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF#,Trailer,"));
    QVERIFY(bytes.contains(",Row Color\r\n"));

    startSession();
    const GridData before = grid();
    const Preview p = import(f.fileName(), false);
    QVERIFY2(p.summary.startsWith(QStringLiteral("board.csv: 0 rows added, 0 rows replaced, 0 cells changed.")),
             qPrintable(p.summary));
    QVERIFY(!p.okEnabled);
    QCOMPARE(grid(), before);
    QVERIFY(!(*m_ws)->board().session.history().canUndo());
}

void TestCsvTransfer::previewCancelThenOkAndUndo()
{
    startSession();
    const GridData before = grid();
    const QString path = write("in.csv", "#,TRAILER,Unknown\r\n2,T-22,x\r\nnew,T-99,y\r\n");

    const Preview cancelled = import(path, false);
    QVERIFY2(cancelled.summary.contains(QStringLiteral("1 row added, 1 row replaced, 3 cells changed")),
             qPrintable(cancelled.summary));
    QCOMPARE(cancelled.changes, 3);
    QCOMPARE(grid(), before);
    QVERIFY(!(*m_ws)->board().session.history().canUndo());

    import(path, true);
    QCOMPARE(grid().cell(1, 2), QStringLiteral("T-22"));
    // Into the first of the empty rows at the bottom, whose fixed cells hold
    // only their row numbers.
    QCOMPARE(grid().rowCount(), before.rowCount());
    QCOMPARE(before.cell(0, 7), QStringLiteral("7"));
    QCOMPARE(grid().cell(0, 7), QStringLiteral("new"));
    QCOMPARE((*m_ws)->board().session.history().undoLabel(), QStringLiteral("Import CSV"));
    const GridData after = grid();
    board::interaction(*m_ws).undo();
    QCOMPARE(grid(), before);
    board::interaction(*m_ws).redo();
    QCOMPARE(grid(), after);
    QVERIFY((*m_ws)->board().services.messages == &m_ws->fake.messages);
    QVERIFY(m_ws->fake.messages.shown.isEmpty());
}

void TestCsvTransfer::refusedFilesChangeNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");

    QTest::newRow("unclosed quote") << QByteArray("#,Trailer\r\n1,\"open\r\n")
                                    << "in.csv, line 2: a quoted field is not closed.\n\nNothing was imported.";
    QByteArray many("#,Trailer\r\n");
    for (int i = 0; i < 250; ++i)
        many += "n" + QByteArray::number(i) + ",x\r\n";
    QTest::newRow("over 254 rows") << many
                                   << "The grid holds at most 254 rows: 2 rows of the file would not fit.\n\n"
                                      "Nothing was imported.";
}

void TestCsvTransfer::refusedFilesChangeNothing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    startSession();
    const GridData before = grid();
    const Preview p = import(write("in.csv", bytes), true);
    QVERIFY(p.summary.isEmpty());
    QCOMPARE(m_ws->fake.messages.texts(), QStringList{message});
    QCOMPARE(grid(), before);
    QVERIFY(!(*m_ws)->board().session.history().canUndo());
}

void TestCsvTransfer::failedExportIsTold()
{
    const QString path = m_files->filePath(QStringLiteral("missing/board.csv"));
    transfer().setChooser([path](bool, const QString&) { return CsvTransfer::Choice{path}; });
    board::child<QAction>(*m_ws, "exportCsv")->trigger();
    QCOMPARE(m_ws->fake.messages.shown.size(), 1);
    QCOMPARE(m_ws->fake.messages.shown[0].kind, MessageKind::Error);
    QVERIFY2(m_ws->fake.messages.shown[0].text.startsWith(QStringLiteral("Could not save board.csv:")),
             qPrintable(m_ws->fake.messages.shown[0].text));

    // Never over the board's own files.
    const QString gridFile = m_folder->path("gsystem/sgrid.scd");
    const QByteArray grid = TextFile::readBytes(gridFile, TextFile::kListFileCap).value;
    transfer().setChooser([gridFile](bool, const QString&) { return CsvTransfer::Choice{gridFile}; });
    board::child<QAction>(*m_ws, "exportCsv")->trigger();
    QCOMPARE(m_ws->fake.messages.shown.size(), 2);
    QVERIFY2(m_ws->fake.messages.shown[1].text.contains(QStringLiteral("holds only its data files")),
             qPrintable(m_ws->fake.messages.shown[1].text));
    QCOMPARE(TextFile::readBytes(gridFile, TextFile::kListFileCap).value, grid);
}

QTEST_MAIN(TestCsvTransfer)
#include "tst_csvtransfer.moc"
