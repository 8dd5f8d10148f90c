#include "store/textfile_platform.h"

#include "store/filestamp.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <vector>

#include <windows.h>

namespace {

// Whole paths with the "\\?\" prefix, which Windows takes literally: a
// column titled AUX has its menu file AUX.scd on disk, not the device AUX,
// and a deep share path is not cut at MAX_PATH.
std::wstring native(const QString& path)
{
    const QString clean = QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
    if (clean.startsWith(u"//"))
        return QString(QStringLiteral("\\\\?\\UNC\\") + QDir::toNativeSeparators(clean.mid(2))).toStdWString();
    return QString(QStringLiteral("\\\\?\\") + QDir::toNativeSeparators(clean)).toStdWString();
}

QString lastErrorText()
{
    return qt_error_string(int(GetLastError()));
}

FileStatus statusOf(DWORD err)
{
    switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return FileStatus::Missing;
    case ERROR_ACCESS_DENIED:
        return FileStatus::Refused;
    case ERROR_FILE_EXISTS:
        return FileStatus::Busy;
    default:
        return FileStatus::Failed;
    }
}

FileOutcome failure(const QString& path, DWORD err)
{
    return FileOutcome::failed(statusOf(err), path, qt_error_string(int(err)));
}

FileOutcome lastFailure(const QString& path)
{
    return failure(path, GetLastError());
}

FileOutcome notRegular(const QString& path)
{
    return FileOutcome::failed(FileStatus::Missing, path, QStringLiteral("it is not a regular file"));
}

// Regular means: not a folder, not a reparse point (link), not a device.
bool regularAttributes(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES
        && !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE));
}

// Why a file could not be opened. A folder in the file's place refuses the
// open; like a link or a device it is no data file, so the file counts as
// missing, as on Linux.
FileOutcome openFailure(const QString& path, DWORD err)
{
    const DWORD attributes = GetFileAttributesW(native(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !regularAttributes(attributes))
        return notRegular(path);
    return failure(path, err);
}

// The folders from the data folder down to one below it, each opened without
// following a reparse point (a link or a junction) and held without delete
// sharing, so that none can be renamed or swapped for a link while the
// operation that pinned them runs. Paths are used whole once pinned.
class PinnedFolder
{
public:
    explicit PinnedFolder(const QString& folder);
    ~PinnedFolder()
    {
        for (HANDLE h : m_handles)
            CloseHandle(h);
    }
    PinnedFolder(const PinnedFolder&) = delete;
    PinnedFolder& operator=(const PinnedFolder&) = delete;

    bool isOpen() const { return m_error.isEmpty(); }
    // Why it is not open, as the failure of an operation on `path`.
    FileOutcome failure(const QString& path) const
    {
        return FileOutcome::failed(m_status, path, m_error);
    }

private:
    std::vector<HANDLE> m_handles;
    QString m_error;
    FileStatus m_status = FileStatus::Ok;
};

PinnedFolder::PinnedFolder(const QString& folder)
{
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(folder));
    const QString root = TextFile::Platform::dataFolderOf(clean);
    if (root.isEmpty())
        return;
    QString current = root;
    for (const QString& step : clean.mid(root.size()).split(u'/', Qt::SkipEmptyParts)) {
        current += u'/' + step;
        HANDLE h = CreateFileW(native(current).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                               nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD err = GetLastError();
            m_status = statusOf(err);
            m_error = qt_error_string(int(err));
            return;
        }
        m_handles.push_back(h);
        BY_HANDLE_FILE_INFORMATION info {};
        if (!GetFileInformationByHandle(h, &info)) {
            m_status = FileStatus::Failed;
            m_error = lastErrorText();
            return;
        }
        if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            m_status = FileStatus::Refused;
            m_error = TextFile::Platform::linkedFolderText(step);
            return;
        }
        if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            m_status = FileStatus::Missing;
            m_error = qt_error_string(ERROR_DIRECTORY);
            return;
        }
    }
}

// Nanoseconds since 1970, as on Linux: a FILETIME's 100 ns ticks since 1601
// times 100 would not fit in 64 bits.
qint64 unixNs(const FILETIME& t)
{
    constexpr qint64 kTicksTo1970 = 116444736000000000;
    const qint64 ticks = (qint64(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    return (ticks - kTicksTo1970) * 100;
}

QString parentOf(const QString& path)
{
    return QFileInfo(QDir::fromNativeSeparators(path)).path();
}

} // namespace

namespace TextFile::Platform {

FileResult<> createTemp(const QString& target, const QString& suffix, Access, Target kind, TempFile& temp)
{
    const PinnedFolder folder(parentOf(target));
    if (!folder.isOpen())
        return folder.failure(target);
    const DWORD attributes = GetFileAttributesW(native(target).c_str());
    if (kind == Target::Replaced && attributes != INVALID_FILE_ATTRIBUTES && !regularAttributes(attributes))
        return notRegular(target);
    const QString name = target + u'.' + suffix;
    HANDLE h = CreateFileW(native(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return lastFailure(name);
    temp.handle = qintptr(h);
    temp.path = name;
    return FileOutcome::done(name);
}

FileResult<> writeAll(TempFile& temp, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const DWORD chunk = DWORD(std::min<qint64>(left, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(HANDLE(temp.handle), p, chunk, &written, nullptr))
            return lastFailure(temp.path);
        if (written == 0)
            return failure(temp.path, ERROR_DISK_FULL);
        p += written;
        left -= written;
    }
    return FileOutcome::done(temp.path);
}

FileResult<> sync(TempFile& temp)
{
    if (!FlushFileBuffers(HANDLE(temp.handle)))
        return lastFailure(temp.path);
    return FileOutcome::done(temp.path);
}

FileResult<> close(TempFile& temp)
{
    HANDLE h = HANDLE(temp.handle);
    temp.handle = -1;
    if (!CloseHandle(h))
        return lastFailure(temp.path);
    return FileOutcome::done(temp.path);
}

void discard(TempFile& temp)
{
    if (temp.handle != -1)
        CloseHandle(HANDLE(temp.handle));
    temp.handle = -1;
    // A temporary that stays is removed by the next holder's clean-up.
    if (!temp.path.isEmpty())
        (void)removeFile(temp.path);
    temp.path.clear();
}

FileResult<> replace(const QString& from, const QString& to)
{
    const PinnedFolder folder(parentOf(to));
    if (!folder.isOpen())
        return folder.failure(to);
    if (!MoveFileExW(native(from).c_str(), native(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return lastFailure(to);
    return FileOutcome::done(to);
}

FileResult<> renameNew(const QString& from, const QString& to)
{
    const PinnedFolder folder(parentOf(to));
    if (!folder.isOpen())
        return folder.failure(to);
    // Without MOVEFILE_REPLACE_EXISTING the file system refuses a name that
    // is taken, in the same step as the rename.
    if (MoveFileExW(native(from).c_str(), native(to).c_str(), MOVEFILE_WRITE_THROUGH))
        return FileOutcome::done(to);
    const DWORD err = GetLastError();
    if (err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS
        || GetFileAttributesW(native(to).c_str()) != INVALID_FILE_ATTRIBUTES)
        return FileOutcome::failed(FileStatus::Busy, to, qt_error_string(int(err)));
    return failure(to, err);
}

// Opens a data file for reading: a regular file only, reached without a
// link, no larger than `maxBytes`. On success `h` is open and `size` set.
FileOutcome openForReading(const QString& path, qint64 maxBytes, HANDLE& h, qint64& size)
{
    const PinnedFolder folder(parentOf(path));
    if (!folder.isOpen())
        return folder.failure(path);
    h = CreateFileW(native(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return openFailure(path, GetLastError());
    BY_HANDLE_FILE_INFORMATION info {};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info)
        || !regularAttributes(info.dwFileAttributes)) {
        CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
        return notRegular(path);
    }
    size = (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > maxBytes) {
        CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
        return FileOutcome::failed(FileStatus::TooLarge, path,
                                   QStringLiteral("it is larger than %1 bytes").arg(maxBytes));
    }
    return FileOutcome::done(path);
}

FileResult<FileEnds> readEnds(const QString& path, qint64 headBytes, qint64 tailBytes, qint64 maxBytes)
{
    HANDLE h = INVALID_HANDLE_VALUE;
    qint64 size = 0;
    if (const FileOutcome opened = openForReading(path, maxBytes, h, size); !opened.ok())
        return opened;
    // Fewer bytes where the file ends sooner (shortened meanwhile).
    auto readAt = [h](qint64 offset, qint64 length, QByteArray& out) {
        out.resize(qsizetype(length));
        LARGE_INTEGER at {};
        at.QuadPart = offset;
        DWORD got = 0;
        if (!SetFilePointerEx(h, at, nullptr, FILE_BEGIN) || !ReadFile(h, out.data(), DWORD(length), &got, nullptr))
            return false;
        out.truncate(qsizetype(got));
        return true;
    };
    FileResult<FileEnds> r = FileOutcome::done(path);
    const qint64 tail = std::min(tailBytes, size);
    const bool ok = readAt(0, std::min(headBytes, size), r.value.head) && readAt(size - tail, tail, r.value.tail);
    const DWORD err = GetLastError();
    CloseHandle(h);
    if (!ok)
        return FileOutcome::failed(FileStatus::Failed, path, qt_error_string(int(err)));
    r.value.size = size;
    return r;
}

BytesResult readBytes(const QString& path, qint64 maxBytes)
{
    HANDLE h = INVALID_HANDLE_VALUE;
    qint64 size = 0;
    if (const FileOutcome opened = openForReading(path, maxBytes, h, size); !opened.ok())
        return opened;
    QByteArray bytes;
    bytes.resize(qsizetype(size));
    DWORD got = 0;
    const bool ok = ReadFile(h, bytes.data(), DWORD(size), &got, nullptr);
    const DWORD err = GetLastError();
    CloseHandle(h);
    if (!ok)
        return FileOutcome::failed(FileStatus::Failed, path, qt_error_string(int(err)));
    bytes.truncate(qsizetype(got));
    return {FileOutcome::done(path), std::move(bytes)};
}

bool isRegularFile(const QString& path)
{
    const PinnedFolder folder(parentOf(path));
    return folder.isOpen() && regularAttributes(GetFileAttributesW(native(path).c_str()));
}

FileResult<> removeFile(const QString& path)
{
    const PinnedFolder folder(parentOf(path));
    if (!folder.isOpen())
        return folder.failure(path);
    if (!regularAttributes(GetFileAttributesW(native(path).c_str())))
        return notRegular(path);
    if (!DeleteFileW(native(path).c_str()))
        return lastFailure(path);
    return FileOutcome::done(path);
}

ListResult listFiles(const QString& folderPath, Stamps)
{
    const PinnedFolder folder(folderPath);
    if (!folder.isOpen())
        return folder.failure(folderPath);
    ListResult r = FileOutcome::done(folderPath);
    WIN32_FIND_DATAW found {};
    HANDLE find = FindFirstFileW(native(QDir(folderPath).filePath(QStringLiteral("*"))).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND)   // an empty folder
            return r;
        return failure(folderPath, err);
    }
    do {
        if (!regularAttributes(found.dwFileAttributes))
            continue;
        r.value.append({QString::fromWCharArray(found.cFileName), unixNs(found.ftLastWriteTime)});
    } while (FindNextFileW(find, &found));
    // The end of a listing and a listing that failed half way both end the
    // loop; only the last error tells them apart.
    const DWORD err = GetLastError();
    FindClose(find);
    if (err != ERROR_NO_MORE_FILES)
        return failure(folderPath, err);
    return r;
}

FileResult<> checkFolder(const QString& folder)
{
    const PinnedFolder pinned(folder);
    if (!pinned.isOpen())
        return pinned.failure(folder);
    const DWORD attributes = GetFileAttributesW(native(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return lastFailure(folder);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return failure(folder, ERROR_DIRECTORY);
    return FileOutcome::done(folder);
}

} // namespace TextFile::Platform

// A reader holding the old file open makes the replace fail with a sharing
// violation for as long as it reads; a few seconds cover any reader.
int TextFile::replaceRetryMs()
{
    return 3000;
}

FileResult<FileStamp> readFileStamp(const QString& path)
{
    const PinnedFolder folder(parentOf(path));
    if (!folder.isOpen())
        return folder.failure(path);
    const HANDLE h = CreateFileW(native(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return openFailure(path, GetLastError());
    BY_HANDLE_FILE_INFORMATION info {};
    const bool ok = GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) != 0
        && regularAttributes(info.dwFileAttributes);
    CloseHandle(h);
    if (!ok)
        return notRegular(path);
    FileResult<FileStamp> r = FileOutcome::done(path);
    FileStamp& stamp = r.value;
    stamp.writeTimeNs = unixNs(info.ftLastWriteTime);
    stamp.fileId = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stamp.size = (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return r;
}
