// Time from one workstation's release of Update to another's reload of the
// save, across two processes on one data folder, as two boards see it.
//
//   bench_reloadlatency                      writer and viewer on a fresh folder, median
//   bench_reloadlatency --view FOLDER N      a viewer: N reloads, each one's latency
//   bench_reloadlatency --write FOLDER N MS  a writer: N sessions, MS apart
//
// The writer puts the time of its release into a cell; the viewer subtracts
// it from the time its reload finished. Both read the one machine's clock,
// so a viewer under Wine beside a Linux writer measures the mixed office.
#include "coord/changewatch.h"
#include "coord/updatesession.h"
#include "base/preferences.h"
#include "base/services.h"
#include "grid/griddata.h"
#include "store/gridstore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

class BenchIdentity final : public Identity
{
public:
    QString computerName() const override { return QStringLiteral("BENCH-PC"); }
    QString userName() const override { return QStringLiteral("bench"); }
};

struct Station
{
    explicit Station(const QString& folder) : session(DataFolder(folder), document, prefs, identity, clock)
    {
        prefs.network = true;
        prefs.updateInterval = QStringLiteral("5");
    }
    GridDocument document;
    Preferences prefs;
    BenchIdentity identity;
    SystemClock clock;
    UpdateSession session;
};

qint64 nowMs() { return QDateTime::currentMSecsSinceEpoch(); }

// A full board: 254 data rows of 30 columns.
bool makeFolder(const QString& root)
{
    for (const char* sub : {"gsystem", "users", "colfiles", "databkup"})
        QDir(root).mkpath(QString::fromLatin1(sub));
    (void)QFile(QDir(root).filePath(QStringLiteral("guard.scd"))).open(QIODevice::WriteOnly);
    GridData grid(30, 255);
    for (int c = 0; c < grid.colCount(); ++c)
        for (int r = 0; r < grid.rowCount(); ++r)
            grid.setCell(c, r, QStringLiteral("C%1 R%2 text").arg(c).arg(r));
    return GridStore(DataFolder(root)).saveGrid(QStringLiteral("sgrid.scd"), grid).ok();
}

int write(const QString& folder, int count, int gapMs)
{
    Station s(folder);
    if (!s.session.startUp().ok())
        return 2;
    for (int i = 0; i < count; ++i) {
        QThread::msleep(gapMs / 2);
        if (s.session.pressUpdate().kind != UpdateSession::StartResult::Started)
            return 3;
        // A user's edit takes a while: the press's own writes have long
        // been reported when the release comes.
        QThread::msleep(gapMs / 2);
        s.document.draft().setCell(1, 1, QString::number(nowMs()));
        if (!s.session.releaseUpdate().saved)
            return 4;
    }
    return 0;
}

// Runs until `count` reloads came, or the writer is long overdue.
QList<qint64> view(const QString& folder, int count, int limitMs)
{
    QList<qint64> latencies;
    Station s(folder);
    if (!s.session.startUp().ok())
        return latencies;
    ChangeWatch watch(DataFolder(folder), s.session);
    std::fprintf(stderr, "change reports: %s\n", watch.watching() ? "watched" : "none");
    const auto poll = [&] {
        const UpdateSession::PollResult r = s.session.poll();
        if (!r.reloaded)
            return;
        bool ok = false;
        const qint64 released = s.document.data().cell(1, 1).toLongLong(&ok);
        if (ok)
            latencies.append(nowMs() - released);
        if (latencies.size() >= count)
            QCoreApplication::quit();
    };
    QObject::connect(&watch, &ChangeWatch::pollDue, poll);
    QObject::connect(&s.session.pollTimer(), &QTimer::timeout, poll);
    QTimer::singleShot(limitMs, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    return latencies;
}

qint64 median(QList<qint64> values)
{
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(const QList<qint64>& latencies, int count)
{
    for (qint64 ms : latencies)
        std::printf("reload %lld ms\n", static_cast<long long>(ms));
    std::printf("reload_latency_median %lld ms (%lld of %d reloads, max %lld ms)\n",
                static_cast<long long>(median(latencies)), static_cast<long long>(latencies.size()), count,
                static_cast<long long>(latencies.isEmpty() ? -1 : *std::max_element(latencies.begin(), latencies.end())));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    constexpr int kGapMs = 1500;
    if (args.value(1) == QLatin1String("--write"))
        return write(args.value(2), args.value(3).toInt(), args.value(4).toInt());
    if (args.value(1) == QLatin1String("--view")) {
        const int count = args.value(3).toInt();
        report(view(args.value(2), count, count * kGapMs + 20000), count);
        return 0;
    }
    constexpr int kCount = 15;
    QTemporaryDir dir;
    if (!dir.isValid() || !makeFolder(dir.path()))
        return 2;
    QProcess writer;
    writer.setProcessChannelMode(QProcess::ForwardedChannels);
    writer.start(app.applicationFilePath(),
                 {QStringLiteral("--write"), dir.path(), QString::number(kCount), QString::number(kGapMs)});
    const QList<qint64> latencies = view(dir.path(), kCount, kCount * kGapMs + 20000);
    writer.waitForFinished(30000);
    report(latencies, kCount);
    return latencies.size() == kCount && writer.exitCode() == 0 ? 0 : 1;
}
