#include "store/textfile_platform.h"

#include "store/filestamp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {

QString errnoText(int err)
{
    return qt_error_string(err);
}

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

FileStatus statusOf(int err)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return FileStatus::Missing;
    case ELOOP:   // a link where a folder should be
    case EACCES:
    case EPERM:
        return FileStatus::Refused;
    case EEXIST:
        return FileStatus::Busy;
    default:
        return FileStatus::Failed;
    }
}

FileOutcome failure(const QString& path, int err, const QString& reason = {})
{
    return FileOutcome::failed(statusOf(err), path, reason.isEmpty() ? errnoText(err) : reason);
}

// A descriptor of a folder, closed with the object; or why it could not be
// opened.
struct Folder
{
    Folder() = default;
    explicit Folder(int fd) : fd(fd) {}
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    Folder(Folder&& other) noexcept { *this = std::move(other); }
    Folder& operator=(Folder&& other) noexcept
    {
        std::swap(fd, other.fd);
        err = other.err;
        error = std::move(other.error);
        return *this;
    }
    ~Folder()
    {
        if (fd >= 0)
            ::close(fd);
    }
    bool isOpen() const { return fd >= 0; }

    int fd = -1;
    int err = 0;     // why it could not be opened
    QString error;   // the same for the user
};

Folder failedFolder(int err, const QString& error)
{
    Folder f;
    f.err = err;
    f.error = error.isEmpty() ? errnoText(err) : error;
    return f;
}

// `folder` as a handle. Below a data folder every step is taken with
// O_NOFOLLOW from the handle of the step before, so no link there is ever
// followed, whenever it was put in place.
Folder openFolder(const QString& folder)
{
    const QString clean = QDir::cleanPath(folder);
    const QString root = TextFile::Platform::dataFolderOf(clean);
    const int start = ::open(native(root.isEmpty() ? clean : root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (start < 0)
        return failedFolder(errno, {});
    Folder current(start);
    if (root.isEmpty())
        return current;
    for (const QString& step : QStringView(clean).sliced(root.size()).toString().split(u'/', Qt::SkipEmptyParts)) {
        const QByteArray name = native(step);
        const int next = ::openat(current.fd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            const int err = errno;
            struct stat st {};
            if (::fstatat(current.fd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
                return failedFolder(ELOOP, TextFile::Platform::linkedFolderText(step));
            return failedFolder(err, {});
        }
        current = Folder(next);
    }
    return current;
}

// The folder that holds `path`, and the file's name in it.
Folder openParent(const QString& path, QByteArray& name)
{
    const QString clean = QDir::cleanPath(path);
    const qsizetype slash = clean.lastIndexOf(u'/');
    name = native(clean.mid(slash + 1));
    return openFolder(slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : clean.left(slash));
}

// Opens without following a link and without blocking on a FIFO, and keeps
// the descriptor only for a regular file.
int openRegular(const Folder& folder, const QByteArray& name, int flags, struct stat& st, int& err)
{
    const int fd = ::openat(folder.fd, name.constData(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
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

bool isRegularAt(const Folder& folder, const QByteArray& name)
{
    struct stat st {};
    return folder.isOpen() && ::fstatat(folder.fd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0
        && S_ISREG(st.st_mode);
}

} // namespace

namespace TextFile::Platform {

FileResult<> createTemp(const QString& target, const QString& suffix, Access access, Target kind, TempFile& temp)
{
    QByteArray targetName;
    const Folder folder = openParent(target, targetName);
    if (!folder.isOpen())
        return failure(target, folder.err, folder.error);
    struct stat existing {};
    bool exists = false;
    // A new file never takes the place of whatever holds its name now.
    if (kind == Target::Replaced) {
        if (::fstatat(folder.fd, targetName.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
            if (!S_ISREG(existing.st_mode))
                return FileOutcome::failed(FileStatus::Missing, target, QStringLiteral("it is not a regular file"));
            exists = true;
        } else if (errno != ENOENT) {
            return failure(target, errno);
        }
    }

    const QString tempPath = target + u'.' + suffix;
    const QByteArray name = targetName + '.' + native(suffix);
    const int fd = ::openat(folder.fd, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0)
        return failure(tempPath, errno);
    temp.handle = fd;
    temp.path = tempPath;
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
        return failure(tempPath, err);
    }
    return FileOutcome::done(tempPath);
}

FileResult<> writeAll(TempFile& temp, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(int(temp.handle), p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failure(temp.path, errno);
        }
        if (n == 0)
            return failure(temp.path, ENOSPC);
        p += n;
        left -= n;
    }
    return FileOutcome::done(temp.path);
}

FileResult<> sync(TempFile& temp)
{
    // Delayed allocation and network shares report a full disk only here.
    if (::fsync(int(temp.handle)) != 0)
        return failure(temp.path, errno);
    return FileOutcome::done(temp.path);
}

FileResult<> close(TempFile& temp)
{
    const int fd = int(temp.handle);
    temp.handle = -1;
    // NFS reports a failed write-back at close: it counts like any other.
    if (::close(fd) != 0 && errno != EINTR)
        return failure(temp.path, errno);
    return FileOutcome::done(temp.path);
}

void discard(TempFile& temp)
{
    if (temp.handle >= 0)
        ::close(int(temp.handle));
    temp.handle = -1;
    // A temporary that stays is removed by the next holder's clean-up.
    if (!temp.path.isEmpty())
        (void)removeFile(temp.path);
    temp.path.clear();
}

FileResult<> replace(const QString& from, const QString& to)
{
    // Both lie in one folder: the rename happens inside the one handle.
    QByteArray toName;
    const Folder folder = openParent(to, toName);
    if (!folder.isOpen())
        return failure(to, folder.err, folder.error);
    const QByteArray fromName = native(QFileInfo(from).fileName());
    if (::renameat(folder.fd, fromName.constData(), folder.fd, toName.constData()) != 0)
        return failure(to, errno);
    return FileOutcome::done(to);
}

FileResult<> renameNew(const QString& from, const QString& to)
{
    QByteArray toName;
    const Folder folder = openParent(to, toName);
    if (!folder.isOpen())
        return failure(to, folder.err, folder.error);
    const QByteArray fromName = native(QFileInfo(from).fileName());
    int err = injectedError(Step::NoReplaceRename, to);
    if (err == 0) {
        if (::renameat2(folder.fd, fromName.constData(), folder.fd, toName.constData(), RENAME_NOREPLACE) == 0)
            return FileOutcome::done(to);
        err = errno;
    }
    // File systems without that rename (NFS among them) refuse the flag. A
    // hard link is as safe: made in one step, refused where the name exists.
    if (err != EINVAL && err != ENOSYS && err != EOPNOTSUPP)
        return failure(to, err);
    if (::linkat(folder.fd, fromName.constData(), folder.fd, toName.constData(), 0) != 0) {
        err = errno;
        // NFS may answer a link request it repeated with EEXIST although the
        // link it made first is ours.
        struct stat made {};
        struct stat ours {};
        const bool oursAlready = err == EEXIST
            && ::fstatat(folder.fd, toName.constData(), &made, AT_SYMLINK_NOFOLLOW) == 0
            && ::fstatat(folder.fd, fromName.constData(), &ours, AT_SYMLINK_NOFOLLOW) == 0
            && made.st_dev == ours.st_dev && made.st_ino == ours.st_ino;
        if (!oursAlready)
            return failure(to, err);
    }
    // A temporary name that stays behind is cleared up with the others.
    (void)::unlinkat(folder.fd, fromName.constData(), 0);
    return FileOutcome::done(to);
}

// Opens a data file for reading: a regular file only, reached without a
// link, no larger than `maxBytes`. On success `fd` is open and `st` filled.
FileOutcome openForReading(const QString& path, qint64 maxBytes, int& fd, struct stat& st)
{
    int err = 0;
    QByteArray name;
    const Folder folder = openParent(path, name);
    fd = folder.isOpen() ? openRegular(folder, name, O_RDONLY, st, err) : -1;
    if (fd < 0) {
        if (!folder.isOpen())
            return failure(path, folder.err, folder.error);
        if (err == ELOOP || err == ENXIO)
            return FileOutcome::failed(FileStatus::Missing, path, QStringLiteral("it is not a regular file"));
        return failure(path, err);
    }
    if (st.st_size > maxBytes) {
        ::close(fd);
        fd = -1;
        return FileOutcome::failed(FileStatus::TooLarge, path, QStringLiteral("it is larger than %1 bytes").arg(maxBytes));
    }
    return FileOutcome::done(path);
}

FileResult<FileEnds> readEnds(const QString& path, qint64 headBytes, qint64 tailBytes, qint64 maxBytes)
{
    struct stat st {};
    int fd = -1;
    if (const FileOutcome opened = openForReading(path, maxBytes, fd, st); !opened.ok())
        return opened;
    int err = 0;
    // Reads `length` bytes from `offset`, fewer where the file ends sooner
    // (a writer elsewhere may shorten it meanwhile).
    auto readAt = [fd, &err](qint64 offset, qint64 length, QByteArray& out) {
        out.resize(qsizetype(length));
        qint64 have = 0;
        while (have < length) {
            const ssize_t n = ::pread(fd, out.data() + have, size_t(length - have), off_t(offset + have));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                err = errno;
                return false;
            }
            if (n == 0)
                break;
            have += n;
        }
        out.truncate(qsizetype(have));
        return true;
    };
    FileResult<FileEnds> r = FileOutcome::done(path);
    const qint64 size = st.st_size;
    const qint64 tail = std::min(tailBytes, size);
    const bool ok = readAt(0, std::min(headBytes, size), r.value.head) && readAt(size - tail, tail, r.value.tail);
    ::close(fd);
    if (!ok)
        return FileOutcome::failed(FileStatus::Failed, path, errnoText(err));
    r.value.size = size;
    return r;
}

BytesResult readBytes(const QString& path, qint64 maxBytes)
{
    struct stat st {};
    int fd = -1;
    if (const FileOutcome opened = openForReading(path, maxBytes, fd, st); !opened.ok())
        return opened;
    int err = 0;
    const auto tooLarge = [&] {
        return FileOutcome::failed(FileStatus::TooLarge, path,
                                   QStringLiteral("it is larger than %1 bytes").arg(maxBytes));
    };
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
            return FileOutcome::failed(FileStatus::Failed, path, errnoText(err));
        }
        if (n == 0)
            break;
        have += n;
    }
    ::close(fd);
    if (have > maxBytes)
        return tooLarge();
    bytes.truncate(qsizetype(have));
    return {FileOutcome::done(path), std::move(bytes)};
}

bool isRegularFile(const QString& path)
{
    QByteArray name;
    return isRegularAt(openParent(path, name), name);
}

FileResult<> removeFile(const QString& path)
{
    QByteArray name;
    const Folder folder = openParent(path, name);
    if (!folder.isOpen())
        return failure(path, folder.err, folder.error);
    if (!isRegularAt(folder, name))
        return FileOutcome::failed(FileStatus::Missing, path, QStringLiteral("it is not a regular file"));
    if (::unlinkat(folder.fd, name.constData(), 0) != 0)
        return failure(path, errno);
    return FileOutcome::done(path);
}

ListResult listFiles(const QString& folderPath, Stamps stamps)
{
    Folder folder = openFolder(folderPath);
    if (!folder.isOpen())
        return failure(folderPath, folder.err, folder.error);
    // The stream takes the descriptor over; the folder must not close it too.
    const int fd = ::dup(folder.fd);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        const int err = errno;
        if (fd >= 0)
            ::close(fd);
        return failure(folderPath, err);
    }
    ListResult r = FileOutcome::done(folderPath);
    // readdir() ends a listing that failed half way just as one that is
    // complete; only errno tells them apart.
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0)
                r = failure(folderPath, errno);
            break;
        }
        if (stamps == Stamps::Skip && entry->d_type == DT_REG) {
            r.value.append({QFile::decodeName(entry->d_name), 0});
            continue;
        }
        struct stat st {};
        if (::fstatat(folder.fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        r.value.append({QFile::decodeName(entry->d_name), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec});
    }
    ::closedir(dir);
    return r;
}

FileResult<> checkFolder(const QString& path)
{
    const Folder folder = openFolder(path);
    if (!folder.isOpen())
        return failure(path, folder.err, folder.error);
    return FileOutcome::done(path);
}

} // namespace TextFile::Platform

// A rename over an open file always succeeds here: a refusal is final.
int TextFile::replaceRetryMs()
{
    return 0;
}

FileResult<FileStamp> readFileStamp(const QString& path)
{
    QByteArray name;
    const Folder folder = openParent(path, name);
    if (!folder.isOpen())
        return failure(path, folder.err, folder.error);
    // Never follows a link, never blocks on a FIFO; the open itself makes a
    // network client revalidate what it cached of the file.
    struct stat st {};
    int err = 0;
    const int fd = openRegular(folder, name, O_RDONLY, st, err);
    if (fd < 0) {
        if (err == ELOOP || err == ENXIO)
            return FileOutcome::failed(FileStatus::Missing, path, QStringLiteral("it is not a regular file"));
        return failure(path, err);
    }
    ::close(fd);
    FileResult<FileStamp> r = FileOutcome::done(path);
    FileStamp& stamp = r.value;
    stamp.writeTimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.fileId = quint64(st.st_ino) ^ (quint64(st.st_dev) << 40);
    stamp.size = st.st_size;
    return r;
}
