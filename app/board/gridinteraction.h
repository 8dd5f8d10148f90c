#pragma once

#include "grid/grideditor.h"
#include "gridview/columnmenupopup.h"
#include "store/datafolder.h"

#include <QObject>
#include <QPoint>

#include <functional>
#include <memory>

struct BoardContext;
class GridDocument;
class GridView;
class Messages;
class QMenu;
class QTimer;
class QWidget;
class UpdateSession;
struct Preferences;

// What the user does on the grid (StringGrid1): which menu a right click
// opens, the update, operations, setup and column menus and what their
// items do, the advance after a pick and the Ctrl shortcuts. The focused
// cell the editing rules act on is the view's current cell.
//
// Nothing here runs outside an update session, even a pick or an answer
// that arrives after the session ended. What belongs to the window (the
// button bar, the session's buttons) is asked for through signals.
class GridInteraction : public QObject
{
    Q_OBJECT
public:
    // On the board's grid and view; menus and boxes belong to `window`.
    GridInteraction(BoardContext& board, QWidget* window);
    ~GridInteraction() override;

    GridEditor& editor() { return *m_editor; }
    ColumnMenuPopup* operationsMenu() const { return m_operationsMenu; }  // PopupMenu1
    ColumnMenuPopup* setupMenu() const { return m_setupMenu; }     // PopupMenu2
    ColumnMenuPopup* columnMenu() const { return m_columnMenu; }   // PopupMenu3

    // The setup menu's two entries, enabled once they are given.
    void setSetupActions(ColumnMenuPopup::Action columnData, ColumnMenuPopup::Action fixedColumnData);
    // What "DATE/TIME" in a column menu opens; disabled until given.
    void setDateTimeAction(ColumnMenuPopup::Action dateTime) { m_dateTime = std::move(dateTime); }
    // What "Create List Records" in the operations menu runs; disabled until given.
    void setCreateListRecordsAction(ColumnMenuPopup::Action create) { m_createListRecords = std::move(create); }

    // A mouse press on the grid (onGridMousePress) chooses the menu that
    // opens when the right button is released there.
    void onGridMousePress(Qt::MouseButton button, QPoint globalPos, Qt::KeyboardModifiers modifiers);
    void openChosenMenu(QPoint globalPos);
    // The Menu key or Shift + F10 on the grid: what a right click on the
    // focused cell would open, below that cell, with the same modifiers.
    void openMenuFromKeyboard(Qt::KeyboardModifiers modifiers);
    // The advance step after a pick made elsewhere (the date and time).
    void advanceTarget();
    // The same step a moment later (Timer3), once the dialog that wrote the
    // cell has closed.
    void scheduleAdvance();
    void onAdvanceTick();
    QTimer* advanceTimer() const { return m_advanceTimer; }

    // Nothing focused, in the editing rules and on screen.
    void clearGridSelection();
    // The session ended or begins: menus and the cell editor close.
    void closeMenusAndEditor();
    // A change to the grid's draft is finished: every view shows it, and
    // in a session it becomes one undo step.
    void recordChange(const QString& label);
    // Ctrl + Z and Ctrl + Y, and the operations menu's "Undo" and "Redo".
    void undo();
    void redo();

    // The pointer has rested on the grid (the rest timer's tick).
    void onPointerRested();
    bool pointerResting() const { return m_pointerResting; }

    // After a command: widths and focus as it left them.
    void afterCommand(bool recomputeWidths, bool focusToToolbar);

signals:
    void updateRequested();       // "Update" in the menu outside a session
    void endSessionRequested();   // "UPDATE OFF" picked
    void focusToolbarRequested(); // the advance or a command leaves the grid
    void pointerRestingChanged(bool resting);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool updating() const;
    bool historyReachable() const;
    void notice(const QString& text);
    void buildColumnMenu(int column);
    void buildOperationsMenu();
    void pickColumnItem(const ColumnMenuItem& item);
    void runCommand(const QString& label, const std::function<GridEditor::Outcome()>& command);
    void historyStep(bool (UpdateSession::*step)());
    void afterHistoryStep();
    void applyAdvance(const AdvanceResult& advance);
    void runShortcut(QChar letter);

    DataFolder m_folder;
    GridDocument& m_document;
    UpdateSession& m_session;
    Messages& m_messages;
    GridView* m_view;
    QWidget* m_window;
    std::unique_ptr<CellFocus> m_focus;
    std::unique_ptr<GridEditor> m_editor;

    QMenu* m_updateMenu = nullptr;
    ColumnMenuPopup* m_operationsMenu = nullptr;
    ColumnMenuPopup* m_setupMenu = nullptr;
    ColumnMenuPopup* m_columnMenu = nullptr;
    ColumnMenuPopup::Action m_dateTime;
    ColumnMenuPopup::Action m_createListRecords;
    GridMenu m_chosenMenu = GridMenu::None;
    QPoint m_popupPos;   // where the automatic column menu opens
    QTimer* m_advanceTimer = nullptr;
    QTimer* m_restTimer = nullptr;
    bool m_pointerResting = false;
};
