#include "app/desktop/terminationwatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_writeFd = -1;

void onSignal(int)
{
    // Only async-signal-safe work here: wake the event loop.
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(g_writeFd, &byte, 1);
}
} // namespace

struct TerminationWatcher::Private
{
    int fds[2] = {-1, -1};
    QSocketNotifier* notifier = nullptr;
};

TerminationWatcher::TerminationWatcher(QObject* parent)
    : QObject(parent), d(new Private)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, d->fds) != 0)
        return;
    g_writeFd = d->fds[0];
    d->notifier = new QSocketNotifier(d->fds[1], QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, &TerminationWatcher::onReadable);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
}

TerminationWatcher::~TerminationWatcher()
{
    if (d->fds[0] >= 0) {
        ::signal(SIGTERM, SIG_DFL);
        ::signal(SIGHUP, SIG_DFL);
        g_writeFd = -1;
        ::close(d->fds[0]);
        ::close(d->fds[1]);
    }
    delete d;
}

void TerminationWatcher::onReadable()
{
    char buf[16];
    [[maybe_unused]] const auto n = ::read(d->fds[1], buf, sizeof buf);
    emit terminationRequested();
}
