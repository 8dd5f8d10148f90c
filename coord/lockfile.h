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

    // Opens an existing file for reading and writing and locks bytes 0..32766;
    // false (with the reason in *error) when it cannot be opened or locked.
    bool open(const QString& path, QString* error = nullptr);
    // Unlocks and closes; the file stays on disk.
    void close();
    bool isOpen() const;

    // Whether another open of the file holds its lock. Only tests, never takes
    // the lock, so a scan cannot disturb an owner. A file that cannot be opened
    // for lack of permission counts as held; one that is gone, or is not a
    // regular file, does not.
    static bool isHeldElsewhere(const QString& path);

private:
    qintptr m_handle;
};
