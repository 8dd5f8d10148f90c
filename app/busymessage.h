#pragma once

#include <QString>

// What follows "System busy (update in progress)." or a lock error wherever
// the update lock was refused: who holds the board (where the preferences
// say so), and a lock file that nobody here can open, so that it can be found.
QString busyDetails(const QString& computer, const QString& user, const QString& unopenableLock, bool displayUser);
