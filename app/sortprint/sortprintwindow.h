#pragma once

#include <QDialog>

class DataFolder;
class Messages;
struct Preferences;

// "Grid Sort / Print" as the board sees it. The dialog and Qt's printing
// libraries live in a module of their own, beside the executable, loaded
// when the dialog is first opened: a board that never prints never loads
// them, and its start does not.
class SortPrintWindow : public QDialog
{
public:
    using QDialog::QDialog;

    // The print orientation and font size from the preferences; run after
    // they were read (the first opening does it if nobody did).
    virtual void loadFromPreferences() = 0;
    // Shows the dialog with the grid file's current copy; nothing when it
    // is already open.
    virtual void showOpen() = 0;
};

// The module's entry: a new dialog, a child of parent.
using MakeSortPrintFunction = SortPrintWindow* (*)(const DataFolder& folder, Preferences& prefs,
                                                   Messages& messages, QWidget* parent);
inline constexpr char kMakeSortPrintSymbol[] = "sbMakeSortPrint";

// What the module was built against: the version and the headers of what
// the entry is handed (SB_PRINT_INTERFACE, made by the build). The board asks
// for it before the entry and refuses a module of another build: a share may
// hold one, copied apart from the program.
using PrintInterfaceFunction = const char* (*)();
inline constexpr char kPrintInterfaceSymbol[] = "sbPrintInterface";
