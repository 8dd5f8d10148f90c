#include "coord/updatesession.h"
#include "tests/coord/crashversions.h"
#include "grid/griddata.h"
#include "store/gridstore.h"
#include "base/preferences.h"
#include "store/textfile.h"
#include "tests/support/fakeservices.h"
#include "tests/support/testfolder.h"
#include "tests/support/testplatform.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QProcessEnvironment>
#include <QTest>
#include <QThread>

#include <csignal>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#ifndef SB_HAMMER
#error "SB_HAMMER must name the hammer executable"
#endif
#ifndef SB_SHARECLIENT
#error "SB_SHARECLIENT must name the share client shim"
#endif

namespace {

// A data folder on the named file system, or in the default temporary place.
struct SharedFolder
{
    explicit SharedFolder(const QString& base)
        : dir(base.isEmpty() ? QDir::tempPath() + QStringLiteral("/sbmp-XXXXXX")
                             : base + QStringLiteral("/sbmp-XXXXXX"))
    {
        for (const char* sub : {"gsystem", "users", "colfiles", "databkup"})
            QDir(dir.path()).mkpath(QString::fromLatin1(sub));
    }
    QTemporaryDir dir;
    DataFolder folder() const { return DataFolder(dir.path()); }
};

// Reads the shared grid file over and over while the writers run: every
// version it sees must be whole, and the counter must never go back.
class Viewer
{
public:
    explicit Viewer(const QString& path) : m_path(path), m_thread([this] { run(); }) {}
    ~Viewer() { stop(); }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    int reads() const { return m_reads; }
    QStringList faults() const { return m_faults; }

private:
    void run()
    {
        qint64 last = -1;
        while (!m_stop) {
            const TextFile::ReadResult r = TextFile::read(m_path);
            ++m_reads;
            bool okCols = false, okRows = false;
            const int cols = r.value.value(0).toInt(&okCols);
            const int rows = r.value.value(1).toInt(&okRows);
            if (!r.ok() || !okCols || !okRows || r.value.size() != 2 + cols * rows) {
                m_faults.append(QStringLiteral("unreadable or partial grid file (%1 lines)").arg(r.value.size()));
            } else {
                const qint64 counter = r.value.value(2 + rows + 1).toLongLong();
                if (counter < last)
                    m_faults.append(QStringLiteral("counter went back from %1 to %2").arg(last).arg(counter));
                last = counter;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    QString m_path;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_reads{0};
    QStringList m_faults;
    std::thread m_thread;
};

// Meddles with the folder's lock files while the hammers run, every 100 ms:
// back-dates every lock file two minutes, so that the holder's clean-up
// removes the free ones and the next presses lock files of fresh names, or
// deletes the guard, as somebody tidying the share by hand would.
class Meddler
{
public:
    enum Kind { None, BackDate, DeleteGuard };
    Meddler(const QString& root, Kind kind) : m_root(root), m_kind(kind)
    {
        if (kind != None)
            m_thread = std::thread([this] { run(); });
    }
    ~Meddler() { stop(); }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    int touches() const { return m_touches; }

private:
    void run()
    {
        const QDir root(m_root);
        while (!m_stop) {
            if (m_kind == BackDate) {
                const qint64 old = QDateTime::currentSecsSinceEpoch() - 120;
                for (const QString& name : root.entryList({QStringLiteral("lock*.scd")}, QDir::Files))
                    m_touches += TestPlatform::setModifiedTime(root.filePath(name), old) ? 1 : 0;
            } else if (QFile::remove(root.filePath(UpdateLock::guardFileName()))) {
                ++m_touches;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }

    QString m_root;
    Kind m_kind;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_touches{0};
    std::thread m_thread;
};

// The environment of a process whose share's client answers listings from a
// copy up to `seconds` old.
QProcessEnvironment cachedListings(int seconds)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(SB_SHARECLIENT));
    env.insert(QStringLiteral("SB_LIST_CACHE_SECONDS"), QString::number(seconds));
    // A sanitizer's runtime wants to come first; the shim does not mind.
    env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":verify_asan_link_order=0"));
    return env;
}

struct Interval
{
    qint64 in = 0;
    qint64 out = 0;
    int process = 0;
};

} // namespace

class TestMultiProcess : public QObject
{
    Q_OBJECT

private slots:
    void sessionsNeverOverlap_data();
    void sessionsNeverOverlap();
    void killedHolderBlocksNobody();
    void deletedLockFileIsTakenAgain_data();
    void deletedLockFileIsTakenAgain();
    void killedSaveLeavesWholeGrid();
    void fastClockNeverBreaksAnotherSave();
    void failingListingStartsNoSession_data();
    void failingListingStartsNoSession();
};

void TestMultiProcess::sessionsNeverOverlap_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<int>("processes");
    QTest::addColumn<int>("sessions");
    QTest::addColumn<int>("heldMs");        // how long each session lasts before its release
    QTest::addColumn<int>("cacheSeconds");  // listings answered from a copy this old; 0: none
    QTest::addColumn<int>("staggerMs");     // between the starts of the hammers
    QTest::addColumn<int>("meddling");      // Meddler::Kind
    // The full count on memory-backed storage; every save is synced to disk,
    // so on a real disk a smaller count shows the same on real file stamps.
    const bool memory = QFileInfo(QStringLiteral("/dev/shm")).isWritable();
    if (memory)
        QTest::newRow("8 x 200, memory") << QStringLiteral("/dev/shm") << 8 << 200 << 0 << 0 << 0 << int(Meddler::None);
    QTest::newRow("8 x 20, disk") << QString() << 8 << 20 << 0 << 0 << 0 << int(Meddler::None);
    // Lock files of fresh names that the others' cached listings do not show
    // yet: only the guard keeps them out. The sessions are long enough that
    // every hammer is still running when the last one starts.
    const QString base = memory ? QStringLiteral("/dev/shm") : QString();
    QTest::newRow("3 x 40, listings cached 10 s, lock files back-dated")
        << base << 3 << 40 << 100 << 10 << 2000 << int(Meddler::BackDate);
    // The guard deleted again and again: the lock files keep the others out
    // until the holder has made a new one.
    QTest::newRow("4 x 50, guard deleted") << base << 4 << 50 << 5 << 0 << 0 << int(Meddler::DeleteGuard);
}

void TestMultiProcess::sessionsNeverOverlap()
{
    QFETCH(QString, base);
    QFETCH(int, processes);
    QFETCH(int, sessions);
    QFETCH(int, heldMs);
    QFETCH(int, cacheSeconds);
    QFETCH(int, staggerMs);
    QFETCH(int, meddling);
    SharedFolder shared(base);
    QVERIFY(shared.dir.isValid());
    GridData start(5, 10);
    start.setCell(1, 0, QStringLiteral("Counter"));
    start.setCell(1, 1, QStringLiteral("0"));
    QVERIFY(GridStore(shared.folder()).saveGrid(QStringLiteral("sgrid.scd"), start).ok());

    if (cacheSeconds > 0) {
        // Within one process a second listing must miss a file made after the first.
        QProcess shell;
        shell.setProcessEnvironment(cachedListings(cacheSeconds));
        shell.start(QStringLiteral("bash"), {QStringLiteral("-c"),
                                             QStringLiteral("cd \"$1\" && echo *.txt && : > made.txt && echo *.txt"),
                                             QStringLiteral("bash"), shared.dir.path()});
        QVERIFY(shell.waitForFinished(10000));
        QCOMPARE(shell.readAllStandardOutput(), QByteArray("*.txt\n*.txt\n"));
        QVERIFY(QFile::remove(shared.dir.filePath(QStringLiteral("made.txt"))));
    }

    Viewer viewer(shared.folder().gsystem(QStringLiteral("sgrid.scd")));
    Meddler meddler(shared.dir.path(), Meddler::Kind(meddling));
    std::vector<std::unique_ptr<QProcess>> procs;
    for (int p = 0; p < processes; ++p) {
        if (p > 0 && staggerMs > 0)
            QThread::msleep(staggerMs);
        auto proc = std::make_unique<QProcess>();
        proc->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (cacheSeconds > 0)
            proc->setProcessEnvironment(cachedListings(cacheSeconds));
        proc->start(QStringLiteral(SB_HAMMER),
                    {QStringLiteral("run"), shared.dir.path(), QString::number(sessions),
                     shared.dir.filePath(QStringLiteral("log%1.txt").arg(p)), QString::number(heldMs)});
        QVERIFY2(proc->waitForStarted(), qPrintable(proc->errorString()));
        procs.push_back(std::move(proc));
    }
    int yielded = 0;
    for (auto& proc : procs) {
        QVERIFY(proc->waitForFinished(240000));
        QCOMPARE(proc->exitStatus(), QProcess::NormalExit);
        const int sessionsYielded = int(proc->readAllStandardOutput().count("yielded\n"));
        QCOMPARE(proc->exitCode(), sessionsYielded > 0 ? 6 : 0);
        yielded += sessionsYielded;
    }
    viewer.stop();
    meddler.stop();
    if (meddling != Meddler::None)
        QVERIFY2(meddler.touches() > 0, "the lock files were never meddled with");

    GridData end;
    QVERIFY(GridStore(shared.folder()).loadGrid(QStringLiteral("sgrid.scd"), end).ok());
    QCOMPARE(end.cell(1, 1), QString::number(processes * sessions));

    std::vector<Interval> all;
    for (int p = 0; p < processes; ++p) {
        const TextFile::ReadResult log = TextFile::read(shared.dir.filePath(QStringLiteral("log%1.txt").arg(p)));
        QVERIFY(log.ok());
        QCOMPARE(log.value.size(), sessions);
        for (const QString& line : log.value) {
            const QStringList parts = line.split(u' ');
            QCOMPARE(parts.size(), 2);
            all.push_back({parts[0].toLongLong(), parts[1].toLongLong(), p});
        }
    }
    std::sort(all.begin(), all.end(), [](const Interval& a, const Interval& b) { return a.in < b.in; });
    for (size_t i = 1; i < all.size(); ++i) {
        QVERIFY2(all[i].in > all[i - 1].out,
                 qPrintable(QStringLiteral("sessions of processes %1 and %2 overlap")
                                .arg(all[i - 1].process).arg(all[i].process)));
    }
    // A session yields when it finds at its release that another came in.
    // With the guard deleted a holder may also yield to a press that merely
    // holds the new guard for its scan: then nobody came in, and the session
    // is run again.
    if (meddling == Meddler::DeleteGuard)
        qInfo("%d sessions yielded", yielded);
    else
        QVERIFY2(yielded == 0, qPrintable(QStringLiteral("%1 sessions found another had come in").arg(yielded)));

    QVERIFY(viewer.reads() > 0);
    QVERIFY2(viewer.faults().isEmpty(), qPrintable(viewer.faults().join(u'\n')));
    // Every hammer deleted its free lock file when it finished.
    QVERIFY(QDir(shared.dir.path()).entryList({QStringLiteral("lock*.scd")}).isEmpty());
}

// A hammer process that holds the update lock on `root` until killed.
bool startHolder(QProcess& holder, const QString& root)
{
    holder.start(QStringLiteral(SB_HAMMER), {QStringLiteral("hold"), root});
    return holder.waitForStarted() && holder.waitForReadyRead(30000) && holder.readLine().trimmed() == "held";
}

void TestMultiProcess::killedHolderBlocksNobody()
{
    TestFolder tf;
    tf.writeMinimalData();
    QProcess holder;
    QVERIFY(startHolder(holder, tf.root()));

    GridDocument document;
    Preferences prefs;
    prefs.network = true;
    prefs.updateInterval = QStringLiteral("5");
    FakeIdentity identity(QStringLiteral("PC-B"), QStringLiteral("ben"));
    FakeClock clock;
    UpdateSession session(tf.folder(), document, prefs, identity, clock);
    QVERIFY(session.startUp().ok());
    const UpdateSession::StartResult busy = session.pressUpdate();
    QCOMPARE(busy.kind, UpdateSession::StartResult::Busy);
    QVERIFY(busy.computer.startsWith(QStringLiteral("hammer-")));
    QVERIFY(!session.poll().freed);

    holder.kill();
    QVERIFY(holder.waitForFinished(10000));
    QCOMPARE(holder.exitStatus(), QProcess::CrashExit);

    // Its lock file stays behind, closed, and blocks nobody (our press
    // stopped at the guard and made none).
    QCOMPARE(QDir(tf.root()).entryList({QStringLiteral("lock*.scd")}).size(), 1);
    QVERIFY(session.poll().freed);
    QCOMPARE(session.pressUpdate().kind, UpdateSession::StartResult::Started);
    QVERIFY(session.releaseUpdate().saved);
}

void TestMultiProcess::deletedLockFileIsTakenAgain_data()
{
    QTest::addColumn<bool>("guard");   // the guard is deleted, not the lock file
    QTest::newRow("lock file") << false;
    QTest::newRow("guard") << true;
}

void TestMultiProcess::deletedLockFileIsTakenAgain()
{
    QFETCH(bool, guard);
    TestFolder tf;
    tf.writeMinimalData();
    QProcess holder;
    QVERIFY(startHolder(holder, tf.root()));
    const auto stop = qScopeGuard([&] { holder.kill(); holder.waitForFinished(10000); });
    const QString guardPath = tf.path(UpdateLock::guardFileName());
    const auto lockFiles = [&] { return QDir(tf.root()).entryList({QStringLiteral("lock*.scd")}); };

    // Anybody may delete a held file here: the holder takes its lock again
    // within a second, so nobody else gets in.
    const QStringList first = lockFiles();
    QCOMPARE(first.size(), 1);
    UpdateLock b(tf.folder());
    if (guard) {
        QVERIFY(QFile::remove(guardPath));
        // A press meanwhile makes a new guard, and the holder's lock file stops it.
        QCOMPARE(b.acquireUpdateLock().status, FileStatus::Busy);
        QVERIFY(QFileInfo::exists(guardPath));
        QTRY_VERIFY_WITH_TIMEOUT(LockFile::isHeldElsewhere(guardPath).value, 5000);
    } else {
        QVERIFY(QFile::remove(tf.path(first[0])));
        QTRY_VERIFY_WITH_TIMEOUT(lockFiles().size() == 1, 5000);
    }
    QCOMPARE(b.acquireUpdateLock().status, FileStatus::Busy);

    // Its lock file and the guard deleted again, so that no listing could
    // show the holder: a press that has to make the guard waits for the
    // holder's check, and the holder takes the new guard first.
    for (const QString& f : lockFiles())
        if (f != b.fileName())
            QVERIFY(QFile::remove(tf.path(f)));
    QVERIFY(QFile::remove(guardPath));
    QCOMPARE(b.acquireUpdateLock().status, FileStatus::Busy);
    QVERIFY(!holder.waitForReadyRead(1500));   // the holder never printed "lost"
    QVERIFY(LockFile::isHeldElsewhere(guardPath).value);
    QVERIFY(QDir(tf.path(QStringLiteral("databkup"))).entryList(QDir::Files).isEmpty());
}

void TestMultiProcess::killedSaveLeavesWholeGrid()
{
    // A writer saving two versions in turn, killed at random moments: the
    // grid file is always one whole version, and once the interrupted save
    // is finished its colour and fixed column files belong to it.
    TestFolder tf;
    const DataFolder folder = tf.folder();
    const GridData versions[2] = {crashTestVersion(0), crashTestVersion(1)};
    QVERIFY(GridStore(folder).saveGrid(QStringLiteral("sgrid.scd"), versions[0]).ok());
    const QStringList fixedLines[2] = {TextFile::read(folder.gsystem(QStringLiteral("FixedColumn.scd"))).value,
                                       [&] {
                                           TestFolder other;
                                           if (!GridStore(other.folder()).saveGrid(QStringLiteral("sgrid.scd"), versions[1]).ok())
                                               return QStringList();
                                           return TextFile::read(other.folder().gsystem(QStringLiteral("FixedColumn.scd"))).value;
                                       }()};

    QElapsedTimer spent;
    spent.start();
    int kills = 0;
    int mixed = 0;
    int seen[2] = {0, 0};
    while (kills < 300 && spent.elapsed() < 20000) {
        QProcess writer;
        writer.start(QStringLiteral(SB_HAMMER), {QStringLiteral("save"), tf.root()});
        QVERIFY(writer.waitForReadyRead(10000));
        QThread::usleep(QRandomGenerator::global()->bounded(20000));
        ::kill(pid_t(writer.processId()), SIGKILL);
        QVERIFY(writer.waitForFinished(10000));
        ++kills;

        // As the killed writer left it, and as the next board to take the
        // lock finds it after finishing the interrupted save.
        for (const bool recovered : {false, true}) {
            if (recovered)
                QVERIFY(GridStore(folder).recoverInterruptedSave(QStringLiteral("sgrid.scd")).ok());
            GridData grid;
            const GridStore::LoadResult r = GridStore(folder).loadGrid(QStringLiteral("sgrid.scd"), grid);
            QVERIFY2(r.value, qPrintable(r.message));
            int v = -1;
            for (int i = 0; i < 2; ++i) {
                GridData cells = grid;
                GridData expected = versions[i];
                cells.clearColors();
                expected.clearColors();
                if (cells == expected)
                    v = i;
            }
            QVERIFY2(v >= 0, "the grid file is neither version");
            const bool colorsMatch = r.ok() && grid == versions[v];
            const bool fixedMatches =
                TextFile::read(folder.gsystem(QStringLiteral("FixedColumn.scd"))).value == fixedLines[v];
            if (!recovered) {
                ++seen[v];
                if (!colorsMatch || !fixedMatches)
                    ++mixed;
            } else {
                QVERIFY2(colorsMatch && fixedMatches, "a finished save still leaves the files mixed");
            }
        }
    }
    qInfo("%d kills in %lld ms: version 0 %d times, version 1 %d times, %d mixed (%.1f %%)", kills,
          spent.elapsed(), seen[0], seen[1], mixed, 100.0 * mixed / kills);
    QVERIFY(kills >= 50);
    // Nothing of the interrupted writes is left behind.
    QCOMPARE(QDir(folder.gsystemDir()).entryList({QStringLiteral("*.scd.*")}), QStringList());
}

// Boards whose clocks run two minutes ahead start, and press Update, again
// and again beside a workstation that saves in a loop: none of them may take
// its save in progress for a crashed one.
void TestMultiProcess::fastClockNeverBreaksAnotherSave()
{
    TestFolder tf;
    tf.writeMinimalData();
    QProcessEnvironment fast = QProcessEnvironment::systemEnvironment();
    fast.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(SB_CLOCKAHEAD));
    fast.insert(QStringLiteral("SB_CLOCK_AHEAD"), QStringLiteral("120"));
    // A sanitizer's runtime wants to come first; the shim does not mind.
    fast.insert(QStringLiteral("ASAN_OPTIONS"), fast.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":verify_asan_link_order=0"));
    {
        QProcess date;
        date.setProcessEnvironment(fast);
        date.start(QStringLiteral("date"), {QStringLiteral("+%s")});
        QVERIFY(date.waitForFinished(10000));
        QVERIFY2(date.readAll().trimmed().toLongLong() >= QDateTime::currentSecsSinceEpoch() + 100, "the shim has no effect");
    }

    QProcess writer;
    writer.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    writer.start(QStringLiteral(SB_HAMMER), {QStringLiteral("run"), tf.root(), QStringLiteral("150"),
                                             tf.path(QStringLiteral("log.txt"))});
    QVERIFY(writer.waitForStarted());
    int starts = 0;
    while (writer.state() != QProcess::NotRunning && starts < 300) {
        QProcess board;
        board.setProcessEnvironment(fast);
        board.setProcessChannelMode(QProcess::ForwardedChannels);
        board.start(QStringLiteral(SB_HAMMER), {QStringLiteral("start"), tf.root()});
        QVERIFY(board.waitForFinished(30000));
        QCOMPARE(board.exitCode(), 0);
        ++starts;
    }
    QVERIFY(writer.waitForFinished(120000));
    qInfo("%d starts with a fast clock beside 150 sessions", starts);
    QVERIFY(starts >= 10);
    QVERIFY2(writer.exitCode() == 0, writer.readAllStandardError().constData());
}

void TestMultiProcess::failingListingStartsNoSession_data()
{
    QTest::addColumn<QString>("holder");     // "hammer", "older board" or "" (nobody)
    QTest::addColumn<QString>("expected");   // what the press prints, up to a space
    QTest::newRow("a board holds") << QStringLiteral("hammer") << QStringLiteral("busy");
    // A board that knows no guard shows only in the listing.
    QTest::newRow("a board without guard holds") << QStringLiteral("older board") << QStringLiteral("lockerror");
    QTest::newRow("nobody holds") << QString() << QStringLiteral("lockerror");
}

// A share whose listings fail: whether anybody holds the board cannot be
// told, so a press never starts a session and writes nothing.
void TestMultiProcess::failingListingStartsNoSession()
{
    QFETCH(QString, holder);
    QFETCH(QString, expected);
    TestFolder tf;
    tf.writeMinimalData();
    QProcess hammer;
    const auto stop = qScopeGuard([&] { hammer.kill(); hammer.waitForFinished(10000); });
    LockFile older;
    if (holder == u"hammer")
        QVERIFY(startHolder(hammer, tf.root()));
    else if (holder == u"older board")
        QVERIFY(older.open(tf.path(QStringLiteral("lockolder01.scd")), LockFile::Create::IfMissing).ok());

    // The guard may be made by the press: it holds nothing once let go.
    const auto lockFiles = [&] { return QDir(tf.root()).entryList({QStringLiteral("lock*.scd")}); };
    const QStringList locksBefore = lockFiles();
    const QByteArray gridBefore = tf.readFile(QStringLiteral("gsystem/sgrid.scd"));
    const QByteArray snapshotBefore = tf.readFile(QStringLiteral("gsystem/bsgrid.scd"));
    const QByteArray userBefore = tf.readFile(QStringLiteral("users/curuser.scd"));
    const FileStamp userStamp = readFileStamp(tf.path(QStringLiteral("users/curuser.scd"))).value;

    QProcess press;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(SB_SHARECLIENT));
    env.insert(QStringLiteral("SB_LIST_FAIL"), tf.root());
    env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":verify_asan_link_order=0"));
    press.setProcessEnvironment(env);
    press.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    press.start(QStringLiteral(SB_HAMMER), {QStringLiteral("press"), tf.root()});
    QVERIFY(press.waitForFinished(30000));
    QCOMPARE(press.exitCode(), 0);
    const QString said = QString::fromLocal8Bit(press.readAllStandardOutput()).trimmed();
    QCOMPARE(said.section(u' ', 0, 0), expected);
    // A lock error names the folder whose listing failed.
    if (expected == u"lockerror")
        QVERIFY2(said.contains(QDir::toNativeSeparators(tf.root())), qPrintable(said));

    QCOMPARE(lockFiles(), locksBefore);
    QCOMPARE(tf.readFile(QStringLiteral("gsystem/sgrid.scd")), gridBefore);
    QCOMPARE(tf.readFile(QStringLiteral("gsystem/bsgrid.scd")), snapshotBefore);
    QCOMPARE(tf.readFile(QStringLiteral("users/curuser.scd")), userBefore);
    QVERIFY(readFileStamp(tf.path(QStringLiteral("users/curuser.scd"))).value == userStamp);
}

QTEST_GUILESS_MAIN(TestMultiProcess)
#include "tst_multiprocess.moc"
