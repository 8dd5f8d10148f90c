#include "store/csvfile.h"
#include "store/csvimport.h"

#include <benchmark/benchmark.h>

namespace {

// A full board: 254 data rows, 30 columns, most cells filled.
GridData fullGrid()
{
    GridData g(30, 255);
    for (int c = 0; c < g.colCount(); ++c) {
        g.setCell(c, 0, QStringLiteral("Column %1").arg(c));
        for (int r = 1; r < g.rowCount(); ++r)
            if (c == 0 || (r + c) % 7)
                g.setCell(c, r, QStringLiteral("T-%1, Caf\u00e9 \"%2\"").arg(r).arg(c));
    }
    for (int r = 1; r < g.rowCount(); ++r)
        g.setRowColor(r, r % 12);
    return g;
}

// Export: the table and its bytes.
void BM_ExportCsv(benchmark::State& state)
{
    const GridData g = fullGrid();
    for (auto _ : state)
        benchmark::DoNotOptimize(CsvFile::format(CsvImport::exportRows(g, true)));
}
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMicrosecond);

// Import of the board's own export: read, matched, found to change nothing.
void BM_ImportCsvPlan(benchmark::State& state)
{
    const GridData g = fullGrid();
    const QByteArray bytes = CsvFile::format(CsvImport::exportRows(g, true));
    for (auto _ : state) {
        CsvFile::Table table;
        CsvFile::Problem problem;
        if (!CsvFile::parse(CsvFile::decode(bytes), table, problem)) {
            state.SkipWithError("not read");
            break;
        }
        benchmark::DoNotOptimize(CsvImport::plan(g, table));
    }
}
BENCHMARK(BM_ImportCsvPlan)->Unit(benchmark::kMicrosecond);

// The largest file read at all: 16 MiB of one quoted field, the reader's
// worst case before the cap refuses it.
void BM_ParseLargestCsv(benchmark::State& state)
{
    const QString text = u'"' + QString(int(CsvFile::kMaxBytes) - 4, u'x') + QStringLiteral("\"\r\n");
    for (auto _ : state) {
        CsvFile::Table table;
        CsvFile::Problem problem;
        benchmark::DoNotOptimize(CsvFile::parse(text, table, problem));
    }
}
BENCHMARK(BM_ParseLargestCsv)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
