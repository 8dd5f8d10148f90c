#pragma once

#include "store/datafolder.h"
#include "store/fileresult.h"

#include <QList>
#include <QString>

// The board refuses to start without these four files, checked in this
// order; only the first missing one is reported. A gsystem or users folder
// that is a link is refused before them.
namespace StartupCheck {

struct RequiredFile {
    QString path;
    QString name;   // as the user sees it, "parm.scd"
    QString what;   // "The preferences file is missing!"
};
// The files the board needs to start, in the order they are checked.
QList<RequiredFile> requiredFiles(const DataFolder& folder);

// Refused for an unusable folder, Missing for the first missing required
// file; the message is the one the board shows before it gives up.
FileResult<> checkDataFolder(const DataFolder& folder);

} // namespace StartupCheck
