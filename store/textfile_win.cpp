#include "store/textfile_platform.h"

#include <QDir>

#include <windows.h>

namespace {

std::wstring native(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

QString lastErrorText()
{
    return qt_error_string(int(GetLastError()));
}

// Regular means: not a folder, not a reparse point (link), not a device.
bool regularAttributes(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES
        && !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE));
}

} // namespace

namespace TextFile::Platform {

QString createTemp(const QString& target, const QString& suffix, Access, TempFile& temp, bool* nameTaken)
{
    const DWORD attributes = GetFileAttributesW(native(target).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !regularAttributes(attributes))
        return QStringLiteral("it is not a regular file");
    *nameTaken = false;
    const QString name = target + u'.' + suffix;
    HANDLE h = CreateFileW(native(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *nameTaken = GetLastError() == ERROR_FILE_EXISTS;
        return lastErrorText();
    }
    temp.handle = qintptr(h);
    temp.path = name;
    return {};
}

QString writeAll(TempFile& temp, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const DWORD chunk = DWORD(std::min<qint64>(left, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(HANDLE(temp.handle), p, chunk, &written, nullptr))
            return lastErrorText();
        if (written == 0)
            return qt_error_string(ERROR_DISK_FULL);
        p += written;
        left -= written;
    }
    return {};
}

QString sync(TempFile& temp)
{
    if (!FlushFileBuffers(HANDLE(temp.handle)))
        return lastErrorText();
    return {};
}

QString close(TempFile& temp)
{
    HANDLE h = HANDLE(temp.handle);
    temp.handle = -1;
    if (!CloseHandle(h))
        return lastErrorText();
    return {};
}

void discard(TempFile& temp)
{
    if (temp.handle != -1)
        CloseHandle(HANDLE(temp.handle));
    temp.handle = -1;
    if (!temp.path.isEmpty())
        DeleteFileW(native(temp.path).c_str());
    temp.path.clear();
}

QString replace(const QString& from, const QString& to)
{
    if (!MoveFileExW(native(from).c_str(), native(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return lastErrorText();
    return {};
}

BytesResult readBytes(const QString& path, qint64 maxBytes)
{
    BytesResult r;
    HANDLE h = CreateFileW(native(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        r.status = err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND ? ReadStatus::Missing : ReadStatus::Failed;
        r.error = qt_error_string(int(err));
        return r;
    }
    BY_HANDLE_FILE_INFORMATION info {};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info)
        || !regularAttributes(info.dwFileAttributes)) {
        CloseHandle(h);
        r.status = ReadStatus::Missing;
        r.error = QStringLiteral("it is not a regular file");
        return r;
    }
    const qint64 size = (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > maxBytes) {
        CloseHandle(h);
        r.status = ReadStatus::TooLarge;
        r.error = QStringLiteral("it is larger than %1 bytes").arg(maxBytes);
        return r;
    }
    QByteArray bytes;
    bytes.resize(qsizetype(size));
    DWORD got = 0;
    const bool ok = ReadFile(h, bytes.data(), DWORD(size), &got, nullptr);
    CloseHandle(h);
    if (!ok) {
        r.status = ReadStatus::Failed;
        r.error = lastErrorText();
        return r;
    }
    bytes.truncate(qsizetype(got));
    r.bytes = std::move(bytes);
    r.status = ReadStatus::Ok;
    return r;
}

bool isRegularFile(const QString& path)
{
    return regularAttributes(GetFileAttributesW(native(path).c_str()));
}

bool isOlderRegularFile(const QString& path, qint64 seconds)
{
    WIN32_FILE_ATTRIBUTE_DATA data {};
    if (!GetFileAttributesExW(native(path).c_str(), GetFileExInfoStandard, &data)
        || !regularAttributes(data.dwFileAttributes))
        return false;
    FILETIME now {};
    GetSystemTimeAsFileTime(&now);
    auto ticks = [](const FILETIME& t) { return (qint64(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return (ticks(now) - ticks(data.ftLastWriteTime)) / 10000000 > seconds;
}

} // namespace TextFile::Platform

// A reader holding the old file open makes the replace fail with a sharing
// violation for as long as it reads; a few seconds cover any reader.
int TextFile::replaceRetryMs()
{
    return 3000;
}
