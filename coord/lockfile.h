#pragma once

#include "store/fileresult.h"

#include <QString>

// One open lock file: the handle that, while it stays open, tells every other
// workstation that this one is updating. The lock belongs to the open file
// itself, not to the process, so two LockFile objects of one process on one
// path exclude each other just as two workstations do.
class LockFile
{
public:
    LockFile();
    ~LockFile();
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;
    LockFile(LockFile&& other) noexcept;
    LockFile& operator=(LockFile&& other) noexcept;

    enum class Create {
        No,          // the file must exist
        IfMissing,   // made when missing, readable and writable by every account
    };
    // Opens the file for reading and writing and locks bytes 0..32766.
    // Busy: another open of the file holds the lock; Missing: it is gone or
    // not a regular file. A file made here is made by the file server in the
    // open itself, so two workstations making it at once open the same file.
    FileResult<> open(const QString& path, Create create = Create::No);
    // Unlocks and closes; the file stays on disk.
    void close();
    bool isOpen() const;
    // The open made the file: it was not there a moment before.
    bool wasCreated() const { return m_created; }
    // Whether `path` still names the file this one holds open. Where the
    // platform lets anybody delete an open file, a deleted lock file would
    // leave this workstation holding a lock that nobody can see.
    bool isStillAt(const QString& path) const;

    // The value: whether another open of the file holds its lock. Only tests,
    // never takes the lock, so a scan cannot disturb an owner. A file that
    // cannot be opened for lack of permission counts as held and is Refused,
    // so that somebody can be told to remove it; one that is gone, or is not
    // a regular file, does not count (Missing). Failed: it could not be told,
    // and counts as held.
    static FileResult<bool> isHeldElsewhere(const QString& path);

private:
    qintptr m_handle;
    bool m_created = false;
};
