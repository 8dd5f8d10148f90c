#include "app/sortprint/gridsortprintdialog.h"
#include "app/desktop/messageboxes.h"
#include "base/preferences.h"
#include "grid/colorcodes.h"
#include "grid/printlayout.h"
#include "store/gridstore.h"
#include "tests/support/fakeservices.h"
#include "tests/support/gridtext.h"
#include "tests/support/testfolder.h"
#include "tests/support/testplatform.h"

#include <QApplication>
#include <QCheckBox>
#include <QScopeGuard>
#include <QHeaderView>
#include <QImage>
#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTimer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

#include <memory>

// The dialog on a temporary data folder: what it loads at each activation,
// what a click and a column drag do to its copy, and what a print gives.
class TestGridSortPrintDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void reloadsAtActivation_data();
    void reloadsAtActivation();
    void clicksAndDragsWorkOnTheCopy();
    void printsEveryRow_data();
    void printsEveryRow();
    void failedPrintSaysSo_data();
    void failedPrintSaysSo();
    void columnsBeyondThePaper_data();
    void columnsBeyondThePaper();
    void fitsItsTexts();
    void printOutputs_data();
    void printOutputs();
    void pdfOnAFullDiskKeepsTheOldFile_data();
    void pdfOnAFullDiskKeepsTheOldFile();
    void rowTintsAndGridLines();
    void samePagesEverywhere_data();
    void samePagesEverywhere();

private:
    struct Board {
        TestFolder folder;
        Preferences prefs;
        FakeMessages messages;
        std::unique_ptr<GridSortPrintDialog> dialog;
    };
    std::unique_ptr<Board> makeBoard(const GridData& saved);
    static QTableView* view(GridSortPrintDialog& d) { return d.findChild<QTableView*>(QStringLiteral("StringGrid7")); }
    static void click(GridSortPrintDialog& d, int col, int dataRow);
    static void activate(GridSortPrintDialog& d);
    static void backFromAnotherProgram(GridSortPrintDialog& d);
    static void printToPdf(GridSortPrintDialog& d, const QString& pdf);
    static QString pdfText(const QString& pdf);
};

namespace {
struct PrintedWord
{
    int page = 0;      // 0-based
    QRectF box;        // points, from the page's top left
    QString text;
};

// Every word of a PDF with its box, as pdftotext finds it. A word is boxed
// by its advances and the font's ascent and descent, whether or not a clip
// hides it, so a box outside its cell is text the paper does not show.
QList<PrintedWord> printedWords(const QString& pdf)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    text.waitForFinished();
    const QString html = QString::fromUtf8(text.readAllStandardOutput());
    static const QRegularExpression tag(QStringLiteral(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    QList<PrintedWord> words;
    int page = -1;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0) == QLatin1String("<page ")) {
            ++page;
            continue;
        }
        words.append({page, QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                   QPointF(m.captured(3).toDouble(), m.captured(4).toDouble())),
                      m.captured(5)});
    }
    return words;
}
}

void TestGridSortPrintDialog::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

std::unique_ptr<TestGridSortPrintDialog::Board> TestGridSortPrintDialog::makeBoard(const GridData& saved)
{
    auto b = std::make_unique<Board>();
    if (!GridStore(b->folder.folder()).saveGrid(QStringLiteral("sgrid.scd"), saved).ok())
        qFatal("cannot write the board's grid");
    b->dialog = std::make_unique<GridSortPrintDialog>(b->folder.folder(), b->prefs, b->messages);
    return b;
}

void TestGridSortPrintDialog::click(GridSortPrintDialog& d, int col, int dataRow)
{
    QTableView* v = view(d);
    const QRect r = v->visualRect(v->model()->index(dataRow - 1, col));
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, r.center());
}

// Focus coming back from another window of the program.
void TestGridSortPrintDialog::activate(GridSortPrintDialog& d)
{
    QWidget other;
    other.setWindowTitle(QStringLiteral("another window of the board"));
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
}

// Focus going to another program and coming back: the dialog loses and
// regains activation with no window of the board in between.
void TestGridSortPrintDialog::backFromAnotherProgram(GridSortPrintDialog& d)
{
    QEvent away(QEvent::WindowDeactivate);
    QApplication::sendEvent(&d, &away);
    QEvent back(QEvent::WindowActivate);
    QApplication::sendEvent(&d, &back);
}

// A4 at 600 dots per inch.
void TestGridSortPrintDialog::printToPdf(GridSortPrintDialog& d, const QString& pdf)
{
    d.setPrinterFactory([pdf] {
        auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
        p->setOutputFormat(QPrinter::PdfFormat);
        p->setOutputFileName(pdf);
        p->setResolution(600);
        p->setPageSize(QPageSize(QPageSize::A4));
        return p;
    });
}

QString TestGridSortPrintDialog::pdfText(const QString& pdf)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), pdf, QStringLiteral("-")});
    text.waitForFinished();
    return QString::fromUtf8(text.readAllStandardOutput());
}

void TestGridSortPrintDialog::reloadsAtActivation_data()
{
    QTest::addColumn<QByteArray>("file");      // "<folder>": a folder in its place
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("fault");        // what the box says of the file
    QTest::newRow("another workstation's save")
        << QByteArray("1\r\n3\r\nT\r\nx\r\ny\r\n") << QStringList{"T", "x", "y"} << "";
    QTest::newRow("cells cut short read as empty")
        << QByteArray("2\r\n2\r\nA\r\nb\r\nB\r\n") << QStringList{"A|B", "b|"} << "";
    QTest::newRow("title row alone") << QByteArray("2\r\n1\r\nA\r\nB\r\n") << QStringList{"A|B"} << "";
    QTest::newRow("blank title row alone") << QByteArray("2\r\n1\r\n\r\n\r\n") << QStringList{"|"} << "";
    // Unreadable or refused files show no grid, never the one read before.
    QTest::newRow("missing") << QByteArray() << QStringList{} << "No such file or directory";
    QTest::newRow("a folder in its place") << QByteArray("<folder>") << QStringList{} << "it is not a regular file";
    QTest::newRow("counts not numbers")
        << QByteArray("x\r\n2\r\n") << QStringList{} << "it does not start with a valid column and row count";
    QTest::newRow("counts over the bounds")
        << QByteArray("1024\r\n32767\r\n") << QStringList{} << "it does not start with a valid column and row count";
}

void TestGridSortPrintDialog::reloadsAtActivation()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, shown);
    QFETCH(QString, fault);
    auto b = makeBoard(grid({"A|B", "b|2", "a|1"}));
    GridSortPrintDialog& d = *b->dialog;
    d.setPrinterFactory([] { return std::unique_ptr<QPrinter>(); });
    d.showOpen();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QCOMPARE(rows(d.gridCopy()), (QStringList{"A|B", "b|2", "a|1"}));

    const QString path = b->folder.path(QStringLiteral("gsystem/sgrid.scd"));
    QFile::remove(path);
    if (file == "<folder>")
        QVERIFY(QDir().mkpath(path));
    else if (!file.isEmpty())
        b->folder.writeFile(QStringLiteral("gsystem/sgrid.scd"), file);
    activate(d);
    QCOMPARE(rows(d.gridCopy()), shown);
    QCOMPARE(d.columnWidths().size(), d.gridCopy().colCount());
    QCOMPARE(view(d)->model()->rowCount(), std::max(0, d.gridCopy().rowCount() - 1));
    const QStringList told =
        fault.isEmpty() ? QStringList()
                        : QStringList{QStringLiteral("E 0,33 Could not read the grid file %1: %2.\n\nThe grid shown is "
                                                     "empty until the file can be read.")
                                          .arg(QDir::toNativeSeparators(path), fault)};
    QCOMPARE(shownTexts(b->messages), told);
    // Told once while the dialog stays open, again after it was closed.
    activate(d);
    QCOMPARE(shownTexts(b->messages), told);
    d.onCloseClicked();
    d.showOpen();
    QCOMPARE(shownTexts(b->messages), told + told);

    // A grid without text prints nothing and says so; the panel stays up.
    b->messages.clear();
    d.showPrintPanel();
    d.onPanelPrint();
    const bool blank = rows(d.gridCopy()).join(QString()).remove(u'|').isEmpty();
    QCOMPARE(b->messages.texts(),
             QStringList{blank ? "The grid holds no text, so there is nothing to print."
                               : "There is no default printer, so the grid was not printed."});
    QVERIFY(d.findChild<QFrame*>(QStringLiteral("Panel11"))->isVisible());
}

void TestGridSortPrintDialog::clicksAndDragsWorkOnTheCopy()
{
    const GridData saved = grid({"Trailer|Date|Note", "T1|01/05/06|b]", "t2|12/31/05|[a", "T3|03/01/06|"});
    auto b = makeBoard(saved);
    GridSortPrintDialog& d = *b->dialog;
    const QByteArray file = b->folder.readFile(QStringLiteral("gsystem/sgrid.scd"));
    d.showOpen();
    QVERIFY(QTest::qWaitForWindowExposed(&d));

    click(d, 1, 3);
    QCOMPARE(rows(d.gridCopy()),
             (QStringList{"Trailer|Date|Note", "t2|12/31/05|[a", "T1|01/05/06|b]", "T3|03/01/06|"}));
    QVERIFY(!view(d)->selectionModel()->hasSelection());

    // Ctrl and Shift select rows and do not sort; "Selected rows only" is
    // offered while rows are selected, and a sort takes the selection away.
    auto* selectedOnly = d.findChild<QCheckBox*>(QStringLiteral("SelectedRowsBox"));
    QVERIFY(!selectedOnly->isEnabled());
    const QStringList sorted = rows(d.gridCopy());
    auto pick = [&](int dataRow, Qt::KeyboardModifiers keys) {
        QTableView* v = view(d);
        QTest::mouseClick(v->viewport(), Qt::LeftButton, keys, v->visualRect(v->model()->index(dataRow - 1, 0)).center());
    };
    pick(1, Qt::ControlModifier);
    pick(3, Qt::ControlModifier);
    QCOMPARE(d.selectedRows(), (QList<int>{1, 3}));
    pick(2, Qt::ShiftModifier);
    QCOMPARE(d.selectedRows(), (QList<int>{1, 2, 3}));
    QCOMPARE(rows(d.gridCopy()), sorted);
    QTest::keyClick(view(d), Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(view(d)->currentIndex().row(), 2);
    QCOMPARE(rows(d.gridCopy()), sorted);
    QVERIFY(selectedOnly->isEnabled());
    selectedOnly->setChecked(true);
    click(d, 1, 3);
    QVERIFY(d.selectedRows().isEmpty());
    QVERIFY(!selectedOnly->isEnabled() && !selectedOnly->isChecked());

    // A key that moves the current cell sorts by its new column.
    click(d, 1, 1);
    QTest::keyClick(view(d), Qt::Key_Right);
    QCOMPARE(rows(d.gridCopy()),
             (QStringList{"Trailer|Date|Note", "t2|12/31/05|[a", "T3|03/01/06|", "T1|01/05/06|b]"}));
    // Tab leaves the table for the buttons and sorts nothing.
    const QStringList beforeTab = rows(d.gridCopy());
    QVERIFY(!view(d)->tabKeyNavigation());
    QTest::keyClick(view(d), Qt::Key_Tab);
    QCOMPARE(rows(d.gridCopy()), beforeTab);

    // A column dragged by its title moves with its cells and width.
    const QList<int> widths = d.columnWidths();
    view(d)->horizontalHeader()->moveSection(2, 0);
    QCOMPARE(rows(d.gridCopy()),
             (QStringList{"Note|Trailer|Date", "[a|t2|12/31/05", "|T3|03/01/06", "b]|T1|01/05/06"}));
    QCOMPARE(d.columnWidths(), (QList<int>{widths[2], widths[0], widths[1]}));
    QCOMPARE(view(d)->horizontalHeader()->logicalIndex(0), 0);

    // A look at another program keeps both, the file being as it was.
    const QStringList arranged = rows(d.gridCopy());
    backFromAnotherProgram(d);
    QCOMPARE(rows(d.gridCopy()), arranged);

    // Reloaded at activation, the copy has no current cell: a sort now
    // has no column and changes nothing.
    activate(d);
    QCOMPARE(d.gridCopy(), saved);
    d.onGridClicked();
    QCOMPARE(d.gridCopy(), saved);

    // Closing and opening again shows the file's order.
    click(d, 0, 1);
    d.onCloseClicked();
    QVERIFY(!d.isOpen());
    d.showOpen();
    QCOMPARE(d.gridCopy(), saved);
    QCOMPARE(b->folder.readFile(QStringLiteral("gsystem/sgrid.scd")), file);

    // Another workstation saved meanwhile (a writer process replacing the
    // file, as a save does): coming back from another program shows it.
    click(d, 1, 1);
    QProcess writer;
    writer.setWorkingDirectory(b->folder.path(QStringLiteral("gsystem")));
    writer.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"), QStringLiteral("printf '1\\r\\n2\\r\\nNew\\r\\nrow\\r\\n' > sgrid.tmp && mv sgrid.tmp sgrid.scd")});
    QVERIFY(writer.waitForFinished(10000));
    QCOMPARE(writer.exitCode(), 0);
    backFromAnotherProgram(d);
    QCOMPARE(rows(d.gridCopy()), (QStringList{"New", "row"}));
}

void TestGridSortPrintDialog::printsEveryRow_data()
{
    QTest::addColumn<QString>("titles");
    QTest::addColumn<int>("dataRows");
    QTest::addColumn<bool>("portrait");
    QTest::addColumn<int>("fontSize");
    QTest::newRow("title alone") << "Trailer|Product" << 0 << true << 7;
    QTest::newRow("portrait") << "Trailer|Product" << 160 << true << 7;
    QTest::newRow("landscape") << "Trailer|Product" << 120 << false << 7;
    QTest::newRow("landscape, 14 points") << "Trailer|Product" << 60 << false << 14;
    QTest::newRow("portrait, 12 points") << "Trailer|Product" << 90 << true << 12;
    QTest::newRow("portrait, 9 points") << "Trailer|Product" << 90 << true << 9;
    // The widest text of its column, printed bold from the second page on.
    QTest::newRow("titles wider than their cells") << "Consignee Name|Product of the consignment in full"
                                                   << 130 << false << 7;
    QTest::newRow("one-word title wider than its cells") << "Consignees|Product" << 60 << false << 7;
}

void TestGridSortPrintDialog::printsEveryRow()
{
    QFETCH(QString, titles);
    QFETCH(int, dataRows);
    QFETCH(bool, portrait);
    QFETCH(int, fontSize);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is missing");

    QStringList cells{titles};
    for (int r = 1; r <= dataRows; ++r)
        cells.append(QStringLiteral("row%1|p%1 in a column as wide as its text").arg(r, 3, 10, QLatin1Char('0')));
    auto b = makeBoard(grid(cells));
    b->prefs.portrait = portrait;
    b->prefs.printFontSize = fontSize;
    GridSortPrintDialog& d = *b->dialog;
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("grid.pdf"));
    printToPdf(d, pdf);
    d.showOpen();
    QCOMPARE(d.findChild<QSpinBox*>(QStringLiteral("SpinEdit1"))->value(), fontSize);
    QCOMPARE(d.findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->isChecked(), portrait);
    d.showPrintPanel();
    d.onPanelPrint();
    QVERIFY(b->messages.shown.isEmpty());
    // What the board saves with its preferences at close.
    QCOMPARE(b->prefs.printFontSize, double(fontSize));
    QCOMPARE(b->prefs.portrait, portrait);
    QVERIFY(!d.findChild<QFrame*>(QStringLiteral("Panel11"))->isVisible());

    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY(info.waitForFinished());
    const QString infoText = QString::fromUtf8(info.readAllStandardOutput());
    const int pages = infoText.section(QStringLiteral("Pages:"), 1).section(u'\n', 0, 0).trimmed().toInt();
    QVERIFY(pages >= 1);
    // Landscape pages are wider than high.
    const QStringList size = infoText.section(QStringLiteral("Page size:"), 1).simplified().split(u' ');
    QCOMPARE(size.value(0).toDouble() < size.value(2).toDouble(), portrait);

    const QString printed = pdfText(pdf);
    // The title once on every page, every row once, in order, and whole:
    // what fits a column on screen fits it on paper.
    QCOMPARE(int(printed.count(QString(titles).replace(u'|', u' '))), pages);
    int at = 0;
    for (int r = 1; r <= dataRows; ++r) {
        const QString row =
            QStringLiteral("row%1 p%1 in a column as wide as its text").arg(r, 3, 10, QLatin1Char('0'));
        QCOMPARE(int(printed.count(row)), 1);
        const int next = int(printed.indexOf(row));
        QVERIFY2(next > at, qPrintable(row));
        at = next;
    }
    // As many pages as the layout gives for this paper: the page limits,
    // the row height of the font size and the paper's printable height.
    QPrinter same(QPrinter::HighResolution);
    same.setOutputFormat(QPrinter::PdfFormat);
    same.setResolution(600);
    same.setPageSize(QPageSize(QPageSize::A4));
    same.setPageOrientation(portrait ? QPageLayout::Portrait : QPageLayout::Landscape);
    const QList<PrintLayout::PlacedRow> placed =
        PrintLayout::placeRows(dataRows + 1, {d.rowHeight(), portrait, 600 / d.logicalDpiY(), same.height()});
    QCOMPARE(pages, placed.last().page + 1);

    // Every word lies inside its cell on every page: nothing is cut at a
    // column's edge or falls below its row.
    const QRectF origin = same.pageLayout().paintRect(QPageLayout::Point);
    const double dotsToPoints = 72.0 / 600;
    const int sx = 600 / d.logicalDpiX();
    const int sy = 600 / d.logicalDpiY();
    const QList<PrintLayout::Band> bands = PrintLayout::columnBands(d.columnWidths());
    const QList<PrintedWord> words = printedWords(pdf);
    QVERIFY(words.size() > 2 * dataRows);
    // pdftotext's ascent differs a little from Qt's; a cut word is points off.
    constexpr double tolerance = 0.25;
    // Above the rows, every page's heading: title, print time, page number.
    const double headingBottom = origin.top() + PrintLayout::kTopOffset * sy * dotsToPoints;
    QStringList headings(pages);
    for (const PrintedWord& w : words)
        if (w.box.bottom() <= headingBottom && w.page >= 0 && w.page < pages)
            headings[w.page] += (headings[w.page].isEmpty() ? "" : " ") + w.text;
    const QRegularExpression heading(QStringLiteral(R"(^RYX Scheduling Printed \d{1,2}/\d{1,2}/\d{4} \d\d:\d\d Page (\d+) of (\d+)$)"));
    for (int page = 0; page < pages; ++page) {
        const QRegularExpressionMatch m = heading.match(headings[page]);
        QVERIFY2(m.hasMatch(), qPrintable(headings[page]));
        QCOMPARE(m.captured(1).toInt(), page + 1);
        QCOMPARE(m.captured(2).toInt(), pages);
    }
    for (const PrintedWord& w : words) {
        // Printed at the size chosen: a word's box is the font's ascent and
        // descent, about 1.16 of its size in DejaVu Sans; screen pixels
        // scaled by whole printer dots make it a few percent smaller.
        // The heading keeps the form's 7 points.
        const double size = w.box.height() / 1.16;
        const int chosen = w.box.bottom() <= headingBottom ? 7 : fontSize;
        QVERIFY2(size > chosen * 0.9 && size < chosen * 1.1,
                 qPrintable(QStringLiteral("\"%1\" printed at %2 points").arg(w.text).arg(size)));
        if (w.box.bottom() <= headingBottom)
            continue;
        QRectF cell;
        for (const PrintLayout::PlacedRow& row : placed) {
            for (const PrintLayout::Band& band : bands) {
                const QRect dots = PrintLayout::cellRect(band, row, sx, sy);
                const QRectF r(origin.left() + dots.left() * dotsToPoints, origin.top() + dots.top() * dotsToPoints,
                               dots.width() * dotsToPoints, dots.height() * dotsToPoints);
                if (row.page == w.page && r.adjusted(-tolerance, -tolerance, tolerance, tolerance).contains(w.box.topLeft()))
                    cell = r;
            }
        }
        const QString where = QStringLiteral("\"%1\" on page %2 at %3,%4-%5,%6 in %7,%8-%9,%10")
                                  .arg(w.text).arg(w.page + 1)
                                  .arg(w.box.left()).arg(w.box.top()).arg(w.box.right()).arg(w.box.bottom())
                                  .arg(cell.left()).arg(cell.top()).arg(cell.right()).arg(cell.bottom());
        QVERIFY2(cell.adjusted(-tolerance, -tolerance, tolerance, tolerance).contains(w.box), qPrintable(where));
    }
}

void TestGridSortPrintDialog::failedPrintSaysSo_data()
{
    QTest::addColumn<bool>("hasPrinter");
    QTest::addColumn<QString>("message");
    QTest::newRow("no default printer") << false << "There is no default printer, so the grid was not printed.";
    QTest::newRow("printer cannot begin") << true << "The printer reported an error, so the grid was not printed.";
}

void TestGridSortPrintDialog::failedPrintSaysSo()
{
    QFETCH(bool, hasPrinter);
    QFETCH(QString, message);
    auto b = makeBoard(grid({"A|B", "b|2", "a|1"}));
    GridSortPrintDialog& d = *b->dialog;
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("missing/folder/grid.pdf"));
    d.setPrinterFactory([hasPrinter, pdf]() -> std::unique_ptr<QPrinter> {
        if (!hasPrinter)
            return nullptr;
        auto p = std::make_unique<QPrinter>();
        p->setOutputFormat(QPrinter::PdfFormat);
        p->setOutputFileName(pdf);
        return p;
    });
    b->prefs.printFontSize = 9;
    d.showOpen();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    click(d, 0, 1);
    d.findChild<QSpinBox*>(QStringLiteral("SpinEdit1"))->setValue(12);
    d.showPrintPanel();
    QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("SpeedButton10")), Qt::LeftButton);

    QCOMPARE(b->messages.texts(), QStringList{message});
    QCOMPARE(b->messages.shown.first().kind, MessageKind::Warning);
    // Nothing was printed: the panel stays up; the chosen size is kept
    // for the next try, as the orientation is.
    QVERIFY(d.findChild<QFrame*>(QStringLiteral("Panel11"))->isVisible());
    QCOMPARE(b->prefs.printFontSize, 12.0);
    QVERIFY(!QFile::exists(pdf));
    QVERIFY(!QApplication::overrideCursor());
    // The sort the user meant to print is still there after the box.
    activate(d);
    QCOMPARE(rows(d.gridCopy()), (QStringList{"A|B", "a|1", "b|2"}));
}

void TestGridSortPrintDialog::columnsBeyondThePaper_data()
{
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<bool>("portrait");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("printed");
    // Far wider than any paper: the columns after it are off the paper.
    const QString wide = QStringLiteral("a note longer than the paper is wide ").repeated(30);
    const QStringList tooWide{"Trailer|Date|Notes|Driver", "T2|01/05/06|" + wide + "|Ann", "T1|12/31/05||Bob"};
    const QString two = QStringLiteral("2 columns of the grid do not fit across the paper in %1: they would be cut "
                                       "off at the paper's edge or left off the printout.\n\nPrint anyway?");
    QTest::newRow("all fit") << QStringList{"Trailer|Date", "T2|01/05/06", "T1|12/31/05"} << true << false << ""
                             << true;
    QTest::newRow("cut and left off, printed anyway") << tooWide << true << true << two.arg("portrait") << true;
    QTest::newRow("cut and left off, not printed") << tooWide << false << false << two.arg("landscape") << false;
    QTest::newRow("one cut at the edge")
        << QStringList{"Trailer|Notes", "T2|" + wide, "T1|"} << false << false
        << "1 column of the grid does not fit across the paper in landscape: it would be cut off at the paper's "
           "edge or left off the printout.\n\nPrint anyway?"
        << false;
    // 40 more columns without text are wider than the paper but lose nothing.
    QTest::newRow("columns without text off the paper")
        << QStringList{"Trailer|Date" + QString(40, u'|'), "T2|01/05/06", "T1|12/31/05"} << false << false << ""
        << true;
}

void TestGridSortPrintDialog::columnsBeyondThePaper()
{
    QFETCH(QStringList, cells);
    QFETCH(bool, portrait);
    QFETCH(bool, yes);
    QFETCH(QString, question);
    QFETCH(bool, printed);
    auto b = makeBoard(grid(cells));
    b->prefs.portrait = portrait;
    GridSortPrintDialog& d = *b->dialog;
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("grid.pdf"));
    printToPdf(d, pdf);
    b->messages.answers = {yes ? Answer::Yes : Answer::No};
    d.showOpen();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    click(d, 0, 1);
    QCOMPARE(d.gridCopy().cell(0, 1), QStringLiteral("T1"));
    d.showPrintPanel();
    d.onPanelPrint();

    QCOMPARE(b->messages.questions, question.isEmpty() ? QStringList() : QStringList{question});
    if (!question.isEmpty())
        QCOMPARE(b->messages.questionOffsets.first(), kCentralOffset);
    QVERIFY(b->messages.shown.isEmpty());
    QCOMPARE(QFile::exists(pdf), printed);
    QCOMPARE(d.findChild<QFrame*>(QStringLiteral("Panel11"))->isVisible(), !printed);
    if (printed && QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is missing");
    if (printed) {
        // What fits is placed as on screen; what is wholly off is not printed.
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains(QStringLiteral("Trailer Date")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("T1 12/31/05")));
        QVERIFY(!text.contains(QStringLiteral("Driver")));
        QVERIFY(!text.contains(QStringLiteral("Ann")));
        // A note wider than the paper is printed as far as the paper's edge.
        if (cells.join(u'|').contains(QStringLiteral("a note longer"))) {
            const double edge = QPageLayout(QPageSize(QPageSize::A4),
                                            portrait ? QPageLayout::Portrait : QPageLayout::Landscape, QMarginsF())
                                    .fullRect(QPageLayout::Point)
                                    .right();
            const QList<PrintedWord> words = printedWords(pdf);
            const auto row = std::find_if(words.cbegin(), words.cend(), [](const PrintedWord& w) { return w.text == u"T2"; });
            QVERIFY(row != words.cend());
            double reach = 0;
            for (const PrintedWord& w : words)
                if (qAbs(w.box.top() - row->box.top()) < 1)
                    reach = std::max(reach, w.box.right());
            QVERIFY2(reach > edge - 36, qPrintable(QStringLiteral("%1 of %2").arg(reach).arg(edge)));
        }
    }
    // The sort the user meant to print is still there after the question.
    if (!question.isEmpty()) {
        activate(d);
        QCOMPARE(d.gridCopy().cell(0, 1), QStringLiteral("T1"));
    }
}

void TestGridSortPrintDialog::fitsItsTexts()
{
    auto b = makeBoard(grid({"A|B", "b|2"}));
    GridSortPrintDialog& d = *b->dialog;
    d.showOpen();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    d.showPrintPanel();
    QVERIFY(d.width() >= 688 && d.height() >= 446);
    QCOMPARE(d.minimumSize(), d.maximumSize());
    QFrame* panel = d.findChild<QFrame*>(QStringLiteral("Panel11"));
    QVERIFY(d.rect().contains(panel->geometry()));
    for (QWidget* w : d.findChildren<QWidget*>(QRegularExpression(QStringLiteral("^(SpeedButton\\d+|RadioButton\\d|SpinEdit1)$")))) {
        QVERIFY2(w->width() >= w->sizeHint().width() && w->height() >= w->minimumSizeHint().height(),
                 qPrintable(w->objectName()));
        QVERIFY2(w->parentWidget()->rect().contains(w->geometry()), qPrintable(w->objectName()));
    }

    // Widths are exact for ordinary texts, titles measured bold as later
    // pages print them. A cell of megabytes makes its column as wide as a
    // column prints, and the view lays out no more of it than that shows.
    const QString huge = QStringLiteral("the words of a cell that goes on ").repeated(120000);
    GridData g = grid({"Trailer|Notes|Consignee", "a longer cell|x|Ann"});
    g.setCell(1, 1, huge);
    QVERIFY(GridStore(b->folder.folder()).saveGrid(QStringLiteral("sgrid.scd"), g).ok());
    activate(d);
    QCOMPARE(d.gridCopy().cell(1, 1), huge);
    QFont f = view(d)->font();
    const QFontMetrics plain(f);
    f.setBold(true);
    const QFontMetrics bold(f);
    QCOMPARE(d.columnWidths(), (QList<int>{plain.horizontalAdvance(QStringLiteral("a longer cell")) + 6,
                                           PrintLayout::kMaxColumnWidth,
                                           bold.horizontalAdvance(QStringLiteral("Consignee")) + 6}));
    QCOMPARE(view(d)->model()->index(0, 1).data().toString(), huge.left(PrintLayout::kMaxShownChars));
    QVERIFY(!d.grab().isNull());
}

void TestGridSortPrintDialog::printOutputs_data()
{
    QTest::addColumn<QString>("button");    // of the print parameters panel
    QTest::addColumn<QString>("answer");    // the print dialog's, or the file name chosen
    QTest::addColumn<QString>("written");   // the file made, or ""
    QTest::addColumn<QString>("message");
    QTest::newRow("print: the dialog prints") << "SpeedButton10" << "print" << "printed.pdf" << "";
    QTest::newRow("print: the dialog cancelled") << "SpeedButton10" << "" << "" << "";
    QTest::newRow("save as PDF") << "PdfButton" << "kept.pdf" << "kept.pdf" << "";
    QTest::newRow("save as PDF adds the suffix") << "PdfButton" << "kept" << "kept.pdf" << "";
    QTest::newRow("save as PDF cancelled") << "PdfButton" << "" << "" << "";
    QTest::newRow("save as PDF into no folder")
        << "PdfButton" << "none/kept.pdf" << ""
        << "The file \"%1/none/kept.pdf\" could not be written, so the grid was not saved.";
    QTest::newRow("preview") << "PreviewButton" << "" << "" << "";
}

void TestGridSortPrintDialog::printOutputs()
{
    QFETCH(QString, button);
    QFETCH(QString, answer);
    QFETCH(QString, written);
    QFETCH(QString, message);
    QStringList cells{"Trailer|Product"};
    for (int r = 1; r <= 100; ++r)
        cells.append(QStringLiteral("T-%1|Steel").arg(r));
    auto b = makeBoard(grid(cells));
    b->prefs.portrait = true;
    GridSortPrintDialog& d = *b->dialog;
    QTemporaryDir out;
    QString suggested;
    QString offeredPrinter = QStringLiteral("<no dialog>");
    d.setPrintDialogRunner([&](QPrinter& printer) {
        offeredPrinter = printer.printerName();
        if (answer.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(out.filePath(QStringLiteral("printed.pdf")));
        return true;
    });
    d.setPdfPathChooser([&](const QString& offered) {
        suggested = offered;
        return answer.isEmpty() ? QString() : out.filePath(answer);
    });
    int previewPages = -1;
    if (button == u"PreviewButton") {
        QTimer::singleShot(0, &d, [&] {
            auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
            QVERIFY(preview);
            previewPages = preview->findChild<QPrintPreviewWidget*>()->pageCount();
            preview->reject();
        });
    }
    d.showOpen();
    d.showPrintPanel();
    QTest::mouseClick(d.findChild<QPushButton*>(button), Qt::LeftButton);

    QCOMPARE(b->messages.texts(), message.isEmpty() ? QStringList() : QStringList{message.arg(out.path())});
    const QStringList files = QDir(out.path()).entryList(QDir::Files);
    QCOMPARE(files, written.isEmpty() ? QStringList() : QStringList{written});
    // Done: the panel goes; cancelled, failed or only looked at: it stays.
    QCOMPARE(d.findChild<QFrame*>(QStringLiteral("Panel11"))->isVisible(), written.isEmpty());
    if (button == u"SpeedButton10")
        QCOMPARE(offeredPrinter, QPrinterInfo::defaultPrinterName());   // chosen, so Enter prints
    if (button == u"PdfButton")
        QVERIFY(suggested.endsWith(QStringLiteral("/RYX Scheduling.pdf")));
    if (button == u"PreviewButton")
        QCOMPARE(previewPages, 2);   // 100 rows of 13 pixels: two portrait pages
    if (!written.isEmpty() && !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        const QString text = pdfText(out.filePath(written));
        QVERIFY2(text.contains(QStringLiteral("Page 2 of 2")) && text.contains(QStringLiteral("T-100 Steel")),
                 qPrintable(text));
    }
}

// Qt's PDF writer does not tell a disk that filled up under it: the old
// file stays, whole, and the user is told.
void TestGridSortPrintDialog::pdfOnAFullDiskKeepsTheOldFile_data()
{
    QTest::addColumn<int>("rows");
    // A file of a few kilobytes is written at once when it is put in place.
    QTest::newRow("a few rows") << 3;
    QTest::newRow("pages of rows") << 100;
}

void TestGridSortPrintDialog::pdfOnAFullDiskKeepsTheOldFile()
{
    QFETCH(int, rows);
    const TestPlatform::SmallVolume mount(64);
    if (!mount.whyNot().isEmpty())
        QSKIP(qPrintable(mount.whyNot()));
    const QString pdf = QDir(mount.path()).filePath(QStringLiteral("kept.pdf"));
    const QByteArray old = "%PDF-1.4 the last good print\n%%EOF\n";
    {
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        QFile filler(QDir(mount.path()).filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        filler.write(QByteArray(60 * 1024, 'x'));
    }
    QStringList cells{"Trailer|Product"};
    for (int r = 1; r <= rows; ++r)
        cells.append(QStringLiteral("T-%1|Steel").arg(r));
    auto b = makeBoard(grid(cells));
    GridSortPrintDialog& d = *b->dialog;
    d.setPdfPathChooser([&](const QString&) { return pdf; });
    d.showOpen();
    d.showPrintPanel();
    QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("PdfButton")), Qt::LeftButton);

    QCOMPARE(b->messages.texts(),
             QStringList{QStringLiteral("The file \"%1\" could not be written, so the grid was not saved.").arg(pdf)});
    QVERIFY(d.findChild<QFrame*>(QStringLiteral("Panel11"))->isVisible());
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), old);
    QCOMPARE(QDir(mount.path()).entryList(QDir::Files), (QStringList{"filler", "kept.pdf"}));
}

// Rows print on their colour's tint, light enough for a grey-scale
// printer, and every cell within its lines; a sorted row takes its colour.
void TestGridSortPrintDialog::rowTintsAndGridLines()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        QSKIP("pdftoppm (poppler-utils) is missing");
    GridData g = grid({"Trailer|Product", "T-3|Coal", "T-1|Steel", "T-2|Sand"});
    g.setRowColor(1, 4);   // blue: T-3
    g.setRowColor(3, 7);   // violet: T-2
    auto b = makeBoard(g);
    b->prefs.portrait = true;
    GridSortPrintDialog& d = *b->dialog;
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("grid.pdf"));
    printToPdf(d, pdf);
    d.showOpen();
    click(d, 0, 1);   // sorted: T-1 (none), T-2 (violet), T-3 (blue)
    QCOMPARE(d.gridCopy().cell(0, 3), QStringLiteral("T-3"));
    d.showPrintPanel();
    d.onPanelPrint();
    QVERIFY(QFile::exists(pdf));

    QProcess render;
    render.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-png"),
                                              QStringLiteral("-singlefile"), pdf, out.filePath(QStringLiteral("page"))});
    QVERIFY(render.waitForFinished(20000));
    QImage page(out.filePath(QStringLiteral("page.png")));
    QVERIFY(!page.isNull());
    QPrinter same(QPrinter::HighResolution);
    same.setResolution(600);
    same.setPageSize(QPageSize(QPageSize::A4));
    same.setPageOrientation(QPageLayout::Portrait);
    const QRectF origin = same.pageLayout().paintRect(QPageLayout::Inch);
    const int sx = 600 / d.logicalDpiX();
    const int sy = 600 / d.logicalDpiY();
    const QList<PrintLayout::PlacedRow> placed = PrintLayout::placeRows(4, {d.rowHeight(), true, sy, same.height()});
    const QList<PrintLayout::Band> bands = PrintLayout::columnBands(d.columnWidths());
    // A pixel of the rendered page at printer dots x, y.
    auto pixel = [&](double x, double y) {
        return page.pixel(int((origin.left() + x / 600) * 150), int((origin.top() + y / 600) * 150));
    };
    for (const PrintLayout::PlacedRow& row : placed) {
        // The right end of the second column's cell, clear of its text.
        const double x = (bands[1].right - 2) * sx;
        const double y = (row.top + row.bottom) / 2.0 * sy + PrintLayout::kTopOffset * sy;
        const int code = row.row == 2 ? 7 : row.row == 3 ? 4 : 0;
        const QRgb seen = pixel(x, y);
        const int tint = PrintLayout::rowTint(code);
        const QColor expected = tint < 0 ? QColor(Qt::white)
                                         : QColor(ColorCodes::red(tint), ColorCodes::green(tint), ColorCodes::blue(tint));
        QVERIFY2(std::abs(qRed(seen) - expected.red()) <= 8 && std::abs(qGreen(seen) - expected.green()) <= 8
                     && std::abs(qBlue(seen) - expected.blue()) <= 8,
                 qPrintable(QStringLiteral("row %1: %2").arg(row.row).arg(QColor(seen).name())));
        // The line under the row, in the gap before the next.
        const double lineY = (row.bottom + PrintLayout::kTopOffset + 0.5) * sy;
        QVERIFY2(qGray(pixel(x, lineY)) < 160, qPrintable(QStringLiteral("row %1's line").arg(row.row)));
    }
    // The line between the columns.
    const double middle = (placed[1].top + placed[1].bottom) / 2.0 * sy + PrintLayout::kTopOffset * sy;
    QVERIFY(qGray(pixel((bands[0].right + 0.5) * sx, middle)) < 160);
}

void TestGridSortPrintDialog::samePagesEverywhere_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("portrait");
    QTest::addColumn<int>("fontSize");
    QTest::addColumn<bool>("fit");
    QTest::addColumn<QList<int>>("picked");   // data rows Ctrl-clicked; none: all printed
    QTest::addColumn<int>("pages");
    QTest::newRow("Letter, portrait, 7 points") << "en_US" << true << 7 << false << QList<int>{} << 3;
    QTest::newRow("A4, portrait, 7 points") << "de_DE" << true << 7 << false << QList<int>{} << 2;
    QTest::newRow("Letter, landscape, 12 points, fitted") << "es_MX" << false << 12 << true << QList<int>{} << 5;
    QTest::newRow("A4, portrait, 14 points, fitted") << "en_GB" << true << 14 << true << QList<int>{} << 4;
    QTest::newRow("one driver's rows") << "en_CA" << true << 10 << true << QList<int>{4, 9, 17, 120} << 1;
}

// Preview and PDF come from one layout: the same pages, on the paper of the
// user's locale; fitted, the columns fill the paper's width, and a
// selection prints its rows alone.
void TestGridSortPrintDialog::samePagesEverywhere()
{
    QFETCH(QString, locale);
    QFETCH(bool, portrait);
    QFETCH(int, fontSize);
    QFETCH(bool, fit);
    QFETCH(QList<int>, picked);
    QFETCH(int, pages);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is missing");
    QLocale::setDefault(QLocale(locale));
    auto restore = qScopeGuard([] { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); });
    const bool letter = PrintLayout::localPaper(QLocale()) == PrintLayout::Paper::Letter;
    const QPageSize paper(letter ? QPageSize::Letter : QPageSize::A4);
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (!printer.isNull() && printer.defaultPageSize().isValid() && !printer.defaultPageSize().isEquivalentTo(paper))
        QSKIP("the default printer's paper is not the locale's: the preview shows the printer's");

    QStringList cells{"Trailer|Product|Consignee|Date"};
    for (int r = 1; r <= 150; ++r)
        cells.append(QStringLiteral("T-%1|Steel coils|Consignee %1 of the load|3/%2/2026").arg(r).arg(1 + r % 28));
    auto b = makeBoard(grid(cells));
    b->prefs.portrait = portrait;
    b->prefs.printFontSize = fontSize;
    GridSortPrintDialog& d = *b->dialog;
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("grid.pdf"));
    d.setPdfPathChooser([&](const QString&) { return pdf; });
    d.showOpen();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    for (int r : picked) {
        QTableView* v = view(d);
        v->scrollTo(v->model()->index(r - 1, 0));
        QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          v->visualRect(v->model()->index(r - 1, 0)).center());
    }
    QCOMPARE(d.selectedRows(), picked);
    d.showPrintPanel();
    d.findChild<QCheckBox*>(QStringLiteral("FitWidthBox"))->setChecked(fit);
    d.findChild<QCheckBox*>(QStringLiteral("SelectedRowsBox"))->setChecked(!picked.isEmpty());

    int previewPages = -1;
    QTimer::singleShot(0, &d, [&] {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        QVERIFY(preview);
        previewPages = preview->findChild<QPrintPreviewWidget*>()->pageCount();
        preview->reject();
    });
    QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("PreviewButton")), Qt::LeftButton);
    QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("PdfButton")), Qt::LeftButton);
    QVERIFY(b->messages.shown.isEmpty() && b->messages.questions.isEmpty());

    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY(info.waitForFinished());
    const QString infoText = QString::fromUtf8(info.readAllStandardOutput());
    QCOMPARE(infoText.section(QStringLiteral("Pages:"), 1).section(u'\n', 0, 0).trimmed().toInt(), pages);
    QCOMPARE(previewPages, pages);
    const QStringList size = infoText.section(QStringLiteral("Page size:"), 1).simplified().split(u' ');
    const QSize printed(qRound(size.value(0).toDouble()), qRound(size.value(2).toDouble()));
    QCOMPARE(portrait ? printed : printed.transposed(), paper.sizePoints());

    const QString text = pdfText(pdf);
    for (int r = 1; r <= 150; ++r)
        QCOMPARE(text.contains(QStringLiteral("T-%1 ").arg(r)), picked.isEmpty() || picked.contains(r));

    // Each date printed where its column begins: fitted, the last column
    // ends at the paper's printable edge.
    QPrinter same(QPrinter::HighResolution);
    same.setOutputFormat(QPrinter::PdfFormat);
    same.setPageSize(paper);
    same.setPageOrientation(portrait ? QPageLayout::Portrait : QPageLayout::Landscape);
    const int sx = same.logicalDpiX() / d.logicalDpiX();
    const QList<int> widths = fit ? PrintLayout::fitWidths(d.columnWidths(), same.width() / sx) : d.columnWidths();
    const QList<PrintLayout::Band> bands = PrintLayout::columnBands(widths);
    if (fit)
        QVERIFY(bands.last().right * sx > same.width() - 2 * sx);
    const double left = same.pageLayout().paintRect(QPageLayout::Point).left()
        + bands.last().left * sx * 72.0 / same.logicalDpiX();
    int dates = 0;
    for (const PrintedWord& w : printedWords(pdf))
        if (w.text.startsWith(QStringLiteral("3/"))) {
            QVERIFY2(qAbs(w.box.left() - left) < 1, qPrintable(QStringLiteral("%1 at %2, not %3").arg(w.text).arg(w.box.left()).arg(left)));
            ++dates;
        }
    QCOMPARE(dates, picked.isEmpty() ? 150 : int(picked.size()));
}

QTEST_MAIN(TestGridSortPrintDialog)
#include "tst_gridsortprintdialog.moc"
