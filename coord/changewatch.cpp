#include "coord/changewatch.h"

#include "coord/updatesession.h"

ChangeWatch::ChangeWatch(const DataFolder& folder, const UpdateSession& session, QObject* parent)
    : QObject(parent), m_session(session)
{
    setObjectName(QStringLiteral("changeWatch"));
    m_settle.setObjectName(QStringLiteral("changeSettle"));
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &ChangeWatch::onSettled);
    connect(&m_watch, &FolderWatch::changed, this, &ChangeWatch::onChange);
    // gsystem holds the grid and its colours; users holds curuser.scd, which
    // names who took the board. A folder that cannot be watched (it vanished,
    // or the platform refuses) leaves the board to its poll timer.
    for (const QString& dir : {folder.gsystemDir(), folder.usersDir()})
        (void)m_watch.add(dir);
}

bool ChangeWatch::watching() const
{
    return m_watch.watching();
}

void ChangeWatch::onChange()
{
    // Not restarted by later events: a steady stream of changes still polls
    // kSettleMs after its first one, and no more often than that.
    if (!m_settle.isActive())
        m_settle.start();
}

void ChangeWatch::onSettled()
{
    // The lock holder is the only writer of the grid: nothing to reload. A
    // board that stopped polling (not used in network) stays stopped.
    if (m_session.state() == UpdateSession::State::Updating || m_session.pollInterval() <= 0)
        return;
    emit pollDue();
}
