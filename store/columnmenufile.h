#pragma once

#include "grid/columnmenu.h"
#include "store/datafolder.h"

// The menu of the column titled `title`, from its menu file in colfiles. A
// title that cannot name a file there, or a file that is missing, not a
// regular file, unreadable or over its size cap, gives the "[EMPTY]" menu.
QList<ColumnMenuItem> loadColumnMenu(const DataFolder& folder, const QString& title);
