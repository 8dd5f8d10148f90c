#pragma once

#include "app/sortprint/sortprintwindow.h"

#include <QString>

#include <functional>

// Makes "Grid Sort / Print" for a board: a new dialog, a child of parent, or
// null when it cannot be made, `error` saying why.
using SortPrintMaker = std::function<SortPrintWindow*(const DataFolder& folder, Preferences& prefs,
                                                      Messages& messages, QWidget* parent, QString& error)>;

// The maker that loads the printing module `file` at its first call. A
// module of another build is refused, and so is one that changed since the
// maker was made, at the board's start: an upgrade while the board runs puts
// the new executable's module there. One that could not be loaded is tried
// again at the next call; one missing at the start may be put in later.
SortPrintMaker printModuleMaker(const QString& file);

// The printing module beside the executable.
QString printModuleFile();
