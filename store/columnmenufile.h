#pragma once

#include "grid/columnmenu.h"
#include "store/datafolder.h"

// The menu of the column titled `title`, from its menu file in colfiles. A
// title that cannot name a file there, or a file that is missing, not a
// regular file, unreadable or over its size cap, gives the "[EMPTY]" menu.
// A colfiles folder that cannot be used at all (a link to elsewhere) is
// said too, so that somebody mends it.
struct ColumnMenuLoad
{
    QList<ColumnMenuItem> items;
    QString folderProblem;
};
ColumnMenuLoad loadColumnMenu(const DataFolder& folder, const QString& title);
