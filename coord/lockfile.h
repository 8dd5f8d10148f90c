#pragma once

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

    // Opens an existing file for reading and writing and locks bytes 0..32766;
    // false (with the reason in *error) when it cannot be opened or locked.
    bool open(const QString& path, QString* error = nullptr);
    // Unlocks and closes; the file stays on disk.
    void close();
    bool isOpen() const;
    // Whether `path` still names the file this one holds open. Where the
    // platform lets anybody delete an open file, a deleted lock file would
    // leave this workstation holding a lock that nobody can see.
    bool isStillAt(const QString& path) const;

    // Whether another open of the file holds its lock. Only tests, never takes
    // the lock, so a scan cannot disturb an owner. A file that cannot be opened
    // for lack of permission counts as held; one that is gone, or is not a
    // regular file, does not. *unopenable tells that the file could not be
    // opened at all, so that somebody can be told to remove it.
    static bool isHeldElsewhere(const QString& path, bool* unopenable = nullptr);

private:
    qintptr m_handle;
};
