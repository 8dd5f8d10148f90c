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

} // namespace

LockFile::LockFile() : m_handle(-1) {}

LockFile::~LockFile()
{
    close();
}

LockFile::LockFile(LockFile&& other) noexcept : m_handle(std::exchange(other.m_handle, -1)) {}

LockFile& LockFile::operator=(LockFile&& other) noexcept
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, -1);
    }
    return *this;
}

bool LockFile::open(const QString& path, QString* error)
{
    close();
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) {
        if (error)
            *error = errnoText(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        if (error)
            *error = QStringLiteral("not a regular file");
        return false;
    }
    // Open-file-description locks: classic F_SETLK locks would vanish with any
    // close of the file anywhere in the process and never conflict inside it.
    struct flock fl = lockRange(F_WRLCK);
    if (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
        const int err = errno;
        ::close(fd);
        if (error)
            *error = (err == EAGAIN || err == EACCES) ? QStringLiteral("locked by another workstation")
                                                      : errnoText(err);
        return false;
    }
    m_handle = fd;
    return true;
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

bool LockFile::isHeldElsewhere(const QString& path, bool* unopenable)
{
    if (unopenable)
        *unopenable = false;
    // Read access is enough to test for a write lock; asking for write access
    // would make every stale lock file of another user on a shared folder
    // look held for good.
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
    if (fd < 0) {
        const bool refused = errno == EACCES || errno == EPERM;
        if (unopenable)
            *unopenable = refused;
        return refused;
    }
    bool held = false;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        struct flock fl = lockRange(F_WRLCK);
        if (::fcntl(fd, F_OFD_GETLK, &fl) == 0)
            held = fl.l_type != F_UNLCK;
        else
            held = true;   // cannot tell: stay on the safe side
    }
    ::close(fd);
    return held;
}
