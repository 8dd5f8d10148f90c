#pragma once

#include "coord/updatelock.h"
#include "grid/griddocument.h"
#include "grid/gridhistory.h"
#include "store/datafolder.h"
#include "store/filestamp.h"
#include "store/gridstore.h"
#include "store/textfile.h"

#include <QElapsedTimer>
#include <QTimer>

#include <optional>

class Clock;
class Identity;
struct Preferences;

// One workstation's side of the update protocol: Viewing, Waiting (found the
// board busy, polling for it to be free) and Updating (holds the lock, grid
// editable). It owns the lock, the stamps of sgrid.scd, the activity and
// selection flags and the timers whose pace follows the session: the polling
// timer (Timer1), the time-out (Timer2) and the lock check of every second of
// a session. It starts and stops them itself; the window only connects their
// ticks to poll(), timeoutTick() and checkLock(). Whatever a step loads
// into the grid is published when the step ends.
class UpdateSession
{
public:
    enum class State { Viewing, Waiting, Updating };

    static constexpr int kStartPollMs = 5000;
    static constexpr int kWaitingPollMs = 3000;
    static constexpr int kTimeoutMs = 30000;
    static constexpr int kLockCheckMs = 1000;
    static constexpr int kMaxNameLength = 256;   // a name line of curuser.scd
    // Files the server stamped this long before a write of ours belong to no
    // write or press under way on any workstation: left over, and cleared.
    static constexpr qint64 kSettledNs = 60LL * 1000 * 1000 * 1000;

    UpdateSession(const DataFolder& folder, GridDocument& document, Preferences& prefs, Identity& identity,
                  Clock& clock);

    // Window creation: both stamps from sgrid.scd, old backups pruned, the
    // grid loaded, polling every 5000 ms.
    GridStore::LoadResult startUp();

    State state() const { return m_state; }
    int pollInterval() const { return m_pollInterval; }   // 0: stopped
    bool timeoutActive() const { return m_timeoutActive; }
    QTimer& pollTimer() { return m_pollTimer; }
    QTimer& timeoutTimer() { return m_timeoutTimer; }
    QTimer& lockTimer() { return m_lockTimer; }

    // How a press of Update went. The outcome is the lock's when the board
    // is Busy or the lock could not be taken (LockError), the grid file's
    // on ReloadFailed, the snapshot's (bsgrid.scd or its colours) on
    // SnapshotFailed.
    struct [[nodiscard]] StartResult : FileOutcome
    {
        enum Kind { Started, Busy, LockError, ReloadFailed, SnapshotFailed } kind = Busy;
        bool reloaded = false;         // sgrid.scd had changed and was loaded first
        QString computer, user;        // curuser.scd on the busy path
        // LockError: the lock file (the outcome's path) cannot be opened from
        // this account, so somebody has to remove it.
        bool lockUnopenable = false;
    };
    // The Update button pressed down. Busy leaves the workstation Waiting;
    // a LockError (nobody can tell whether the board is free) leaves it as
    // it was; a snapshot that cannot be written lets the lock go
    // again, so no session runs without its undo copy.
    StartResult pressUpdate();

    struct EndResult
    {
        bool saved = false;
        bool backedUp = false;
        bool cellsChanged = false;            // saved cells now read as the file holds them
        TextFile::WriteResult failure;        // the save failed: still Updating, lock held
        TextFile::WriteResult backupFailure;  // saved, but the "Update" backup failed
        QString rescuedTo;                    // where unsaved edits went instead
        // Another workstation came in while this one's lock file was gone:
        // nothing was saved over its session, the edits went to rescuedTo
        // (or, when even that failed, `failure` says why) and the session ended.
        bool lockLost = false;
    };
    // The Update button released, "UPDATE OFF" or the time-out: saves and
    // lets go. When the grid cannot be saved nothing after the save happens:
    // the session stays open with the lock held and the time-out running, so
    // the edits are never dropped and the next tick tries again.
    // A close answered Yes saves without the "Update" backup.
    EndResult releaseUpdate(bool updateBackup = true);

    // Every second of a session: a deleted own lock file is made again at
    // once. When another workstation got in meanwhile the session ends as
    // releaseUpdate() does when it finds that (lockLost); nullopt otherwise.
    std::optional<EndResult> checkLock();

    // "Cancel" answered Yes: back to the snapshot, nothing saved. Fails
    // when no session runs, or when the snapshot could not be read: the grid
    // then holds sgrid.scd again, which is what the session started from.
    FileResult<> cancel();
    // A close answered No: the lock goes, nothing is saved and the grid on
    // screen stays as edited (the "Close" backup is of it).
    void abandon();

    // The outcome is the reload's: a failed one was incomplete, and the
    // next tick tries again.
    struct [[nodiscard]] PollResult : FileOutcome
    {
        bool freed = false;    // Waiting ended: sound the alarm
        bool reloaded = false; // the grid was replaced: refit the columns
    };
    // Timer1: the waiting check, then the reload check unless Updating.
    PollResult poll();

    // Another workstation's running session, as the last poll found it:
    // who (curuser.scd) and since when (its write time, the server's clock).
    struct Holder
    {
        QString computer, user;
        qint64 sinceMsUtc = 0;   // 0: unknown
    };
    std::optional<Holder> holder() const { return m_holder; }
    // "Updating: <user> on <computer> since <time>" for the status bar.
    static QString holderText(const Holder& holder, bool militaryTime);

    // Seconds left before the time-out ends this session unless something
    // happens first, shown in the last ten seconds only.
    static constexpr int kCountdownSeconds = 10;
    static std::optional<int> countdownSeconds(bool timeoutActive, bool activity, int remainingMs);
    std::optional<int> timeoutCountdown() const;

    enum class TimeoutAction { Stop, End, Continue };
    // Timer2's decision; clears the activity flag. A session ends
    // kTimeoutMs after the user last did something, never while a dialog
    // holds the time-out. On End the window closes popups and editors and
    // calls releaseUpdate().
    TimeoutAction timeoutTick();
    // Anything the user does: the time-out's period starts again.
    void noteActivity();
    void noteSelection() { m_selection = true; }
    bool activityFlag() const { return m_activity; }
    bool selectionFlag() const { return m_selection; }
    // Dialogs that edit during a session hold the time-out off while open.
    void suspendTimeout();
    void restartTimeout();

    // backupGrid on the named backup computer when the choice is "Hourly"
    // ("Close"); otherwise nothing to do, reported as success.
    TextFile::WriteResult hourlyBackup();
    // "Backup Now": on any computer, whatever the backup choice.
    TextFile::WriteResult backupNow();
    TextFile::WriteResult closeBackup();

    // How a restore went. The outcome is the lock's on Busy and LockError,
    // the backup's on Unreadable, the write's on KeepFailed (the schedule in
    // place could not be kept, so it stays) and SaveFailed (the restored one
    // could not be written, the files stay); Updating is this workstation's
    // own session.
    struct [[nodiscard]] RestoreResult : FileOutcome
    {
        enum Kind { Restored, Busy, LockError, Updating, Unreadable, KeepFailed, SaveFailed } kind = Busy;
        QString computer, user;        // curuser.scd on the busy path
        bool lockUnopenable = false;   // as for StartResult
        QString keptAs;                // the backup of the schedule replaced ("" when there was none)
    };
    // Makes a backup the shared schedule, between two of this workstation's
    // sessions: under the update lock, the schedule in place goes to a
    // backup of its own, then the backup's grid, colours and fixed column
    // are saved as one, as a release saves them. Other boards load it at
    // their next poll; this one holds it at once.
    RestoreResult restoreBackup(const QString& fileName);

    // Ends a running session when nobody can go on with it: saved as the
    // time-out saves it, or, when the grid cannot be saved, the edits go to
    // a backup file instead (rescuedTo).
    EndResult saveOrRescue();

    // At close: deletes the own lock file unless it is held.
    void closeDown();
    // The desktop session ends and nobody can answer: a running session is
    // saved as the time-out saves it, then the lock file is deleted. If the
    // grid cannot be saved the edits go to a backup file instead.
    EndResult shutdownWithoutAnswer();

    // Lines 1 (computer) and 2 (user) of curuser.scd; missing lines read as empty.
    void readCurrentUser(QString& computer, QString& user) const;

    // The session's undo steps: begun with the session, gone when it ends
    // however it ends.
    const GridHistory& history() const { return m_history; }
    // The grid as it stands becomes one undo step (see GridHistory::record).
    bool recordChange(const QString& label, const QString& mergeKey = {});
    // Ctrl + Z and Ctrl + Y: false when there was no step to take.
    bool undo();
    bool redo();

    const UpdateLock& lock() const { return m_lock; }
    UpdateLock& lock() { return m_lock; }
    FileStamp currentStamp() const { return m_currentStamp; }
    FileStamp lastKnownStamp() const { return m_lastKnownStamp; }

private:
    // Takes the update lock for a press or a restore. Busy when another
    // workstation holds it: its names are read into `computer` and `user`.
    // Any other failure is a lock error; `unopenable` says whether it is a
    // lock file this account cannot open. The lock is not held on failure.
    FileResult<> takeLock(QString& computer, QString& user, bool& unopenable);
    FileStamp gridStamp() const;
    void setPollFromPreferences();
    void readHolder();
    void releaseLock();
    // After a successful save: who changed which cells, for the other boards.
    void recordSave();
    // Holding the lock: temporaries and lock files that crashed or killed
    // boards left behind.
    void clearLeftovers();
    TextFile::WriteResult backupOn(int choice);
    TextFile::WriteResult keepReplacedGrid();
    void setPollInterval(int ms);
    void setTimeoutActive(bool active);
    void setState(State state);
    bool anotherSessionCameIn();
    void restoreSharedFiles(const GridData& snapshot);
    EndResult yieldToOtherSession();

    DataFolder m_folder;
    GridStore m_store;
    GridDocument& m_document;
    GridData& m_grid;   // the document's draft
    Preferences& m_prefs;
    Identity& m_identity;
    Clock& m_clock;
    UpdateLock m_lock;
    GridHistory m_history;

    State m_state = State::Viewing;
    int m_pollInterval = 0;
    bool m_timeoutActive = false;
    QTimer m_pollTimer;
    QTimer m_timeoutTimer;
    QTimer m_lockTimer;
    bool m_activity = false;
    QElapsedTimer m_lastActivity;
    bool m_selection = false;
    FileStamp m_currentStamp;
    FileStamp m_lastKnownStamp;
    FileStamp m_refusedStamp;   // a malformed sgrid.scd is not read again until it changes
    bool m_saveFailed = false;  // a save of this session failed: the files may be half replaced
    FileStamp m_sessionStamp;   // sgrid.scd as the session started
    GridData m_sessionStart;    // the grid as the session started, for the record of its save
    std::optional<Holder> m_holder;
};
