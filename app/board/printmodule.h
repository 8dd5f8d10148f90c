#pragma once

#include "app/sortprint/sortprintwindow.h"

#include <QString>

#include <functional>

// Makes "Grid Sort / Print" for a board: a new dialog, a child of parent, or
// null when it cannot be made, `error` saying why.
using SortPrintMaker = std::function<SortPrintWindow*(const DataFolder& folder, Preferences& prefs,
                                                      Messages& messages, QWidget* parent, QString& error)>;

// The maker that loads the printing module `file` at its first call. A
// module built against another interface than this program's is refused:
// an old program beside new modules is what a half-done copy leaves, and an
// upgrade while the board runs puts the new program's module beside it. One
// that could not be loaded, or was refused, is tried again at the next call.
SortPrintMaker printModuleMaker(const QString& file);

// The printing module beside the executable.
QString printModuleFile();
