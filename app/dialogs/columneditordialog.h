#pragma once

#include "store/datafolder.h"
#include "store/fileresult.h"

#include <QDialog>

class GridData;
class Messages;
class QLayout;
class QPlainTextEdit;
class QPushButton;
namespace ColumnData { struct SaveEffect; }

// What the two column data editors share: a fixed-size dialog centred on the
// desktop, a box of lines, and the way a save ends. They open without a
// nested event loop (QDialog::open), so the end of an update session can
// close them while they are up, and their box is filled when they open,
// never when they are activated again after a message box.
class ColumnEditorDialog : public QDialog
{
    Q_OBJECT
public:
    ColumnEditorDialog(const DataFolder& folder, GridData& grid, Messages& messages, QWidget* parent);

    // Closes without writing anything (closed() is still emitted).
    void closeWithoutEffect();
    void done(int result) override;

signals:
    // A save changed the grid; the view repaints and, with recomputeWidths,
    // fits the column widths.
    void gridChanged(bool recomputeWidths);
    // Every close: Save, Cancel, Escape or closeWithoutEffect.
    void closed();

protected:
    // The lines box: both scroll bars, no wrapping.
    QPlainTextEdit* makeLinesBox(const char* objectName);
    QString boxText() const;
    void setBoxLines(const QStringList& lines);
    // "Save" and "Cancel", right-aligned, for the bottom row.
    QLayout* makeButtonRow(QPushButton** save);
    // The designed size at least, larger where the fonts need room.
    void fixSize(QLayout* layout);
    void showOpen();
    void finishSave(const FileResult<ColumnData::SaveEffect>& result);

    DataFolder m_folder;
    GridData& m_grid;
    Messages& m_messages;
    QPlainTextEdit* m_lines = nullptr;   // Memo1

private:
    void showEvent(QShowEvent* event) override;
    bool m_open = false;
};
