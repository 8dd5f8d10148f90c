#include "tests/support/testplatform.h"

#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TestPlatform {

QString whyNoFifos()
{
    return {};
}

bool makeFifo(const QString& path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0666) == 0;
}

QString whyNoRemovingWatchedFolders()
{
    return {};
}

QString whyNoLinks()
{
    return {};
}

bool makeLink(const QString& target, const QString& link)
{
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) == 0;
}

SmallVolume::SmallVolume(int kilobytes)
{
    if (!m_dir.isValid())
        m_whyNot = QStringLiteral("no temporary folder to mount on");
    else if (QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", QStringLiteral("size=%1k").arg(kilobytes),
                                                        "tmpfs", m_dir.path()}) != 0)
        m_whyNot = QStringLiteral("mounting a small tmpfs needs root");
    else
        m_mounted = true;
}

SmallVolume::~SmallVolume()
{
    if (m_mounted)
        QProcess::execute(QStringLiteral("umount"), {m_dir.path()});
}

bool setModifiedTime(const QString& path, qint64 seconds)
{
    const timespec when{time_t(seconds), 0};
    const timespec both[2] = {when, when};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), both, AT_SYMLINK_NOFOLLOW) == 0;
}

QString whyNoModeBits()
{
    return {};
}

int modeBits(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

int setUmask(int mask)
{
    return int(::umask(mode_t(mask)));
}

QString whyOwnerReadsAnyway()
{
    return ::geteuid() == 0 ? QStringLiteral("permission bits do not stop root") : QString();
}

bool openFilesCanBeDeleted()
{
    return true;
}

bool locksStopReaders()
{
    return false;
}

QString whyNoReferenceCollator()
{
    return {};
}

} // namespace TestPlatform
