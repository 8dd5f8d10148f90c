#pragma once

#include "store/datafolder.h"

#include <QDialog>
#include <QStringList>

class ColumnMenuPopup;
class GridData;
class Messages;
class QFrame;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

// "List": pastes a list record into the focused row with one click, and
// edits the shared list file as plain text in list editing mode.
//
// It opens without a nested event loop (QDialog::open()), so that an update
// session that ends behind it can close it with closeWithoutEffect().
class ListDialog : public QDialog
{
    Q_OBJECT
public:
    ListDialog(const DataFolder& folder, GridData& grid, Messages& messages, QWidget* parent = nullptr);

    // Opens for pastes into data row `row`, the focused row: its cells take
    // the values and it takes the colour. In list mode the list is read
    // afresh from the file first, so another workstation's saves are seen
    // and never written over from an old copy.
    void openFor(int row);
    // Closes at once and writes nothing. List editing mode and the text
    // typed so far stay as they are for the next opening.
    void closeWithoutEffect();
    bool isEditing() const;

    // "Create List Records": the grid's rows as list records onto the
    // clipboard, asking through `messages` for the descriptions.
    static void createListRecords(const GridData& grid, Messages& messages);

    void done(int result) override;

signals:
    // A paste wrote cells or a colour (also one cut short by a warning).
    void gridChanged();
    // true: list editing mode is on and the session's time-out must not run;
    // false: it ended, restart the time-out with 30000 ms. Sent again with
    // true when the dialog reopens still in list editing mode.
    void listEditingChanged(bool editing);
    // The dialog went away, however it was closed.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setUpWindow();
    void buildRecordList();
    void buildEditor();
    void buildButtons();
    void buildToolButtons();
    void buildEditorMenu();
    void buildHelpPanel();
    QLabel* makeHelpNote(const QString& text, const char* name);
    void layOutControls();
    void pasteChosenRecord();
    void onModeToggled();
    void onCloseClicked();
    void insertPreLine();
    void insertDataMark();
    void insertDescriptionColor();
    void showHelp();
    void onEditorMenu(const QPoint& pos);

    bool enterEditing();
    bool leaveEditing();
    void showRecords(const QStringList& records);
    void setEditingControls(bool editing);
    // Through the clipboard, as the editor's own paste would; the text
    // stays there afterwards.
    void insertText(const QString& text);
    void hideHelp();
    void placeHelp();

    DataFolder m_folder;
    GridData& m_grid;
    Messages& m_messages;
    int m_row = -1;

    QListWidget* m_list = nullptr;           // ListBox1
    QPlainTextEdit* m_editor = nullptr;      // RichEdit1
    QPushButton* m_modeButton = nullptr;     // SpeedButton1
    QPushButton* m_closeButton = nullptr;    // SpeedButton2
    QPushButton* m_preLineButton = nullptr;  // SpeedButton4
    QPushButton* m_tildeButton = nullptr;    // SpeedButton12
    QToolButton* m_bracketButton = nullptr;  // SpeedButton3
    QToolButton* m_helpButton = nullptr;     // SpeedButton17
    QFrame* m_help = nullptr;                // Panel3
    QLabel* m_helpText = nullptr;            // Label1
    QLabel* m_helpExample = nullptr;         // Label2
    ColumnMenuPopup* m_menu = nullptr;       // PopupMenu1
};
