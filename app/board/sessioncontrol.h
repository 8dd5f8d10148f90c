#pragma once

#include "store/datafolder.h"
#include "store/filestamp.h"
#include "store/textfile.h"

#include <QObject>

struct BoardContext;
class ChangeWatch;
class GridData;
class GridDocument;
class GridInteraction;
class GridView;
class QTimer;
class Messages;
class Sounds;
class Toolbar;
class UpdateSession;
struct Preferences;

// The update session as the user sees it: what pressing, releasing and
// cancelling Update do, the editing mode and the beep switch, the boxes that
// tell why a session did not start or could not be saved, and the session's
// timers (Timer1 polling, Timer2 time-out, the lock watch, Timer4 hourly
// backups) turned into sounds and session ends; a change the data folder
// reports runs the poll at once. After a reload of another workstation's
// save it tints the cells that changed and says who saved. It owns this
// state and tells the toolbar what to show; the toolbar only says what the
// user asked for.
// The session's rules live in UpdateSession.
class SessionControl : public QObject
{
    Q_OBJECT
public:
    SessionControl(BoardContext& board, Toolbar& toolbar, GridInteraction& interaction, QObject* parent = nullptr);

    // Update pressed (the button or the grid's "Update" entry): a session
    // starts, or the boxes say why not.
    void press();
    // Update released (the button or "UPDATE OFF"): saves and ends the
    // session; when the save fails it stays open and Update stays down.
    void release();
    // "Cancel": asked, then back to the grid the session started from.
    void cancel();
    // "Editing": typing into cells during a session.
    void setEditing(bool on);
    bool editing() const { return m_editing; }
    // "Beep on any updates": a sound at every reload another workstation caused.
    void setBeep(bool on) { m_beep = on; }
    bool beep() const { return m_beep; }
    bool running() const;
    void onPollTick();
    void onTimeoutTick();
    void onBackupTick();

    // Saves and leaves the session; false when the save failed (the
    // session then stays open and says why).
    bool endSession(bool updateBackup = true);
    // What the synthesised Escape does when a session ends behind open
    // windows: menus, the cell editor and every box close as Escape closes them.
    void closeSessionBoxes();
    void setUpdateChecked(bool down);
    // An information box under the desktop's centre; focus goes to the buttons.
    void showCentralMessage(const QString& text);
    // The status line: another workstation's session, this one's time-out
    // countdown, or that the time-out ended this one.
    QString statusText() const;
    // The user did something: the time-out's notice has been seen.
    void noteAction();
    // Any input to the board's windows: the time-out starts again.
    void onActivity();

signals:
    // The session ends behind open windows: every dialog of the session
    // closes without effect.
    void closingSessionWindows();
    void statusChanged(const QString& text);

private:
    void startSessionUi(bool reloaded);
    void leaveSessionUi();
    void setGridEditable(bool enable);
    void checkLock();
    void refreshStatus();
    // The session ended because another workstation came in while this
    // one's lock file was gone: say where the edits went.
    void leaveLostSession(const QString& rescuedTo, const TextFile::WriteResult& failure);
    void showSaveFailure(const TextFile::WriteResult& failure);
    // A poll loaded another workstation's save: its cells are tinted and
    // the status line says who saved what.
    void showOthersSave(const GridData& before);
    void nameSaver();
    // The session loaded a grid: the columns fit it.
    void refitColumns();

    DataFolder m_folder;
    const Preferences& m_prefs;
    UpdateSession& m_session;
    const GridDocument& m_document;
    Messages& m_messages;
    Sounds& m_sounds;
    Toolbar& m_toolbar;
    GridView* m_view;
    GridInteraction& m_interaction;
    QTimer* m_backupTimer = nullptr;
    ChangeWatch* m_changeWatch = nullptr;
    bool m_saveErrorShown = false;  // the time-out retries without stacking boxes
    bool m_timedOut = false;        // the time-out ended the session; not yet acted on
    bool m_editing = false;
    bool m_beep = false;
    QString m_status;
    QTimer* m_savedNoticeTimer = nullptr;
    QString m_savedNotice;   // "Saved by ...", while the timer runs
    bool m_savedNamed = false;
    int m_savedCells = 0;
    int m_savedRows = 0;
    int m_savedColorRows = 0;   // when no cell changed
    FileStamp m_savedStamp;
};
