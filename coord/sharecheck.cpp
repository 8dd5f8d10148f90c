#include "coord/sharecheck.h"

#include "base/services.h"
#include "coord/lockfile.h"
#include "coord/updatelock.h"
#include "coord/updatesession.h"
#include "store/filestamp.h"
#include "store/startupcheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <algorithm>
#include <cstdlib>

namespace {

const QString kCheckPrefix = QStringLiteral("~sbcheck");
const QString kCheckSuffix = QStringLiteral(".tmp");

ShareCheck::Finding passed(ShareCheck::Topic topic, const QString& text)
{
    return {topic, true, QStringLiteral("ok: ") + text};
}

ShareCheck::Finding problem(ShareCheck::Topic topic, const QString& text)
{
    return {topic, false, text};
}

// "a, b, c" or "a, b, c, ... (12 in all)".
QString someNames(const QStringList& names)
{
    QStringList first = names.mid(0, ShareCheck::kNamesShown);
    if (names.size() > first.size())
        first.append(QStringLiteral("... (%1 in all)").arg(names.size()));
    return first.join(QStringLiteral(", "));
}

QString plural(qsizetype count, const QString& one, const QString& many)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? one : many);
}

bool listed(const TextFile::ListResult& listing, const QString& name)
{
    return std::any_of(listing.value.cbegin(), listing.value.cend(),
                       [&name](const TextFile::FileEntry& e) { return e.name == name; });
}

// "1 min 5 s" or "12 s".
QString duration(qint64 ms)
{
    const qint64 s = (std::abs(ms) + 500) / 1000;
    if (s < 60)
        return QStringLiteral("%1 s").arg(s);
    if (s < 3600)
        return QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60);
    return QStringLiteral("%1 h %2 min").arg(s / 3600).arg(s % 3600 / 60);
}

// A link where the board wants a real folder or file. Windows junctions
// count: the board refuses every reparse point.
bool isLink(const QFileInfo& info)
{
    return info.isSymbolicLink() || info.isJunction();
}

} // namespace

ShareCheck::ShareCheck(const DataFolder& folder, const Clock& clock)
    : m_folder(folder), m_clock(clock),
      m_probe(programProbe(QCoreApplication::applicationFilePath(), {QStringLiteral("--check-probe")})),
      m_lister([](const QString& dir) { return TextFile::listFiles(dir, TextFile::Stamps::Skip); })
{
}

QString ShareCheck::newCheckFileName()
{
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString name = kCheckPrefix;
    for (int i = 0; i < 6; ++i)
        name.append(QLatin1Char(kAlphabet[QRandomGenerator::global()->bounded(int(sizeof kAlphabet) - 1)]));
    return name + kCheckSuffix;
}

bool ShareCheck::isCheckFileName(const QString& name)
{
    if (!name.startsWith(kCheckPrefix, Qt::CaseInsensitive))
        return false;
    const qsizetype end = kCheckPrefix.size() + 6 + kCheckSuffix.size();
    if (name.size() < end
        || QStringView(name).sliced(end - kCheckSuffix.size(), kCheckSuffix.size()).compare(kCheckSuffix, Qt::CaseInsensitive) != 0)
        return false;
    // The file itself, or a temporary of the write helper's beside it.
    return name.size() == end || QStringView(name).sliced(end).startsWith(u".sbtmp");
}

QList<ShareCheck::Folder> ShareCheck::folders() const
{
    QList<Folder> all{{QStringLiteral("the data folder"), m_folder.root(), true}};
    for (const QString& dir : {m_folder.gsystemDir(), m_folder.usersDir(), m_folder.colfilesDir(), m_folder.backupDir()})
        all.append({QFileInfo(dir).fileName(), dir, TextFile::checkFolder(dir).ok()});
    return all;
}

QString ShareCheck::shown(const QString& path) const
{
    return QDir(m_folder.root()).relativeFilePath(path);
}

QList<ShareCheck::Finding> ShareCheck::run() const
{
    QList<Finding> findings = checkContents();
    findings += checkWriting();
    findings.append(checkLocking());
    findings.append(checkListing());
    findings.append(checkClockOffset());
    findings.append(checkGuard());
    findings += checkLeftovers();
    findings.append(checkLinks());
    return findings;
}

bool ShareCheck::allOk(const QList<Finding>& findings)
{
    return std::all_of(findings.cbegin(), findings.cend(), [](const Finding& f) { return f.ok; });
}

QList<ShareCheck::Finding> ShareCheck::checkContents() const
{
    QList<Finding> findings;
    QStringList missingFolders;
    for (const Folder& f : folders().mid(1)) {
        const QFileInfo info(f.path);
        if (!info.exists() && !info.isSymLink()) {
            missingFolders.append(f.name);
        } else if (!f.usable) {
            findings.append(problem(Topic::Contents,
                QStringLiteral("The folder %1 cannot be used: %2. Put a real folder named %1 there, with the "
                               "files it held.")
                    .arg(f.name, TextFile::checkFolder(f.path).reason)));
        }
    }
    if (!missingFolders.isEmpty()) {
        findings.append(problem(Topic::Contents,
            QStringLiteral("Missing %1: %2. Copy them from the installation data (colfiles and databkup may "
                           "be empty).")
                .arg(missingFolders.size() == 1 ? QStringLiteral("folder") : QStringLiteral("folders"),
                     missingFolders.join(QStringLiteral(", ")))));
    }
    // Only files in folders that are there: a missing folder is named above.
    QStringList missingFiles;
    for (const StartupCheck::RequiredFile& r : StartupCheck::requiredFiles(m_folder)) {
        if (TextFile::checkFolder(QFileInfo(r.path).path()).ok() && !TextFile::isRegularFile(r.path))
            missingFiles.append(shown(r.path));
    }
    if (!missingFiles.isEmpty()) {
        findings.append(problem(Topic::Contents,
            QStringLiteral("Missing %1: %2. The board does not start without %3: restore %3 from a copy of "
                           "the folder, or from the installation data.")
                .arg(missingFiles.size() == 1 ? QStringLiteral("file") : QStringLiteral("files"),
                     missingFiles.join(QStringLiteral(", ")),
                     missingFiles.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"))));
    }
    if (findings.isEmpty())
        findings.append(passed(Topic::Contents, QStringLiteral("the folders gsystem, users, colfiles and databkup "
                                                               "and the files the board needs to start are there.")));
    return findings;
}

QList<ShareCheck::Finding> ShareCheck::checkWriting() const
{
    QList<Finding> findings;
    QStringList passedIn;
    QStringList notTried;
    for (const Folder& f : folders()) {
        if (!f.usable) {
            notTried.append(f.name);
            continue;
        }
        const QString file = QDir(f.path).filePath(newCheckFileName());
        QString step;
        QString reason;
        const auto failed = [&](const QString& what, const FileOutcome& r) {
            step = what;
            reason = r.reason;
            return false;
        };
        const bool ok = [&] {
            if (const TextFile::WriteResult r = TextFile::writeBytes(file, "new\r\n"); !r.ok())
                return failed(QStringLiteral("write a new file"), r);
            if (const TextFile::WriteResult r = TextFile::writeBytes(file, "replaced\r\n"); !r.ok())
                return failed(QStringLiteral("replace a file (a new one renamed over it)"), r);
            const TextFile::BytesResult back = TextFile::readBytes(file, 64);
            if (!back.ok())
                return failed(QStringLiteral("read a file back"), back);
            if (back.value != "replaced\r\n") {
                return failed(QStringLiteral("replace a file"),
                              FileOutcome::failed(FileStatus::Malformed, file,
                                                  QStringLiteral("the old content came back after the rename")));
            }
            if (const FileResult<> r = TextFile::remove(file); !r.ok())
                return failed(QStringLiteral("remove a file"), r);
            if (TextFile::isRegularFile(file)) {
                return failed(QStringLiteral("remove a file"),
                              FileOutcome::failed(FileStatus::Failed, file, QStringLiteral("it is still there")));
            }
            return true;
        }();
        if (ok) {
            passedIn.append(f.name);
            continue;
        }
        // The check's file goes again whichever step failed; a write that
        // failed has removed its own temporary file.
        (void)TextFile::remove(file);
        QString text = QStringLiteral("Cannot %1 in %2: %3. Give this account the right to make, change, rename "
                                      "and delete files in %4: the board saves every file as a new file renamed "
                                      "over the old one.")
                           .arg(step, f.name, reason, QDir::toNativeSeparators(f.path));
        if (TextFile::isRegularFile(file))
            text += QStringLiteral(" The check's file %1 is left there: remove it.").arg(shown(file));
        findings.append(problem(Topic::Writing, text));
    }
    if (!notTried.isEmpty()) {
        findings.append(problem(Topic::Writing, QStringLiteral("Writing was not tried in %1: see above.")
                                                    .arg(notTried.join(QStringLiteral(", ")))));
    }
    if (!passedIn.isEmpty()) {
        findings.prepend(passed(Topic::Writing, QStringLiteral("a file can be written, replaced by a rename and "
                                                               "removed in %1.")
                                                    .arg(passedIn.join(QStringLiteral(", ")))));
    }
    return findings;
}

ShareCheck::Finding ShareCheck::checkLocking() const
{
    const QString scratch = m_folder.inRoot(newCheckFileName());
    LockFile lock;
    auto cleanUp = qScopeGuard([&] {
        lock.close();
        (void)TextFile::remove(scratch);
    });
    if (const FileResult<> opened = lock.open(scratch, LockFile::Create::IfMissing); !opened.ok()) {
        return problem(Topic::Locking,
            QStringLiteral("Cannot lock a file in the data folder: %1. No board can take the update lock here: "
                           "mount the share with byte-range locks (see the README).")
                .arg(opened.reason));
    }
    const FileResult<bool> whileHeld = m_probe(scratch);
    lock.close();
    const FileResult<bool> afterRelease = m_probe(scratch);
    if (!whileHeld.ok()) {
        return problem(Topic::Locking, QStringLiteral("Could not ask another process about a lock: %1. Run the "
                                                      "check again; if it fails again, the lock cannot be tested here.")
                                           .arg(whileHeld.reason));
    }
    if (!whileHeld.value) {
        return problem(Topic::Locking,
            QStringLiteral("A byte-range lock taken by this process is not seen by another process: two "
                           "workstations could update at once. Mount the share so that locks reach the file "
                           "server (CIFS without nobrl; NFS without nolock or local_lock; see the README)."));
    }
    if (!afterRelease.ok()) {
        return problem(Topic::Locking, QStringLiteral("Could not ask another process about a released lock: %1. "
                                                      "Run the check again.")
                                           .arg(afterRelease.reason));
    }
    if (afterRelease.value) {
        return problem(Topic::Locking,
            QStringLiteral("A lock let go by this process still looks held to another process: boards would "
                           "find the board busy after every update. Check the share's lock handling (see the "
                           "README)."));
    }
    // Both processes run here: a client that keeps locks to itself instead of
    // passing them to the server passes this too.
    return passed(Topic::Locking, QStringLiteral("a byte-range lock taken here is seen by another process on this "
                                                 "workstation, and so is its release (locks kept by this "
                                                 "workstation alone, as CIFS with nobrl keeps them, pass too: see "
                                                 "the README for the mount options)."));
}

ShareCheck::Finding ShareCheck::checkListing() const
{
    const QString name = newCheckFileName();
    const QString file = m_folder.inRoot(name);
    auto removeFile = qScopeGuard([&file] { (void)TextFile::remove(file); });
    if (const TextFile::WriteResult w = TextFile::writeBytes(file, "listed\r\n"); !w.ok()) {
        return problem(Topic::Listing,
                       QStringLiteral("Listings were not tested: a file could not be written (%1).").arg(w.reason));
    }
    const TextFile::ListResult afterWrite = m_lister(m_folder.root());
    const FileResult<> removed = TextFile::remove(file);
    const TextFile::ListResult afterRemove = m_lister(m_folder.root());
    for (const TextFile::ListResult* listing : {&afterWrite, &afterRemove}) {
        if (!listing->ok()) {
            return problem(Topic::Listing,
                QStringLiteral("The data folder cannot be listed: %1. Boards count the board as busy when they "
                               "cannot list its lock files: give this account the right to list the folder.")
                    .arg(listing->reason));
        }
    }
    if (!removed.ok()) {
        return problem(Topic::Listing,
                       QStringLiteral("Listings were not tested: a file could not be removed (%1).").arg(removed.reason));
    }
    QStringList lags;
    if (!listed(afterWrite, name))
        lags.append(QStringLiteral("a file just made is missing from the listing"));
    if (listed(afterRemove, name))
        lags.append(QStringLiteral("a file just removed is still listed"));
    if (lags.isEmpty())
        return passed(Topic::Listing, QStringLiteral("a listing shows a new file at once and a removed one gone."));
    return problem(Topic::Listing,
        QStringLiteral("This workstation lists the share from a cache: %1. The board does not rely on listings "
                       "to keep two workstations from updating at once (it locks a guard file by name), but "
                       "clearing up lock files and the list of backups may lag behind. Mount the share with "
                       "actimeo=1 (see the README).")
            .arg(lags.join(QStringLiteral(", and "))));
}

FileResult<qint64> ShareCheck::serverNowNs() const
{
    const QString file = m_folder.inRoot(newCheckFileName());
    auto removeFile = qScopeGuard([&file] { (void)TextFile::remove(file); });
    if (const TextFile::WriteResult w = TextFile::writeBytes(file, "time\r\n"); !w.ok())
        return FileOutcome(w);
    const FileResult<FileStamp> stamp = readFileStamp(file);
    if (!stamp.ok())
        return FileOutcome(stamp);
    return {FileOutcome::done(file), stamp.value.writeTimeNs};
}

ShareCheck::Finding ShareCheck::checkClockOffset() const
{
    const qint64 beforeMs = m_clock.utcNow().toMSecsSinceEpoch();
    const FileResult<qint64> server = serverNowNs();
    const qint64 afterMs = m_clock.utcNow().toMSecsSinceEpoch();
    if (!server.ok()) {
        return problem(Topic::ClockOffset,
                       QStringLiteral("The file server's clock could not be read from a file's stamp: %1.")
                           .arg(server.reason));
    }
    // The stamp was given between the two readings of this clock.
    const qint64 stampMs = server.value / 1000000;
    const qint64 offsetMs = stampMs < beforeMs ? stampMs - beforeMs : stampMs > afterMs ? stampMs - afterMs : 0;
    if (std::abs(offsetMs) < 1000)
        return passed(Topic::ClockOffset, QStringLiteral("this workstation's clock agrees with the file server's."));
    const QString offset = QStringLiteral("the file server's clock is %1 %2 this workstation's")
                               .arg(duration(offsetMs), offsetMs > 0 ? QStringLiteral("ahead of")
                                                                     : QStringLiteral("behind"));
    if (std::abs(offsetMs) <= kClockOffsetLimitMs)
        return passed(Topic::ClockOffset, offset + QStringLiteral(" (up to a minute does no harm)."));
    return problem(Topic::ClockOffset,
        QStringLiteral("The clocks differ: %1. Saves and locks are safe (the board judges the age of files only "
                       "by the server's stamps), but the dates and times typed here into the schedule, and the "
                       "names of this workstation's backups, are off against the other workstations'. Set the "
                       "clocks from a time server.")
            .arg(offset));
}

ShareCheck::Finding ShareCheck::checkGuard() const
{
    const QString path = m_folder.inRoot(UpdateLock::guardFileName());
    const QString name = UpdateLock::guardFileName();
    const QString updating = QStringLiteral("a board is updating now (it holds %1); run the check again when "
                                            "nobody updates to see whether this account can lock it.")
                                 .arg(name);
    if (const FileResult<bool> held = LockFile::isHeldElsewhere(path); held.ok() && held.value)
        return passed(Topic::Guard, updating);
    const bool existed = QFileInfo::exists(path) || QFileInfo(path).isSymLink();
    LockFile guard;
    const FileResult<> opened = guard.open(path, LockFile::Create::IfMissing);
    guard.close();
    switch (opened.status) {
    case FileStatus::Ok:
        return passed(Topic::Guard, QStringLiteral("%1 %2 opened and locked by this account, and no board is "
                                                   "updating now.")
                                        .arg(name, existed ? QStringLiteral("can be") : QStringLiteral("was made,")));
    case FileStatus::Busy:
        return passed(Topic::Guard, updating);
    case FileStatus::Missing:
        return problem(Topic::Guard, QStringLiteral("%1 is not a regular file (%2): no board can update until it "
                                                    "is removed. Remove it; the next board makes it again.")
                                         .arg(name, opened.reason));
    case FileStatus::Refused:
        return problem(Topic::Guard, QStringLiteral("This account cannot open %1 for reading and writing (%2), so "
                                                    "it cannot update. Make %1 readable and writable for every "
                                                    "account, or remove it (the next board makes it again).")
                                         .arg(name, opened.reason));
    default:
        return problem(Topic::Guard, QStringLiteral("%1 cannot be locked: %2. No board can update here: mount the "
                                                    "share with byte-range locks (see the README).")
                                         .arg(name, opened.reason));
    }
}

QList<ShareCheck::Finding> ShareCheck::checkLeftovers() const
{
    QList<Finding> findings;
    // Ages by the server's clock, as the board's own clean-up judges them:
    // younger files may belong to a save or a press under way.
    const FileResult<qint64> server = serverNowNs();
    if (!server.ok()) {
        findings.append(problem(Topic::Leftovers,
            QStringLiteral("Leftover files were not looked for: the file server's time could not be read (%1).")
                .arg(server.reason)));
        return findings;
    }
    const qint64 settledBeforeNs = server.value - UpdateSession::kSettledNs;
    QStringList staleLocks;
    QStringList unopenableLocks;
    QStringList temporaries;
    QStringList checkFiles;
    for (const Folder& f : folders()) {
        if (!f.usable)
            continue;
        const TextFile::ListResult listing = TextFile::listFiles(f.path);
        if (!listing.ok()) {
            findings.append(problem(Topic::Leftovers, QStringLiteral("%1 cannot be listed: %2.")
                                                          .arg(f.name, listing.reason)));
            continue;
        }
        const bool isRoot = f.path == m_folder.root();
        for (const TextFile::FileEntry& e : listing.value) {
            const QString path = QDir(f.path).filePath(e.name);
            if (isRoot && UpdateLock::isLockFileName(e.name)) {
                const FileResult<bool> held = LockFile::isHeldElsewhere(path);
                if (held.status == FileStatus::Refused)
                    unopenableLocks.append(e.name);
                else if (held.ok() && !held.value && e.writeTimeNs < settledBeforeNs)
                    staleLocks.append(e.name);
            } else if (e.writeTimeNs >= settledBeforeNs) {
                continue;
            } else if (isCheckFileName(e.name)) {
                checkFiles.append(shown(path));
            } else if (TextFile::isTemporaryName(e.name)) {
                temporaries.append(shown(path));
            }
        }
    }
    if (!unopenableLocks.isEmpty()) {
        findings.append(problem(Topic::Leftovers,
            QStringLiteral("This account cannot open %1: %2. Every board counts such a file as held, so nobody "
                           "can update: remove them (or make them readable for every account).")
                .arg(plural(unopenableLocks.size(), QStringLiteral("lock file"), QStringLiteral("lock files")),
                     someNames(unopenableLocks))));
    }
    // Not a problem: a board that runs between updates keeps its lock file
    // unheld, just as a killed board leaves one, and nothing here can tell
    // the two apart.
    if (!staleLocks.isEmpty()) {
        findings.append(passed(Topic::Leftovers,
            QStringLiteral("%1 not held now: %2. A board running without an update keeps one, and a board that "
                           "stopped without closing leaves one behind; they block nobody, and the next workstation "
                           "that presses Update removes them.")
                .arg(plural(staleLocks.size(), QStringLiteral("lock file"), QStringLiteral("lock files")),
                     someNames(staleLocks))));
    }
    if (!temporaries.isEmpty()) {
        findings.append(problem(Topic::Leftovers,
            QStringLiteral("%1 of saves that never finished: %2. The next workstation that presses Update "
                           "finishes such saves or removes their files; leave them to it, as removing them by hand "
                           "can leave a save half done.")
                .arg(plural(temporaries.size(), QStringLiteral("leftover temporary file"),
                            QStringLiteral("leftover temporary files")),
                     someNames(temporaries))));
    }
    if (!checkFiles.isEmpty()) {
        findings.append(problem(Topic::Leftovers,
            QStringLiteral("%1 of a check that was cut short: %2. Remove them.")
                .arg(plural(checkFiles.size(), QStringLiteral("file"), QStringLiteral("files")),
                     someNames(checkFiles))));
    }
    if (std::all_of(findings.cbegin(), findings.cend(), [](const Finding& f) { return f.ok; })) {
        findings.append(passed(Topic::Leftovers, staleLocks.isEmpty()
                                                     ? QStringLiteral("no unheld lock files and no leftover temporary files.")
                                                     : QStringLiteral("no leftover temporary files.")));
    }
    return findings;
}

ShareCheck::Finding ShareCheck::checkLinks() const
{
    QStringList links;
    const auto note = [&links, this](const QFileInfo& info) {
        links.append(QStringLiteral("%1 -> %2").arg(shown(info.filePath()),
                                                     QDir::toNativeSeparators(info.symLinkTarget())));
    };
    // The root's own data: the sub-folders, lock and guard files, the
    // placement file, the help file. The program beside them is no data.
    constexpr QDir::Filters kAll = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
    const QList<Folder> all = folders();
    for (const QFileInfo& info : QDir(m_folder.root()).entryInfoList(kAll, QDir::Name)) {
        const QString name = info.fileName();
        const bool isData = std::any_of(all.cbegin() + 1, all.cend(), [&name](const Folder& f) { return f.name == name; })
            || name.endsWith(QStringLiteral(".scd"), Qt::CaseInsensitive)
            || name.endsWith(QStringLiteral(".ini"), Qt::CaseInsensitive)
            || name.compare(QStringLiteral("Help.chm"), Qt::CaseInsensitive) == 0;
        if (isData && isLink(info))
            note(info);
    }
    for (const Folder& f : all.mid(1)) {
        if (isLink(QFileInfo(f.path)))
            continue;   // noted above; what it points to is not the data folder's
        for (const QFileInfo& info : QDir(f.path).entryInfoList(kAll, QDir::Name))
            if (isLink(info))
                note(info);
    }
    if (links.isEmpty())
        return passed(Topic::Links, QStringLiteral("no links among the data folder's folders and files."));
    return problem(Topic::Links,
        QStringLiteral("%1 where the board wants real folders and files: %2. The board reads, writes and "
                       "removes nothing through a link: put the real folder or file in each one's place.")
            .arg(plural(links.size(), QStringLiteral("link"), QStringLiteral("links")), someNames(links)));
}

QString ShareCheck::reportText(const QString& folder, const QList<Finding>& findings)
{
    QStringList lines{QStringLiteral("Share check of %1").arg(QDir::toNativeSeparators(folder)), QString()};
    qsizetype problems = 0;
    for (const Finding& f : findings) {
        if (!f.ok)
            ++problems;
        lines.append((f.ok ? QString() : QStringLiteral("PROBLEM: ")) + f.text);
    }
    lines.append(QString());
    lines.append(problems == 0 ? QStringLiteral("All checks passed.")
                               : QStringLiteral("%1 found.").arg(plural(problems, QStringLiteral("problem"),
                                                                        QStringLiteral("problems"))));
    return lines.join(u'\n') + u'\n';
}

ShareCheck::Probe ShareCheck::programProbe(const QString& program, const QStringList& arguments)
{
    return [program, arguments](const QString& file) -> FileResult<bool> {
        const QString name = QFileInfo(program).fileName();
        QProcess process;
        process.setProgram(program);
        process.setArguments(arguments + QStringList{file});
        process.start(QIODevice::ReadOnly);
        if (!process.waitForStarted(kProbeTimeoutMs))
            return FileOutcome::failed(FileStatus::Failed, file,
                                       QStringLiteral("%1 did not start (%2)").arg(name, process.errorString()));
        if (!process.waitForFinished(kProbeTimeoutMs)) {
            process.kill();
            process.waitForFinished(kProbeTimeoutMs);
            return FileOutcome::failed(FileStatus::Failed, file,
                                       QStringLiteral("%1 did not answer within %2 s").arg(name).arg(kProbeTimeoutMs / 1000));
        }
        const QString answer = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
        if (answer == u"held")
            return {FileOutcome::done(file), true};
        if (answer == u"free")
            return {FileOutcome::done(file), false};
        const QString said = answer.isEmpty() ? QString::fromLocal8Bit(process.readAllStandardError()).trimmed()
                                              : answer;
        return FileOutcome::failed(FileStatus::Failed, file,
                                   QStringLiteral("%1 answered \"%2\"").arg(name, said.left(200)));
    };
}

QString ShareCheck::probeAnswer(const QString& file)
{
    const FileResult<bool> held = LockFile::isHeldElsewhere(file);
    if (!held.ok())
        return QStringLiteral("error: ") + held.message;
    return held.value ? QStringLiteral("held") : QStringLiteral("free");
}
