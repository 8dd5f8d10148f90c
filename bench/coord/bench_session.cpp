#include "coord/updatesession.h"
#include "grid/griddata.h"
#include "store/gridstore.h"
#include "base/preferences.h"
#include "base/services.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
        : dir(memory ? QStringLiteral("/dev/shm/sbbench-XXXXXX") : QDir::tempPath() + QStringLiteral("/sbbench-XXXXXX"))
    {
        grid.setSize(30, 255);
        for (const char* sub : {"gsystem", "users", "colfiles", "databkup"})
            QDir(dir.path()).mkpath(QString::fromLatin1(sub));
        // As on a share pressed on before: the first press ever makes the
        // guard and waits for holders to look at theirs.
        (void)QFile(QDir(dir.path()).filePath(QStringLiteral("guard.scd"))).open(QIODevice::WriteOnly);
        for (int c = 0; c < grid.colCount(); ++c)
            for (int r = 0; r < grid.rowCount(); ++r)
                grid.setCell(c, r, QStringLiteral("C%1 R%2 text").arg(c).arg(r));
        for (int r = 1; r < grid.rowCount(); ++r)
            grid.setRowColor(r, r % 12);
        if (!GridStore(DataFolder(dir.path())).saveGrid(QStringLiteral("sgrid.scd"), grid).ok())
            std::abort();
        prefs.network = true;
        prefs.updateInterval = QStringLiteral("5");
        session = std::make_unique<UpdateSession>(DataFolder(dir.path()), document, prefs, identity, clock);
        if (!session->startUp().ok())
            std::abort();
    }
    QTemporaryDir dir;
    GridDocument document;
    GridData& grid = document.draft();
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
        (void)board.session->pressUpdate();
        board.document.draft().setCell(1, 1, QString::number(state.iterations()));
        state.ResumeTiming();
        if (!board.session->releaseUpdate().saved) {
            state.SkipWithError("grid not saved");
            break;
        }
    }
}

// Lock files named lock0000000.scd and on, free, stamped `age` seconds ago.
void plantLockFiles(const QDir& root, int count, time_t age)
{
    const timespec then {::time(nullptr) - age, 0};
    const timespec times[2] = {then, then};
    for (int i = 0; i < count; ++i) {
        const QByteArray path = QFile::encodeName(root.filePath(QStringLiteral("lock%1.scd").arg(i, 7, 10, QLatin1Char('0'))));
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        [[maybe_unused]] const ssize_t written = ::write(fd, "lock\r\n", 6);
        ::futimens(fd, times);
        ::close(fd);
    }
}

// The press that finds the lock files of 1,000 killed boards, an hour old by
// the file system's stamps: it scans them all and removes as many as one
// clean-up may.
void BM_PressWithStaleLockFiles(benchmark::State& state)
{
    Board board(true);
    const QDir root(board.dir.path());
    for (auto _ : state) {
        state.PauseTiming();
        plantLockFiles(root, 1000, 3600);
        state.ResumeTiming();
        if (board.session->pressUpdate().kind != UpdateSession::StartResult::Started) {
            state.SkipWithError("session did not start");
            break;
        }
        state.PauseTiming();
        board.session->releaseUpdate();
        state.ResumeTiming();
    }
}

// Lock files planted on the share, too young to be cleared: every press
// still tests each one. Arg: how many.
void BM_PressWithPlantedLockFiles(benchmark::State& state)
{
    Board board(true);
    plantLockFiles(QDir(board.dir.path()), int(state.range(0)), 0);
    for (auto _ : state) {
        if (board.session->pressUpdate().kind != UpdateSession::StartResult::Started) {
            state.SkipWithError("session did not start");
            break;
        }
        state.PauseTiming();
        board.session->releaseUpdate();
        state.ResumeTiming();
    }
}

// A viewer's poll while another workstation updates, whatever the folder
// holds. Arg: lock files planted.
void BM_PollUnchanged(benchmark::State& state)
{
    Board board(false);
    plantLockFiles(QDir(board.dir.path()), int(state.range(0)), 0);
    Board holder(false);
    UpdateSession other(DataFolder(board.dir.path()), holder.document, holder.prefs, holder.identity, holder.clock);
    if (other.pressUpdate().kind != UpdateSession::StartResult::Started)
        state.SkipWithError("the other workstation could not start");
    for (auto _ : state) {
        const UpdateSession::PollResult r = board.session->poll();
        benchmark::DoNotOptimize(r.reloaded);
    }
}

} // namespace

// Arg 0: local disk; 1: memory-backed folder (the cost without disk syncs).
BENCHMARK(BM_PressUpdate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReleaseUpdate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PressWithStaleLockFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PressWithPlantedLockFiles)->Arg(1000)->Arg(25000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PollUnchanged)->Arg(0)->Arg(25000)->Unit(benchmark::kMicrosecond)->UseRealTime();

BENCHMARK_MAIN();
