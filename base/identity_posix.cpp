#include "base/services.h"

#include <pwd.h>
#include <unistd.h>

#include <climits>

// An unreadable name is an empty text.
QString systemLoginName()
{
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return {};
}

QString systemComputerName()
{
    char buf[HOST_NAME_MAX + 1] = {};
    if (gethostname(buf, sizeof buf - 1) != 0)
        return {};
    return QString::fromLocal8Bit(buf);
}
