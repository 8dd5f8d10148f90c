// The grid commands and the find rule on a full board: 254 data rows by 30 columns.
#include "base/preferences.h"
#include "grid/columnmenu.h"
#include "grid/griddata.h"
#include "grid/griddocument.h"
#include "grid/grideditor.h"
#include "grid/gridfind.h"
#include "grid/gridsort.h"
#include "tests/support/fakeservices.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kCols = 30;

GridData fullGrid(int dataRows)
{
    GridData g(kCols, dataRows + 1);
    for (int c = 0; c < kCols; ++c) {
        g.setCell(c, 0, QStringLiteral("Column %1").arg(c));
        for (int r = 1; r <= dataRows; ++r)
            g.setCell(c, r, QStringLiteral("value %1/%2").arg(r).arg(c));
    }
    for (int r = 1; r <= dataRows && r < GridData::kColorRows; ++r)
        g.setRowColor(r, 1 + r % 11);
    return g;
}

QStringList menuLines()
{
    QStringList lines;
    for (int i = 0; i < 50; ++i)
        lines.append(i == 0 ? QStringLiteral("&Date") : i % 20 == 0 ? QStringLiteral("Item %1&break").arg(i)
                                                                 : QStringLiteral("Item %1").arg(i));
    return lines;
}

// One pick: write the cell, advance, build the next column's menu.
void BM_Pick(benchmark::State& state)
{
    GridDocument doc{fullGrid(254)};
    GridData& g = doc.draft();
    Preferences p;
    p.autoMenu = true;
    FakeMessages m;
    GridEditor e(doc, p, m);
    const QStringList lines = menuLines();
    const ColumnMenuItem item{ColumnMenuItem::Value, QStringLiteral("Item 7")};
    int col = 1;
    for (auto _ : state) {
        e.selectCell(col, 127);
        const PickResult r = e.pickColumnItem(item);
        const QList<ColumnMenuItem> menu = buildColumnMenu(g.cell(r.advance.column, 0), true, lines);
        benchmark::DoNotOptimize(menu.data());
        col = col % (kCols - 2) + 1;
    }
}
BENCHMARK(BM_Pick);

void BM_BuildColumnMenu(benchmark::State& state)
{
    const QStringList lines = menuLines();
    for (auto _ : state) {
        const QList<ColumnMenuItem> menu = buildColumnMenu(QStringLiteral("Product"), true, lines);
        benchmark::DoNotOptimize(menu.data());
    }
}
BENCHMARK(BM_BuildColumnMenu);

// The grid is put back outside the timing so every run sees a full board.
void BM_DeleteRow(benchmark::State& state)
{
    GridDocument doc{fullGrid(254)};
    GridData& g = doc.draft();
    Preferences p;
    FakeMessages m;
    GridEditor e(doc, p, m);
    for (auto _ : state) {
        e.selectCell(5, 10);
        e.run(GridEditor::Command::DeleteRow);
        state.PauseTiming();
        g.insertRow(g.rowCount() + 1);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteRow);

// At 253 data rows, the most Insert Row accepts.
void BM_InsertRow(benchmark::State& state)
{
    GridDocument doc{fullGrid(253)};
    GridData& g = doc.draft();
    Preferences p;
    FakeMessages m;
    GridEditor e(doc, p, m);
    for (auto _ : state) {
        e.selectCell(5, 10);
        e.run(GridEditor::Command::InsertRow);
        state.PauseTiming();
        g.removeRow(g.rowCount());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InsertRow);

void BM_DeleteBlankLines(benchmark::State& state)
{
    Preferences p;
    FakeMessages m;
    for (auto _ : state) {
        state.PauseTiming();
        GridDocument doc{fullGrid(254)};
        GridData& g = doc.draft();
        for (int r = 2; r <= 254; r += 2)
            for (int c = 0; c < kCols; ++c)
                g.setCell(c, r, QString());
        GridEditor e(doc, p, m);
        state.ResumeTiming();
        e.run(GridEditor::Command::DeleteBlankLines);
    }
}
BENCHMARK(BM_DeleteBlankLines);

// "Grid Sort / Print" sorting a full board by a column of dates, on a fresh
// copy each time as the dialog's reload gives it.
void BM_SortRows(benchmark::State& state)
{
    GridData base = fullGrid(254);
    for (int r = 1; r <= 254; ++r)
        base.setCell(5, r, QStringLiteral("%1/%2/%3").arg(1 + r % 12, 2, 10, QLatin1Char('0'))
                               .arg(1 + r % 28, 2, 10, QLatin1Char('0')).arg(r % 30, 2, 10, QLatin1Char('0')));
    for (auto _ : state) {
        state.PauseTiming();
        GridData g = base;
        state.ResumeTiming();
        benchmark::DoNotOptimize(GridSort::sortRows(g, 5));
    }
}
BENCHMARK(BM_SortRows)->Unit(benchmark::kMillisecond);

// Finding runs at every key typed into the find bar and at every change of
// the grid, a reload included: the whole board, then the next match. Arg 0
// matches the 111 rows numbered 1, 1x and 1xx (3,219 data cells), 1 none.
void BM_Find(benchmark::State& state)
{
    const GridData g = fullGrid(254);
    const QString text = state.range(0) == 0 ? QStringLiteral("VALUE 1") : QStringLiteral("plums");
    for (auto _ : state) {
        const QList<QPoint> found = GridFind::matches(g, text);
        benchmark::DoNotOptimize(GridFind::step(found, QPoint(15, 127), GridFind::Direction::Forward));
    }
}
BENCHMARK(BM_Find)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
