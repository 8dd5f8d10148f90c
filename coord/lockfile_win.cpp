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
    : m_handle(std::exchange(other.m_handle, qintptr(INVALID_HANDLE_VALUE)))
{
}

// Trailing return type: windows.h declares a function LockFile that hides the
// class name at namespace scope.
auto LockFile::operator=(LockFile&& other) noexcept -> LockFile&
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, qintptr(INVALID_HANDLE_VALUE));
    }
    return *this;
}

bool LockFile::open(const QString& path, QString* error)
{
    close();
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    // Others may open the file to test its lock, but not delete it.
    HANDLE h = CreateFileW(native.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (error)
            *error = QStringLiteral("cannot open the lock file (error %1)").arg(GetLastError());
        return false;
    }
    OVERLAPPED at {};
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, kLockLength, 0, &at)) {
        if (error)
            *error = QStringLiteral("cannot lock the lock file (error %1)").arg(GetLastError());
        CloseHandle(h);
        return false;
    }
    m_handle = qintptr(h);
    return true;
}

void LockFile::close()
{
    HANDLE h = HANDLE(m_handle);
    if (h == INVALID_HANDLE_VALUE)
        return;
    OVERLAPPED at {};
    UnlockFileEx(h, 0, kLockLength, 0, &at);
    CloseHandle(h);
    m_handle = qintptr(INVALID_HANDLE_VALUE);
}

bool LockFile::isOpen() const
{
    return HANDLE(m_handle) != INVALID_HANDLE_VALUE;
}

bool LockFile::isStillAt(const QString&) const
{
    // Windows refuses to delete or replace a file that is open.
    return isOpen();
}

bool LockFile::isHeldElsewhere(const QString& path, bool* unopenable)
{
    if (unopenable)
        *unopenable = false;
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    HANDLE h = CreateFileW(native.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        // A sharing violation is an owner that keeps the file open unshared.
        const DWORD err = GetLastError();
        if (unopenable)
            *unopenable = err == ERROR_ACCESS_DENIED;
        return err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND;
    }
    // Windows cannot ask about a lock without taking it: take it and let go at
    // once. Only the byte-range lock shows a Linux owner on the same share,
    // which takes no part in share modes.
    OVERLAPPED at {};
    const bool free = LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, kLockLength, 0, &at);
    if (free)
        UnlockFileEx(h, 0, kLockLength, 0, &at);
    CloseHandle(h);
    return !free;
}
