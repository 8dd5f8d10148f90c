#include "store/gridstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// A full board: 254 data rows under the title row, 30 columns, every row
// coloured and most cells filled with text of a typical length.
GridData fullGrid()
{
    GridData g(30, 255);
    for (int c = 0; c < g.colCount(); ++c) {
        g.setCell(c, 0, QStringLiteral("Column %1").arg(c));
        for (int r = 1; r < g.rowCount(); ++r)
            if ((r + c) % 7)
                g.setCell(c, r, QStringLiteral("T-%1 Caf\u00e9 %2").arg(r).arg(c));
    }
    for (int r = 1; r < g.rowCount(); ++r)
        g.setRowColor(r, r % 12);
    return g;
}

struct Folder
{
    Folder()
    {
        QDir root(dir.path());
        for (const char* sub : {"gsystem", "users", "colfiles", "databkup"})
            root.mkpath(QString::fromLatin1(sub));
    }
    QTemporaryDir dir;
    DataFolder folder() const { return DataFolder(dir.path()); }
};

void BM_LoadGrid(benchmark::State& state)
{
    Folder f;
    GridStore store(f.folder());
    if (!store.saveGrid(QStringLiteral("sgrid.scd"), fullGrid()).ok()) {
        state.SkipWithError("could not write the grid file");
        return;
    }
    GridData g;
    for (auto _ : state) {
        const GridStore::LoadResult r = store.loadGrid(QStringLiteral("sgrid.scd"), g);
        if (!r.ok()) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(g);
    }
}
BENCHMARK(BM_LoadGrid)->Unit(benchmark::kMicrosecond);

void BM_SaveGrid(benchmark::State& state)
{
    Folder f;
    GridStore store(f.folder());
    const GridData g = fullGrid();
    for (auto _ : state) {
        if (!store.saveGrid(QStringLiteral("sgrid.scd"), g).ok()) {
            state.SkipWithError("save failed");
            break;
        }
    }
}
BENCHMARK(BM_SaveGrid)->Unit(benchmark::kMicrosecond);

// The bytes saveGrid writes, without the disk: what is left of a save
// once the three files' syncs are taken away.
void BM_GridFileBytes(benchmark::State& state)
{
    const GridData g = fullGrid();
    for (auto _ : state)
        benchmark::DoNotOptimize(GridStore::gridBytes(g));
}
BENCHMARK(BM_GridFileBytes)->Unit(benchmark::kMicrosecond);

// Opening the Backups window: the 100 backups kept, each of a full board,
// checked as far as their kind. Target: well under a second.
void BM_ListBackups(benchmark::State& state)
{
    Folder f;
    GridStore store(f.folder());
    const GridData g = fullGrid();
    const QDateTime first(QDate(2026, 3, 1), QTime(8, 0, 0));
    for (int i = 0; i < GridStore::kKeptBackups; ++i) {
        if (!store.backupGrid(g, first.addSecs(3600 * i), BackupKind::Update).ok()) {
            state.SkipWithError("could not write the backups");
            return;
        }
    }
    for (auto _ : state) {
        const QList<GridStore::BackupEntry> list = store.listBackups().value;
        if (list.size() != GridStore::kKeptBackups) {
            state.SkipWithError("backups missing from the list");
            break;
        }
        benchmark::DoNotOptimize(list);
    }
}
BENCHMARK(BM_ListBackups)->Unit(benchmark::kMillisecond);

// A schedule of about 20 MB: the full board with every cell some 2,700
// characters long.
GridData largeGrid()
{
    GridData g = fullGrid();
    for (int c = 0; c < g.colCount(); ++c)
        for (int r = 1; r < g.rowCount(); ++r)
            g.setCell(c, r, QStringLiteral("T-%1 load %2 ").arg(r).arg(c).repeated(300).left(2700));
    return g;
}

// Opening the Backups window on the 100 backups kept of a 20 MB schedule:
// the list, without any preview. Target: under a second.
void BM_ListBackupsOfLargeSchedule(benchmark::State& state)
{
    Folder f;
    GridStore store(f.folder());
    const QDateTime first(QDate(2026, 3, 1), QTime(8, 0, 0));
    if (!store.backupGrid(largeGrid(), first, BackupKind::Update).ok()) {
        state.SkipWithError("could not write the backup");
        return;
    }
    const QString written = f.folder().backups(GridStore::backupFileName(first));
    for (int i = 1; i < GridStore::kKeptBackups; ++i) {
        if (!QFile::copy(written, f.folder().backups(GridStore::backupFileName(first.addSecs(3600 * i))))) {
            state.SkipWithError("could not copy the backups");
            return;
        }
    }
    for (auto _ : state) {
        const QList<GridStore::BackupEntry> list = store.listBackups().value;
        if (list.size() != GridStore::kKeptBackups || !list.first().readable || list.first().kind != BackupKind::Update) {
            state.SkipWithError("backups missing from the list");
            break;
        }
        benchmark::DoNotOptimize(list);
    }
    state.counters["backup_MB"] = double(QFileInfo(written).size()) / (1024 * 1024);
}
BENCHMARK(BM_ListBackupsOfLargeSchedule)->Unit(benchmark::kMillisecond);

// Selecting a backup: reading it whole for the preview.
void BM_LoadBackup(benchmark::State& state)
{
    Folder f;
    GridStore store(f.folder());
    const QDateTime when(QDate(2026, 3, 1), QTime(8, 0, 0));
    if (!store.backupGrid(fullGrid(), when, BackupKind::Update).ok()) {
        state.SkipWithError("could not write the backup");
        return;
    }
    GridData g;
    for (auto _ : state) {
        if (!store.loadBackup(GridStore::backupFileName(when), g).ok()) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(g);
    }
}
BENCHMARK(BM_LoadBackup)->Unit(benchmark::kMicrosecond);

// Selecting a backup of a 20 MB schedule: what the preview waits for.
void BM_LoadLargeBackup(benchmark::State& state)
{
    Folder f;
    GridStore store(f.folder());
    const QDateTime when(QDate(2026, 3, 1), QTime(8, 0, 0));
    if (!store.backupGrid(largeGrid(), when, BackupKind::Update).ok()) {
        state.SkipWithError("could not write the backup");
        return;
    }
    GridData g;
    for (auto _ : state) {
        if (!store.loadBackup(GridStore::backupFileName(when), g).ok()) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(g);
    }
}
BENCHMARK(BM_LoadLargeBackup)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
