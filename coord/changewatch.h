#pragma once

#include "coord/folderwatch.h"
#include "store/datafolder.h"

#include <QObject>
#include <QTimer>

class UpdateSession;

// Wakes a viewing board as soon as the data folder reports a change, so a
// save by another workstation shows within a second instead of up to a poll
// later. The poll timer keeps its pace: a share whose server reports nothing
// is still read at every tick. A burst of changes (a save writes temporaries
// and renames three files) asks for one poll: pollDue comes at most once per
// kSettleMs, and never while this workstation holds the lock or has stopped
// polling.
class ChangeWatch : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSettleMs = 200;

    ChangeWatch(const DataFolder& folder, const UpdateSession& session, QObject* parent = nullptr);

    // Whether the folder reports changes at all (a watch could be set).
    bool watching() const;

signals:
    // Run the poll now, as the poll timer would.
    void pollDue();

private:
    void onChange();
    void onSettled();

    const UpdateSession& m_session;
    FolderWatch m_watch;
    QTimer m_settle;
};
