#include "store/textfile_platform.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

QString errnoText(int err)
{
    return qt_error_string(err);
}

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

// Opens without following a link and without blocking on a FIFO, and keeps
// the descriptor only for a regular file.
int openRegular(const QString& path, int flags, struct stat& st, int& err)
{
    const int fd = ::open(native(path).constData(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        err = errno;
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        err = ELOOP;
        ::close(fd);
        return -1;
    }
    err = 0;
    return fd;
}

} // namespace

namespace TextFile::Platform {

QString createTemp(const QString& target, const QString& suffix, Access access, TempFile& temp, bool* nameTaken)
{
    struct stat existing {};
    bool exists = false;
    if (::lstat(native(target).constData(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode))
            return QStringLiteral("it is not a regular file");
        exists = true;
    } else if (errno != ENOENT) {
        return errnoText(errno);
    }

    *nameTaken = false;
    const QString name = target + u'.' + suffix;
    const int fd = ::open(native(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
        *nameTaken = errno == EEXIST;
        return errnoText(errno);
    }
    temp.handle = fd;
    temp.path = name;
    // A replaced file keeps its permissions; lock files must open for
    // every account on the share, whatever this one's umask says.
    mode_t mode = 0;
    if (access == Access::Everybody)
        mode = 0666;
    else if (exists)
        mode = existing.st_mode & 07777;
    if (mode != 0 && ::fchmod(fd, mode) != 0 && access == Access::Everybody) {
        const int err = errno;
        discard(temp);
        return errnoText(err);
    }
    return {};
}

QString writeAll(TempFile& temp, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(int(temp.handle), p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errnoText(errno);
        }
        if (n == 0)
            return errnoText(ENOSPC);
        p += n;
        left -= n;
    }
    return {};
}

QString sync(TempFile& temp)
{
    // Delayed allocation and network shares report a full disk only here.
    if (::fsync(int(temp.handle)) != 0)
        return errnoText(errno);
    return {};
}

QString close(TempFile& temp)
{
    const int fd = int(temp.handle);
    temp.handle = -1;
    // NFS reports a failed write-back at close: it counts like any other.
    if (::close(fd) != 0 && errno != EINTR)
        return errnoText(errno);
    return {};
}

void discard(TempFile& temp)
{
    if (temp.handle >= 0)
        ::close(int(temp.handle));
    temp.handle = -1;
    if (!temp.path.isEmpty())
        ::unlink(native(temp.path).constData());
    temp.path.clear();
}

QString replace(const QString& from, const QString& to)
{
    if (::rename(native(from).constData(), native(to).constData()) != 0)
        return errnoText(errno);
    return {};
}

BytesResult readBytes(const QString& path, qint64 maxBytes)
{
    BytesResult r;
    struct stat st {};
    int err = 0;
    const int fd = openRegular(path, O_RDONLY, st, err);
    if (fd < 0) {
        if (err == ENOENT || err == ENOTDIR || err == ELOOP || err == ENXIO) {
            r.status = ReadStatus::Missing;
            r.error = err == ENOENT || err == ENOTDIR ? errnoText(err) : QStringLiteral("it is not a regular file");
        } else {
            r.status = ReadStatus::Failed;
            r.error = errnoText(err);
        }
        return r;
    }
    if (st.st_size > maxBytes) {
        ::close(fd);
        r.status = ReadStatus::TooLarge;
        r.error = QStringLiteral("it is larger than %1 bytes").arg(maxBytes);
        return r;
    }
    // The size may change while we read (a writer elsewhere appending in
    // place); read to the end, but never past the cap.
    QByteArray bytes;
    bytes.resize(qsizetype(st.st_size) + 1);
    qint64 have = 0;
    for (;;) {
        if (have == bytes.size()) {
            if (have > maxBytes)
                break;
            bytes.resize(qsizetype(std::min<qint64>(maxBytes + 1, have * 2 + 4096)));
        }
        const ssize_t n = ::read(fd, bytes.data() + have, size_t(bytes.size() - have));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            ::close(fd);
            r.status = ReadStatus::Failed;
            r.error = errnoText(err);
            return r;
        }
        if (n == 0)
            break;
        have += n;
    }
    ::close(fd);
    if (have > maxBytes) {
        r.status = ReadStatus::TooLarge;
        r.error = QStringLiteral("it is larger than %1 bytes").arg(maxBytes);
        return r;
    }
    bytes.truncate(qsizetype(have));
    r.bytes = std::move(bytes);
    r.status = ReadStatus::Ok;
    return r;
}

bool isRegularFile(const QString& path)
{
    struct stat st {};
    return ::lstat(native(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isOlderRegularFile(const QString& path, qint64 seconds)
{
    struct stat st {};
    if (::lstat(native(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return qint64(::time(nullptr)) - qint64(st.st_mtim.tv_sec) > seconds;
}

} // namespace TextFile::Platform

// A rename over an open file always succeeds here: a refusal is final.
int TextFile::replaceRetryMs()
{
    return 0;
}
