#pragma once

#include "app/dialogs/columneditordialog.h"

class QLineEdit;

// "Column Data": edits one column's title and the lines of its menu file;
// "Save" writes the file at once and renames the column.
class ColumnDataDialog : public ColumnEditorDialog
{
    Q_OBJECT
public:
    ColumnDataDialog(const DataFolder& folder, GridData& grid, Messages& messages, QWidget* parent = nullptr);

    // Opens the editor for grid column `column`: its title in the header
    // field, its menu file's lines in the box. False, with a notice shown,
    // when the menu file is there but cannot be read: a save would replace
    // values the user never saw.
    bool openFor(int column);
    int column() const { return m_column; }

private:
    void saveClicked();
    void sortClicked();
    void breakClicked();

    int m_column = -1;
    QLineEdit* m_header = nullptr;   // Edit1
};
