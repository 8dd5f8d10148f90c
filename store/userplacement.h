#pragma once

#include "store/textfile.h"

#include <QRect>
#include <QString>

// The main window's place as this workstation's user left it, kept in the
// user's own settings file rather than the shared parm.scd, so one user's
// move never moves the board on other workstations. One section per data
// folder: the same user may run boards on several.
namespace UserPlacement {

// The place kept for the board on `dataFolder`. Missing when there is no
// file, no section or no number for it; Malformed when a number is out of
// range; a file that cannot be read as readBytes() says.
FileResult<QRect> load(const QString& settingsFile, const QString& dataFolder);
// Keeps `place` for the board on `dataFolder`, creating the file's folder
// when needed; the file's other sections stay as they are.
TextFile::WriteResult save(const QString& settingsFile, const QString& dataFolder, const QRect& place);

// The folder this user last exported a spreadsheet file to or imported one
// from, on the board on `dataFolder`; empty when none is kept or the folder
// is gone.
QString csvFolder(const QString& settingsFile, const QString& dataFolder);
TextFile::WriteResult saveCsvFolder(const QString& settingsFile, const QString& dataFolder, const QString& folder);

} // namespace UserPlacement
