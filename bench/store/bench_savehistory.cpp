// Who changed what: the cost of the history at its caps, and of telling a
// full board's changes apart.
#include "grid/griddata.h"
#include "grid/griddiff.h"
#include "store/savehistory.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

constexpr int kRows = 254;
constexpr int kCols = 30;

GridData fullGrid()
{
    GridData g(kCols, kRows + 1);
    for (int c = 0; c < kCols; ++c)
        for (int r = 0; r <= kRows; ++r)
            g.setCell(c, r, QStringLiteral("C%1 R%2 text").arg(c).arg(r));
    return g;
}

// Every save at the caps: kMaxCellsPerSave cells of kMaxTextChars each way.
struct FullHistory
{
    FullHistory()
    {
        for (const char* sub : {"gsystem", "users", "colfiles", "databkup"})
            QDir(dir.path()).mkpath(QString::fromLatin1(sub));
        QList<SaveRecord> saves;
        for (int s = 0; s < SaveHistory::kMaxSaves; ++s) {
            SaveRecord r;
            r.timeMsUtc = 1700000000000LL + s * 60000LL;
            r.user = QStringLiteral("user%1").arg(s % 7);
            r.computer = QStringLiteral("PC-%1").arg(s % 5);
            r.titles = QStringList(kCols, QStringLiteral("Title"));
            for (int i = 0; i < SaveHistory::kMaxCellsPerSave; ++i)
                r.cells.append({1 + i % (kCols - 1), 1 + i, QString(SaveHistory::kMaxTextChars, QLatin1Char('a' + s % 26)),
                                QString(SaveHistory::kMaxTextChars, QLatin1Char('b'))});
            r.cellCount = int(r.cells.size());
            r.rowCount = GridDiff::rowCount(r.cells);
            saves.append(r);
        }
        if (!TextFile::write(folder().gsystem(SaveHistory::fileName()), SaveHistory::format(saves)).ok())
            std::abort();
    }
    DataFolder folder() const { return DataFolder(dir.path()); }
    QTemporaryDir dir;
};

// The History window opening: the whole file read, parsed and listed.
void BM_ReadFullHistory(benchmark::State& state)
{
    FullHistory h;
    for (auto _ : state) {
        const FileResult<QList<SaveRecord>> r = SaveHistory::read(h.folder());
        if (r.value.size() != SaveHistory::kMaxSaves) {
            state.SkipWithError("history not read whole");
            break;
        }
        benchmark::DoNotOptimize(SaveHistory::entries(r.value).size());
    }
}
BENCHMARK(BM_ReadFullHistory)->Unit(benchmark::kMillisecond);

// One keystroke in the filter over the full history's lines.
void BM_FilterFullHistory(benchmark::State& state)
{
    FullHistory h;
    const QList<SaveRecord> saves = SaveHistory::read(h.folder()).value;
    const QList<SaveHistory::Entry> entries = SaveHistory::entries(saves);
    for (auto _ : state) {
        int shown = 0;
        for (const SaveHistory::Entry& e : entries)
            shown += SaveHistory::matches(e, QStringLiteral("user3")) ? 1 : 0;
        benchmark::DoNotOptimize(shown);
    }
    state.counters["lines"] = double(entries.size());
}
BENCHMARK(BM_FilterFullHistory)->Unit(benchmark::kMillisecond);

// What a viewer reads at every reload to name the saver: the file's end.
void BM_ReadNewestSave(benchmark::State& state)
{
    FullHistory h;
    for (auto _ : state)
        benchmark::DoNotOptimize(SaveHistory::readNewest(h.folder()).value.cellCount);
}
BENCHMARK(BM_ReadNewestSave)->Unit(benchmark::kMicrosecond);

// A lock holder's record of its save: the file read, one save added, written.
void BM_AppendToFullHistory(benchmark::State& state)
{
    FullHistory h;
    GridData before = fullGrid();
    GridData after = before;
    for (int r = 1; r <= kRows; r += 3)
        after.setCell(2, r, QStringLiteral("changed"));
    for (auto _ : state) {
        const SaveRecord r = SaveHistory::record(before, after, QStringLiteral("bench"), QStringLiteral("BENCH-PC"), 1, {});
        if (!SaveHistory::append(h.folder(), r).ok()) {
            state.SkipWithError("not written");
            break;
        }
    }
}
BENCHMARK(BM_AppendToFullHistory)->Unit(benchmark::kMillisecond);

// A viewer's diff after a reload of a full board. Arg: cells changed.
void BM_DiffFullGrid(benchmark::State& state)
{
    const GridData before = fullGrid();
    GridData after = before;
    for (int i = 0; i < state.range(0); ++i)
        after.setCell(1 + i % (kCols - 1), 1 + i % kRows, QStringLiteral("changed %1").arg(i));
    for (auto _ : state)
        benchmark::DoNotOptimize(GridDiff::changedCells(before, after).size());
}
BENCHMARK(BM_DiffFullGrid)->Arg(4)->Arg(kRows * (kCols - 1))->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
