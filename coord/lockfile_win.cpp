#include "coord/lockfile.h"

#include <QDir>

#include <windows.h>

namespace {
constexpr DWORD kLockLength = 0x7FFF;
}

LockFile::LockFile() : m_handle(qintptr(INVALID_HANDLE_VALUE)) {}

LockFile::~LockFile()
{
    close();
}

bool LockFile::open(const QString& path, QString* error)
{
    close();
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    // Share mode 0: no other process may open the file while we hold it.
    HANDLE h = CreateFileW(native.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (error)
            *error = QStringLiteral("cannot open the lock file (error %1)").arg(GetLastError());
        return false;
    }
    if (!::LockFile(h, 0, 0, kLockLength, 0)) {
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
    ::UnlockFile(h, 0, 0, kLockLength, 0);
    CloseHandle(h);
    m_handle = qintptr(INVALID_HANDLE_VALUE);
}

bool LockFile::isOpen() const
{
    return HANDLE(m_handle) != INVALID_HANDLE_VALUE;
}

bool LockFile::isHeldElsewhere(const QString& path)
{
    // An owner keeps its file open with no sharing, so our own exclusive open
    // fails exactly while it is held.
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    HANDLE h = CreateFileW(native.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return false;
    }
    const DWORD err = GetLastError();
    return err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND;
}
