#include "store/filestamp.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool readFileStamp(const QString& path, FileStamp& stamp)
{
    stamp = {};
    const QByteArray native = QFile::encodeName(path);
    // Never follows a link, never blocks on a FIFO; the open itself makes a
    // network client revalidate what it cached of the file.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!ok)
        return false;
    stamp.writeTimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.fileId = quint64(st.st_ino) ^ (quint64(st.st_dev) << 40);
    stamp.size = st.st_size;
    return true;
}
