#pragma once

#include "store/fileresult.h"

#include <QString>

// What follows "System busy (update in progress)." where another workstation
// holds the board: who holds it, where the preferences say so.
QString busyDetails(const QString& computer, const QString& user, bool displayUser);
// The lock error box: the file or folder that could not be told and why
// (the lock's outcome), and, where `unopenable`, that nobody here can open
// that lock file, so that it can be found.
QString lockErrorText(const FileOutcome& lock, bool unopenable);
