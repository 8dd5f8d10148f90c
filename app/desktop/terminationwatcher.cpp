#include "app/desktop/terminationwatcher.h"

#include <cstdlib>
#include <utility>

namespace {
// exit() calls plain functions only; the watcher that set it clears it.
std::function<void()>& saveAtForcedExit()
{
    static std::function<void()> save;
    return save;
}
} // namespace

void TerminationWatcher::setSaveAtForcedExit(std::function<void()> save)
{
    // The holder first: what is made before an exit handler is registered
    // is destroyed after that handler ran.
    saveAtForcedExit() = std::move(save);
    static const bool registered = std::atexit(&TerminationWatcher::runSaveAtForcedExit) == 0;
    (void)registered;
    connect(this, &QObject::destroyed, [] { saveAtForcedExit() = nullptr; });
}

void TerminationWatcher::runSaveAtForcedExit()
{
    if (const std::function<void()> save = std::exchange(saveAtForcedExit(), nullptr))
        save();
}
