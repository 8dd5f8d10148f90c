#include "store/startupcheck.h"

#include "store/textfile.h"

#include <QFileInfo>

namespace StartupCheck {

QString missingFileMessage(const DataFolder& folder)
{
    struct Required { QString path; const char* what; const char* name; };
    const Required required[] = {
        {folder.gsystem(QStringLiteral("parm.scd")), "The preferences file is missing!", "parm.scd"},
        {folder.gsystem(QStringLiteral("sgrid.scd")), "The grid schedule file is missing!", "sgrid.scd"},
        {folder.gsystem(QStringLiteral("bsgrid.scd")), "The backup schedule file is missing!", "bsgrid.scd"},
        {folder.users(QStringLiteral("users.scd")), "The Users backup file is missing!", "users.scd"},
    };
    // A folder that is there but cannot be used (a link to elsewhere, a
    // folder that refuses us) is named as such, not as missing files.
    for (const QString& name : {QStringLiteral("gsystem"), QStringLiteral("users")}) {
        const QString dir = folder.inRoot(name);
        if (const FileResult<> usable = TextFile::checkFolder(dir); !usable.ok() && QFileInfo::exists(dir))
            return QStringLiteral("The data folder's %1 folder cannot be used: %2.\rPut a real folder named %1 there, "
                                  "or reinstall the program.")
                .arg(name, usable.reason);
    }
    for (const Required& r : required) {
        if (!TextFile::isRegularFile(r.path))
            return QStringLiteral("%1 (%2)\rRestore this file or reinstall the program.")
                .arg(QLatin1String(r.what), QLatin1String(r.name));
    }
    return {};
}

} // namespace StartupCheck
