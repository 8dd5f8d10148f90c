#include "base/services.h"

#include <windows.h>

// Room for 20 characters; a name that does not fit or cannot be read is empty.
QString GetWindowsUserName()
{
    char buf[21] = {};
    DWORD size = sizeof buf;
    if (!GetUserNameA(buf, &size))
        return {};
    return QString::fromLocal8Bit(buf);
}

QString GetWindowsComputerName()
{
    char buf[21] = {};
    DWORD size = sizeof buf;
    if (!GetComputerNameA(buf, &size))
        return {};
    return QString::fromLocal8Bit(buf);
}
