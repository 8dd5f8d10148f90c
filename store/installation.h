#pragma once

#include "store/fileresult.h"

#include <QString>
#include <QStringList>

// Where the board finds its shared data folder.
//
// On a network the executable lives in the shared folder itself, and that
// folder is the data folder. An installed package keeps the executable in a
// system folder that nobody may write, with a sample data folder beside it
// (`<prefix>/share/schedboard/data`); a user who names no folder then gets a
// copy of the sample in their home, made on the first start.
namespace Installation {

// The sample data folder of an installation whose executable is in
// `executableDir` (<prefix>/lib/schedboard).
QString sampleFolder(const QString& executableDir);
// "SchedBoard" in the home folder.
QString homeFolder(const QString& homeDir);

struct Choice {
    QString folder;   // the data folder to run on
    QString sample;   // copy this to `folder` first when it does not exist
};

// `folders`: the folders given on the command line; at most one may be.
// Fails (with no choice) when a named folder cannot be used or there is no
// home folder to copy the sample to; the message says why.
FileResult<Choice> chooseDataFolder(const QStringList& folders, const QString& executableDir, const QString& homeDir);

// The value: the sample was copied (false when the folder existed already).
// The message is for the user, naming the folder and the reason.
using SeedResult = FileResult<bool>;

// Copies the sample to `target` unless `target` exists (an existing target
// without gsystem/ is an error). The copy is made in
// a temporary folder beside it and renamed into place only when every file is
// written, so a failed first start (a full disk) leaves no half folder that a
// later start would take for a schedule.
SeedResult seedFolder(const QString& sample, const QString& target);

} // namespace Installation
