#include "tests/support/testfolder.h"

#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
bool setImmutable(const QString& folder, bool on)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}
} // namespace

ReadOnlyGuard::ReadOnlyGuard(const QString& folder) : m_folder(folder)
{
    if (::geteuid() == 0) {
        m_immutable = m_active = setImmutable(folder, true);
    } else {
        m_active = QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
}

ReadOnlyGuard::~ReadOnlyGuard()
{
    release();
}

void ReadOnlyGuard::release()
{
    if (!m_active)
        return;
    if (m_immutable)
        setImmutable(m_folder, false);
    else
        QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    m_active = false;
}
