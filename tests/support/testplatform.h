#pragma once

#include <QString>
#include <QTemporaryDir>

// What tests need of the operating system beyond Qt, one file per platform.
// A function answering "why not" gives an empty string where the platform can
// do it, and otherwise the reason a test skips with.
namespace TestPlatform {

QString whyNoFifos();
bool makeFifo(const QString& path);

// A folder removed while it is watched is gone at once.
QString whyNoRemovingWatchedFolders();

// A symbolic link at `link` to `target`, which need not exist; on Windows a
// junction where `target` is a folder and no symbolic link can be made.
QString whyNoLinks();
bool makeLink(const QString& target, const QString& link);

// A small file system to fill up, on a folder of its own for the object's
// life (on Linux a tmpfs, where the test runs as root). whyNot() says why
// there is none.
class SmallVolume
{
public:
    explicit SmallVolume(int kilobytes);
    ~SmallVolume();
    SmallVolume(const SmallVolume&) = delete;
    SmallVolume& operator=(const SmallVolume&) = delete;

    QString whyNot() const { return m_whyNot; }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QString m_whyNot;
    bool m_mounted = false;
};

// The last-write time of a file or folder, in seconds since 1970.
bool setModifiedTime(const QString& path, qint64 seconds);

// The owner, group and other permission bits of a file, and the process's
// umask (which answers the old one).
QString whyNoModeBits();
int modeBits(const QString& path);
int setUmask(int mask);

// Why a file's owner still reads it once its read permission is gone.
QString whyOwnerReadsAnyway();

// Whether a file that is open without delete sharing can still be deleted
// (Linux); Windows refuses.
bool openFilesCanBeDeleted();

// Whether a byte-range lock keeps the file's other opens from reading the
// locked bytes (mandatory locks, as on Windows).
bool locksStopReaders();

// Why the toolkit's own case-insensitive collator is no reference for the
// board's text order (it is where Qt collates with ICU).
QString whyNoReferenceCollator();

} // namespace TestPlatform
