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

    enum class Result { Acquired, Busy, LockError };
    // Writes the own lock file when it is missing (choosing a fresh name),
    // opens and locks it, then looks at the others; Busy lets go again.
    Result AcquireUpdateLock();
    void ReleaseUpdateLock();
    // Seven passes over the "lock*.scd" files, regular files only.
    bool OtherLockHeld() const;
    bool isHeld() const { return m_file.isOpen(); }

    QString fileName() const { return m_name; }   // "" until chosen
    QString lastError() const { return m_error; }  // why the last LockError happened
    // At close; a held lock file is never deleted (Linux would allow it and
    // leave the lock on a file nobody can see).
    void deleteOwnFile();

    static QString newFileName();

private:
    bool ensureOwnFile();

    DataFolder m_folder;
    QString m_name;
    QString m_error;
    LockFile m_file;
};
