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

// "lock*.scd", in any case: a Windows share shows names as they were made.
bool isLockFileName(const QString& name)
{
    return name.size() >= kPrefix.size() + kSuffix.size() && name.startsWith(kPrefix, Qt::CaseInsensitive)
        && name.endsWith(kSuffix, Qt::CaseInsensitive);
}

} // namespace

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

FileResult<> UpdateLock::acquire(bool retried)
{
    if (isHeld())
        return FileOutcome::done(m_folder.inRoot(m_name));
    if (const FileResult<> own = ensureOwnFile(); !own.ok())
        return own;
    // The own file is locked before the others are looked at: of two
    // workstations pressing at once, the later scan sees the earlier lock, so
    // both may back off but never both proceed.
    if (FileResult<> opened = m_file.open(m_folder.inRoot(m_name)); !opened.ok()) {
        // Our own lock file: a Busy here is a failure to lock, not a holder.
        if (opened.status == FileStatus::Busy)
            opened.status = FileStatus::Failed;
        // The reason alone: the caller's box already says a lock failed.
        opened.message = opened.reason;
        return opened;
    }
    if (const FileResult<bool> others = otherLockHeld(); others.value) {
        releaseUpdateLock();
        if (others.status == FileStatus::Refused)
            return FileOutcome::failed(FileStatus::Busy, others.path, others.reason);
        return FileOutcome{FileStatus::Busy, {}, {}, {}};
    }
    // Deleted between our open and our lock (a holder clearing leftovers),
    // the file would hold a lock nobody can see: start again under a new name.
    if (!m_file.isStillAt(m_folder.inRoot(m_name))) {
        releaseUpdateLock();
        return retried ? FileResult<>(FileOutcome{FileStatus::Busy, {}, {}, {}}) : acquire(true);
    }
    return FileOutcome::done(m_folder.inRoot(m_name));
}

void UpdateLock::releaseUpdateLock()
{
    m_file.close();
}

FileResult<bool> UpdateLock::otherLockHeld() const
{
    // A file seen free once our own lock is in place need not be looked at
    // again: a workstation that locks it later finds our lock in its own scan
    // and backs off. The later passes look only for new names.
    QSet<QString> free;
    for (int pass = 0; pass < kScanPasses; ++pass) {
        // Regular files only: a folder that happens to match the pattern is
        // nobody's lock.
        for (const TextFile::FileEntry& file : TextFile::listFiles(m_folder.root(), TextFile::Stamps::Skip).value) {
            if (!isLockFileName(file.name) || free.contains(file.name))
                continue;
            // The own file is skipped only while we hold it: held by somebody
            // else (a workstation that drew the same name) it blocks us too.
            if (file.name == m_name && isHeld())
                continue;
            if (const FileResult<bool> held = LockFile::isHeldElsewhere(m_folder.inRoot(file.name)); held.value)
                return held;
            if (isHeld())
                free.insert(file.name);
        }
    }
    return {FileOutcome::done(m_folder.root()), false};
}

UpdateLock::Watch UpdateLock::watchOwnFile()
{
    if (!isHeld())
        return Watch::Lost;
    if (m_file.isStillAt(m_folder.inRoot(m_name)))
        return Watch::Held;
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
        if (!otherLockHeld().value)
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
    for (const TextFile::FileEntry& file : TextFile::listFiles(m_folder.root()).value) {
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
