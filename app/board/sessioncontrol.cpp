#include "app/board/sessioncontrol.h"

#include "app/board/boardcontext.h"
#include "app/board/gridinteraction.h"
#include "app/board/toolbar.h"
#include "app/desktop/activityfilter.h"
#include "app/desktop/busymessage.h"
#include "app/desktop/messageboxes.h"
#include "base/preferences.h"
#include "base/services.h"
#include "coord/changewatch.h"
#include "coord/updatesession.h"
#include "grid/griddiff.h"
#include "gridview/gridview.h"
#include "store/savehistory.h"

#include <QDir>
#include <QTimer>

#include <algorithm>

#include <utility>

namespace {
constexpr int kHourMs = 3600 * 1000;
// How long the status line names the last save another workstation made.
constexpr int kSavedNoticeMs = 30 * 1000;
}

SessionControl::SessionControl(BoardContext& board, Toolbar& toolbar, GridInteraction& interaction, QObject* parent)
    : QObject(parent)
    , m_folder(board.folder)
    , m_prefs(board.prefs)
    , m_session(board.session)
    , m_document(board.document)
    , m_messages(*board.services.messages)
    , m_sounds(*board.services.sounds)
    , m_toolbar(toolbar)
    , m_view(board.view)
    , m_interaction(interaction)
{
    setObjectName(QStringLiteral("sessionControl"));
    connect(&m_toolbar, &Toolbar::updatePressed, this, &SessionControl::press);
    connect(&m_toolbar, &Toolbar::updateReleased, this, &SessionControl::release);
    connect(&m_toolbar, &Toolbar::cancelRequested, this, &SessionControl::cancel);
    connect(&m_toolbar, &Toolbar::editingToggled, this, &SessionControl::setEditing);
    connect(&m_toolbar, &Toolbar::beepToggled, this, &SessionControl::setBeep);
    connect(&m_interaction, &GridInteraction::updateRequested, this, &SessionControl::press);
    connect(&m_interaction, &GridInteraction::endSessionRequested, this, &SessionControl::release);
    // The session runs Timer1, Timer2 and the lock watch at its own pace.
    connect(&m_session.pollTimer(), &QTimer::timeout, this, &SessionControl::onPollTick);
    connect(&m_session.timeoutTimer(), &QTimer::timeout, this, &SessionControl::onTimeoutTick);
    connect(&m_session.lockTimer(), &QTimer::timeout, this, &SessionControl::checkLock);
    // A change the folder reports runs the same poll at once.
    m_changeWatch = new ChangeWatch(m_folder, m_session, this);
    connect(m_changeWatch, &ChangeWatch::pollDue, this, &SessionControl::onPollTick);
    connect(m_view, &GridView::gridMousePressed, this, &SessionControl::noteAction);
    connect(&m_interaction, &GridInteraction::pointerRestingChanged, this, &SessionControl::refreshStatus);
    connect(m_view, &GridView::gridKeyPressed, this, &SessionControl::noteAction);
    // Every input the board gets counts, in menus and dialogs as on the grid:
    // a user busy there must not be timed out.
    auto* activity = new ActivityFilter(m_view->window(), this);
    connect(activity, &ActivityFilter::activity, this, &SessionControl::onActivity);
    m_backupTimer = new QTimer(this);
    m_backupTimer->setObjectName(QStringLiteral("Timer4"));
    connect(m_backupTimer, &QTimer::timeout, this, &SessionControl::onBackupTick);
    m_backupTimer->start(kHourMs);
    m_savedNoticeTimer = new QTimer(this);
    m_savedNoticeTimer->setObjectName(QStringLiteral("savedNoticeTimer"));
    m_savedNoticeTimer->setSingleShot(true);
    connect(m_savedNoticeTimer, &QTimer::timeout, this, [this] {
        m_savedNotice.clear();
        refreshStatus();
    });
}

void SessionControl::showCentralMessage(const QString& text)
{
    m_messages.show(MessageKind::Information, text, kCentralOffset);
    m_toolbar.takeFocus();
}

void SessionControl::setUpdateChecked(bool down)
{
    m_toolbar.setUpdateDown(down);
}

void SessionControl::setGridEditable(bool enable)
{
    m_view->setColumnDragAllowed(enable);
    m_view->setEditingAllowed(enable && m_editing);
    if (!enable)
        m_view->closeEditor();
    m_toolbar.takeFocus();
}

bool SessionControl::running() const
{
    return m_session.state() == UpdateSession::State::Updating;
}

void SessionControl::setEditing(bool on)
{
    m_editing = on;
    m_view->setEditingAllowed(on && running());
    if (!on) {
        m_view->closeEditor();
        m_interaction.clearGridSelection();
    }
}

void SessionControl::release()
{
    setUpdateChecked(false);
    noteAction();
    m_toolbar.showWaiting(false);
    m_view->window()->unsetCursor();
    if (endSession())
        m_view->viewport()->update();
}

void SessionControl::press()
{
    setUpdateChecked(true);
    noteAction();
    m_toolbar.showWaiting(false);
    m_view->window()->unsetCursor();
    const UpdateSession::StartResult r = m_session.pressUpdate();
    switch (r.kind) {
    case UpdateSession::StartResult::Started:
        startSessionUi(r.reloaded);
        m_view->viewport()->update();
        break;
    case UpdateSession::StartResult::LockError:
        // Nobody could tell whether the board is free: no busy message, no
        // editor's names, and the lamp only for a board already waiting.
        m_toolbar.showWaiting(m_session.state() == UpdateSession::State::Waiting);
        setUpdateChecked(false);
        m_messages.show(MessageKind::Error, lockErrorText(r, r.lockUnopenable), kCentralOffset);
        break;
    case UpdateSession::StartResult::Busy: {
        m_toolbar.showWaiting(true);
        setUpdateChecked(false);
        showCentralMessage(QStringLiteral("System busy (update in progress).")
                       + busyDetails(r.computer, r.user, m_prefs.displayUser));
        break;
    }
    case UpdateSession::StartResult::ReloadFailed:
    case UpdateSession::StartResult::SnapshotFailed:
        setUpdateChecked(false);
        // What the press did load is what the board shows.
        if (r.reloaded)
            refitColumns();
        m_messages.show(MessageKind::Error,
                                  (r.kind == UpdateSession::StartResult::ReloadFailed
                                       ? QStringLiteral("Could not read %1").arg(r.message)
                                       : r.message)
                                      + QStringLiteral("\r\rThe update was not started."),
                                  kCentralOffset);
        break;
    }
}

void SessionControl::startSessionUi(bool reloaded)
{
    m_interaction.clearGridSelection();
    refreshStatus();
    if (reloaded)
        refitColumns();
    m_toolbar.showSession(true);
    m_savedNotice.clear();
    m_savedNoticeTimer->stop();
    setGridEditable(true);
    m_interaction.editor().disablePasteItems();
    m_saveErrorShown = false;
}

bool SessionControl::endSession(bool updateBackup)
{
    // The session may have ended behind an open box (the time-out): the
    // buttons then only have to show it.
    if (m_session.state() != UpdateSession::State::Updating) {
        leaveSessionUi();
        return true;
    }
    m_view->closeEditor();
    m_interaction.clearGridSelection();
    const UpdateSession::EndResult r = m_session.releaseUpdate(updateBackup);
    if (r.lockLost) {
        leaveLostSession(r.rescuedTo, r.failure);
        return true;
    }
    if (!r.saved) {
        // Nothing was lost: the session stays open until a save succeeds.
        setUpdateChecked(true);
        showSaveFailure(r.failure);
        return false;
    }
    leaveSessionUi();
    if (!r.backupFailure.ok())
        m_messages.show(MessageKind::Warning,
                        QStringLiteral("The schedule was saved, but not its backup.\r") + r.backupFailure.message,
                        kCentralOffset);
    return true;
}

void SessionControl::closeSessionBoxes()
{
    // What the synthesised Escape does, for everything the session opened:
    // menus, the cell editor and every box, each answered as Escape answers.
    m_interaction.closeMenusAndEditor();
    emit closingSessionWindows();
    m_messages.closeAll();
}

void SessionControl::noteAction()
{
    if (std::exchange(m_timedOut, false))
        refreshStatus();
}

void SessionControl::onActivity()
{
    m_session.noteActivity();
    noteAction();
    refreshStatus();   // a countdown under way starts again
}

QString SessionControl::statusText() const
{
    if (const std::optional<int> left = m_session.timeoutCountdown())
        return QStringLiteral("No activity: your update is saved and closed in %1 s.").arg(*left);
    // Who updates now is newer than the time-out's notice, which waits
    // behind it until the user acts or another board saves.
    if (const std::optional<UpdateSession::Holder> h = m_session.holder())
        return UpdateSession::holderText(*h, m_prefs.militaryTime);
    if (m_timedOut)
        return QStringLiteral("Your update was saved and closed after %1 seconds without activity.")
            .arg(UpdateSession::kTimeoutMs / 1000);
    if (!m_savedNotice.isEmpty() && m_session.state() != UpdateSession::State::Updating)
        return m_savedNotice;
    if (m_session.state() == UpdateSession::State::Updating && m_interaction.pointerResting())
        return gridGestureHint();
    return {};
}

void SessionControl::refreshStatus()
{
    const QString text = statusText();
    if (text != m_status) {
        m_status = text;
        emit statusChanged(text);
    }
}

void SessionControl::checkLock()
{
    refreshStatus();
    if (const std::optional<UpdateSession::EndResult> r = m_session.checkLock()) {
        closeSessionBoxes();
        m_interaction.clearGridSelection();
        leaveLostSession(r->rescuedTo, r->failure);
    }
}

void SessionControl::leaveLostSession(const QString& rescuedTo, const TextFile::WriteResult& failure)
{
    leaveSessionUi();
    refitColumns();
    QString text = QStringLiteral("Another workstation started an update while this workstation's lock file "
                                  "or the guard file was missing, so your changes were not saved over its work.");
    if (!rescuedTo.isEmpty())
        text += QStringLiteral("\r\rThey were kept in %1.").arg(QDir::toNativeSeparators(rescuedTo));
    else
        text += QStringLiteral("\r\rThey could not be kept either. ") + failure.message;
    m_messages.show(MessageKind::Error, text, kCentralOffset);
}

void SessionControl::leaveSessionUi()
{
    setUpdateChecked(false);
    // Editing is let up with the session.
    m_editing = false;
    m_toolbar.showSession(false);
    setGridEditable(false);
    m_saveErrorShown = false;
    m_toolbar.takeFocus();
    refreshStatus();
}

void SessionControl::showSaveFailure(const TextFile::WriteResult& failure)
{
    if (m_saveErrorShown)
        return;
    m_saveErrorShown = true;
    m_messages.show(MessageKind::Error,
                              failure.message
                                  + QStringLiteral("\r\rThe update stays open and nothing was lost. "
                                                   "Free the disk or folder, then release Update again."),
                              kCentralOffset);
    m_saveErrorShown = false;
}

void SessionControl::cancel()
{
    if (!m_messages.askYesNo(QStringLiteral("Do you wish undo this update?"), {0, 30})
        || m_session.state() != UpdateSession::State::Updating)
        return;
    m_view->closeEditor();
    // An unreadable snapshot leaves the grid as sgrid.scd holds it, which is
    // where the session started: the same undo, unsaid.
    (void)m_session.cancel();
    m_interaction.clearGridSelection();
    leaveSessionUi();
    refitColumns();
}

void SessionControl::onPollTick()
{
    // Implicitly shared: what the board showed before a reload, to tell what changed.
    const GridData shown = m_document.data();
    const UpdateSession::PollResult r = m_session.poll();
    if (r.reloaded && r.ok())
        showOthersSave(shown);
    else if (!m_savedNotice.isEmpty() && !m_savedNamed)
        nameSaver();   // its record is written just after the grid
    refreshStatus();
    if (r.freed) {
        m_toolbar.showWaiting(false);
        m_sounds.play(m_folder.gsystem(QStringLiteral("alarm.wav")));
    }
    if (r.reloaded) {
        refitColumns();
        // An incomplete reload is tried again at the next tick; beep once, when it is whole.
        if (m_beep && r.ok())
            m_sounds.play(m_folder.gsystem(QStringLiteral("alarmc.wav")));
    }
}

void SessionControl::showOthersSave(const GridData& before)
{
    const QList<CellChange> changes = GridDiff::changedCells(before, m_document.data());
    QList<QPoint> cells;
    cells.reserve(changes.size());
    for (const CellChange& c : changes)
        cells.append(QPoint(c.col, c.row));
    m_view->tintCells(cells);
    m_savedCells = int(changes.size());
    m_savedRows = GridDiff::rowCount(changes);
    m_savedColorRows = GridDiff::colorRowCount(before, m_document.data());
    m_savedStamp = m_session.lastKnownStamp();
    m_timedOut = false;   // the schedule has moved on since this board's time-out
    nameSaver();
    m_savedNoticeTimer->start(kSavedNoticeMs);
}

void SessionControl::nameSaver()
{
    // Boards that keep no record leave the saver unnamed.
    const FileResult<SaveRecord> newest = SaveHistory::readNewest(m_folder);
    m_savedNamed = newest.ok() && SaveHistory::madeStamp(newest.value, m_savedStamp);
    m_savedNotice = SaveHistory::savedText(m_savedNamed ? &newest.value : nullptr, m_savedStamp.writeTimeNs / 1000000,
                                           m_savedCells, m_savedRows, m_prefs.militaryTime, m_savedColorRows);
}

void SessionControl::onTimeoutTick()
{
    switch (m_session.timeoutTick()) {
    case UpdateSession::TimeoutAction::Stop:
        break;   // the session stopped its timer
    case UpdateSession::TimeoutAction::End:
        closeSessionBoxes();
        m_timedOut = endSession();
        refreshStatus();
        break;
    case UpdateSession::TimeoutAction::Continue:
        break;
    }
}

void SessionControl::onBackupTick()
{
    // The schedule itself is safe; the user learns that its backups are not.
    if (const TextFile::WriteResult w = m_session.hourlyBackup(); !w.ok())
        m_messages.show(MessageKind::Error, w.message, kCentralOffset);
}


void SessionControl::refitColumns()
{
    m_view->fitColumnWidths();
}
