#pragma once

#include <QObject>
#include <QSet>

class ColumnDataDialog;
class ColumnEditorDialog;
class DateTimeDialog;
class FixedColumnDialog;
class GridInteraction;
class ListDialog;
class PersistentForm;
class QWidget;
class SessionControl;
class Toolbar;
struct BoardContext;

// The dialogs an update session opens: "Column Data", "Fixed Left Column
// Data" (setup menu), "List" (the List button and the operations menu's
// "Create List Records") and "Date / Time" (a column menu's "DATE/TIME").
// Each is made when it is first opened and then kept for the run, wired to
// the grid, the session's time-out and the session's end, which closes it
// without effect. One not made yet has nothing to close or update. While
// any of them is open the time-out waits; it starts afresh when the last
// one closes.
class SessionDialogs : public QObject
{
    Q_OBJECT
public:
    SessionDialogs(BoardContext& board, SessionControl& control, GridInteraction& interaction, Toolbar& toolbar,
                   QWidget* window);

    // The preferences were read again: the date and time options follow.
    void applyPreferences();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void holdTimeoutWhileOpen(QWidget* dialog);
    ColumnDataDialog* columnData();     // Form4
    FixedColumnDialog* fixedColumn();   // Form3
    ListDialog* list();                 // Form5
    DateTimeDialog* dateTime();         // Form6
    void wireColumnEditor(ColumnEditorDialog* dialog);
    void applyKeptDateTimeOptions();
    void reserveDateTimePlacement();
    void writeTargetCell(const QString& text);

    BoardContext& m_board;
    SessionControl& m_control;
    GridInteraction& m_interaction;
    QWidget* m_window;
    bool m_preferencesApplied = false;
    ColumnDataDialog* m_columnData = nullptr;
    FixedColumnDialog* m_fixedColumn = nullptr;
    ListDialog* m_list = nullptr;
    DateTimeDialog* m_dateTime = nullptr;
    QSet<const QObject*> m_holding;   // the open dialogs that hold the time-out
    // "Date / Time" before it is made: its kept check boxes and what writes
    // its section at a normal end.
    static constexpr int kDateTimeBoxes = 4;
    bool m_keptBoxes[kDateTimeBoxes] = {};
    PersistentForm* m_dateTimeStandIn = nullptr;
};
