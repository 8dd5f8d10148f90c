// The undo history of a long session on a full board (254 data rows by 30
// columns): the heap it keeps after 1,000 edits of each kind, and the time
// one recorded edit takes. The kept heap must stay under 20 MB.
#include "grid/griddata.h"
#include "grid/gridhistory.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

constexpr int kCols = 30;
constexpr int kRows = 255;   // the title row and 254 data rows
constexpr int kEdits = 1000;

GridData fullGrid()
{
    GridData g(kCols, kRows);
    for (int c = 0; c < kCols; ++c)
        for (int r = 0; r < kRows; ++r)
            g.setCell(c, r, QStringLiteral("value %1/%2").arg(r).arg(c));
    return g;
}

enum Mix { TypedCells, RowMoves, ColumnMoves, Mixed };

// One edit of the mix, as the board's commands make it.
void edit(GridData& g, Mix mix, int i)
{
    const int kind = mix == Mixed ? i % 5 : mix == TypedCells ? 0 : mix == RowMoves ? 1 : 2;
    switch (kind) {
    case 0: g.setCell(1 + i % (kCols - 1), 1 + i % (kRows - 1), QStringLiteral("typed %1").arg(i)); break;
    // Delete Row and Add Row in turn keep the grid full.
    case 1: i % 2 ? g.insertRow(g.rowCount() + 1) : g.removeRow(2 + i % (kRows - 2)); break;
    case 2: i % 2 ? g.insertColumn(g.colCount() + 1) : g.removeColumn(2 + i % (kCols - 2)); break;
    case 3: g.setRowColor(1 + i % 254, 1 + i % 11); break;
    case 4:   // a row pasted over another
        for (int c = 1; c < g.colCount(); ++c)
            g.setCell(c, 1 + (i + 7) % (kRows - 1), g.cell(c, 1 + i % (kRows - 1)));
        break;
    }
}

void BM_HistoryOf1000Edits(benchmark::State& state)
{
    const Mix mix = Mix(state.range(0));
    double keptMb = 0;
    for (auto _ : state) {
        state.PauseTiming();
        GridData g = fullGrid();
        GridHistory h;
        malloc_trim(0);
        const size_t before = mallinfo2().uordblks;
        state.ResumeTiming();
        h.start(g);
        for (int i = 0; i < kEdits; ++i) {
            edit(g, mix, i);
            h.record(g, QStringLiteral("edit"));
        }
        state.PauseTiming();
        // What the grid itself grew by counts too: its columns are no longer
        // the ones the history shares.
        keptMb = double(mallinfo2().uordblks - before) / (1024.0 * 1024.0);
        benchmark::DoNotOptimize(h.undoCount());
        state.ResumeTiming();
    }
    state.counters["kept_MB"] = keptMb;
    state.counters["steps"] = kEdits;
    if (keptMb >= 20.0)
        state.SkipWithError("history of 1,000 edits keeps 20 MB or more");
}
BENCHMARK(BM_HistoryOf1000Edits)->ArgName("mix")->DenseRange(TypedCells, Mixed)->Unit(benchmark::kMillisecond);

void BM_UndoAll(benchmark::State& state)
{
    GridData start = fullGrid();
    for (auto _ : state) {
        state.PauseTiming();
        GridData g = start;
        GridHistory h;
        h.start(g);
        for (int i = 0; i < kEdits; ++i) {
            edit(g, Mixed, i);
            h.record(g, QStringLiteral("edit"));
        }
        state.ResumeTiming();
        while (h.undo(g)) {
        }
    }
}
BENCHMARK(BM_UndoAll)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
