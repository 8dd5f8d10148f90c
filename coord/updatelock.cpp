#include "coord/updatelock.h"

#include "store/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <utility>
#include <QRandomGenerator>
#include <QThread>

namespace {

const QString kPrefix = QStringLiteral("lock");
const QString kSuffix = QStringLiteral(".scd");

} // namespace

bool UpdateLock::isLockFileName(const QString& name)
{
    // In any case: a Windows share shows names as they were made.
    return name.size() >= kPrefix.size() + kSuffix.size() && name.startsWith(kPrefix, Qt::CaseInsensitive)
        && name.endsWith(kSuffix, Qt::CaseInsensitive);
}

UpdateLock::UpdateLock(const DataFolder& folder) : m_folder(folder) {}

QString UpdateLock::newFileName()
{
    // Lower case only: Windows shares compare names without case, so two
    // tokens differing in case alone would name one file there.
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    constexpr int kAlphabetSize = int(sizeof kAlphabet) - 1;
    QString token;
    token.reserve(kTokenLength);
    QRandomGenerator* rng = QRandomGenerator::system();
    for (int i = 0; i < kTokenLength; ++i)
        token.append(QLatin1Char(kAlphabet[rng->bounded(kAlphabetSize)]));
    return kPrefix + token + kSuffix;
}

FileResult<> UpdateLock::ensureOwnFile()
{
    if (!m_name.isEmpty() && TextFile::isRegularFile(m_folder.inRoot(m_name)))
        return FileOutcome::done(m_folder.inRoot(m_name));
    // First use, or the file vanished (deleted by hand, or the folder was
    // restored): a fresh name that nobody else uses yet.
    QString name;
    for (int attempt = 0; attempt < 16; ++attempt) {
        name = newFileName();
        const QFileInfo info(m_folder.inRoot(name));
        if (!info.exists() && !info.isSymLink())
            break;
    }
    // Every account must be able to open it: one that cannot would count it
    // as held for good.
    const TextFile::WriteResult w =
        TextFile::writeBytes(m_folder.inRoot(name), TextFile::joinLines({QStringLiteral("lock")}),
                             TextFile::Access::Everybody);
    if (!w.ok())
        return w;
    m_name = name;
    return w;
}

FileResult<> UpdateLock::acquireUpdateLock()
{
    return acquire(false);
}

FileResult<> UpdateLock::openGuard(LockFile& guard) const
{
    FileResult<> opened;
    for (int attempt = 0; attempt < kGuardTries; ++attempt) {
        if (attempt > 0)
            QThread::msleep(kGuardRetryMs);
        opened = guard.open(guardPath(), LockFile::Create::IfMissing);
        if (opened.status != FileStatus::Busy)
            break;
    }
    return opened;
}

FileResult<> UpdateLock::takeGuard()
{
    FileResult<> guard = openGuard(m_guard);
    if (guard.ok() && m_guard.wasCreated()) {
        // Without this, the lock files alone would decide, and a listing
        // cached by the share's client could miss the holder's.
        m_guard.close();
        QThread::msleep(kGuardSettleMs);
        guard = openGuard(m_guard);
        if (guard.ok() && m_guard.wasCreated()) {
            m_guard.close();
            return FileOutcome::failed(FileStatus::Failed, guardPath(),
                                       QStringLiteral("it vanished again while it was being made; "
                                                      "somebody or something keeps removing it"));
        }
    }
    // Busy names no file: the guard held is a workstation updating, not a
    // file somebody must see to.
    if (guard.status == FileStatus::Busy)
        return FileOutcome{FileStatus::Busy, {}, {}, {}};
    // A folder or link in the guard's place: nobody can hold the board
    // through it, so nobody may update until it is put right.
    if (guard.status == FileStatus::Missing)
        guard.status = FileStatus::Failed;
    return guard;
}

FileResult<> UpdateLock::acquire(bool retried)
{
    if (isHeld())
        return FileOutcome::done(m_folder.inRoot(m_name));
    // The guard first: of two presses the server grants its lock to one, so
    // the other never gets as far as trusting a listing.
    if (const FileResult<> guard = takeGuard(); !guard.ok())
        return guard;
    if (const FileResult<> own = ensureOwnFile(); !own.ok()) {
        m_guard.close();
        return own;
    }
    // The own file is locked before the others are looked at: of two
    // workstations pressing at once, the later scan sees the earlier lock, so
    // both may back off but never both proceed.
    if (FileResult<> opened = m_file.open(m_folder.inRoot(m_name)); !opened.ok()) {
        m_guard.close();
        // Our own lock file: a Busy here is a failure to lock, not a holder.
        if (opened.status == FileStatus::Busy)
            opened.status = FileStatus::Failed;
        return opened;
    }
    if (const FileResult<bool> others = otherLockHeld(); others.value) {
        releaseUpdateLock();
        if (!others.ok())
            return others;   // could not tell: neither free nor somebody's session
        return FileOutcome{FileStatus::Busy, {}, {}, {}};
    }
    // Deleted between our open and our lock (a holder clearing leftovers, or
    // somebody removing the guard), a file would hold a lock nobody can see:
    // start again, under a new name for the lock file.
    const bool guardInPlace = m_guard.isStillAt(guardPath());
    if (!guardInPlace || !m_file.isStillAt(m_folder.inRoot(m_name))) {
        releaseUpdateLock();
        if (!retried)
            return acquire(true);
        if (!guardInPlace)
            return FileOutcome::failed(FileStatus::Failed, guardPath(),
                                       QStringLiteral("it was removed while it was being locked"));
        return FileOutcome{FileStatus::Busy, {}, {}, {}};
    }
    return FileOutcome::done(m_folder.inRoot(m_name));
}

void UpdateLock::releaseUpdateLock()
{
    m_file.close();
    m_guard.close();
}

FileResult<bool> UpdateLock::otherLockHeld() const
{
    // A file seen free once our own lock is in place need not be looked at
    // again: a workstation that locks it later finds our lock in its own scan
    // and backs off. The later passes look only for new names.
    QSet<QString> free;
    for (int pass = 0; pass < kScanPasses; ++pass) {
        // A listing that failed says nothing about who holds the board.
        const TextFile::ListResult listing = TextFile::listFiles(m_folder.root(), TextFile::Stamps::Skip);
        if (!listing.ok())
            return {listing, true};
        // Regular files only: a folder that happens to match the pattern is
        // nobody's lock.
        for (const TextFile::FileEntry& file : listing.value) {
            if (!isLockFileName(file.name) || free.contains(file.name))
                continue;
            // The own file is skipped only while we hold it: held by somebody
            // else (a workstation that drew the same name) it blocks us too.
            if (file.name == m_name && isHeld())
                continue;
            // Held, or could not be told (the value is true then too).
            if (const FileResult<bool> held = LockFile::isHeldElsewhere(m_folder.inRoot(file.name)); held.value)
                return held;
            if (isHeld())
                free.insert(file.name);
        }
    }
    return {FileOutcome::done(m_folder.root()), false};
}

FileResult<bool> UpdateLock::guardHeldElsewhere() const
{
    const FileResult<bool> held = LockFile::isHeldElsewhere(guardPath());
    if (held.status != FileStatus::Missing)
        return held;
    // Never made yet: nobody has held it. A link or folder in its place
    // blocks every press, so it counts as held too.
    const QFileInfo info(guardPath());
    if (!info.exists() && !info.isSymLink())
        return {FileOutcome::done(guardPath()), false};
    return {FileOutcome::failed(FileStatus::Failed, guardPath(), held.reason), true};
}

FileResult<bool> UpdateLock::boardHeldElsewhere() const
{
    if (const FileResult<bool> guard = guardHeldElsewhere(); guard.value)
        return guard;
    return otherLockHeld();
}

UpdateLock::Watch UpdateLock::watchGuard()
{
    if (m_guard.isStillAt(guardPath()))
        return Watch::Held;
    // Deleted under us (only Linux allows that): whoever made a new guard
    // since may be holding it. Ours keeps its lock until the new one holds.
    LockFile previous = std::move(m_guard);
    const FileResult<> again = openGuard(m_guard);
    if (again.ok())
        return Watch::Restored;
    if (again.status == FileStatus::Busy) {
        previous.close();
        releaseUpdateLock();
        return Watch::Lost;
    }
    m_guard = std::move(previous);
    return Watch::Exposed;
}

UpdateLock::Watch UpdateLock::watchOwnFile()
{
    if (!isHeld())
        return Watch::Lost;
    const Watch guard = watchGuard();
    if (guard == Watch::Lost)
        return guard;
    if (m_file.isStillAt(m_folder.inRoot(m_name)))
        return guard;
    // The old descriptor keeps its lock until the new one holds, though
    // nobody can see it any more.
    LockFile previous = std::move(m_file);
    m_name.clear();
    if (!ensureOwnFile().ok())
        return restorePrevious(std::move(previous));
    if (!m_file.open(m_folder.inRoot(m_name)).ok()) {
        QFile::remove(m_folder.inRoot(m_name));
        return restorePrevious(std::move(previous));
    }
    // While our file was gone another workstation may have come in: then it
    // owns the board and we step back.
    if (otherSessionRunning()) {
        releaseUpdateLock();
        return Watch::Lost;
    }
    return Watch::Restored;
}

bool UpdateLock::otherSessionRunning() const
{
    // A workstation pressing Update holds its lock only for the moment of its
    // own scan, then backs off because it sees ours; a session holds on.
    constexpr int kLooks = 4;
    constexpr int kPauseMs = 50;
    for (int look = 0; look < kLooks; ++look) {
        if (look > 0)
            QThread::msleep(kPauseMs);
        if (const FileResult<bool> held = otherLockHeld(); !held.ok() || !held.value)
            return false;
    }
    return true;
}

UpdateLock::Watch UpdateLock::restorePrevious(LockFile previous)
{
    // Still ours, though hidden: the next check tries again.
    m_file = std::move(previous);
    m_name.clear();
    return Watch::Exposed;
}

int UpdateLock::removeStaleLockFiles(qint64 beforeNs) const
{
    if (!isHeld())
        return 0;
    int removed = 0;
    // An empty list when the listing fails: nothing is removed then.
    for (const TextFile::FileEntry& file : TextFile::listFiles(m_folder.root()).value) {
        if (removed >= kMaxStaleRemovals)
            break;
        if (file.name == m_name || file.writeTimeNs >= beforeNs || !isLockFileName(file.name))
            continue;
        // A workstation that locks its file after this look sees our lock and
        // backs off, so taking the file away from under it is harmless.
        const FileResult<bool> held = LockFile::isHeldElsewhere(m_folder.inRoot(file.name));
        if (!held.value && held.status != FileStatus::Refused && TextFile::remove(m_folder.inRoot(file.name)).ok())
            ++removed;
    }
    return removed;
}

void UpdateLock::deleteOwnFile()
{
    if (isHeld() || m_name.isEmpty())
        return;
    QFile::remove(m_folder.inRoot(m_name));
}
