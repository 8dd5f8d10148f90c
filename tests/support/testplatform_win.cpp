#include "tests/support/testplatform.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstring>
#include <vector>

#include <windows.h>
#include <winioctl.h>

namespace {

std::wstring native(const QString& path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path)).toStdWString();
}

bool isReparsePoint(const QString& path)
{
    const DWORD attributes = GetFileAttributesW(native(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool symbolicLink(const QString& target, const QString& link)
{
    constexpr DWORD kUnprivileged = 0x2;   // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    const DWORD attributes = GetFileAttributesW(native(target).c_str());
    const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    // Wine answers success without making a link: only the result counts.
    return CreateSymbolicLinkW(native(link).c_str(), native(target).c_str(),
                               (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | kUnprivileged)
        && isReparsePoint(link);
}

// A junction: an empty folder turned into a mount point reparse point.
bool junction(const QString& target, const QString& link)
{
    const std::wstring substitute = L"\\??\\" + native(QDir(target).absolutePath());
    if (!CreateDirectoryW(native(link).c_str(), nullptr))
        return false;
    HANDLE h = CreateFileW(native(link).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    bool ok = h != INVALID_HANDLE_VALUE;
    if (ok) {
        // REPARSE_DATA_BUFFER's mount point form: tag, sizes, then the
        // substitute name and an empty print name, each ending in a null.
        const WORD nameBytes = WORD(substitute.size() * sizeof(wchar_t));
        const WORD dataLength = WORD(4 * sizeof(WORD) + nameBytes + 2 * sizeof(wchar_t));
        std::vector<char> buffer(8 + dataLength, 0);
        const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
        const WORD header[6] = {dataLength, 0, 0, nameBytes, WORD(nameBytes + sizeof(wchar_t)), 0};
        std::memcpy(buffer.data(), &tag, sizeof tag);
        std::memcpy(buffer.data() + 4, header, sizeof header);
        std::memcpy(buffer.data() + 16, substitute.c_str(), nameBytes);
        DWORD returned = 0;
        ok = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buffer.data(), DWORD(buffer.size()), nullptr, 0, &returned,
                             nullptr);
        CloseHandle(h);
    }
    if (!ok)
        RemoveDirectoryW(native(link).c_str());
    return ok && isReparsePoint(link);
}

} // namespace

namespace TestPlatform {

QString whyNoFifos()
{
    return QStringLiteral("Windows has no FIFOs (named pipes live outside the file system)");
}

bool makeFifo(const QString&)
{
    return false;
}

QString whyNoRemovingWatchedFolders()
{
    return QStringLiteral("Windows keeps a removed folder, pending deletion, while a watch holds it open");
}

QString whyNoLinks()
{
    static const QString why = [] {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("target"));
        if (!dir.isValid() || !QDir().mkdir(target))
            return QStringLiteral("no temporary folder to try a link in");
        if (makeLink(target, dir.filePath(QStringLiteral("link"))))
            return QString();
        return QStringLiteral("neither a symbolic link nor a junction can be made here (Wine 8 reports "
                              "CreateSymbolicLinkW as done without making one and refuses FSCTL_SET_REPARSE_POINT)");
    }();
    return why;
}

bool makeLink(const QString& target, const QString& link)
{
    if (symbolicLink(target, link))
        return true;
    const DWORD attributes = GetFileAttributesW(native(target).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) && junction(target, link);
}

SmallVolume::SmallVolume(int)
    : m_whyNot(QStringLiteral("a small volume to fill needs a virtual disk attached by an administrator"))
{
}

SmallVolume::~SmallVolume() = default;

bool setModifiedTime(const QString& path, qint64 seconds)
{
    HANDLE h = CreateFileW(native(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    // 100 ns ticks since 1601.
    const quint64 ticks = quint64(seconds + 11644473600LL) * 10000000ULL;
    FILETIME when;
    when.dwLowDateTime = DWORD(ticks & 0xFFFFFFFF);
    when.dwHighDateTime = DWORD(ticks >> 32);
    const bool ok = SetFileTime(h, nullptr, &when, &when);
    CloseHandle(h);
    return ok;
}

QString whyNoModeBits()
{
    return QStringLiteral("Windows files have no owner, group and other permission bits (a share's access lists decide)");
}

int modeBits(const QString&)
{
    return -1;
}

int setUmask(int)
{
    return 0;
}

QString whyOwnerReadsAnyway()
{
    return QStringLiteral("Windows has no permission bit that keeps a file's owner from reading it");
}

bool openFilesCanBeDeleted()
{
    return false;
}

bool locksStopReaders()
{
    return true;
}

QString whyNoReferenceCollator()
{
    return QStringLiteral("Qt for Windows collates through the system, not ICU");
}

} // namespace TestPlatform
