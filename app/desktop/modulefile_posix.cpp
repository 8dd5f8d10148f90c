#include "app/desktop/modulefile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Far above any module of the board, with its debugging symbols.
constexpr off_t kMaxModuleBytes = 256 * 1024 * 1024;

// Closes a descriptor when it goes.
struct Fd
{
    int fd;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool copyAll(int from, int to)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer + done, size_t(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            done += put;
        }
    }
}

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

} // namespace

bool ModuleFile::load(QString& error)
{
    if (m_handle)
        return true;
    const QString shown = QDir::toNativeSeparators(m_file);
    // Non-blocking, so that a FIFO under the name is seen, not waited on.
    const Fd in{::open(QFile::encodeName(m_file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (in.fd < 0) {
        error = QStringLiteral("%1: %2").arg(shown, errnoText(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxModuleBytes) {
        error = QStringLiteral("%1 is not a module.").arg(shown);
        return false;
    }
    const int flags = ::fcntl(in.fd, F_GETFL);
    if (flags < 0 || ::fcntl(in.fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        error = QStringLiteral("%1: %2").arg(shown, errnoText(errno));
        return false;
    }
    Fd copy{::memfd_create("schedboard-module", MFD_CLOEXEC)};
    if (copy.fd < 0 || !copyAll(in.fd, copy.fd)) {
        error = QStringLiteral("%1 could not be copied: %2").arg(shown, errnoText(errno));
        return false;
    }
    const QByteArray copyPath = QByteArrayLiteral("/proc/self/fd/") + QByteArray::number(copy.fd);
    m_handle = ::dlopen(copyPath.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char* why = ::dlerror();
        error = QStringLiteral("%1: %2").arg(shown, why ? QString::fromLocal8Bit(why) : QStringLiteral("not loaded"));
        return false;
    }
    // The copy's descriptor stays open for the run: the loader knows a
    // module by its path, and another copy under a reused number would be
    // taken for this one.
    copy.fd = -1;
    return true;
}

void* ModuleFile::resolve(const char* symbol) const { return m_handle ? ::dlsym(m_handle, symbol) : nullptr; }
