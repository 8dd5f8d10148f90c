#pragma once

#include "coord/lockfile.h"
#include "store/datafolder.h"

#include <QString>

// The update lock: one lock file per workstation, "lock" + token + ".scd" in
// the data folder root. A workstation holds the lock while its own file is
// open and locked; it may update only when no other "lock*.scd" is held.
// Files left behind by stopped workstations are closed and block nobody.
class UpdateLock
{
public:
    static constexpr int kScanPasses = 7;
    static constexpr int kTokenLength = 7;

    explicit UpdateLock(const DataFolder& folder);

    // Writes the own lock file when it is missing (choosing a fresh name),
    // opens and locks it, then looks at the others. Ok: the lock is held.
    // Busy: another workstation holds one, and the lock is let go again; the
    // result names a lock file only when it counted as held because it could
    // not even be opened (another account's, made unreadable). Any other
    // status: the own lock file could not be made or locked, and the message
    // says why.
    FileResult<> acquireUpdateLock();
    void releaseUpdateLock();
    // The value: another workstation holds its lock. Seven passes over the
    // "lock*.scd" files, regular files only; while holding, a file found free
    // is not looked at again. Refused, naming the file, when the held one
    // could not even be opened.
    FileResult<bool> otherLockHeld() const;

    enum class Watch {
        Held,       // the own lock file is in place
        Restored,   // it had been deleted; a new one holds the lock again
        Lost,       // it had been deleted and another workstation holds a lock now
        Exposed,    // it had been deleted and could not be made again yet
    };
    // Run while holding: notices that the own lock file was deleted (other
    // workstations would then see the board free) and takes the lock again
    // under a fresh name. Lost lets go of the lock.
    Watch watchOwnFile();
    // Another workstation holds its lock and keeps holding it for a while:
    // a session, not a colleague's press that is about to back off.
    bool otherSessionRunning() const;
    bool isHeld() const { return m_file.isOpen(); }

    QString fileName() const { return m_name; }   // "" until chosen
    // At close; a held lock file is never deleted (Linux would allow it and
    // leave the lock on a file nobody can see).
    void deleteOwnFile();

    // Run while holding: removes the lock files that no workstation holds and
    // that were last written before `beforeNs`, a time of the file server's
    // (killed boards leave theirs behind). One that cannot be opened stays.
    int removeStaleLockFiles(qint64 beforeNs) const;

    static QString newFileName();

private:
    FileResult<> acquire(bool retried);
    FileResult<> ensureOwnFile();
    Watch restorePrevious(LockFile previous);

    DataFolder m_folder;
    QString m_name;
    LockFile m_file;
};
