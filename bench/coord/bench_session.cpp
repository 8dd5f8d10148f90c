#include "coord/updatesession.h"
#include "grid/griddata.h"
#include "store/gridstore.h"
#include "base/preferences.h"
#include "base/services.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

class BenchIdentity final : public Identity
{
public:
    QString computerName() const override { return QStringLiteral("BENCH-PC"); }
    QString userName() const override { return QStringLiteral("bench"); }
};

// A full board (254 data rows, 30 columns) in a fresh data folder, either on
// the local disk (every save synced) or in memory.
struct Board
{
    explicit Board(bool memory)
        : dir(memory ? QStringLiteral("/dev/shm/sbbench-XXXXXX") : QDir::tempPath() + QStringLiteral("/sbbench-XXXXXX")),
          grid(30, 255)
    {
        for (const char* sub : {"gsystem", "users", "colfiles", "databkup"})
            QDir(dir.path()).mkpath(QString::fromLatin1(sub));
        for (int c = 0; c < grid.colCount(); ++c)
            for (int r = 0; r < grid.rowCount(); ++r)
                grid.setCell(c, r, QStringLiteral("C%1 R%2 text").arg(c).arg(r));
        for (int r = 1; r < grid.rowCount(); ++r)
            grid.setRowColor(r, r % 12);
        GridStore(DataFolder(dir.path())).SaveGrid(QStringLiteral("sgrid.scd"), grid);
        prefs.network = true;
        prefs.updateInterval = QStringLiteral("5");
        session = std::make_unique<UpdateSession>(DataFolder(dir.path()), grid, prefs, identity, clock);
        session->startUp();
    }
    QTemporaryDir dir;
    GridData grid;
    Preferences prefs;
    BenchIdentity identity;
    SystemClock clock;
    std::unique_ptr<UpdateSession> session;
};

void BM_PressUpdate(benchmark::State& state)
{
    Board board(state.range(0) != 0);
    for (auto _ : state) {
        const UpdateSession::StartResult r = board.session->pressUpdate();
        if (r.kind != UpdateSession::StartResult::Started) {
            state.SkipWithError("session did not start");
            break;
        }
        state.PauseTiming();
        board.session->releaseUpdate();
        state.ResumeTiming();
    }
}

void BM_ReleaseUpdate(benchmark::State& state)
{
    Board board(state.range(0) != 0);
    for (auto _ : state) {
        state.PauseTiming();
        board.session->pressUpdate();
        board.grid.setCell(1, 1, QString::number(state.iterations()));
        state.ResumeTiming();
        if (!board.session->releaseUpdate().saved) {
            state.SkipWithError("grid not saved");
            break;
        }
    }
}

void BM_PollUnchanged(benchmark::State& state)
{
    Board board(false);
    for (auto _ : state) {
        const UpdateSession::PollResult r = board.session->poll();
        benchmark::DoNotOptimize(r.reloaded);
    }
}

} // namespace

// Arg 0: local disk; 1: memory-backed folder (the cost without disk syncs).
BENCHMARK(BM_PressUpdate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReleaseUpdate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PollUnchanged)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
