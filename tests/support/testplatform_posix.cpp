#include "tests/support/testplatform.h"

#include <QFile>

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

QString whyNoLinks()
{
    return {};
}

bool makeLink(const QString& target, const QString& link)
{
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) == 0;
}

QString whyNoSmallVolumes()
{
    return {};
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
