#include "app/desktop/modulefile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Far above any module of the board, even with its debugging symbols.
constexpr qint64 kMaxModuleBytes = 64 * 1024 * 1024;

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

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// The whole file, up to one byte past the cap; false on a read error.
bool readAll(int fd, QByteArray& bytes)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.append(buffer, got);
        if (bytes.size() > kMaxModuleBytes)
            return true;
    }
}

bool writeAll(int fd, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t put = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += put;
    }
    return true;
}

// Whether every part the loader maps lies inside the bytes. The loader
// trusts the file's headers: a module cut short (a copy still going on)
// would be mapped past its end, and the board would die of a bus error
// when it reached there.
bool segmentsInside(const QByteArray& bytes)
{
    Elf64_Ehdr header;
    if (bytes.size() < qsizetype(sizeof header) || std::memcmp(bytes.constData(), ELFMAG, SELFMAG) != 0)
        return false;
    std::memcpy(&header, bytes.constData(), sizeof header);
    if (header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_phentsize != sizeof(Elf64_Phdr))
        return false;
    const quint64 size = quint64(bytes.size());
    if (header.e_phoff > size || quint64(header.e_phnum) * sizeof(Elf64_Phdr) > size - header.e_phoff)
        return false;
    for (int i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment;
        std::memcpy(&segment, bytes.constData() + header.e_phoff + i * sizeof segment, sizeof segment);
        if (segment.p_type == PT_LOAD && (segment.p_offset > size || segment.p_filesz > size - segment.p_offset))
            return false;
    }
    return true;
}

void* openModule(const QByteArray& path, QString& error, const QString& shown)
{
    void* handle = ::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        error = QStringLiteral("%1: %2").arg(shown, why ? QString::fromLocal8Bit(why) : QStringLiteral("not loaded"));
    }
    return handle;
}

} // namespace

bool ModuleFile::load(QString& error)
{
    if (m_handle)
        return true;
    const QString shown = QDir::toNativeSeparators(m_file);
    const QByteArray path = QFile::encodeName(m_file);
    // Non-blocking, so that a FIFO under the name is seen, not waited on.
    const Fd in{::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (in.fd < 0) {
        error = QStringLiteral("%1: %2").arg(shown, errnoText(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = QStringLiteral("%1 is not a module.").arg(shown);
        return false;
    }
    QByteArray bytes;
    const int flags = ::fcntl(in.fd, F_GETFL);
    if (flags < 0 || ::fcntl(in.fd, F_SETFL, flags & ~O_NONBLOCK) != 0 || !readAll(in.fd, bytes)) {
        error = QStringLiteral("%1: %2").arg(shown, errnoText(errno));
        return false;
    }
    if (bytes.size() > kMaxModuleBytes) {
        error = QStringLiteral("%1 is larger than any module of the board.").arg(shown);
        return false;
    }
    if (!segmentsInside(bytes)) {
        error = QStringLiteral("%1 is cut short or is no module of this system.").arg(shown);
        return false;
    }
    Fd copy{::memfd_create("schedboard-module", MFD_CLOEXEC)};
    const QByteArray copyPath = QByteArrayLiteral("/proc/self/fd/") + QByteArray::number(copy.fd);
    if (copy.fd < 0 || ::access(copyPath.constData(), R_OK) != 0) {
        // No private copy here (no memfd, or no /proc): the file itself, as
        // it was just checked.
        m_handle = openModule(path, error, shown);
        return m_handle != nullptr;
    }
    if (!writeAll(copy.fd, bytes)) {
        error = QStringLiteral("%1 could not be copied: %2").arg(shown, errnoText(errno));
        return false;
    }
    m_handle = openModule(copyPath, error, shown);
    if (!m_handle)
        return false;
    // The copy's descriptor stays open for the run: the loader knows a
    // module by its path, and another copy under a reused number would be
    // taken for this one.
    copy.fd = -1;
    return true;
}

void ModuleFile::forget() { m_handle = nullptr; }

void* ModuleFile::resolve(const char* symbol) const { return m_handle ? ::dlsym(m_handle, symbol) : nullptr; }
