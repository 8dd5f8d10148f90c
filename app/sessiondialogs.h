#pragma once

#include "base/services.h"
#include "store/datafolder.h"

#include <QObject>

class ColumnDataDialog;
class DateTimeDialog;
class FixedColumnDialog;
class GridData;
class GridInteraction;
class GridView;
class ListDialog;
class QWidget;
class SessionControl;
class Toolbar;
class UpdateSession;
struct Preferences;

// The dialogs an update session opens: "Column Data", "Fixed Left Column
// Data" (setup menu), "List" (the List button and the operations menu's
// "Create List Records") and "Date / Time" (a column menu's "DATE/TIME").
// Here they are built and wired to the grid, the session's time-out and the
// session's end, which closes each of them without effect.
class SessionDialogs : public QObject
{
    Q_OBJECT
public:
    SessionDialogs(const DataFolder& folder, GridData& grid, Preferences& prefs, const Services& services,
                   UpdateSession& session, SessionControl& control, GridInteraction& interaction, GridView* view,
                   Toolbar& toolbar, QWidget* window);

    ColumnDataDialog* columnData() const { return m_columnData; }     // Form4
    FixedColumnDialog* fixedColumn() const { return m_fixedColumn; }  // Form3
    ListDialog* list() const { return m_list; }                       // Form5
    DateTimeDialog* dateTime() const { return m_dateTime; }           // Form6

    // The preferences were read again: the date and time options follow.
    void applyPreferences();

private:
    void refreshView(bool recomputeWidths);
    void writeTargetCell(const QString& text);

    GridData& m_grid;
    UpdateSession& m_session;
    SessionControl& m_control;
    GridInteraction& m_interaction;
    GridView* m_view;
    ColumnDataDialog* m_columnData = nullptr;
    FixedColumnDialog* m_fixedColumn = nullptr;
    ListDialog* m_list = nullptr;
    DateTimeDialog* m_dateTime = nullptr;
};
