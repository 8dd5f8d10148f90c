#pragma once

#include "app/dialogs/columneditordialog.h"

// "Fixed Left Column Data": edits the fixed left column's texts as a list,
// one line per data row, and writes them into the grid.
class FixedColumnDialog : public ColumnEditorDialog
{
    Q_OBJECT
public:
    FixedColumnDialog(const DataFolder& folder, GridData& grid, Messages& messages, QWidget* parent = nullptr);

    // Opens the editor on the grid's fixed column as it is now (not on
    // FixedColumn.scd, which lags behind rows inserted or deleted since the
    // last grid save).
    void open() override;

private:
    void saveClicked();
};
