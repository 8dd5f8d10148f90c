// Runs update sessions against a data folder as fast as the lock allows, for
// the multi-process tests: every session adds one to cell (1,1) and logs when
// it held the board, in microseconds of the wall clock: the one clock that
// Linux processes and Windows ones under Wine on the same machine share. A
// session is logged from its start to the last rename of its save, the last
// step the release takes before it lets the lock go: a stamp taken once the
// release has returned could follow the next session's start on a busy machine.
//
//   sb_hammer run <folder> <sessions> <log file> [<ms>]
//                                  each session lasts <ms> more before its release
//                                  and is followed by as long a pause, as a user
//                                  who keeps the board a while and then leaves it
//                                  to the others (default 0: presses again at
//                                  once); a session that had to yield to
//                                  another workstation that came in meanwhile saved
//                                  nothing: it prints "yielded" and is run again,
//                                  and the hammer ends with exit code 6
//   sb_hammer hold <folder>        takes the lock, prints "held", watches its lock
//                                  file every second as a board does ("lost" when
//                                  another workstation came in), waits to be killed
//   sb_hammer save <folder>        saves two versions of the grid in turn, for ever,
//                                  after printing "saving": the crash test kills it
//   sb_hammer start <folder>       starts as a board does, presses Update once and
//                                  lets a session it got go unsaved
//   sb_hammer press <folder>       as start, and prints what the press found:
//                                  "started", "busy", "lockerror <file>: <reason>"
//                                  or "failed <message>"

#include "coord/updatesession.h"
#include "tests/coord/crashversions.h"
#include "grid/griddata.h"
#include "store/gridstore.h"
#include "base/preferences.h"
#include "base/services.h"
#include "store/textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

qint64 wallClockUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

class HammerIdentity final : public Identity
{
public:
    QString computerName() const override { return QStringLiteral("hammer-%1").arg(QCoreApplication::applicationPid()); }
    QString userName() const override { return QStringLiteral("hammer"); }
};

// Presses Update until the session starts; a busy board is retried after a
// short random pause rather than spun on.
bool enter(UpdateSession& session)
{
    for (;;) {
        const UpdateSession::StartResult r = session.pressUpdate();
        if (r.kind == UpdateSession::StartResult::Started)
            return true;
        if (r.kind == UpdateSession::StartResult::SnapshotFailed) {
            std::fprintf(stderr, "%s\n", qPrintable(r.message));
            return false;
        }
        if (r.kind == UpdateSession::StartResult::ReloadFailed) {
            std::fprintf(stderr, "Could not read %s\n", qPrintable(r.message));
            return false;
        }
        QThread::usleep(500 + QRandomGenerator::global()->bounded(3500));
    }
}

QString pressOutcome(const UpdateSession::StartResult& r)
{
    switch (r.kind) {
    case UpdateSession::StartResult::Started:
        return QStringLiteral("started");
    case UpdateSession::StartResult::Busy:
        return QStringLiteral("busy");
    case UpdateSession::StartResult::LockError:
        return QStringLiteral("lockerror %1: %2").arg(QDir::toNativeSeparators(r.path), r.reason);
    case UpdateSession::StartResult::ReloadFailed:
        return QStringLiteral("failed ") + r.message;
    case UpdateSession::StartResult::SnapshotFailed:
        return QStringLiteral("failed ") + r.message;
    }
    return QStringLiteral("failed");
}

int usage()
{
    std::fprintf(stderr,
                 "usage: sb_hammer run <folder> <sessions> <log> [<ms>] | sb_hammer hold|save|start|press <folder>\n");
    return 2;
}

[[noreturn]] void saveForEver(const DataFolder& folder)
{
    const GridStore store(folder);
    const GridData versions[2] = {crashTestVersion(0), crashTestVersion(1)};
    std::printf("saving\n");
    std::fflush(stdout);
    // Killed at a random moment; a save that failed is simply the next one's turn.
    for (int i = 1;; ++i)
        (void)store.saveGrid(QStringLiteral("sgrid.scd"), versions[i % 2]);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return usage();
    const QString mode = args[1];
    const DataFolder folder(args[2]);
    if (mode == u"save" && args.size() == 3)
        saveForEver(folder);

    GridDocument document;
    GridData& grid = document.draft();
    Preferences prefs;
    prefs.network = true;
    prefs.updateInterval = QStringLiteral("1");
    HammerIdentity identity;
    SystemClock clock;
    UpdateSession session(folder, document, prefs, identity, clock);
    // A grid that did not load is read again by the press.
    (void)session.startUp();

    if (mode == u"hold" && args.size() == 3) {
        if (!enter(session))
            return 3;
        std::printf("held\n");
        std::fflush(stdout);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&session] {
            if (session.checkLock()) {
                std::printf("lost\n");
                std::fflush(stdout);
            }
        });
        watch.start(UpdateSession::kLockCheckMs);
        return app.exec();
    }
    if ((mode == u"start" || mode == u"press") && args.size() == 3) {
        const UpdateSession::StartResult r = session.pressUpdate();
        if (r.kind == UpdateSession::StartResult::Started)
            session.abandon();
        session.closeDown();
        if (mode == u"press") {
            std::printf("%s\n", qPrintable(pressOutcome(r)));
            std::fflush(stdout);
        }
        return 0;
    }
    if (mode != u"run" || (args.size() != 5 && args.size() != 6))
        return usage();

    bool ok = false;
    const int sessions = args[3].toInt(&ok);
    if (!ok || sessions < 0)
        return usage();
    const int heldMs = args.size() == 6 ? args[5].toInt(&ok) : 0;
    if (!ok || heldMs < 0)
        return usage();
    QStringList log;
    log.reserve(sessions);
    bool yielded = false;
    qint64 lastRename = 0;
    TextFile::setFaultHook([&lastRename](TextFile::Step step, const QString&) {
        if (step == TextFile::Step::Rename)
            lastRename = wallClockUs();
        return 0;
    });
    while (log.size() < sessions) {
        if (!enter(session))
            return 3;
        const qint64 in = wallClockUs();
        grid.setCell(1, 1, QString::number(grid.cell(1, 1).toLongLong() + 1));
        if (heldMs > 0)
            QThread::msleep(heldMs);
        lastRename = 0;
        const UpdateSession::EndResult e = session.releaseUpdate();
        const qint64 out = lastRename;
        if (e.lockLost) {
            yielded = true;
            std::printf("yielded\n");
            std::fflush(stdout);
            continue;
        }
        if (!e.saved) {
            std::fprintf(stderr, "%s\n", qPrintable(e.failure.message));
            return 4;
        }
        if (out < in) {
            std::fprintf(stderr, "the release saved without renaming anything into place\n");
            return 4;
        }
        log.append(QString::number(in) + u' ' + QString::number(out));
        if (heldMs > 0)
            QThread::msleep(heldMs);
    }
    session.closeDown();
    if (!TextFile::write(args[4], log).ok())
        return 5;
    return yielded ? 6 : 0;
}
