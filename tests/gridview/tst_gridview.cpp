#include "gridview/celldelegate.h"
#include "grid/colorcodes.h"
#include "grid/griddata.h"
#include "grid/griddocument.h"
#include "gridview/gridtablemodel.h"
#include "gridview/gridview.h"
#include "grid/printlayout.h"
#include "base/preferences.h"
#include "grid/grideditor.h"
#include "tests/support/fakeservices.h"
#include "tests/support/modelmirror.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QColor kFixed(230, 216, 173);
const QColor kWhite(255, 255, 255);
const QColor kLine(192, 192, 192);

// A grid, its preferences and a shown view over them. The grid (the
// document's draft) and the preferences are set up before the view is made;
// later changes reach the view when published.
struct Board
{
    GridDocument document{GridData{5, 6}};
    GridData& grid = document.draft();
    Preferences prefs;
    std::unique_ptr<GridView> view;

    void show()
    {
        document.publish();
        view = std::make_unique<GridView>(document, prefs);
        view->resize(760, 420);
        view->show();
        (void)QTest::qWaitForWindowExposed(view.get());
    }
    QImage image() const { return view->grab().toImage(); }
    QColor pixel(QPoint p) const { return QColor(image().pixel(p)); }
    QPoint centre(int col, int row) const { return view->cellRect(col, row).center(); }
    QWidget* corner() const { return view->findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly); }
    // A point of a cell in the coordinates of the widget that shows it.
    QPair<QWidget*, QPoint> at(int col, int row) const
    {
        const QPoint p = centre(col, row);
        QWidget* w = col == 0 && row == 0 ? corner()
                     : col == 0           ? view->verticalHeader()->viewport()
                     : row == 0           ? view->horizontalHeader()->viewport()
                                          : view->viewport();
        return {w, w->mapFrom(view.get(), p)};
    }
};

bool isInk(QColor c)
{
    return c.lightness() < 110;
}

// Leftmost and rightmost columns of dark pixels inside r, and the topmost row.
struct Ink
{
    int left = -1;
    int right = -1;
    int top = -1;
};

Ink inkIn(const QImage& image, const QRect& r)
{
    Ink ink;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (!isInk(QColor(image.pixel(x, y))))
                continue;
            if (ink.left < 0 || x < ink.left)
                ink.left = x;
            ink.right = std::max(ink.right, x);
            if (ink.top < 0)
                ink.top = y;
        }
    }
    return ink;
}

// Length of the run of pixels of colour c starting at p, going by step.
int runOf(const QImage& image, QPoint p, QPoint step, QColor c)
{
    int n = 0;
    while (image.rect().contains(p) && QColor(image.pixel(p)) == c) {
        ++n;
        p += step;
    }
    return n;
}

// First point from p (going by step) whose colour is c.
QPoint find(const QImage& image, QPoint p, QPoint step, QColor c)
{
    while (image.rect().contains(p) && QColor(image.pixel(p)) != c)
        p += step;
    return p;
}

QFont prefFont(const Preferences& prefs)
{
    QFont f(prefs.fontName);
    f.setPointSize(prefs.fontSize);
    f.setBold(prefs.bold);
    f.setItalic(prefs.italic);
    f.setKerning(false);   // the grid draws unkerned
    return f;
}

QStringList rowTexts(const GridData& g, int row)
{
    QStringList r;
    for (int c = 0; c < g.colCount(); ++c)
        r << g.cell(c, row);
    return r;
}

} // namespace

class TestGridView : public QObject
{
    Q_OBJECT

private slots:
    void rowColours_data();
    void rowColours();
    void tintedCellsFadeAfterTheirTime();
    void alignment_data();
    void alignment();
    void textDrawnAsQtDrawsIt_data();
    void textDrawnAsQtDrawsIt();
    void linesAndSizes_data();
    void linesAndSizes();
    void optimalWidths_data();
    void optimalWidths();
    void widthsRecomputedFromScratch();
    void columnDrag_data();
    void columnDrag();
    void columnDragByMouse_data();
    void columnDragByMouse();
    void fixedColumnResizeByMouse();
    void rightPress_data();
    void rightPress();
    void leftClickSelects();
    void keyboard_data();
    void keyboard();
    void focusRectangleWithoutFill_data();
    void focusRectangleWithoutFill();
    void clearedSelectionStaysCleared();
    void editing();
    void longCellsKeptWhole_data();
    void longCellsKeptWhole();
    void reloadKeepsFocusAndWidths();
    void everyEditReachesTheModel_data();
    void everyEditReachesTheModel();
};

void TestGridView::rowColours_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("col");
    QTest::addColumn<QColor>("expected");

    const QColor grey(128, 128, 128);
    QTest::newRow("mask data") << int(ColorCodes::Mask) << 2 << grey;
    QTest::newRow("mask fixed") << int(ColorCodes::Mask) << 0 << grey;
    QTest::newRow("red data") << int(ColorCodes::Red) << 2 << QColor(247, 185, 132);
    QTest::newRow("red fixed keeps fixed colour") << int(ColorCodes::Red) << 0 << kFixed;
    QTest::newRow("brown data") << int(ColorCodes::Brown) << 4 << QColor(231, 195, 123);
    QTest::newRow("yellow data") << int(ColorCodes::Yellow) << 1 << QColor(240, 255, 182);
    QTest::newRow("clear data") << int(ColorCodes::Clear) << 2 << kWhite;
    QTest::newRow("clear fixed") << int(ColorCodes::Clear) << 0 << kFixed;
    QTest::newRow("none data") << 0 << 2 << kWhite;
    QTest::newRow("none fixed") << 0 << 0 << kFixed;
}

void TestGridView::rowColours()
{
    QFETCH(int, code);
    QFETCH(int, col);
    QFETCH(QColor, expected);

    Board b;
    for (int c = 0; c < b.grid.colCount(); ++c) {
        b.grid.setCell(c, 0, QStringLiteral("T%1").arg(c));
        b.grid.setCell(c, 2, QStringLiteral("a"));
        b.grid.setCell(c, 3, QStringLiteral("b"));
    }
    b.grid.setRowColor(2, code);
    b.show();
    const QImage image = b.image();
    const QRect r = b.view->cellRect(col, 2);
    // Away from the text at the top left.
    QCOMPARE(QColor(image.pixel(r.right() - 2, r.bottom() - 1)), expected);
    QCOMPARE(QColor(image.pixel(r.right() - 2, r.top())), expected);
    // Neighbouring rows are untouched and code 10 looks like no colour.
    const QRect below = b.view->cellRect(col, 3);
    QCOMPARE(QColor(image.pixel(below.right() - 2, below.bottom() - 1)), col == 0 ? kFixed : kWhite);
    QCOMPARE(b.grid.rowColor(2), code);
}

void TestGridView::tintedCellsFadeAfterTheirTime()
{
    Board b;
    b.grid.setRowColor(2, int(ColorCodes::Red));
    b.show();
    b.view->tintCells({QPoint(2, 2), QPoint(0, 3), QPoint(3, 4)});
    QVERIFY(b.view->tintTimer()->isActive());
    QCOMPARE(b.view->tintTimer()->interval(), GridView::kTintMs);
    QImage image = b.image();
    const auto inside = [](const QRect& r) { return QPoint(r.right() - 4, r.bottom() - 4); };
    // The tint lets the row's colour show through; the frame is the same on every colour.
    const QRect red = b.view->cellRect(2, 2);
    QCOMPARE(QColor(image.pixel(inside(red))), CellDelegate::tinted(QColor(247, 185, 132)));
    QCOMPARE(QColor(image.pixel(red.left() + 1, red.center().y())), QColor::fromRgb(CellDelegate::kTintFrameColor));
    QCOMPARE(QColor(image.pixel(inside(b.view->cellRect(0, 3)))), CellDelegate::tinted(kFixed));
    QCOMPARE(QColor(image.pixel(inside(b.view->cellRect(3, 4)))), CellDelegate::tinted(kWhite));
    QCOMPARE(QColor(image.pixel(inside(b.view->cellRect(3, 3)))), kWhite);

    b.view->tintTimer()->start(1);
    QTRY_VERIFY(b.view->tintedCells().isEmpty());
    image = b.image();
    QCOMPARE(QColor(image.pixel(inside(red))), QColor(247, 185, 132));
    QCOMPARE(QColor(image.pixel(inside(b.view->cellRect(0, 3)))), kFixed);
}

void TestGridView::alignment_data()
{
    QTest::addColumn<bool>("centre");
    QTest::addColumn<int>("colour");
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("expectCentred");

    QTest::newRow("title centred") << false << 0 << 2 << 0 << true;
    QTest::newRow("data left") << false << 0 << 2 << 2 << false;
    QTest::newRow("fixed left") << false << 0 << 0 << 2 << false;
    QTest::newRow("coloured data left") << false << int(ColorCodes::Green) << 2 << 2 << false;
    QTest::newRow("mask fixed left") << false << int(ColorCodes::Mask) << 0 << 2 << false;
    QTest::newRow("centring: data") << true << 0 << 2 << 2 << true;
    QTest::newRow("centring: fixed") << true << 0 << 0 << 2 << true;
    QTest::newRow("centring: title") << true << 0 << 2 << 0 << true;
    QTest::newRow("centring: coloured") << true << int(ColorCodes::Red) << 2 << 2 << true;
    QTest::newRow("centring: red fixed") << true << int(ColorCodes::Red) << 0 << 2 << true;
}

void TestGridView::alignment()
{
    QFETCH(bool, centre);
    QFETCH(int, colour);
    QFETCH(int, col);
    QFETCH(int, row);
    QFETCH(bool, expectCentred);

    Board b;
    b.prefs.centerData = centre;
    b.grid.setCell(col, row, QStringLiteral("ab"));
    b.grid.setRowColor(row, colour);
    b.show();
    b.view->setColWidth(col, 160);
    const QImage image = b.image();
    const QRect r = b.view->cellRect(col, row);
    const Ink ink = inkIn(image, r);
    QVERIFY(ink.left >= 0);
    QVERIFY2(ink.top - r.top() >= CellDelegate::kTextOffset, "text starts 2 pixels below the top");
    if (expectCentred) {
        const int middle = (ink.left + ink.right) / 2;
        QVERIFY2(qAbs(middle - r.center().x()) <= 2, qPrintable(QStringLiteral("middle %1, cell centre %2").arg(middle).arg(r.center().x())));
    } else {
        const int offset = ink.left - r.left();
        QVERIFY2(offset >= 2 && offset <= 4, qPrintable(QStringLiteral("text at %1").arg(offset)));
    }
}

void TestGridView::textDrawnAsQtDrawsIt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("centre");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("rowHeight");

    QTest::newRow("left") << QStringLiteral("Value 12-33") << false << 120 << 18;
    QTest::newRow("centred") << QStringLiteral("Value 12-33") << true << 120 << 18;
    QTest::newRow("centred, odd room") << QStringLiteral("Wi") << true << 31 << 18;
    QTest::newRow("centred, trailing spaces") << QStringLiteral("Dock  ") << true << 120 << 18;
    QTest::newRow("too wide: clipped") << QStringLiteral("A rather long value that overflows") << false << 40 << 18;
    QTest::newRow("too wide, centred") << QStringLiteral("Long centred overflow") << true << 30 << 18;
    QTest::newRow("too tall: clipped") << QStringLiteral("Short row") << false << 120 << 7;
    QTest::newRow("tab") << QStringLiteral("ab\tcd") << false << 120 << 18;
    QTest::newRow("line break") << QStringLiteral("ab\ncd") << true << 120 << 18;
    QTest::newRow("marks and other scripts") << QStringLiteral("Zoe\u0301 \u05E9\u05DC\u05D5\u05DD") << false << 120 << 18;
    // Only what fills the cell is laid out; what shows is the same.
    QTest::newRow("long text") << QStringLiteral("word ").repeated(3000) << false << 120 << 18;
    QTest::newRow("long text with a tab") << QStringLiteral("a\tword ").repeated(2000) << false << 120 << 18;
    QTest::newRow("long text that fits after all") << QString(1500, QChar(0x200B)) + u'x' << false << 120 << 18;
}

void TestGridView::textDrawnAsQtDrawsIt()
{
    QFETCH(QString, text);
    QFETCH(bool, centre);
    QFETCH(int, width);
    QFETCH(int, rowHeight);

    GridData grid(3, 2);
    grid.setCell(1, 1, text);
    Preferences prefs;
    prefs.centerData = centre;
    prefs.rowHeight = rowHeight;
    CellDelegate delegate(grid, prefs);
    const QRect cell(0, 0, width + 1, rowHeight + 1);
    // What Qt's drawText(rect) makes of the text on the same empty cell.
    auto reference = [&] {
        QImage image(cell.size(), QImage::Format_ARGB32_Premultiplied);
        QPainter p(&image);
        delegate.paintCell(&p, cell, 2, 1, false, false);
        p.setFont(delegate.font());
        p.setPen(delegate.textColor());
        const QRect r = delegate.contentRect(cell);
        p.drawText(centre ? r.adjusted(0, CellDelegate::kTextOffset, 0, 0)
                          : r.adjusted(CellDelegate::kTextOffset, CellDelegate::kTextOffset, 0, 0),
                   (centre ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop | Qt::TextSingleLine, text);
        return image;
    };
    auto drawn = [&] {
        QImage image(cell.size(), QImage::Format_ARGB32_Premultiplied);
        QPainter p(&image);
        delegate.paintCell(&p, cell, 1, 1, false, false);
        return image;
    };
    // Twice: the second time from what the first one kept; then again after
    // a font change, which nothing kept may outlive.
    for (int size : {8, 8, 11}) {
        prefs.fontSize = size;
        delegate.applyPreferences(QPalette());
        QCOMPARE(drawn(), reference());
    }
}

void TestGridView::linesAndSizes_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("rowHeight");
    QTest::addColumn<bool>("live");   // applied to a view already shown
    QTest::addColumn<int>("fixedWidth");   // 0: left as it is

    QTest::newRow("1 pixel") << 1 << 18 << false << 0;
    QTest::newRow("2 pixels") << 2 << 18 << false << 0;
    QTest::newRow("3 pixels") << 3 << 22 << false << 0;
    QTest::newRow("3 pixels live") << 3 << 15 << true << 0;
    QTest::newRow("2 pixels, short rows") << 2 << 9 << true << 0;
    QTest::newRow("wide fixed column") << 1 << 18 << false << 140;
    QTest::newRow("narrow fixed column, 2 pixels live") << 2 << 30 << true << 12;
}

void TestGridView::linesAndSizes()
{
    QFETCH(int, lines);
    QFETCH(int, rowHeight);
    QFETCH(bool, live);
    QFETCH(int, fixedWidth);

    Board b;
    if (!live) {
        b.prefs.gridLines = lines;
        b.prefs.rowHeight = rowHeight;
    }
    b.show();
    b.view->setColWidth(2, 57);
    if (fixedWidth > 0)
        b.view->setColWidth(0, fixedWidth);
    if (live) {
        b.prefs.gridLines = lines;
        b.prefs.rowHeight = rowHeight;
        b.view->applyPreferences();
    }
    QCOMPARE(b.view->lineWidth(), lines);
    QCOMPARE(b.view->colWidth(2), 57);
    if (fixedWidth > 0)
        QCOMPARE(b.view->colWidth(0), fixedWidth);

    // The fixed column and the title row are exactly their cells, and the
    // data cells start right after them.
    const QHeaderView* left = b.view->verticalHeader();
    const QHeaderView* top = b.view->horizontalHeader();
    QCOMPARE(left->width(), b.view->colWidth(0) + lines);
    QCOMPARE(top->height(), rowHeight + lines);
    QCOMPARE(left->sizeHint().width(), left->width());
    QCOMPARE(top->sizeHint().height(), top->height());
    QCOMPARE(b.view->viewport()->x(), left->geometry().right() + 1);
    QCOMPARE(b.view->viewport()->y(), top->geometry().bottom() + 1);

    const QImage image = b.image();
    struct Probe { int col; int row; };
    for (const Probe p : {Probe{2, 2}, Probe{0, 3}, Probe{3, 0}, Probe{1, 1}}) {
        const QPoint mid = b.centre(p.col, p.row);
        const QPoint right = find(image, mid, {1, 0}, kLine);
        const QPoint left = find(image, mid, {-1, 0}, kLine);
        const QPoint down = find(image, mid, {0, 1}, kLine);
        const QPoint up = find(image, mid, {0, -1}, kLine);
        QCOMPARE(runOf(image, right, {1, 0}, kLine), lines);
        QCOMPARE(runOf(image, down, {0, 1}, kLine), lines);
        // The content between the lines: the column width and row height
        // (the fixed column and the title row have no line before them).
        if (p.col > 0)
            QCOMPARE(right.x() - left.x() - 1, b.view->colWidth(p.col));
        if (p.row > 0)
            QCOMPARE(down.y() - up.y() - 1, rowHeight);
    }
    QCOMPARE(b.view->colWidth(2), 57);
}

void TestGridView::optimalWidths_data()
{
    QTest::addColumn<QStringList>("texts");   // column 1, rows 0..
    QTest::addColumn<QStringList>("fixedTexts");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<int>("size");

    QTest::newRow("all empty") << QStringList{} << QStringList{} << false << 8;
    QTest::newRow("title only") << QStringList{"Consignee"} << QStringList{} << false << 8;
    QTest::newRow("widest in the data") << QStringList{"Date", "x", "12/31/26 14:05 GMT", "abc"} << QStringList{"", "Dock 12"}
                                        << false << 8;
    QTest::newRow("title widest") << QStringList{"A long column title", "x"} << QStringList{} << false << 8;
    QTest::newRow("spaces only") << QStringList{"", "   "} << QStringList{} << false << 8;
    QTest::newRow("bold") << QStringList{"Trailer 1234"} << QStringList{"Row"} << true << 8;
    QTest::newRow("bigger font") << QStringList{"Trailer 1234"} << QStringList{"Row"} << false << 14;
    // Widths add up character advances; these must still come out as the drawn width.
    QTest::newRow("windows-1252 letters") << QStringList{"Müller & Söhne – 5 €", "Œuvre ‰ “quoted”", "office fluff"} << QStringList{}
                                          << false << 8;
    QTest::newRow("control characters") << QStringList{"Dock\t12", QStringLiteral("a\u0001b\u001Fc")} << QStringList{}
                                        << false << 8;
    QTest::newRow("tabs, soft hyphens, form feeds") << QStringList{QStringLiteral("\t\t\tX"), QStringLiteral("AB") + QString(50, u'\u00AD') + QStringLiteral("CD"), QStringLiteral("a\f\f\f\fb")}
                                                    << QStringList{} << false << 8;
    QTest::newRow("kerning pairs") << QStringList{"AVATAR To Yoke", "WAVE Ty"} << QStringList{} << false << 11;
    QTest::newRow("other scripts shaped") << QStringList{"Грузовик 12", "東京 配送", "e\u0301te\u0301"}
                                          << QStringList{} << false << 8;
    // Long texts count up to the widest column.
    QTest::newRow("long text under the cap") << QStringList{"Title", QString(1200, u'i')} << QStringList{} << false << 8;
    QTest::newRow("long text over the cap") << QStringList{"Title", QStringLiteral("word ").repeated(3000)}
                                            << QStringList{QString(2000, u'M')} << false << 8;
    QTest::newRow("long text shaped, over the cap") << QStringList{QStringLiteral("\u05E9\u05DC ").repeated(4000)}
                                                    << QStringList{} << false << 8;
}

void TestGridView::optimalWidths()
{
    QFETCH(QStringList, texts);
    QFETCH(QStringList, fixedTexts);
    QFETCH(bool, bold);
    QFETCH(int, size);

    Board b;
    b.prefs.bold = bold;
    b.prefs.fontSize = size;
    for (int r = 0; r < texts.size(); ++r)
        b.grid.setCell(1, r, texts[r]);
    for (int r = 0; r < fixedTexts.size(); ++r)
        b.grid.setCell(0, r, fixedTexts[r]);
    b.show();
    b.view->fitColumnWidths();

    // As the cells are drawn: on one line, without tab stops.
    const QFontMetricsF fm(prefFont(b.prefs));
    const auto drawnWidth = [&fm](const QString& t) {
        return qRound(
            fm.boundingRect(QRectF(0, 0, 1 << 20, 100), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, t).width());
    };
    auto expected = [&](const QStringList& list) {
        int widest = 0;
        for (const QString& t : list)
            widest = std::max(widest, std::min(drawnWidth(t), GridView::kMaxColWidth));
        return widest > 0 ? widest + 6 : 30;
    };
    QCOMPARE(b.view->colWidth(1), expected(texts));
    QCOMPARE(b.view->colWidth(0), expected(fixedTexts));
    QCOMPARE(b.view->colWidth(3), 30);
}

void TestGridView::widthsRecomputedFromScratch()
{
    Board b;
    b.grid.setCell(1, 2, QStringLiteral("A rather long text"));
    b.show();
    b.view->fitColumnWidths();
    const int computed = b.view->colWidth(1);
    QVERIFY(computed > 30);

    // A user drag on the title row border, then the next edit.
    b.view->horizontalHeader()->resizeSection(1, 300);
    QCOMPARE(b.view->colWidth(1), 300 - b.view->lineWidth());
    b.view->fitColumnWidths();
    QCOMPARE(b.view->colWidth(1), computed);

    // Texts that got shorter shrink the column again.
    b.grid.setCell(1, 2, QStringLiteral("x"));
    b.document.publish();
    b.view->fitColumnWidths();
    QCOMPARE(b.view->colWidth(1), QFontMetrics(prefFont(b.prefs)).horizontalAdvance(QStringLiteral("x")) + 6);
}

void TestGridView::columnDrag_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QStringList>("titles");

    QTest::newRow("right") << 1 << 3 << QStringList{"F", "B", "C", "A", "D"};
    QTest::newRow("left") << 4 << 1 << QStringList{"F", "D", "A", "B", "C"};
    QTest::newRow("neighbours") << 2 << 3 << QStringList{"F", "A", "C", "B", "D"};
    QTest::newRow("to the end") << 1 << 4 << QStringList{"F", "B", "C", "D", "A"};
}

void TestGridView::columnDrag()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QStringList, titles);

    Board b;
    const QStringList original{"F", "A", "B", "C", "D"};
    for (int c = 0; c < 5; ++c) {
        b.grid.setCell(c, 0, original[c]);
        for (int r = 1; r < b.grid.rowCount(); ++r)
            b.grid.setCell(c, r, original[c] + QString::number(r));
    }
    b.grid.setRowColor(1, ColorCodes::Red);
    b.grid.setRowColor(3, ColorCodes::Mask);
    b.show();
    for (int c = 1; c < 5; ++c)
        b.view->setColWidth(c, 40 + 10 * c);
    QList<int> widths;
    for (int c = 0; c < 5; ++c)
        widths << b.view->colWidth(c);
    b.view->setColumnDragAllowed(true);
    QSignalSpy moved(b.view.get(), &GridView::columnMoved);

    // What the title row does at the end of a drag.
    QHeaderView* header = b.view->horizontalHeader();
    header->moveSection(header->visualIndex(from), header->visualIndex(to));

    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.first().at(0).toInt(), from);
    QCOMPARE(moved.first().at(1).toInt(), to);
    QCOMPARE(rowTexts(b.grid, 0), titles);
    for (int r = 1; r < b.grid.rowCount(); ++r) {
        QStringList expected;
        for (const QString& t : titles)
            expected << t + QString::number(r);
        QCOMPARE(rowTexts(b.grid, r), expected);
    }
    QCOMPARE(b.grid.rowColor(1), int(ColorCodes::Red));
    QCOMPARE(b.grid.rowColor(3), int(ColorCodes::Mask));
    // The move is in the data, not only on screen, and widths go along.
    for (int c = 0; c < 5; ++c)
        QCOMPARE(header->visualIndex(c), c);
    widths.move(from, to);
    for (int c = 0; c < 5; ++c)
        QCOMPARE(b.view->colWidth(c), widths[c]);
    QCOMPARE(b.view->model()->headerData(to, Qt::Horizontal).toString(), titles[to]);
}

void TestGridView::columnDragByMouse_data()
{
    QTest::addColumn<bool>("allowed");
    QTest::newRow("allowed") << true;
    QTest::newRow("not allowed") << false;
}

void TestGridView::columnDragByMouse()
{
    QFETCH(bool, allowed);
    Board b;
    const QStringList original{"F", "A", "B", "C", "D"};
    for (int c = 0; c < 5; ++c)
        b.grid.setCell(c, 0, original[c]);
    b.show();
    for (int c = 1; c < 5; ++c)
        b.view->setColWidth(c, 80);
    b.view->setColumnDragAllowed(allowed);
    QSignalSpy moved(b.view.get(), &GridView::columnMoved);

    QWidget* titles = b.view->horizontalHeader()->viewport();
    const QPoint start = b.at(1, 0).second;
    const QPoint end = b.at(3, 0).second + QPoint(20, 0);
    QTest::mousePress(titles, Qt::LeftButton, {}, start);
    for (int x = start.x(); x <= end.x(); x += 10)
        QTest::mouseMove(titles, QPoint(x, start.y()));
    QTest::mouseMove(titles, end);
    QTest::mouseRelease(titles, Qt::LeftButton, {}, end);

    if (allowed) {
        QCOMPARE(moved.count(), 1);
        QCOMPARE(rowTexts(b.grid, 0), (QStringList{"F", "B", "C", "A", "D"}));
    } else {
        QCOMPARE(moved.count(), 0);
        QCOMPARE(rowTexts(b.grid, 0), original);
    }
}

void TestGridView::fixedColumnResizeByMouse()
{
    Board b;
    b.show();
    const int before = b.view->colWidth(0);
    QWidget* corner = b.corner();
    QVERIFY(corner);
    const QPoint edge(corner->width() - 1, corner->height() / 2);
    QTest::mousePress(corner, Qt::LeftButton, {}, edge);
    QTest::mouseMove(corner, edge + QPoint(10, 0));
    QTest::mouseMove(corner, edge + QPoint(25, 0));
    QTest::mouseRelease(corner, Qt::LeftButton, {}, edge + QPoint(25, 0));
    QCOMPARE(b.view->colWidth(0), before + 25);
    // The data columns moved along with the wider fixed column.
    QCOMPARE(b.view->cellRect(1, 1).left(), b.view->cellRect(0, 1).right() + 1 + b.view->lineWidth());
}

void TestGridView::rightPress_data()
{
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");

    QTest::newRow("data, plain") << 3 << 4 << Qt::RightButton << Qt::KeyboardModifiers{};
    QTest::newRow("data, ctrl") << 3 << 4 << Qt::RightButton << Qt::KeyboardModifiers(Qt::ControlModifier);
    QTest::newRow("data, shift") << 2 << 2 << Qt::RightButton << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("data, ctrl+shift") << 2 << 3
                                      << Qt::RightButton << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier);
    QTest::newRow("fixed column") << 0 << 3 << Qt::RightButton << Qt::KeyboardModifiers(Qt::ControlModifier);
    QTest::newRow("title") << 2 << 0 << Qt::RightButton << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("corner") << 0 << 0 << Qt::RightButton << Qt::KeyboardModifiers{};
    QTest::newRow("middle") << 2 << 2 << Qt::MiddleButton << Qt::KeyboardModifiers{};
}

void TestGridView::rightPress()
{
    QFETCH(int, col);
    QFETCH(int, row);
    QFETCH(Qt::MouseButton, button);
    QFETCH(Qt::KeyboardModifiers, modifiers);

    Board b;
    b.show();
    b.view->focusCell(1, 1);
    QSignalSpy pressed(b.view.get(), &GridView::gridMousePressed);
    QSignalSpy selected(b.view.get(), &GridView::cellSelected);

    const auto [widget, pos] = b.at(col, row);
    QTest::mouseClick(widget, button, modifiers, pos);

    QCOMPARE(pressed.count(), 1);
    QCOMPARE(pressed.first().at(0).value<Qt::MouseButton>(), button);
    QCOMPARE(pressed.first().at(1).value<QPoint>(), widget->mapToGlobal(pos));
    QCOMPARE(pressed.first().at(2).value<Qt::KeyboardModifiers>(), modifiers);
    QCOMPARE(selected.count(), 0);
    QCOMPARE(b.view->focusedCell(), std::optional<QPoint>(QPoint(1, 1)));
}

void TestGridView::leftClickSelects()
{
    Board b;
    b.show();
    QSignalSpy pressed(b.view.get(), &GridView::gridMousePressed);
    QSignalSpy selected(b.view.get(), &GridView::cellSelected);

    auto click = [&](int col, int row) {
        const auto [widget, pos] = b.at(col, row);
        QTest::mouseClick(widget, Qt::LeftButton, {}, pos);
    };
    click(2, 3);
    QCOMPARE(b.view->focusedCell(), std::optional<QPoint>(QPoint(2, 3)));
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.last().at(0).toInt(), 2);
    QCOMPARE(selected.last().at(1).toInt(), 3);

    // Selecting the focused cell again is still a selection.
    click(2, 3);
    QCOMPARE(selected.count(), 2);

    // Fixed cells cannot be selected.
    click(0, 3);
    click(2, 0);
    click(0, 0);
    QCOMPARE(b.view->focusedCell(), std::optional<QPoint>(QPoint(2, 3)));
    QCOMPARE(selected.count(), 2);
    QCOMPARE(pressed.count(), 5);
    QCOMPARE(pressed.first().at(0).value<Qt::MouseButton>(), Qt::LeftButton);
}

void TestGridView::keyboard_data()
{
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<QPoint>("expected");
    QTest::addColumn<int>("selections");

    QTest::newRow("down") << QPoint(1, 1) << int(Qt::Key_Down) << QPoint(1, 2) << 1;
    QTest::newRow("right") << QPoint(2, 2) << int(Qt::Key_Right) << QPoint(3, 2) << 1;
    QTest::newRow("left stops before the fixed column") << QPoint(1, 2) << int(Qt::Key_Left) << QPoint(1, 2) << 0;
    QTest::newRow("up stops below the titles") << QPoint(3, 1) << int(Qt::Key_Up) << QPoint(3, 1) << 0;
    QTest::newRow("home") << QPoint(3, 2) << int(Qt::Key_Home) << QPoint(1, 2) << 1;
    // No type-ahead search: the next pick writes where the focus is.
    QTest::newRow("a letter") << QPoint(2, 2) << int(Qt::Key_A) << QPoint(2, 2) << 0;
    QTest::newRow("a digit") << QPoint(2, 3) << int(Qt::Key_1) << QPoint(2, 3) << 0;
}

void TestGridView::keyboard()
{
    QFETCH(QPoint, start);
    QFETCH(int, key);
    QFETCH(QPoint, expected);
    QFETCH(int, selections);

    Board b;
    // Texts a type-ahead search would jump to.
    b.grid.setCell(2, 0, QStringLiteral("a title"));
    b.grid.setCell(2, 4, QStringLiteral("apple"));
    b.grid.setCell(2, 5, QStringLiteral("12"));
    b.show();
    b.view->focusCell(start.x(), start.y());
    QSignalSpy selected(b.view.get(), &GridView::cellSelected);
    QSignalSpy keys(b.view.get(), &GridView::gridKeyPressed);
    QTest::keyClick(b.view.get(), Qt::Key(key));
    QCOMPARE(b.view->focusedCell(), std::optional<QPoint>(expected));
    QCOMPARE(selected.count(), selections);
    QCOMPARE(keys.count(), 1);
}

void TestGridView::focusRectangleWithoutFill_data()
{
    QTest::addColumn<int>("colour");
    QTest::addColumn<QColor>("fill");
    QTest::newRow("plain row") << 0 << kWhite;
    QTest::newRow("red row") << int(ColorCodes::Red) << QColor(247, 185, 132);
    QTest::newRow("mask row") << int(ColorCodes::Mask) << QColor(128, 128, 128);
}

void TestGridView::focusRectangleWithoutFill()
{
    QFETCH(int, colour);
    QFETCH(QColor, fill);

    Board b;
    b.grid.setRowColor(2, colour);
    b.show();
    b.view->setColWidth(2, 60);
    b.view->setColWidth(3, 60);
    b.view->focusCell(2, 2);
    const QImage image = b.image();

    const QRect focused = b.view->cellRect(2, 2);
    const QRect other = b.view->cellRect(3, 2);
    // The focused cell keeps its fill: no highlight.
    QCOMPARE(QColor(image.pixel(focused.center())), fill);
    // Its border carries a dotted focus rectangle; the neighbour's has none.
    auto borderInk = [&](const QRect& r) {
        int n = 0;
        for (int x = r.left(); x <= r.right(); ++x)
            n += QColor(image.pixel(x, r.top())) != fill;
        return n;
    };
    QVERIFY(borderInk(focused) > focused.width() / 4);
    QCOMPARE(borderInk(other), 0);
}

void TestGridView::clearedSelectionStaysCleared()
{
    Board b;
    b.show();
    b.view->focusCell(2, 2);
    b.view->clearSelection();
    QCOMPARE(b.view->focusedCell(), std::nullopt);

    // Gaining the keyboard focus does not pick a cell by itself.
    QSignalSpy selected(b.view.get(), &GridView::cellSelected);
    QWidget other;
    other.show();
    other.setFocus();
    b.view->activateWindow();
    b.view->setFocus(Qt::TabFocusReason);
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(b.view.get(), &in);
    QCOMPARE(b.view->focusedCell(), std::nullopt);
    QCOMPARE(selected.count(), 0);

    // Out-of-range cells are ignored.
    b.view->focusCell(0, 2);
    b.view->focusCell(2, 0);
    b.view->focusCell(9, 2);
    QCOMPARE(b.view->focusedCell(), std::nullopt);
}

void TestGridView::editing()
{
    Board b;
    b.grid.setCell(1, 1, QStringLiteral("old"));
    b.show();
    b.view->focusCell(1, 1);
    QSignalSpy edited(b.view.get(), &GridView::cellTextEdited);
    QSignalSpy keys(b.view.get(), &GridView::gridKeyPressed);

    // Outside the editing state typing changes nothing.
    QTest::keyClicks(b.view.get(), QStringLiteral("zz"));
    QCOMPARE(b.grid.cell(1, 1), QStringLiteral("old"));
    QCOMPARE(keys.count(), 2);
    QVERIFY(!b.view->viewport()->findChild<QLineEdit*>());

    b.view->setEditingAllowed(true);
    QTest::keyClick(b.view.get(), Qt::Key_N);
    auto* editor = b.view->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    QTest::keyClicks(editor, QStringLiteral("ew"));
    // Each keystroke reaches the cell at once.
    QCOMPARE(b.grid.cell(1, 1), QStringLiteral("new"));
    QCOMPARE(edited.count(), 3);
    QCOMPARE(edited.last().at(0).toInt(), 1);
    QCOMPARE(edited.last().at(1).toInt(), 1);
    QCOMPARE(edited.last().at(2).toString(), QStringLiteral("new"));
    QCOMPARE(keys.count(), 5);

    // Closing the editor keeps what was typed.
    b.view->closeEditor();
    QVERIFY(!b.view->isEditing());
    QCOMPARE(b.grid.cell(1, 1), QStringLiteral("new"));

    // Turning typing off ends an open edit.
    QTest::keyClick(b.view.get(), Qt::Key_X);
    QCOMPARE(b.grid.cell(1, 1), QStringLiteral("x"));
    b.view->setEditingAllowed(false);
    QVERIFY(!b.view->isEditing());
    QTest::keyClick(b.view.get(), Qt::Key_Y);
    QCOMPARE(b.grid.cell(1, 1), QStringLiteral("x"));

    // Fixed cells are never edited.
    QVERIFY(!(b.view->model()->flags(b.view->model()->index(0, 2)) & Qt::ItemIsEditable));
    QVERIFY(!(b.view->model()->flags(b.view->model()->index(2, 0)) & Qt::ItemIsEditable));
    QVERIFY(!b.view->model()->setData(b.view->model()->index(0, 2), QStringLiteral("t")));
    QCOMPARE(b.grid.cell(2, 0), QString());
}

void TestGridView::longCellsKeptWhole_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("editable");

    QTest::newRow("past the line edit's default limit") << 35000 << true;
    QTest::newRow("all of it shown") << int(PrintLayout::kMaxShownChars) << true;
    QTest::newRow("longer than shown") << int(PrintLayout::kMaxShownChars) + 1 << false;
    QTest::newRow("megabytes") << 3000000 << false;
}

void TestGridView::longCellsKeptWhole()
{
    QFETCH(int, length);
    QFETCH(bool, editable);

    Board b;
    const QString text = QStringLiteral("word ").repeated(length / 5) + QString(length % 5, u'x');
    b.grid.setCell(1, 1, text);
    b.show();
    b.view->fitColumnWidths();
    const QModelIndex index = b.view->model()->index(1, 1);
    QCOMPARE(index.data(Qt::EditRole).toString(), text);
    QCOMPARE(index.data(Qt::DisplayRole).toString(), PrintLayout::shownPart(text));
    QCOMPARE(bool(b.view->model()->flags(index) & Qt::ItemIsEditable), editable);

    b.view->setEditingAllowed(true);
    b.view->focusCell(1, 1);
    QTest::keyClick(b.view.get(), Qt::Key_Return);
    auto* editor = b.view->viewport()->findChild<QLineEdit*>();
    QCOMPARE(editor != nullptr, editable);
    if (editor) {
        // The editor holds the whole text, and typing keeps it.
        QCOMPARE(editor->text(), text);
        editor->end(false);
        QTest::keyClick(editor, Qt::Key_Backspace);
        QCOMPARE(b.grid.cell(1, 1), text.chopped(1));
        return;
    }
    // Typing on a cell too long to edit in place changes nothing.
    QTest::keyClicks(b.view.get(), QStringLiteral("ab"));
    QCOMPARE(b.grid.cell(1, 1), text);
    QVERIFY(b.view->grab().width() > 0);
}

void TestGridView::reloadKeepsFocusAndWidths()
{
    Board b;
    b.show();
    b.view->setColWidth(2, 77);
    b.view->setColWidth(0, 41);
    b.view->focusCell(2, 3);
    QSignalSpy selected(b.view.get(), &GridView::cellSelected);

    b.grid.setCell(2, 3, QStringLiteral("changed"));
    b.grid.insertRow(b.grid.rowCount() + 1);
    b.grid.insertColumn(b.grid.colCount() + 1);
    b.document.publish();
    QCOMPARE(b.view->model()->rowCount(), b.grid.rowCount());
    QCOMPARE(b.view->model()->columnCount(), b.grid.colCount());
    QCOMPARE(b.view->model()->index(3, 2).data().toString(), QStringLiteral("changed"));
    QCOMPARE(b.view->focusedCell(), std::optional<QPoint>(QPoint(2, 3)));
    QCOMPARE(b.view->colWidth(2), 77);
    QCOMPARE(b.view->colWidth(0), 41);
    QCOMPARE(b.view->colWidth(b.grid.colCount() - 1), GridView::kDefaultColWidth);
    QCOMPARE(selected.count(), 0);
    // The new last row is a data row, the title row stays fixed.
    QVERIFY(!b.view->isRowHidden(b.grid.rowCount() - 1));
    QVERIFY(b.view->isRowHidden(0));
    QVERIFY(b.view->isColumnHidden(0));

    // A focused cell that no longer exists is gone.
    b.grid.setSize(2, 3);
    b.document.publish();
    QCOMPARE(b.view->focusedCell(), std::nullopt);
}

void TestGridView::everyEditReachesTheModel_data()
{
    QTest::addColumn<QString>("edit");
    for (const char* c : {"Paste Cell", "Add Row", "Add Column", "Insert Row", "Insert Column", "Insert Cell",
                          "Clear Row", "Clear Column", "Delete Row", "Delete Column", "Delete Cell",
                          "Delete Blank Lines", "Increment Column", "Alternate Colors"})
        QTest::newRow(c) << QString::fromLatin1(c);
    QTest::newRow("typing") << QStringLiteral("typing");
    QTest::newRow("column dragged") << QStringLiteral("drag");
    QTest::newRow("pick") << QStringLiteral("pick");
}

void TestGridView::everyEditReachesTheModel()
{
    QFETCH(QString, edit);
    Board b;
    for (int c = 0; c < b.grid.colCount(); ++c)
        for (int r = 0; r < b.grid.rowCount(); ++r)
            b.grid.setCell(c, r, r == 3 ? QString() : QStringLiteral("%1.%2").arg(c).arg(r));
    b.show();
    const ModelMirror mirror(b.view->model());
    FakeMessages messages;
    messages.fallback = Answer::Yes;
    GridEditor editor(b.document, b.prefs, messages);
    editor.selectCell(1, 1);
    editor.run(GridEditor::Command::CopyCell);
    editor.selectCell(2, 2);

    if (edit == u"typing") {
        b.view->gridModel()->setCellWriter(
            [&](int col, int row, const QString& text) { return editor.typeIntoCell(col, row, text); });
        b.view->setEditingAllowed(true);
        b.view->focusCell(2, 4);
        QTest::keyClick(b.view.get(), Qt::Key_T);
        auto* cellEditor = b.view->viewport()->findChild<QLineEdit*>();
        QVERIFY(cellEditor);
        QTest::keyClicks(cellEditor, QStringLiteral("yped"));
        QCOMPARE(b.document.data().cell(2, 4), QStringLiteral("typed"));
    } else if (edit == u"drag") {
        b.view->horizontalHeader()->moveSection(1, 3);
        QCOMPARE(b.document.data().cell(3, 1), QStringLiteral("1.1"));
    } else if (edit == u"pick") {
        QVERIFY(editor.pickColumnItem({ColumnMenuItem::Value, QStringLiteral("Picked")}).changed);
    } else {
        for (int i = 0; i <= int(GridEditor::Command::AlternateColors); ++i) {
            const auto c = GridEditor::Command(i);
            if (GridEditor::caption(c).section(QStringLiteral("  "), 0, 0) == edit)
                QVERIFY(editor.run(c).changed);
        }
    }
    QCOMPARE(b.document.data(), b.document.draft());
    QCOMPARE(mirror.mismatch(), QString());
    // The fixed row and column stay in the headers whatever the change.
    QVERIFY(b.view->isRowHidden(0));
    QVERIFY(b.view->isColumnHidden(0));
}

QTEST_MAIN(TestGridView)
#include "tst_gridview.moc"
