#include "base/services.h"
#include "coord/lockfile.h"
#include "coord/sharecheck.h"
#include "coord/updatelock.h"
#include "store/textfile.h"
#include "tests/support/testfolder.h"
#include "tests/support/testplatform.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

namespace {

// A workstation whose clock is `offsetMs` ahead of the file server's.
class OffsetClock final : public Clock
{
public:
    QDateTime localNow() const override { return QDateTime::currentDateTime().addMSecs(offsetMs); }
    QDateTime utcNow() const override { return QDateTime::currentDateTimeUtc().addMSecs(offsetMs); }
    qint64 offsetMs = 0;
};

// The probe program beside the test programs, as the board runs itself.
QString probeProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("sb_checkprobe"), {QCoreApplication::applicationDirPath()});
}

void makeOld(const QString& path)
{
    QVERIFY(TestPlatform::setModifiedTime(path, QDateTime::currentSecsSinceEpoch() - 3600));
}

// Every file of the check's own, in the data folder and its sub-folders.
QStringList checkFilesIn(const QString& root)
{
    QStringList found;
    for (const QString& sub : {QString(), QStringLiteral("gsystem"), QStringLiteral("users"), QStringLiteral("colfiles"),
                               QStringLiteral("databkup")}) {
        const QDir dir(QDir(root).filePath(sub));
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
            if (ShareCheck::isCheckFileName(name))
                found.append(dir.filePath(name));
    }
    return found;
}

QString describe(const QList<ShareCheck::Finding>& findings)
{
    QStringList lines;
    for (const ShareCheck::Finding& f : findings)
        lines.append(QStringLiteral("%1 %2%3").arg(int(f.topic)).arg(f.ok ? "" : "NOT OK: ", f.text));
    return lines.join(u'\n');
}

FileResult<bool> answer(bool held)
{
    return {FileOutcome::done(), held};
}

} // namespace

enum class Fault {
    None,
    MissingSubFolder,
    MissingRequiredFile,
    LinkedSubFolder,
    LinkedDataFile,
    OldTemporary,
    YoungTemporary,
    StaleLockFile,
    HeldOldLockFile,
    LeftoverCheckFile,
    LeftoverCheckTemporary,
    GuardHeld,
    FolderForGuard,
    ReadOnlySubFolder,
    FailingCreate,
    FailingReplace,
    ProbeSeesNoLock,
    ProbeSeesLockAfterRelease,
    ProbeFails,
    NewFilesListedLate,
    RemovedFilesListedLate,
    ClockFarBehind,
    ClockSlightlyAhead,
};
Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(FileStatus)

class TestShareCheck : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void goodFolderIsAllOk();
    void faultIsFound_data();
    void faultIsFound();
    void programProbeAnswers_data();
    void programProbeAnswers();
};

void TestShareCheck::init()
{
    QVERIFY2(!probeProgram().isEmpty(), "sb_checkprobe is not beside the test");
}

void TestShareCheck::cleanup()
{
    TextFile::setFaultHook({});
}

void TestShareCheck::goodFolderIsAllOk()
{
    TestFolder tf;
    tf.writeMinimalData();
    // A schedule in use: a stopped board's lock file is recent, and one of
    // another workstation's backups is there.
    tf.writeFile(QStringLiteral("lockabcdefg.scd"), "lock\r\n");
    tf.writeFile(QStringLiteral("databkup/sgridbkup010226080000.scd"), "1\r\n");
    SystemClock clock;
    ShareCheck check(tf.folder(), clock);
    check.setProbe(ShareCheck::programProbe(probeProgram(), {}));
    const QList<ShareCheck::Finding> findings = check.run();
    QVERIFY2(ShareCheck::allOk(findings), qPrintable(describe(findings)));
    for (ShareCheck::Topic topic : {ShareCheck::Topic::Contents, ShareCheck::Topic::Writing, ShareCheck::Topic::Locking,
                                    ShareCheck::Topic::Listing, ShareCheck::Topic::ClockOffset, ShareCheck::Topic::Guard,
                                    ShareCheck::Topic::Leftovers, ShareCheck::Topic::Links}) {
        const auto count = std::count_if(findings.cbegin(), findings.cend(),
                                         [topic](const ShareCheck::Finding& f) { return f.topic == topic; });
        QVERIFY2(count == 1, qPrintable(describe(findings)));
    }
    for (const ShareCheck::Finding& f : findings)
        QVERIFY2(f.text.startsWith(QStringLiteral("ok: ")), qPrintable(f.text));
    QVERIFY(describe(findings).contains(QStringLiteral("the data folder, gsystem, users, colfiles, databkup")));
    QVERIFY(checkFilesIn(tf.root()).isEmpty());
    // Made as a board makes it, and left free.
    QVERIFY(TextFile::isRegularFile(tf.path(UpdateLock::guardFileName())));
    QVERIFY(!LockFile::isHeldElsewhere(tf.path(UpdateLock::guardFileName())).value);
    const QString report = ShareCheck::reportText(tf.root(), findings);
    QVERIFY(!report.contains(QStringLiteral("PROBLEM")));
    QVERIFY(report.endsWith(QStringLiteral("All checks passed.\n")));
}

void TestShareCheck::faultIsFound_data()
{
    using T = ShareCheck::Topic;
    QTest::addColumn<Fault>("fault");
    // The topics with a problem (the first one's text names `mentions`;
    // without a problem, some ok finding does); every other finding must be ok.
    QTest::addColumn<QList<int>>("topics");
    QTest::addColumn<QString>("mentions");

    QTest::newRow("missing sub-folder") << Fault::MissingSubFolder << QList<int>{int(T::Contents), int(T::Writing)}
                                        << QStringLiteral("folder: colfiles");
    QTest::newRow("missing required file") << Fault::MissingRequiredFile << QList<int>{int(T::Contents)}
                                           << QStringLiteral("gsystem/sgrid.scd");
    QTest::newRow("link in place of a sub-folder")
        << Fault::LinkedSubFolder << QList<int>{int(T::Contents), int(T::Writing), int(T::Links)}
        << QStringLiteral("users");
    QTest::newRow("link in place of a data file") << Fault::LinkedDataFile
                                                  << QList<int>{int(T::Contents), int(T::Links)}
                                                  << QStringLiteral("gsystem/parm.scd");
    QTest::newRow("leftover temporary") << Fault::OldTemporary << QList<int>{int(T::Leftovers)}
                                        << QStringLiteral("gsystem/sgrid.scd.sbtmpAbc123");
    QTest::newRow("temporary of a save under way") << Fault::YoungTemporary << QList<int>{} << QString();
    // Not held: a board between updates keeps one as a killed board leaves one.
    QTest::newRow("lock file not held") << Fault::StaleLockFile << QList<int>{}
                                        << QStringLiteral("1 lock file not held now: lockabcdefg.scd");
    QTest::newRow("lock file not held, and nothing else left") << Fault::StaleLockFile << QList<int>{}
                                                               << QStringLiteral("ok: no leftover temporary files.");
    QTest::newRow("old lock file held by a board") << Fault::HeldOldLockFile << QList<int>{} << QString();
    QTest::newRow("file of a check cut short") << Fault::LeftoverCheckFile << QList<int>{int(T::Leftovers)}
                                               << QStringLiteral("users/~sbcheckabc123.tmp");
    QTest::newRow("temporary of a check's write cut short")
        << Fault::LeftoverCheckTemporary << QList<int>{int(T::Leftovers)}
        << QStringLiteral("users/~sbcheckabc123.tmp.sbtmpAbCdEf");
    QTest::newRow("guard held by a board updating") << Fault::GuardHeld << QList<int>{}
                                                    << QStringLiteral("a board is updating now");
    QTest::newRow("folder in the guard's place") << Fault::FolderForGuard << QList<int>{int(T::Guard)}
                                                 << QStringLiteral("guard.scd is not a regular file");
    QTest::newRow("read-only sub-folder") << Fault::ReadOnlySubFolder << QList<int>{int(T::Writing)}
                                          << QStringLiteral("write a new file in databkup");
    QTest::newRow("new file refused") << Fault::FailingCreate << QList<int>{int(T::Writing)}
                                      << QStringLiteral("write a new file in colfiles");
    QTest::newRow("rename over a file refused") << Fault::FailingReplace << QList<int>{int(T::Writing)}
                                                << QStringLiteral("replace a file (a new one renamed over it) in users");
    QTest::newRow("lock not seen by another process") << Fault::ProbeSeesNoLock << QList<int>{int(T::Locking)}
                                                      << QStringLiteral("two workstations could update at once");
    QTest::newRow("released lock still seen") << Fault::ProbeSeesLockAfterRelease << QList<int>{int(T::Locking)}
                                              << QStringLiteral("still looks held");
    QTest::newRow("probe cannot answer") << Fault::ProbeFails << QList<int>{int(T::Locking)}
                                         << QStringLiteral("Could not ask another process");
    QTest::newRow("cached listing misses a new file") << Fault::NewFilesListedLate << QList<int>{int(T::Listing)}
                                                      << QStringLiteral("a file just made is missing");
    QTest::newRow("cached listing keeps a removed file") << Fault::RemovedFilesListedLate
                                                         << QList<int>{int(T::Listing)}
                                                         << QStringLiteral("a file just removed is still listed");
    QTest::newRow("clock two minutes behind the server") << Fault::ClockFarBehind << QList<int>{int(T::ClockOffset)}
                                                         << QStringLiteral("2 min 0 s ahead of");
    QTest::newRow("clock 20 s ahead of the server") << Fault::ClockSlightlyAhead << QList<int>{} << QString();
}

void TestShareCheck::faultIsFound()
{
    QFETCH(Fault, fault);
    QFETCH(QList<int>, topics);
    QFETCH(QString, mentions);

    TestFolder tf;
    tf.writeMinimalData();
    OffsetClock clock;
    ShareCheck check(tf.folder(), clock);
    check.setProbe(ShareCheck::programProbe(probeProgram(), {}));
    LockFile holder;
    std::optional<ReadOnlyGuard> readOnly;
    QTemporaryDir elsewhere;
    QStringList planted;

    switch (fault) {
    case Fault::None:
        break;
    case Fault::MissingSubFolder:
        QVERIFY(QDir(tf.path(QStringLiteral("colfiles"))).removeRecursively());
        break;
    case Fault::MissingRequiredFile:
        QVERIFY(QFile::remove(tf.path(QStringLiteral("gsystem/sgrid.scd"))));
        break;
    case Fault::LinkedSubFolder:
    case Fault::LinkedDataFile: {
        if (const QString why = TestPlatform::whyNoLinks(); !why.isEmpty())
            QSKIP(qPrintable(why));
        const bool folder = fault == Fault::LinkedSubFolder;
        const QString name = folder ? QStringLiteral("users") : QStringLiteral("gsystem/parm.scd");
        const QString target = QDir(elsewhere.path()).filePath(folder ? QStringLiteral("users") : QStringLiteral("parm.scd"));
        if (folder) {
            QVERIFY(QDir().mkpath(target));
            QVERIFY(writeRaw(QDir(target).filePath(QStringLiteral("users.scd")), "All\r\n"));
            QVERIFY(QDir(tf.path(name)).removeRecursively());
        } else {
            QVERIFY(writeRaw(target, TestFolder::defaultParm()));
            QVERIFY(QFile::remove(tf.path(name)));
        }
        QVERIFY(TestPlatform::makeLink(target, tf.path(name)));
        break;
    }
    case Fault::OldTemporary:
    case Fault::YoungTemporary:
        tf.writeFile(QStringLiteral("gsystem/sgrid.scd.sbtmpAbc123"), "half\r\n");
        planted.append(tf.path(QStringLiteral("gsystem/sgrid.scd.sbtmpAbc123")));
        if (fault == Fault::OldTemporary)
            makeOld(planted.last());
        break;
    case Fault::StaleLockFile:
    case Fault::HeldOldLockFile:
        tf.writeFile(QStringLiteral("lockabcdefg.scd"), "lock\r\n");
        makeOld(tf.path(QStringLiteral("lockabcdefg.scd")));
        if (fault == Fault::HeldOldLockFile)
            QVERIFY(holder.open(tf.path(QStringLiteral("lockabcdefg.scd"))).ok());
        break;
    case Fault::LeftoverCheckFile:
    case Fault::LeftoverCheckTemporary: {
        const QString name = fault == Fault::LeftoverCheckFile ? QStringLiteral("users/~sbcheckabc123.tmp")
                                                               : QStringLiteral("users/~sbcheckabc123.tmp.sbtmpAbCdEf");
        tf.writeFile(name, "new\r\n");
        makeOld(tf.path(name));
        planted.append(tf.path(name));
        break;
    }
    case Fault::GuardHeld:
        QVERIFY(holder.open(tf.path(UpdateLock::guardFileName()), LockFile::Create::IfMissing).ok());
        break;
    case Fault::FolderForGuard:
        QVERIFY(QFile::remove(tf.path(UpdateLock::guardFileName())));
        QVERIFY(QDir(tf.root()).mkdir(UpdateLock::guardFileName()));
        break;
    case Fault::ReadOnlySubFolder:
        readOnly.emplace(tf.path(QStringLiteral("databkup")));
        if (!readOnly->isActive())
            QSKIP("this file system cannot make a folder refuse new files");
        break;
    case Fault::FailingCreate:
        TextFile::setFaultHook([](TextFile::Step step, const QString& target) {
            return step == TextFile::Step::Create && target.contains(QStringLiteral("/colfiles/")) ? EACCES : 0;
        });
        break;
    case Fault::FailingReplace: {
        // The first rename makes the file, every later one replaces it: on
        // Windows a refused replace is tried again for a while, as a reader
        // may hold the old file open.
        auto renames = std::make_shared<int>(0);
        // Windows hands the hook native paths, and its temporary folder may
        // itself lie under C:\users.
        const QString users = QDir::fromNativeSeparators(tf.path(QStringLiteral("users"))) + u'/';
        TextFile::setFaultHook([renames, users](TextFile::Step step, const QString& target) {
            const bool inUsers = step == TextFile::Step::Rename
                && QDir::fromNativeSeparators(target).startsWith(users, Qt::CaseInsensitive);
            return inUsers && ++*renames >= 2 ? EBUSY : 0;
        });
        break;
    }
    case Fault::ProbeSeesNoLock:
        check.setProbe([](const QString&) { return answer(false); });
        break;
    case Fault::ProbeSeesLockAfterRelease:
        check.setProbe([](const QString&) { return answer(true); });
        break;
    case Fault::ProbeFails:
        check.setProbe([](const QString& file) -> FileResult<bool> {
            return FileOutcome::failed(FileStatus::Failed, file, QStringLiteral("no answer"));
        });
        break;
    case Fault::NewFilesListedLate:
        check.setLister([](const QString& folder) {
            TextFile::ListResult listing = TextFile::listFiles(folder, TextFile::Stamps::Skip);
            listing.value.removeIf([](const TextFile::FileEntry& e) { return ShareCheck::isCheckFileName(e.name); });
            return listing;
        });
        break;
    case Fault::RemovedFilesListedLate: {
        auto cache = std::make_shared<QMap<QString, TextFile::ListResult>>();
        check.setLister([cache](const QString& folder) {
            if (!cache->contains(folder))
                cache->insert(folder, TextFile::listFiles(folder, TextFile::Stamps::Skip));
            return cache->value(folder);
        });
        break;
    }
    case Fault::ClockFarBehind:
        clock.offsetMs = -120 * 1000;
        break;
    case Fault::ClockSlightlyAhead:
        clock.offsetMs = 20 * 1000;
        break;
    }

    const QList<ShareCheck::Finding> findings = check.run();
    readOnly.reset();
    TextFile::setFaultHook({});
    const QString all = describe(findings);
    for (const ShareCheck::Finding& f : findings) {
        if (!topics.contains(int(f.topic)))
            QVERIFY2(f.ok, qPrintable(all));
    }
    for (int topic : std::as_const(topics)) {
        const auto bad = std::find_if(findings.cbegin(), findings.cend(), [topic](const ShareCheck::Finding& f) {
            return int(f.topic) == topic && !f.ok;
        });
        QVERIFY2(bad != findings.cend(), qPrintable(all));
        if (topic == topics.first())
            QVERIFY2(bad->text.contains(mentions), qPrintable(all));
    }
    QCOMPARE(ShareCheck::allOk(findings), topics.isEmpty());
    if (topics.isEmpty())   // what an ok finding says of it
        QVERIFY2(all.contains(mentions), qPrintable(all));

    // Problems are marked as such in the report, and counted.
    const QString report = ShareCheck::reportText(tf.root(), findings);
    const auto problems = std::count_if(findings.cbegin(), findings.cend(), [](const ShareCheck::Finding& f) { return !f.ok; });
    QCOMPARE(report.count(QStringLiteral("PROBLEM: ")), problems);
    if (problems > 0)
        QVERIFY2(report.endsWith(QStringLiteral("%1 found.\n").arg(problems == 1 ? QStringLiteral("1 problem")
                                                                                 : QStringLiteral("%1 problems").arg(problems))),
                 qPrintable(report));

    // Whatever failed, the check took its own files away again.
    QStringList left = checkFilesIn(tf.root());
    for (const QString& p : std::as_const(planted))
        left.removeAll(p);
    QVERIFY2(left.isEmpty(), qPrintable(left.join(u' ')));
    for (const QString& p : std::as_const(planted))
        QVERIFY2(QFile::exists(p), qPrintable(p));   // nothing of anybody else's is cleared
}

void TestShareCheck::programProbeAnswers_data()
{
    QTest::addColumn<bool>("programThere");
    QTest::addColumn<bool>("fileThere");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<FileStatus>("status");
    QTest::addColumn<bool>("held");
    // Any answer but a clear one is a failure, not "free".
    QTest::addColumn<QString>("reason");
    QTest::newRow("held") << true << true << true << FileStatus::Ok << true << QString();
    QTest::newRow("free") << true << true << false << FileStatus::Ok << false << QString();
    QTest::newRow("file gone: the probe says why") << true << false << false << FileStatus::Failed << false
                                                   << QStringLiteral("answered \"error: probe.scd: ");
    QTest::newRow("no probe program") << false << true << true << FileStatus::Failed << false
                                      << QStringLiteral("no-such-probe did not start");
}

void TestShareCheck::programProbeAnswers()
{
    QFETCH(bool, programThere);
    QFETCH(bool, fileThere);
    QFETCH(bool, locked);
    QFETCH(FileStatus, status);
    QFETCH(bool, held);
    QFETCH(QString, reason);
    TestFolder tf;
    const QString file = tf.path(QStringLiteral("probe.scd"));
    LockFile lock;
    if (fileThere)
        QVERIFY(lock.open(file, LockFile::Create::IfMissing).ok());
    if (!locked)
        lock.close();
    const QString program = programThere ? probeProgram() : tf.path(QStringLiteral("no-such-probe"));
    const FileResult<bool> r = ShareCheck::programProbe(program, {})(file);
    QCOMPARE(r.status, status);
    QCOMPARE(r.value, held);
    QVERIFY2(r.reason.contains(reason), qPrintable(r.reason));
}

QTEST_GUILESS_MAIN(TestShareCheck)
#include "tst_sharecheck.moc"
