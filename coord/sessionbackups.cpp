#include "coord/updatesession.h"

#include "coord/publishonexit.h"

#include "base/preferences.h"
#include "base/services.h"

// The session's backups and the restore of one: they save the grid as a
// release does, under the same lock.

namespace {

const QString kGridFile = QStringLiteral("sgrid.scd");
const QString kSnapshotFile = QStringLiteral("bsgrid.scd");
const QString kCurrentUserFile = QStringLiteral("curuser.scd");

} // namespace

TextFile::WriteResult UpdateSession::backupOn(int choice)
{
    // Computer names are the same whatever their case (Windows gives one PC
    // as "VM" where Linux gives "vm"), and hold no spaces, so a space typed
    // around the name in Prefs does not count.
    if (m_prefs.backup != choice
        || m_prefs.backupComputer.trimmed().compare(m_identity.computerName().trimmed(), Qt::CaseInsensitive) != 0)
        return {};
    return m_store.backupGrid(m_grid, m_clock.localNow(),
                              choice == Preferences::BackupHourly ? BackupKind::Hourly : BackupKind::Close);
}

TextFile::WriteResult UpdateSession::backupNow()
{
    return m_store.backupGrid(m_grid, m_clock.localNow(), BackupKind::Manual);
}

UpdateSession::RestoreResult UpdateSession::restoreBackup(const QString& fileName)
{
    const PublishOnExit publish(m_document);
    RestoreResult r;
    const auto failed = [&r](RestoreResult::Kind kind, const FileOutcome& outcome) {
        r.kind = kind;
        static_cast<FileOutcome&>(r) = outcome;
        return r;
    };
    if (m_state == State::Updating)
        return failed(RestoreResult::Updating,
                      FileOutcome::failed(FileStatus::Busy, m_folder.gsystem(kGridFile),
                                          QStringLiteral("this workstation is updating it")));
    // Read before the lock is taken: a backup that cannot be read costs
    // nobody a moment of the board.
    GridData restored;
    if (const GridStore::LoadResult load = m_store.loadBackup(fileName, restored); !load.ok())
        return failed(RestoreResult::Unreadable, load);

    if (const FileResult<> lock = takeLock(r.computer, r.user, r.lockUnopenable); !lock.ok())
        return failed(lock.status == FileStatus::Busy ? RestoreResult::Busy : RestoreResult::LockError, lock);
    // The session timers are left alone: a waiting board keeps waiting.
    // Who holds the board, as for a session: only informative.
    (void)TextFile::write(m_folder.users(kCurrentUserFile), {m_identity.computerName(), m_identity.userName()});
    // As at a press: what cannot be finished now waits, the save replaces the set.
    for (const QString& name : {kGridFile, kSnapshotFile})
        (void)m_store.recoverInterruptedSave(name);

    const TextFile::WriteResult kept = keepReplacedGrid();
    if (!kept.ok()) {
        m_lock.releaseUpdateLock();
        return failed(RestoreResult::KeepFailed, kept);
    }
    r.keptAs = kept.path;
    if (const TextFile::WriteResult saved = m_store.saveGrid(kGridFile, restored); !saved.ok()) {
        m_lock.releaseUpdateLock();
        return failed(RestoreResult::SaveFailed, saved);
    }
    m_grid = restored;
    m_currentStamp = gridStamp();
    m_lastKnownStamp = m_currentStamp;
    m_refusedStamp = {};
    m_lock.releaseUpdateLock();
    r.kind = RestoreResult::Restored;
    return r;
}

TextFile::WriteResult UpdateSession::keepReplacedGrid()
{
    GridData current;
    const GridStore::LoadResult load = m_store.loadGrid(kGridFile, current);
    if (load.value)
        return m_store.backupGrid(current, m_clock.localNow(), BackupKind::Restore);
    if (load.status == FileStatus::Missing)
        return {};   // nothing to keep
    // A schedule that cannot be read as a grid is kept byte for byte: it may
    // be read by hand, and a restore is most wanted exactly then.
    const TextFile::BytesResult raw = TextFile::readBytes(m_folder.gsystem(kGridFile), GridStore::kMaxGridFileBytes);
    if (!raw.ok())
        return FileOutcome::saveFailed(raw.path, raw.reason, raw.status);
    return m_store.backupBytes(raw.value, m_clock.localNow());
}

TextFile::WriteResult UpdateSession::hourlyBackup()
{
    return backupOn(Preferences::BackupHourly);
}

TextFile::WriteResult UpdateSession::closeBackup()
{
    return backupOn(Preferences::BackupClose);
}
