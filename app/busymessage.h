#pragma once

#include <QString>

// What follows "System busy (update in progress)." where another workstation
// holds the board: who holds it, where the preferences say so.
QString busyDetails(const QString& computer, const QString& user, bool displayUser);
// The lock error box: the file or folder that could not be told and why, and
// a lock file that nobody here can open, so that it can be found.
QString lockErrorText(const QString& lockError, const QString& unopenableLock);
