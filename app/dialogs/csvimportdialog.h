#pragma once

#include "store/csvimport.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QTableWidget;

// "Import CSV": what a spreadsheet file would do to the grid, before
// anything changes. It shows the counts, the columns left out, the cells
// stored otherwise than the file has them, and every change as the cell's
// text now and after; OK imports, Cancel leaves the grid as it is. Texts
// from the file are shown as written, never as markup.
class CsvImportDialog : public QDialog
{
    Q_OBJECT
public:
    // Changes shown at most; the counts above still tell them all.
    static constexpr int kShownChanges = 2000;

    CsvImportDialog(const CsvImport::Plan& plan, const GridData& grid, const QString& fileName, QWidget* parent);

    // "2 rows added, 3 rows replaced, 7 cells changed"
    static QString summary(const CsvImport::Plan& plan);

private:
    void fillChanges(const CsvImport::Plan& plan, const GridData& grid);
};
