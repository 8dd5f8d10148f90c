#pragma once

#include "coord/lockfile.h"
#include "store/datafolder.h"

#include <QString>

// The update lock: one lock file per workstation, "lock" + token + ".scd" in
// the data folder root. A workstation holds the lock while its own file is
// open and locked; it may update only when no other "lock*.scd" is held.
// Files left behind by stopped workstations are closed and block nobody.
//
// The lock files are found by listing the folder, and a share's client may
// answer a listing from a cache seconds old. So a holder also locks one guard
// file of fixed name, "guard.scd" beside the lock files, for its whole
// session: that name is resolved by the file server at every open and its
// byte-range lock is granted by the server to one holder only, whatever any
// listing says. A press takes the guard first, then its own lock file, then
// scans the others (boards that know no guard hold only a lock file).
class UpdateLock
{
public:
    static constexpr int kScanPasses = 7;
    static constexpr int kTokenLength = 7;
    // A Windows board tests a lock by taking it for an instant: a press that
    // meets such a test tries the guard again before it counts as busy.
    static constexpr int kGuardTries = 4;
    static constexpr int kGuardRetryMs = 25;
    // A guard that a press had to make may have been removed from under a
    // holder, who takes it again by name at its next check of every second:
    // the press lets go and looks again once that check has been.
    static constexpr int kGuardSettleMs = 1200;
    // Lock files removed by one clean-up at most, so that thousands planted
    // on the share cannot hold a press up.
    static constexpr int kMaxStaleRemovals = 200;

    static QString guardFileName() { return QStringLiteral("guard.scd"); }

    explicit UpdateLock(const DataFolder& folder);

    // Takes the guard (made when missing), writes the own lock file when it
    // is missing (choosing a fresh name), opens and locks it, then looks at
    // the others. Ok: the lock is held. Busy: another workstation holds the
    // guard or a lock file, and the lock is let go again. Any other status:
    // something could not be made, opened, listed or tested, so nobody can
    // tell whether the board is free; the result names the file or folder and
    // the reason, and nothing is held.
    FileResult<> acquireUpdateLock();
    void releaseUpdateLock();
    // Seven passes over the "lock*.scd" files, regular files only; while
    // holding, a file found free is not looked at again. Ok with the value:
    // whether another workstation holds one. Any other status (a listing
    // that failed, a lock file that could not be opened or tested, named in
    // the result) has the value true: what cannot be told counts as held.
    FileResult<bool> otherLockHeld() const;
    // Whether another workstation holds the guard: one test of one name,
    // cheap enough for every poll. Missing guard: free. Fails closed as above.
    FileResult<bool> guardHeldElsewhere() const;
    // The waiting check: the guard, then the lock files of boards that hold
    // no guard. Fails closed as above.
    FileResult<bool> boardHeldElsewhere() const;

    enum class Watch {
        Held,       // the guard and the own lock file are in place
        Restored,   // one had been deleted; a new one holds the lock again
        Lost,       // one had been deleted and another workstation holds a lock now
        Exposed,    // one had been deleted and could not be made again yet
    };
    // Run while holding: notices that the guard or the own lock file was
    // deleted (other workstations would then see the board free) and takes
    // it again, the lock file under a fresh name. Lost lets go of the lock.
    Watch watchOwnFile();
    // Another workstation holds its lock and keeps holding it for a while:
    // a session, not a colleague's press that is about to back off. Only a
    // lock seen held counts: a look that fails never ends a running session.
    bool otherSessionRunning() const;
    bool isHeld() const { return m_file.isOpen(); }

    QString fileName() const { return m_name; }   // "" until chosen
    // At close; a held lock file is never deleted (Linux would allow it and
    // leave the lock on a file nobody can see).
    void deleteOwnFile();

    // Run while holding: removes the lock files that no workstation holds and
    // that were last written before `beforeNs`, a time of the file server's
    // (killed boards leave theirs behind), kMaxStaleRemovals at most. One
    // that cannot be opened stays.
    int removeStaleLockFiles(qint64 beforeNs) const;

    static QString newFileName();
    // "lock*.scd": a lock file of some board, held or left behind.
    static bool isLockFileName(const QString& name);

private:
    FileResult<> acquire(bool retried);
    FileResult<> openGuard(LockFile& guard) const;
    FileResult<> takeGuard();
    FileResult<> ensureOwnFile();
    Watch watchGuard();
    Watch restorePrevious(LockFile previous);
    QString guardPath() const { return m_folder.inRoot(guardFileName()); }

    DataFolder m_folder;
    QString m_name;
    LockFile m_guard;
    LockFile m_file;
};
