#include "coord/lockfile.h"

#include <QDir>

#include <utility>

#include <windows.h>

namespace {
constexpr DWORD kLockLength = 0x7FFF;
}

LockFile::LockFile() : m_handle(qintptr(INVALID_HANDLE_VALUE)) {}

LockFile::~LockFile()
{
    close();
}

LockFile::LockFile(LockFile&& other) noexcept
    : m_handle(std::exchange(other.m_handle, qintptr(INVALID_HANDLE_VALUE))), m_created(other.m_created)
{
}

// Trailing return type: windows.h declares a function LockFile that hides the
// class name at namespace scope.
auto LockFile::operator=(LockFile&& other) noexcept -> LockFile&
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, qintptr(INVALID_HANDLE_VALUE));
        m_created = other.m_created;
    }
    return *this;
}

namespace {

std::wstring nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

// A regular file: not a folder, not a link or junction, not a device.
bool isRegular(HANDLE h)
{
    BY_HANDLE_FILE_INFORMATION info {};
    return GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info)
        && !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE));
}

bool lockRange(HANDLE h, DWORD flags)
{
    OVERLAPPED at {};   // offset 0
    return LockFileEx(h, flags | LOCKFILE_FAIL_IMMEDIATELY, 0, kLockLength, 0, &at);
}

void unlockRange(HANDLE h)
{
    OVERLAPPED at {};
    UnlockFileEx(h, 0, kLockLength, 0, &at);
}

FileOutcome failure(const QString& path, DWORD err)
{
    const FileStatus status = err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND ? FileStatus::Missing
        : err == ERROR_ACCESS_DENIED                                                    ? FileStatus::Refused
                                                                                        : FileStatus::Failed;
    return FileOutcome::failed(status, path, qt_error_string(int(err)));
}

FileOutcome notRegular(const QString& path)
{
    return FileOutcome::failed(FileStatus::Missing, path, QStringLiteral("not a regular file"));
}

} // namespace

FileResult<> LockFile::open(const QString& path, Create create)
{
    close();
    // Others may open the file to test it, but nobody may delete or rename it
    // while it is held. A link in its place is not followed.
    HANDLE h = CreateFileW(nativePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, create == Create::IfMissing ? OPEN_ALWAYS : OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        // A folder in its place refuses the open for access.
        const DWORD attributes = GetFileAttributesW(nativePath(path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return notRegular(path);
        return failure(path, err);
    }
    // OPEN_ALWAYS says whether the file was there already.
    const bool created = create == Create::IfMissing && GetLastError() != ERROR_ALREADY_EXISTS;
    if (!isRegular(h)) {
        CloseHandle(h);
        return notRegular(path);
    }
    // A second name for the same file (a hard link planted beside it) would
    // make our own lock look like another workstation's.
    BY_HANDLE_FILE_INFORMATION info {};
    if (GetFileInformationByHandle(h, &info) && info.nNumberOfLinks > 1) {
        CloseHandle(h);
        return FileOutcome::failed(FileStatus::Failed, path,
                                   QStringLiteral("it has another name (a hard link); remove the other name"));
    }
    // The same byte range as a Linux board's open-file-description lock: under
    // Wine and on shares that pass locks on, the two builds exclude each other.
    if (!lockRange(h, LOCKFILE_EXCLUSIVE_LOCK)) {
        const DWORD err = GetLastError();
        CloseHandle(h);
        if (err == ERROR_LOCK_VIOLATION)
            return FileOutcome::failed(FileStatus::Busy, path, QStringLiteral("locked by another workstation"));
        return failure(path, err);
    }
    m_handle = qintptr(h);
    m_created = created;
    return FileOutcome::done(path);
}

void LockFile::close()
{
    HANDLE h = HANDLE(m_handle);
    if (h == INVALID_HANDLE_VALUE)
        return;
    unlockRange(h);
    CloseHandle(h);
    m_handle = qintptr(INVALID_HANDLE_VALUE);
}

bool LockFile::isOpen() const
{
    return HANDLE(m_handle) != INVALID_HANDLE_VALUE;
}

bool LockFile::isStillAt(const QString&) const
{
    // Without delete sharing, Windows refuses to delete or rename the file
    // while it is held.
    return isOpen();
}

FileResult<bool> LockFile::isHeldElsewhere(const QString& path)
{
    const std::wstring native = nativePath(path);
    const DWORD attributes = GetFileAttributesW(native.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD err = GetLastError();
        // Even its attributes refused: held, to stay on the safe side.
        return {FileOutcome::failed(err == ERROR_ACCESS_DENIED ? FileStatus::Failed : FileStatus::Missing, path,
                                    qt_error_string(int(err))),
                err == ERROR_ACCESS_DENIED};
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE))
        return notRegular(path);
    // Read access is enough to test, as on Linux; full sharing never stands
    // in an owner's way.
    HANDLE h = CreateFileW(native.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        const FileOutcome refused = failure(path, err);
        // Refused, or cannot tell: stay on the safe side.
        return {refused, refused.status != FileStatus::Missing};
    }
    FileResult<bool> r = notRegular(path);
    if (isRegular(h)) {
        // Windows has no test-only query: a shared lock, dropped at once,
        // fails exactly while an exclusive one is held elsewhere.
        r = FileOutcome::done(path);
        r.value = !lockRange(h, 0);
        if (!r.value)
            unlockRange(h);
    }
    CloseHandle(h);
    return r;
}
