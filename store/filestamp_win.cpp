#include "store/filestamp.h"

#include <windows.h>

bool readFileStamp(const QString& path, FileStamp& stamp)
{
    stamp = {};
    const HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(path.utf16()), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info {};
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok)
        return false;
    stamp.writeTimeNs = ((qint64(info.ftLastWriteTime.dwHighDateTime) << 32)
                         | info.ftLastWriteTime.dwLowDateTime) * 100;
    stamp.fileId = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stamp.size = (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return true;
}
