#include "base/services.h"

#include <windows.h>

// Wide calls: a name outside the system's code page stays whole. Room for
// 20 characters, as the names were always kept; a name that does not fit or
// cannot be read is empty.
QString systemLoginName()
{
    wchar_t buf[21] = {};
    DWORD size = 21;
    if (!GetUserNameW(buf, &size))
        return {};
    return QString::fromWCharArray(buf);
}

QString systemComputerName()
{
    wchar_t buf[21] = {};
    DWORD size = 21;
    if (!GetComputerNameW(buf, &size))
        return {};
    return QString::fromWCharArray(buf);
}
