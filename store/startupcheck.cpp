#include "store/startupcheck.h"

#include "store/textfile.h"

#include <QFileInfo>

namespace StartupCheck {

QList<RequiredFile> requiredFiles(const DataFolder& folder)
{
    return {
        {folder.gsystem(QStringLiteral("parm.scd")), QStringLiteral("parm.scd"),
         QStringLiteral("The preferences file is missing!")},
        {folder.gsystem(QStringLiteral("sgrid.scd")), QStringLiteral("sgrid.scd"),
         QStringLiteral("The grid schedule file is missing!")},
        {folder.gsystem(QStringLiteral("bsgrid.scd")), QStringLiteral("bsgrid.scd"),
         QStringLiteral("The backup schedule file is missing!")},
        {folder.users(QStringLiteral("users.scd")), QStringLiteral("users.scd"),
         QStringLiteral("The Users backup file is missing!")},
    };
}

FileResult<> checkDataFolder(const DataFolder& folder)
{
    // A folder that is there but cannot be used (a link to elsewhere, a
    // folder that refuses us) is named as such, not as missing files.
    for (const QString& name : {QStringLiteral("gsystem"), QStringLiteral("users")}) {
        const QString dir = folder.inRoot(name);
        if (const FileResult<> usable = TextFile::checkFolder(dir); !usable.ok() && QFileInfo::exists(dir))
            return FileOutcome::told(FileStatus::Refused, dir,
                                     QStringLiteral("The data folder's %1 folder cannot be used: %2.\rPut a real "
                                                    "folder named %1 there, or reinstall the program.")
                                         .arg(name, usable.reason));
    }
    for (const RequiredFile& r : requiredFiles(folder)) {
        if (!TextFile::isRegularFile(r.path))
            return FileOutcome::told(FileStatus::Missing, r.path,
                                     QStringLiteral("%1 (%2)\rRestore this file or reinstall the program.")
                                         .arg(r.what, r.name));
    }
    return FileOutcome::done(folder.root());
}

} // namespace StartupCheck
