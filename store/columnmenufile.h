#pragma once

#include "grid/columnmenu.h"
#include "store/datafolder.h"
#include "store/fileresult.h"

// The menu of the column titled `title`, from its menu file in colfiles. A
// title that cannot name a file there, or a file that is missing, not a
// regular file, unreadable or over its size cap, gives the "[EMPTY]" menu:
// that is what such a column offers, not a failure. Only a colfiles folder
// that cannot be used at all (a link to elsewhere) fails, with the
// "[EMPTY]" menu as the value, so that somebody mends it.
FileResult<QList<ColumnMenuItem>> loadColumnMenu(const DataFolder& folder, const QString& title);
