// The grid's widgets on a full board: 254 data rows, 30 columns.

#include "gridview/columnmenupopup.h"
#include "grid/griddata.h"
#include "grid/griddocument.h"
#include "gridview/gridview.h"
#include "grid/printlayout.h"
#include "base/preferences.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QFontMetrics>
#include <QMenu>
#include <QPixmap>

#include <benchmark/benchmark.h>

namespace {

constexpr int kCols = 30;
constexpr int kRows = 255;

GridData fullGrid()
{
    GridData grid(kCols, kRows);
    for (int c = 0; c < kCols; ++c)
        grid.setCell(c, 0, QStringLiteral("Column %1").arg(c));
    for (int r = 1; r < kRows; ++r) {
        grid.setCell(0, r, QStringLiteral("Dock %1").arg(r));
        for (int c = 1; c < kCols; ++c)
            grid.setCell(c, r, QStringLiteral("Value %1-%2").arg(r % 17).arg(c * 3));
        grid.setRowColor(r, r % 12);
    }
    return grid;
}

struct Board
{
    GridDocument document{fullGrid()};
    GridData& grid = document.draft();
    Preferences prefs;
    GridView view{document, prefs};
    ColumnMenuPopup menu;

    Board()
    {
        view.resize(1024, 700);
        view.show();
        view.fitColumnWidths();
    }

    void buildMenu(int items)
    {
        menu.clear();
        menu.setHeadItem(QStringLiteral("COLUMN"));
        menu.addItem(QStringLiteral("UPDATE OFF"));
        menu.addItem(QStringLiteral("SKIP CELL"));
        menu.addItem(QStringLiteral("CLEAR CELL"));
        for (int i = 0; i < items; ++i) {
            if (i > 0 && i % 25 == 0)
                menu.addColumnBreak(false);
            menu.addItem(QStringLiteral("Menu value %1").arg(i));
        }
    }
};

// One column-menu pick: the value is written, the widths follow, and the
// next column's menu is built and shown.
void BM_Pick(benchmark::State& state)
{
    Board b;
    int n = 0;
    for (auto _ : state) {
        const int col = 1 + n % (kCols - 1);
        const int row = 1 + (n / (kCols - 1)) % (kRows - 1);
        b.grid.setCell(col, row, QStringLiteral("Picked %1").arg(n % 40));
        b.document.publish();
        b.view.fitColumnWidths();
        b.view.focusCell(std::min(col + 1, kCols - 1), row);
        b.buildMenu(50);
        b.menu.popup(QPoint(100, 100));
        b.menu.closeMenu();
        ++n;
    }
}
BENCHMARK(BM_Pick)->Unit(benchmark::kMillisecond);

// Widths after a font change: nothing measured before can be reused.
void BM_OptimalWidthsNewFont(benchmark::State& state)
{
    Board b;
    int n = 0;
    for (auto _ : state) {
        b.prefs.fontSize = 8 + n++ % 2;
        b.view.applyPreferences();
        b.view.fitColumnWidths();
    }
}
BENCHMARK(BM_OptimalWidthsNewFont)->Unit(benchmark::kMillisecond);

// A grid file with one cell of 30 MB, as the sort/print dialog fits and
// prints it: only what a column can show is measured and laid out.
void BM_HugeCellWidthAndLines(benchmark::State& state)
{
    const QString huge = QStringLiteral("word ").repeated(6000000);
    QFont font = QApplication::font();
    font.setPixelSize(9);
    const QFontMetrics metrics(font);
    const auto measure = [&metrics](QStringView s) { return metrics.horizontalAdvance(s.toString()); };
    for (auto _ : state) {
        const int width = PrintLayout::shownWidth(huge, PrintLayout::kMaxColumnWidth, measure);
        const QStringList lines = PrintLayout::wrapWords(PrintLayout::shownPart(huge), width, measure, 2);
        benchmark::DoNotOptimize(lines.size());
    }
}
BENCHMARK(BM_HugeCellWidthAndLines)->Unit(benchmark::kMillisecond);

void BM_FullRepaint(benchmark::State& state)
{
    Board b;
    for (auto _ : state) {
        QPixmap p = b.view.grab();
        benchmark::DoNotOptimize(p);
    }
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond);

void BM_Menu100ShowAndPaint(benchmark::State& state)
{
    Board b;
    for (auto _ : state) {
        b.buildMenu(100);
        b.menu.popup(QPoint(200, 50));
        QPixmap p = b.menu.grab();
        benchmark::DoNotOptimize(p);
        b.menu.closeMenu();
    }
}
BENCHMARK(BM_Menu100ShowAndPaint)->Unit(benchmark::kMillisecond);

// Sees the paints that put the next menu and the grid on screen.
struct PaintWatch : QObject
{
    QObject* menu = nullptr;
    QObject* grid = nullptr;
    bool menuPainted = false;
    bool gridPainted = false;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            menuPainted |= watched == menu;
            gridPainted |= watched == grid;
        }
        return false;
    }
    // Runs the event loop until both are painted (or a second has passed).
    void waitForBoth()
    {
        QElapsedTimer timer;
        timer.start();
        while (!(menuPainted && gridPainted) && timer.elapsed() < 1000)
            QCoreApplication::processEvents();
        menuPainted = gridPainted = false;
    }
};

// A pick in a column menu to the next column's menu painted on screen, as
// the board does it with auto menu on: the menu closes, the value is
// written, the view reloads and focuses the next cell, the next menu (50
// values in columns of 25) is built and popped up, the widths follow, and
// the event loop paints. Menu is the popup under test: the board's own
// ColumnMenuPopup, or a plain QMenu as the yardstick.
template <typename Menu>
void pickToNextMenu(benchmark::State& state, Menu& menu, void (*build)(Menu&, int column),
                    void (*open)(Menu&, QPoint))
{
    Board b;
    PaintWatch watch;
    watch.menu = &menu;
    watch.grid = b.view.viewport();
    menu.installEventFilter(&watch);
    b.view.viewport()->installEventFilter(&watch);
    build(menu, 1);
    open(menu, QPoint(300, 200));
    watch.waitForBoth();
    int n = 0;
    for (auto _ : state) {
        const int col = 1 + n % (kCols - 2);
        const int row = 1 + (n / (kCols - 2)) % (kRows - 1);
        menu.hide();
        b.grid.setCell(col, row, QStringLiteral("Picked %1").arg(n % 40));
        b.document.publish();
        b.view.focusCell(col + 1, row);
        build(menu, col + 1);
        open(menu, QPoint(300, 200));
        b.view.fitColumnWidths();
        watch.waitForBoth();
        ++n;
    }
    menu.hide();
}

QString menuValue(int column, int i)
{
    return QStringLiteral("Value %1-%2").arg(i % 17).arg(column * 3);
}

void BM_PickToNextMenu_ColumnMenuPopup(benchmark::State& state)
{
    ColumnMenuPopup menu;
    pickToNextMenu<ColumnMenuPopup>(
        state, menu,
        [](ColumnMenuPopup& m, int column) {
            m.clear();
            m.setHeadItem(QStringLiteral("Column %1").arg(column));
            m.addItem(QStringLiteral("UPDATE OFF"));
            m.addItem(QStringLiteral("SKIP CELL"));
            m.addItem(QStringLiteral("CLEAR CELL"));
            for (int i = 0; i < 50; ++i) {
                if (i > 0 && i % 25 == 0)
                    m.addColumnBreak(false);
                m.addItem(menuValue(column, i));
            }
        },
        [](ColumnMenuPopup& m, QPoint at) { m.popup(at); });
}
BENCHMARK(BM_PickToNextMenu_ColumnMenuPopup)->Unit(benchmark::kMillisecond);

// The same items in a plain QMenu (one column: it has no column breaks).
void BM_PickToNextMenu_PlainQMenu(benchmark::State& state)
{
    QMenu menu;
    pickToNextMenu<QMenu>(
        state, menu,
        [](QMenu& m, int column) {
            m.clear();
            QAction* head = m.addAction(QStringLiteral("Column %1").arg(column));
            QFont bold = head->font();
            bold.setBold(true);
            head->setFont(bold);
            m.addAction(QStringLiteral("UPDATE OFF"));
            m.addAction(QStringLiteral("SKIP CELL"));
            m.addAction(QStringLiteral("CLEAR CELL"));
            for (int i = 0; i < 50; ++i)
                m.addAction(menuValue(column, i));
        },
        [](QMenu& m, QPoint at) { m.popup(at); });
}
BENCHMARK(BM_PickToNextMenu_PlainQMenu)->Unit(benchmark::kMillisecond);

} // namespace

// Laying out a full board's print pages as "Grid Sort / Print" does at 600
// dpi: bands, rows placed on pages, every cell's text broken into lines with
// the printer font's metrics.
void BM_PrintLayout(benchmark::State& state)
{
    const GridData grid = fullGrid();
    QList<int> widths;
    for (int c = 0; c < kCols; ++c)
        widths.append(c == 0 ? 60 : 70);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(9 * 6);
    const QFontMetrics plain(font);
    font.setBold(true);
    const QFontMetrics bold(font);
    for (auto _ : state) {
        const QList<PrintLayout::Band> bands = PrintLayout::columnBands(widths);
        const QList<PrintLayout::PlacedRow> rows = PrintLayout::placeRows(grid.rowCount(), {13, true, 6, 6814});
        qsizetype lines = 0;
        for (const PrintLayout::PlacedRow& row : rows) {
            const QFontMetrics& fm = row.style == PrintLayout::Style::BoldUnderlined ? bold : plain;
            for (const PrintLayout::Band& band : bands) {
                const QRect rect = PrintLayout::cellRect(band, row, 6, 6);
                if (rect.left() >= 4760)
                    break;
                lines += PrintLayout::wrapWords(grid.cell(&band - bands.data(), row.row), rect.width(),
                                                [&fm](QStringView s) { return fm.horizontalAdvance(s.toString()); })
                             .size();
            }
        }
        benchmark::DoNotOptimize(lines);
    }
}
BENCHMARK(BM_PrintLayout)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
