#include "coord/updatelock.h"

#include "store/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace {

const QString kPattern = QStringLiteral("lock*.scd");
const QString kPrefix = QStringLiteral("lock");
const QString kSuffix = QStringLiteral(".scd");

} // namespace

UpdateLock::UpdateLock(const DataFolder& folder) : m_folder(folder) {}

QString UpdateLock::newFileName()
{
    // Lower case only: Windows shares compare names without case, so two
    // tokens differing in case alone would name one file there.
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    constexpr int kAlphabetSize = int(sizeof kAlphabet) - 1;
    QString token;
    token.reserve(kTokenLength);
    QRandomGenerator* rng = QRandomGenerator::system();
    for (int i = 0; i < kTokenLength; ++i)
        token.append(QLatin1Char(kAlphabet[rng->bounded(kAlphabetSize)]));
    return kPrefix + token + kSuffix;
}

bool UpdateLock::ensureOwnFile()
{
    if (!m_name.isEmpty() && QFileInfo(m_folder.inRoot(m_name)).isFile())
        return true;
    // First use, or the file vanished (deleted by hand, or the folder was
    // restored): a fresh name that nobody else uses yet.
    QString name;
    for (int attempt = 0; attempt < 16; ++attempt) {
        name = newFileName();
        if (!QFileInfo::exists(m_folder.inRoot(name)))
            break;
    }
    const TextFile::WriteResult w = TextFile::write(m_folder.inRoot(name), {QStringLiteral("lock")});
    if (!w) {
        m_error = w.message();
        return false;
    }
    m_name = name;
    return true;
}

UpdateLock::Result UpdateLock::AcquireUpdateLock()
{
    if (isHeld())
        return Result::Acquired;
    m_error.clear();
    if (!ensureOwnFile())
        return Result::LockError;
    // The own file is locked before the others are looked at: of two
    // workstations pressing at once, the later scan sees the earlier lock, so
    // both may back off but never both proceed.
    QString error;
    if (!m_file.open(m_folder.inRoot(m_name), &error)) {
        m_error = error;
        return Result::LockError;
    }
    if (OtherLockHeld()) {
        ReleaseUpdateLock();
        return Result::Busy;
    }
    return Result::Acquired;
}

void UpdateLock::ReleaseUpdateLock()
{
    m_file.close();
}

bool UpdateLock::OtherLockHeld() const
{
    const QDir root(m_folder.root());
    for (int pass = 0; pass < kScanPasses; ++pass) {
        // Regular files only: a folder that happens to match the pattern is
        // nobody's lock.
        const QStringList names = root.entryList({kPattern}, QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& name : names) {
            // The own file is skipped only while we hold it: held by somebody
            // else (a workstation that drew the same name) it blocks us too.
            if (name == m_name && isHeld())
                continue;
            if (LockFile::isHeldElsewhere(root.filePath(name)))
                return true;
        }
    }
    return false;
}

void UpdateLock::deleteOwnFile()
{
    if (isHeld() || m_name.isEmpty())
        return;
    QFile::remove(m_folder.inRoot(m_name));
}
