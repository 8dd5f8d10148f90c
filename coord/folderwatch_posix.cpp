#include "coord/folderwatch.h"

#include <QFile>
#include <QList>
#include <QSocketNotifier>

#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

// Everything that changes what a folder holds, short of reading it: a read
// by this board's own poll must not wake it again.
constexpr uint32_t kEvents = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM
                             | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// A flood of events is drained in slices, so the event loop keeps turning.
constexpr int kMaxReadsPerWake = 64;

} // namespace

struct FolderWatch::Private
{
    int fd = -1;
    QSocketNotifier* notifier = nullptr;
    QList<int> watches;

    ~Private()
    {
        if (fd >= 0)
            ::close(fd);
    }

    // Reads what the kernel has queued; whether there was anything.
    bool drain()
    {
        alignas(inotify_event) char buf[4096];
        bool any = false;
        for (int i = 0; i < kMaxReadsPerWake; ++i) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) {
                if (n < 0 && errno == EINTR)
                    continue;
                break;
            }
            any = true;
            for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
                // A folder renamed away would be watched where it went.
                if (e->mask & (IN_MOVE_SELF | IN_DELETE_SELF | IN_UNMOUNT))
                    (void)::inotify_rm_watch(fd, e->wd);
                if (e->mask & (IN_IGNORED | IN_MOVE_SELF | IN_DELETE_SELF | IN_UNMOUNT))
                    watches.removeAll(e->wd);
                at += ssize_t(sizeof(inotify_event)) + e->len;
            }
        }
        return any;
    }
};

FolderWatch::FolderWatch(QObject* parent) : QObject(parent), d(std::make_unique<Private>()) {}

FolderWatch::~FolderWatch()
{
    // The notifier goes before the descriptor it listens on.
    delete d->notifier;
}

bool FolderWatch::add(const QString& folder)
{
    if (d->fd < 0) {
        d->fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (d->fd < 0)
            return false;
        d->notifier = new QSocketNotifier(d->fd, QSocketNotifier::Read);
        connect(d->notifier, &QSocketNotifier::activated, this, [this] {
            if (d->drain())
                emit changed();
        });
    }
    const int wd = ::inotify_add_watch(d->fd, QFile::encodeName(folder).constData(), kEvents);
    if (wd < 0)
        return false;
    d->watches.append(wd);
    return true;
}

bool FolderWatch::watching() const
{
    return !d->watches.isEmpty();
}
