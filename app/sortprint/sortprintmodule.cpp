#include "app/sortprint/gridsortprintdialog.h"
#include "app/sortprint/sortprintwindow.h"

#include <type_traits>

extern "C" Q_DECL_EXPORT SortPrintWindow* sbMakeSortPrint(const DataFolder& folder, Preferences& prefs,
                                                          Messages& messages, QWidget* parent)
{
    // The module has its own copy of the file layer, with its own list of
    // data folders: the folder is named to it again, so that reads from here
    // never follow a link below it either.
    return new GridSortPrintDialog(DataFolder(folder.root()), prefs, messages, parent);
}

extern "C" Q_DECL_EXPORT const char* sbPrintInterface() { return SB_PRINT_INTERFACE; }

static_assert(std::is_same_v<decltype(&sbMakeSortPrint), MakeSortPrintFunction>);
static_assert(std::is_same_v<decltype(&sbPrintInterface), PrintInterfaceFunction>);
