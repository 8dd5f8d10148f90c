#include "coord/lockfile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The byte range the Windows build locks; the same range here keeps the two
// builds' locks comparable on one share.
constexpr off_t kLockLength = 0x7FFF;

struct flock lockRange(short type)
{
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = kLockLength;
    fl.l_pid = 0;   // must be 0 for open-file-description locks
    return fl;
}

QString errnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

FileOutcome failure(FileStatus status, const QString& path, const QString& reason)
{
    return FileOutcome::failed(status, path, reason);
}

} // namespace

LockFile::LockFile() : m_handle(-1) {}

LockFile::~LockFile()
{
    close();
}

LockFile::LockFile(LockFile&& other) noexcept
    : m_handle(std::exchange(other.m_handle, -1)), m_created(other.m_created)
{
}

LockFile& LockFile::operator=(LockFile&& other) noexcept
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, -1);
        m_created = other.m_created;
    }
    return *this;
}

FileResult<> LockFile::open(const QString& path, Create create)
{
    close();
    const QByteArray native = QFile::encodeName(path);
    constexpr int kFlags = O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW;
    bool created = false;
    int fd = ::open(native.constData(), kFlags);
    if (fd < 0 && errno == ENOENT && create == Create::IfMissing) {
        // O_EXCL: the server makes the file or says it exists; a file made
        // by another workstation a moment ago is then opened as it is.
        fd = ::open(native.constData(), kFlags | O_CREAT | O_EXCL, 0666);
        if (fd >= 0) {
            created = true;
            ::fchmod(fd, 0666);   // whatever the umask: every account must be able to lock it
        } else if (errno == EEXIST) {
            fd = ::open(native.constData(), kFlags);
        }
    }
    if (fd < 0) {
        const int err = errno;
        const FileStatus status = err == ENOENT || err == ENOTDIR || err == ELOOP || err == EISDIR ? FileStatus::Missing
            : err == EACCES || err == EPERM                                    ? FileStatus::Refused
                                                                               : FileStatus::Failed;
        return failure(status, path, errnoText(err));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return failure(FileStatus::Missing, path, QStringLiteral("not a regular file"));
    }
    // A second name for the same file (a hard link planted beside it) would
    // make our own lock look like another workstation's.
    if (st.st_nlink > 1) {
        ::close(fd);
        return failure(FileStatus::Failed, path, QStringLiteral("it has another name (a hard link); remove the other name"));
    }
    // Open-file-description locks: classic F_SETLK locks would vanish with any
    // close of the file anywhere in the process and never conflict inside it.
    struct flock fl = lockRange(F_WRLCK);
    if (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EAGAIN || err == EACCES)
            return failure(FileStatus::Busy, path, QStringLiteral("locked by another workstation"));
        return failure(FileStatus::Failed, path, errnoText(err));
    }
    m_handle = fd;
    m_created = created;
    return FileOutcome::done(path);
}

void LockFile::close()
{
    if (m_handle < 0)
        return;
    struct flock fl = lockRange(F_UNLCK);
    ::fcntl(int(m_handle), F_OFD_SETLK, &fl);
    ::close(int(m_handle));
    m_handle = -1;
}

bool LockFile::isOpen() const
{
    return m_handle >= 0;
}

bool LockFile::isStillAt(const QString& path) const
{
    if (m_handle < 0)
        return false;
    struct stat mine {};
    struct stat named {};
    if (::fstat(int(m_handle), &mine) != 0 || mine.st_nlink == 0)
        return false;
    if (::lstat(QFile::encodeName(path).constData(), &named) != 0)
        return false;
    return named.st_dev == mine.st_dev && named.st_ino == mine.st_ino;
}

FileResult<bool> LockFile::isHeldElsewhere(const QString& path)
{
    // Read access is enough to test for a write lock; asking for write access
    // would make every stale lock file of another user on a shared folder
    // look held for good.
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) {
        const int err = errno;
        if (err == EACCES || err == EPERM)
            return {failure(FileStatus::Refused, path, errnoText(err)), true};
        return {failure(err == ENOENT || err == ENOTDIR || err == ELOOP || err == ENXIO ? FileStatus::Missing
                                                                                       : FileStatus::Failed,
                        path, errnoText(err)),
                false};
    }
    FileResult<bool> r = FileOutcome::done(path);
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        struct flock fl = lockRange(F_WRLCK);
        if (::fcntl(fd, F_OFD_GETLK, &fl) == 0)
            r.value = fl.l_type != F_UNLCK;
        else   // cannot tell: stay on the safe side
            r = {failure(FileStatus::Failed, path, errnoText(errno)), true};
    } else {
        r = failure(FileStatus::Missing, path, QStringLiteral("not a regular file"));
    }
    ::close(fd);
    return r;
}
