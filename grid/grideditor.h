#pragma once

#include "grid/cellfocus.h"
#include "grid/columnmenu.h"

#include <QList>
#include <QPoint>
#include <QString>

#include <functional>
#include <optional>

class GridData;
class GridDocument;
class Messages;
struct Preferences;

// The advance step's result. menuColumn: a cell of `column` is now focused
// and the view builds that column's menu; openMenu: it also opens it at the
// remembered popup position. focusToToolbar: the row is done, nothing is
// focused and the keyboard focus goes to the button bar.
struct AdvanceResult
{
    bool menuColumn = false;
    int column = -1;
    bool openMenu = false;
    bool focusToToolbar = false;
};

// What the view does after a column-menu pick.
struct PickResult
{
    enum Action {
        Nothing,        // the head item
        EndSession,     // "UPDATE OFF": raise the Update button and run its click handler
        OpenDateTime,   // "DATE/TIME": the Date/Time dialog writes the target and advances itself
        Advanced        // the target moved on; see advance
    };
    Action action = Nothing;
    AdvanceResult advance;
    bool changed = false;          // a cell text changed
    bool recomputeWidths = false;
};

// The menu a right press on the grid opens (on release): outside a session
// the "Update" menu; in one, Ctrl (which wins over Shift) the operations
// menu, Shift the column data setup menu, otherwise the target column's menu,
// or only the notice "Click on a column first." when no cell is focused.
enum class GridMenu { None, Update, Operations, Setup, Column, ClickColumnFirst };
GridMenu chooseGridMenu(bool rightButton, bool updating, bool ctrl, bool shift, bool cellFocused);
// The one line that tells a user resting the pointer on the grid during a
// session what each right click there opens.
QString gridGestureHint();

// The cell state the editing commands share (focused cell, target cell,
// selection flag), the copy buffer, every command of the operations menu,
// the colour commands and the column-menu picks with the advance rule.
//
// Commands ask and tell through Messages and return what the view must do
// afterwards. Each command changes the document's draft and publishes it
// when done, so every view hears of the change. After every call the view
// takes focused() as the grid's current cell (none clears the selection
// rectangle).
class GridEditor
{
public:
    // The focused cell is kept in `focus` (the view's, on the board); without
    // one the editor keeps it itself.
    GridEditor(GridDocument& document, const Preferences& prefs, Messages& messages, CellFocus* focus = nullptr);
    // Asked after every question: timers keep running while a box is open,
    // and a session that ended meanwhile must not see the answer acted on.
    void setEditingCheck(std::function<bool()> stillEditing) { m_stillEditing = std::move(stillEditing); }

    // Cell state. x = column, y = row.
    std::optional<QPoint> focused() const { return m_focus.cell(); }
    QPoint target() const { return m_target; }
    // Focuses (col, row), which becomes the target as well.
    void selectCell(int col, int row);
    // The focus was moved to (col, row) where it is kept (a click, a key):
    // it becomes the target.
    void focusMovedTo(int col, int row) { m_target = QPoint(col, row); }
    void clearSelection();   // nothing focused; the target stays

    // Copy buffer and the enabling of the two paste items.
    QString copyBuffer() const { return m_copyBuffer; }
    int bufferedColor() const { return m_bufferedColor; }
    bool pasteRowEnabled() const { return m_pasteRowEnabled; }
    bool pasteCellEnabled() const { return m_pasteCellEnabled; }
    void disablePasteItems();   // at every session start

    enum class Command {
        CopyRow, CopyCell, PasteRow, PasteCell, AddRow, AddColumn, InsertRow, InsertColumn, InsertCell,
        ClearRow, ClearColumn, ClearCell, DeleteRow, DeleteColumn, DeleteCell, DeleteBlankLines,
        IncrementColumn, ClearGridColors, AlternateColors
    };
    struct Outcome
    {
        bool changed = false;          // texts, shape or colours changed: repaint
        bool recomputeWidths = false;  // fitColumnWidths
        bool focusToToolbar = false;   // keyboard focus to the button bar
    };
    Outcome run(Command c);
    // The eleven colour menu items by code (1 Red ... 11 Brown).
    Outcome colorCommand(int code);
    // Gives the focused row `code`, or takes its colour away for 0.
    void colorFocusedRow(int code);

    static QString caption(Command c);
    // How questions and undo steps name a column or a row: its title or
    // fixed-column text in quotes, or its number when that is empty.
    QString columnName(int col) const;
    QString rowName(int row) const;
    // The undo step a command makes, named before it runs: "Delete Column 'Trailer'".
    QString stepLabel(Command c) const;
    // Ctrl + letter shortcuts (A, C, D, I, P), case-insensitive.
    static std::optional<Command> shortcut(QChar letter);

    // The operations menu in display order; columnBreak starts a new menu
    // column opened by a separating bar.
    struct MenuEntry
    {
        enum Kind { CommandItem, ColorItem, CreateListRecords };
        QString caption;
        Kind kind = CommandItem;
        Command command = Command::CopyRow;   // CommandItem
        int colorCode = 0;                    // ColorItem
        bool columnBreak = false;
    };
    static QList<MenuEntry> operationsMenu();

    // Writes a value into the target cell when it is a data cell (the
    // titles name the menu files); true when the text changed.
    bool writeTarget(const QString& value);

    // Whether the user may type into a cell in place: data cells only (the
    // titles name the menu files), and no text longer than a cell shows,
    // which an in-place editor would hold only part of and save back cut.
    static bool typable(const GridData& grid, int col, int row);
    // What is typed into a cell replaces its text; true when the cell took it.
    bool typeIntoCell(int col, int row, const QString& text);

    // The advance step: the target moves one column right and is focused.
    AdvanceResult advanceTarget();
    // A pick from the column menu; captions compare exactly, so a value that
    // reads like a fixed caption acts as that item.
    PickResult pickColumnItem(const ColumnMenuItem& item);

private:
    Outcome runUnpublished(Command c);
    bool stillEditing() const;
    // A Yes that still counts: the session is still running.
    bool confirm(const QString& question, QPoint offset);
    std::optional<QPoint> focusedDataCell() const;
    Outcome tell(const QString& text);   // showCentralMessage
    void appendEmptyRow();
    void removeRowMovingColors(int row);

    Outcome copyRow();
    Outcome copyCell();
    Outcome pasteRow();
    Outcome pasteCell();
    Outcome addRow();
    Outcome addColumn();
    Outcome insertRow();
    Outcome insertColumn();
    Outcome insertCell();
    Outcome clearRow();
    Outcome clearColumn();
    Outcome clearCell();
    Outcome deleteRow();
    Outcome deleteColumn();
    Outcome deleteCell();
    Outcome deleteBlankLines();
    Outcome incrementColumn();
    Outcome clearGridColors();
    Outcome alternateColors();

    GridDocument& m_document;
    GridData& m_grid;   // the document's draft
    const Preferences& m_prefs;
    Messages& m_messages;
    std::function<bool()> m_stillEditing;

    PlainCellFocus m_ownFocus;
    CellFocus& m_focus;
    QPoint m_target{0, 0};

    QString m_copyBuffer;
    int m_bufferedColor = 0;
    bool m_pasteRowEnabled = false;
    bool m_pasteCellEnabled = false;
};
