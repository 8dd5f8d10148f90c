#include "app/desktop/terminationwatcher.h"

// Windows ends the desktop session through WM_QUERYENDSESSION, which Qt
// delivers as the commit-data request; there are no signals to watch.
struct TerminationWatcher::Private {};

TerminationWatcher::TerminationWatcher(QObject* parent) : QObject(parent) {}
TerminationWatcher::~TerminationWatcher() = default;
void TerminationWatcher::onReadable() {}
