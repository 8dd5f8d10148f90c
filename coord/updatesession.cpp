#include "coord/updatesession.h"

#include "coord/publishonexit.h"
#include "grid/griddata.h"
#include "base/preferences.h"
#include "base/services.h"
#include "store/savehistory.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <utility>

namespace {

const QString kGridFile = QStringLiteral("sgrid.scd");
const QString kSnapshotFile = QStringLiteral("bsgrid.scd");
const QString kCurrentUserFile = QStringLiteral("curuser.scd");

} // namespace

UpdateSession::UpdateSession(const DataFolder& folder, GridDocument& document, Preferences& prefs,
                             Identity& identity, Clock& clock)
    : m_folder(folder), m_store(folder), m_document(document), m_grid(document.draft()), m_prefs(prefs),
      m_identity(identity),
      m_clock(clock), m_lock(folder)
{
    m_pollTimer.setObjectName(QStringLiteral("Timer1"));
    m_timeoutTimer.setObjectName(QStringLiteral("Timer2"));
    m_lockTimer.setObjectName(QStringLiteral("LockCheck"));
}

GridStore::LoadResult UpdateSession::startUp()
{
    const PublishOnExit publish(m_document);
    // Leftovers of crashed saves wait for the next holder of the update lock:
    // without it, a save under way elsewhere looks just like them.
    m_currentStamp = gridStamp();
    m_lastKnownStamp = m_currentStamp;
    // A backup that cannot be deleted now waits for the next start.
    (void)m_store.pruneGridBackups();
    const GridStore::LoadResult r = m_store.loadGrid(kGridFile, m_grid);
    // A grid that did not load completely is tried again at the next poll,
    // unless it is malformed: then only once it has changed.
    if (!r.ok())
        m_lastKnownStamp = {};
    if (GridStore::isRefused(r))
        m_refusedStamp = m_currentStamp;
    setPollInterval(kStartPollMs);
    return r;
}

FileStamp UpdateSession::gridStamp() const
{
    // A stamp that cannot be read is zero, which differs from every real
    // one: the next poll or press reads the grid again instead of trusting
    // the one on screen, and a session whose start stamp is zero ends with
    // its edits kept in a backup rather than saved over a file it never saw.
    return m_store.gridFileStamp(kGridFile).value;
}

void UpdateSession::setPollFromPreferences()
{
    int ms = 0;
    if (m_prefs.updateIntervalMs(ms))
        setPollInterval(ms);
    // An interval that is not a positive number leaves the timer as it runs.
}

void UpdateSession::releaseLock()
{
    m_lock.releaseUpdateLock();
    if (m_prefs.network)
        setPollFromPreferences();
    else
        setPollInterval(0);
}

void UpdateSession::readCurrentUser(QString& computer, QString& user) const
{
    const TextFile::ReadResult r = TextFile::read(m_folder.users(kCurrentUserFile), TextFile::kSmallFileCap);
    // Missing or unreadable: empty names, as for a file with fewer lines.
    computer = r.value.value(0).left(kMaxNameLength);
    user = r.value.value(1).left(kMaxNameLength);
}

FileResult<> UpdateSession::takeLock(QString& computer, QString& user, bool& unopenable)
{
    const FileResult<> lock = m_lock.acquireUpdateLock();
    if (lock.ok())
        return lock;
    // Busy is a board that another workstation really holds: only then are
    // its editor's names worth showing.
    if (lock.status == FileStatus::Busy) {
        readCurrentUser(computer, user);
        return lock;
    }
    // Somebody has to remove a file this account cannot open; a file that
    // could not be made is the folder's rights, which the reason names.
    unopenable = lock.status == FileStatus::Refused && lock.path != m_folder.root() && QFileInfo::exists(lock.path);
    return lock;
}

UpdateSession::StartResult UpdateSession::pressUpdate()
{
    const PublishOnExit publish(m_document);
    StartResult r;
    if (m_state == State::Updating) {
        r.kind = StartResult::Started;
        return r;
    }

    if (const FileResult<> lock = takeLock(r.computer, r.user, r.lockUnopenable); !lock.ok()) {
        static_cast<FileOutcome&>(r) = lock;
        r.kind = lock.status == FileStatus::Busy ? StartResult::Busy : StartResult::LockError;
        // A lock error waits for nobody: a board already waiting goes on
        // waiting for the holder it found, any other stays as it was.
        if (r.kind == StartResult::Busy) {
            setPollInterval(kWaitingPollMs);
            setState(State::Waiting);
        }
        return r;
    }

    setPollFromPreferences();
    // Holding the lock nobody else saves the grid: whatever a crashed save
    // left half-renamed is finished before the session builds on it.
    // One that cannot be finished now is tried again at the next press; the
    // save of this session replaces the set whole anyway.
    for (const QString& name : {kGridFile, kSnapshotFile})
        (void)m_store.recoverInterruptedSave(name);
    m_currentStamp = gridStamp();
    // Only this session may change sgrid.scd from now on: taken before the
    // session's own reads, so that a save of anybody else after our lock
    // was taken (a guard removed by hand) is seen at the release.
    m_sessionStamp = m_currentStamp;
    // No last-known stamp: the grid on screen was never read in whole, and
    // must not be saved as the schedule before it is.
    if (m_currentStamp != m_lastKnownStamp || m_lastKnownStamp.isZero()) {
        // Another workstation saved since our last load: edit its version.
        // The last-known stamp stays, so Cancel is followed by a reload.
        const GridStore::LoadResult load = m_store.loadGrid(kGridFile, m_grid);
        r.reloaded = load.value;
        // A grid file that is gone is made again by the session's save; one
        // whose cells cannot be read may hold newer work than ours. Colours
        // that could not be read are only lost colours: the save writes them.
        if (!load.value && load.status != FileStatus::Missing) {
            r.kind = StartResult::ReloadFailed;
            static_cast<FileOutcome&>(r) = load;
            releaseLock();
            setState(State::Viewing);
            return r;
        }
    }
    if (auto w = m_store.saveGrid(kSnapshotFile, m_grid); !w.ok()) {
        r.kind = StartResult::SnapshotFailed;
        static_cast<FileOutcome&>(r) = w;
        releaseLock();
        setState(State::Viewing);
        return r;
    }
    m_sessionStart = m_grid;
    setTimeoutActive(m_prefs.timeOut);
    setState(State::Updating);
    m_saveFailed = false;
    // Who holds the board, for the busy message on other workstations. Only
    // informative: a failure here must not keep the user from working.
    (void)TextFile::write(m_folder.users(kCurrentUserFile), {m_identity.computerName(), m_identity.userName()});
    clearLeftovers();
    r.kind = StartResult::Started;
    return r;
}

void UpdateSession::clearLeftovers()
{
    // Never by this workstation's clock, which may run ahead of the server:
    // ages are measured against the stamp the server just gave our own write.
    const FileResult<FileStamp> written = readFileStamp(m_folder.users(kCurrentUserFile));
    if (!written.ok())
        return;
    // What cannot be removed now is tried again at the next session.
    (void)m_store.removeLeftoverTemporaries(written.value.writeTimeNs - kSettledNs);
    m_lock.removeStaleLockFiles(written.value.writeTimeNs - kSettledNs);
}

UpdateSession::EndResult UpdateSession::releaseUpdate(bool updateBackup)
{
    const PublishOnExit publish(m_document);
    EndResult r;
    if (m_state != State::Updating)
        return r;

    // Never save over a session that came in while our lock file was gone.
    if (anotherSessionCameIn())
        return yieldToOtherSession();
    if (!updateBackup)
        m_selection = false;

    r.failure = m_store.saveGrid(kGridFile, m_grid);
    if (!r.failure.ok()) {
        m_saveFailed = true;
        return r;
    }
    r.saved = true;
    r.cellsChanged = GridStore::makeAsStored(m_grid);

    if (m_prefs.backup == Preferences::BackupUpdate && m_selection) {
        r.backupFailure = m_store.backupGrid(m_grid, m_clock.localNow(), BackupKind::Update);
        r.backedUp = r.backupFailure.ok();
    }
    m_selection = false;
    setTimeoutActive(false);

    // Our own save must not come back as somebody else's change.
    m_currentStamp = gridStamp();
    m_lastKnownStamp = m_currentStamp;
    recordSave();
    releaseLock();
    setState(State::Viewing);
    return r;
}

void UpdateSession::recordSave()
{
    // Still under the lock, so nobody else writes the file meanwhile. It
    // only tells the other boards who changed what: a failure here is no
    // failure of the save.
    (void)SaveHistory::append(m_folder, SaveHistory::record(m_sessionStart, m_grid, m_identity.userName(),
                                                            m_identity.computerName(),
                                                            m_clock.utcNow().toMSecsSinceEpoch(), m_currentStamp));
}

std::optional<UpdateSession::EndResult> UpdateSession::checkLock()
{
    const PublishOnExit publish(m_document);
    if (m_state != State::Updating || !anotherSessionCameIn())
        return std::nullopt;
    return yieldToOtherSession();
}

bool UpdateSession::anotherSessionCameIn()
{
    // While the own lock file stays in place nobody can come in, so the
    // others are looked at only when it had to be made again (the watch does
    // that) or could not be.
    const UpdateLock::Watch watch = m_lock.watchOwnFile();
    if (watch == UpdateLock::Watch::Lost || (watch == UpdateLock::Watch::Exposed && m_lock.otherSessionRunning()))
        return true;
    // A whole session may have come and gone in the moment before the lock
    // file was made again: it left sgrid.scd changed.
    const FileResult<FileStamp> now = m_store.gridFileStamp(kGridFile);
    return now.ok() && now.value != m_sessionStamp;
}

UpdateSession::EndResult UpdateSession::yieldToOtherSession()
{
    EndResult r;
    r.lockLost = true;
    const TextFile::WriteResult rescue = m_store.backupGrid(m_grid, m_clock.localNow(), BackupKind::Rescue);
    if (rescue.ok())
        r.rescuedTo = rescue.path;
    else
        r.failure = rescue;
    releaseLock();
    m_selection = false;
    setTimeoutActive(false);
    setState(State::Viewing);
    // With the edits kept, show what the shared file holds; the other
    // session's save comes in by polling. Without, they stay on screen.
    if (rescue.ok()) {
        m_currentStamp = gridStamp();
        const GridStore::LoadResult load = m_store.loadGrid(kGridFile, m_grid);
        m_lastKnownStamp = load.ok() ? m_currentStamp : FileStamp{};
    }
    return r;
}

void UpdateSession::restoreSharedFiles(const GridData& snapshot)
{
    // A save that failed between its renames left the shared files half
    // new: the snapshot is what they held when the session started.
    if (m_saveFailed && m_store.saveGrid(kGridFile, snapshot).ok()) {
        m_currentStamp = gridStamp();
        m_lastKnownStamp = m_currentStamp;
    }
}

void UpdateSession::abandon()
{
    if (m_state != State::Updating)
        return;
    GridData snapshot;
    if (m_saveFailed && m_store.loadGrid(kSnapshotFile, snapshot).ok())
        restoreSharedFiles(snapshot);
    releaseLock();
    setTimeoutActive(false);
    setState(State::Viewing);
}

FileResult<> UpdateSession::cancel()
{
    const PublishOnExit publish(m_document);
    if (m_state != State::Updating)
        return FileOutcome::failed(FileStatus::Failed, m_folder.gsystem(kSnapshotFile),
                                   QStringLiteral("no update is running"));
    const GridStore::LoadResult snapshot = m_store.loadGrid(kSnapshotFile, m_grid);
    if (snapshot.ok()) {
        restoreSharedFiles(m_grid);
    } else {
        // Without a readable snapshot the shared file is the session's
        // starting point: nobody else could write it while we held the lock.
        const GridStore::LoadResult load = m_store.loadGrid(kGridFile, m_grid);
        m_lastKnownStamp = load.ok() ? m_currentStamp : FileStamp{};
    }
    releaseLock();
    setTimeoutActive(false);
    setState(State::Viewing);
    return FileOutcome(snapshot);
}

UpdateSession::PollResult UpdateSession::poll()
{
    const PublishOnExit publish(m_document);
    PollResult r;
    // Fails closed: a check that cannot tell keeps the board waiting.
    if (m_state == State::Waiting && !m_lock.boardHeldElsewhere().value) {
        setState(State::Viewing);
        setPollFromPreferences();
        r.freed = true;
    }
    if (m_state == State::Updating) {
        m_holder.reset();
        return r;
    }
    readHolder();

    m_currentStamp = gridStamp();
    if (m_currentStamp == m_lastKnownStamp || (!m_refusedStamp.isZero() && m_currentStamp == m_refusedStamp))
        return r;
    const GridStore::LoadResult load = m_store.loadGrid(kGridFile, m_grid);
    r.reloaded = load.value;
    static_cast<FileOutcome&>(r) = load;
    if (load.ok())
        m_lastKnownStamp = m_currentStamp;
    else if (GridStore::isRefused(load))
        m_refusedStamp = m_currentStamp;
    return r;
}

void UpdateSession::readHolder()
{
    // One test of the guard, never a scan of the lock files: this runs on
    // every viewer at every poll.
    if (const FileResult<bool> held = m_lock.guardHeldElsewhere(); !held.ok() || !held.value) {
        m_holder.reset();
        return;
    }
    Holder h;
    readCurrentUser(h.computer, h.user);
    // curuser.scd is written as a session starts: its stamp is the start.
    const FileResult<FileStamp> written = readFileStamp(m_folder.users(kCurrentUserFile));
    if (written.ok() && written.value.writeTimeNs > 0)
        h.sinceMsUtc = written.value.writeTimeNs / 1000000;
    m_holder = h;
}

QString UpdateSession::holderText(const Holder& holder, bool militaryTime)
{
    const QString user = holder.user.trimmed().isEmpty() ? QStringLiteral("someone") : holder.user.trimmed();
    QString text = QStringLiteral("Updating: ") + user;
    if (!holder.computer.trimmed().isEmpty())
        text += QStringLiteral(" on ") + holder.computer.trimmed();
    if (holder.sinceMsUtc > 0) {
        const QTime since = QDateTime::fromMSecsSinceEpoch(holder.sinceMsUtc, Qt::UTC).toLocalTime().time();
        text += QStringLiteral(" since ")
            + since.toString(militaryTime ? QStringLiteral("HH:mm") : QStringLiteral("h:mm AP"));
    }
    return text;
}

std::optional<int> UpdateSession::countdownSeconds(bool timeoutActive, bool activity, int remainingMs)
{
    // Activity since the last tick means the next tick continues the session.
    if (!timeoutActive || activity || remainingMs < 0 || remainingMs > kCountdownSeconds * 1000)
        return std::nullopt;
    return (remainingMs + 999) / 1000;
}

std::optional<int> UpdateSession::timeoutCountdown() const
{
    if (m_state != State::Updating || !m_prefs.timeOut)
        return std::nullopt;
    // Activity restarts the timer, so what it has left is the time left,
    // whatever the next tick finds in the activity flag.
    return countdownSeconds(m_timeoutActive && m_timeoutTimer.isActive(), false, m_timeoutTimer.remainingTime());
}

void UpdateSession::noteActivity()
{
    m_activity = true;
    m_lastActivity.start();
    if (m_state == State::Updating && m_timeoutActive && m_timeoutTimer.isActive())
        m_timeoutTimer.start(kTimeoutMs);
}

UpdateSession::TimeoutAction UpdateSession::timeoutTick()
{
    if (m_state != State::Updating || !m_prefs.timeOut) {
        setTimeoutActive(false);
        return TimeoutAction::Stop;
    }
    // A dialog of the session holds the time-out: a tick already under way
    // when it opened ends nothing.
    if (!m_timeoutActive)
        return TimeoutAction::Continue;
    const bool active = std::exchange(m_activity, false);
    const qint64 leftMs = active ? kTimeoutMs - m_lastActivity.elapsed() : 0;
    if (leftMs > 0) {
        // What is left of the period since the last activity; a coarse
        // timer may also tick a little early.
        m_timeoutTimer.start(int(leftMs));
        return TimeoutAction::Continue;
    }
    // A save that fails keeps the session: the next try comes a whole period later.
    m_timeoutTimer.start(kTimeoutMs);
    return TimeoutAction::End;
}

void UpdateSession::suspendTimeout()
{
    setTimeoutActive(false);
}

void UpdateSession::restartTimeout()
{
    // With the option off the restarted timer stops itself at its first tick.
    setTimeoutActive(m_state == State::Updating);
    if (m_timeoutActive)
        m_timeoutTimer.start(kTimeoutMs);
}

void UpdateSession::setPollInterval(int ms)
{
    m_pollInterval = ms;
    if (ms <= 0)
        m_pollTimer.stop();
    else if (!m_pollTimer.isActive() || m_pollTimer.interval() != ms)
        m_pollTimer.start(ms);
}

void UpdateSession::setTimeoutActive(bool active)
{
    m_timeoutActive = active;
    if (!active)
        m_timeoutTimer.stop();
    else if (!m_timeoutTimer.isActive())
        m_timeoutTimer.start(kTimeoutMs);
}

void UpdateSession::setState(State state)
{
    if (state == State::Updating && m_state != State::Updating) {
        m_history.start(m_grid);
        m_holder.reset();
    }
    else if (state != State::Updating)
        m_history.clear();
    m_state = state;
    if (state != State::Updating)
        m_lockTimer.stop();
    else if (!m_lockTimer.isActive())
        m_lockTimer.start(kLockCheckMs);
}

void UpdateSession::closeDown()
{
    m_lock.deleteOwnFile();
}

UpdateSession::EndResult UpdateSession::saveOrRescue()
{
    const PublishOnExit publish(m_document);
    EndResult r;
    if (m_state != State::Updating)
        return r;
    r = releaseUpdate();
    if (!r.saved && !r.lockLost) {
        // The process is about to be ended: keep the edits somewhere.
        const TextFile::WriteResult rescue = m_store.backupGrid(m_grid, m_clock.localNow(), BackupKind::Rescue);
        if (rescue.ok())
            r.rescuedTo = rescue.path;
    }
    return r;
}

UpdateSession::EndResult UpdateSession::shutdownWithoutAnswer()
{
    const PublishOnExit publish(m_document);
    const EndResult r = saveOrRescue();
    closeDown();
    return r;
}

bool UpdateSession::recordChange(const QString& label, const QString& mergeKey)
{
    m_document.publish();
    return m_history.record(m_grid, label, mergeKey);
}

bool UpdateSession::undo()
{
    const PublishOnExit publish(m_document);
    return m_history.undo(m_grid);
}

bool UpdateSession::redo()
{
    const PublishOnExit publish(m_document);
    return m_history.redo(m_grid);
}
