#include "store/installation.h"

#include "store/textfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <utility>

namespace Installation {

namespace {

// The sample holds small text files, two sounds, an icon and the help file.
constexpr qint64 kSampleFileCap = 64 * 1024 * 1024;

bool isDataFolder(const QString& dir)
{
    return QFileInfo(dir + QStringLiteral("/gsystem")).isDir();
}

// Removes what is at `path` without following a link: a link or a file
// planted there goes, never the folder it points to.
void removeEntry(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isDir())
        QFile::remove(path);
    else
        QDir(path).removeRecursively();
}

// A folder removed again unless kept.
class Staging
{
public:
    explicit Staging(QString path) : m_path(std::move(path)) {}
    ~Staging()
    {
        if (!m_kept)
            removeEntry(m_path);
    }
    bool create()
    {
        removeEntry(m_path);
        return QDir().mkdir(m_path);
    }
    QString path() const { return m_path; }
    void keep() { m_kept = true; }

private:
    QString m_path;
    bool m_kept = false;
};

// Staging folders of first starts that were killed while copying.
void removeStaleStaging(const QString& target)
{
    const QFileInfo t(target);
    const QDir parent = t.dir();
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-60);
    const QFileInfoList stale = parent.entryInfoList({t.fileName() + QStringLiteral(".sbtmp*")},
                                                     QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo& entry : stale) {
        // A link is never one of ours: removed, never followed.
        if (entry.isSymLink())
            QFile::remove(entry.filePath());
        else if (entry.lastModified().toUTC() < before)
            QDir(entry.filePath()).removeRecursively();
    }
}

QString notDataFolder(const QString& folder)
{
    return QStringLiteral("'%1' is not a SchedBoard data folder: it has no gsystem folder.")
        .arg(QDir::toNativeSeparators(folder));
}

SeedResult failure(const QString& target, const QString& reason, FileStatus status = FileStatus::Failed)
{
    return FileOutcome{status, target, reason,
                       QStringLiteral("Could not prepare the data folder '%1': %2")
                           .arg(QDir::toNativeSeparators(target), reason)};
}

} // namespace

QString sampleFolder(const QString& executableDir)
{
    return QDir::cleanPath(executableDir + QStringLiteral("/../../share/schedboard/data"));
}

QString homeFolder(const QString& homeDir)
{
    return QDir::cleanPath(homeDir + QStringLiteral("/SchedBoard"));
}

FileResult<Choice> chooseDataFolder(const QStringList& folders, const QString& executableDir, const QString& homeDir)
{
    if (folders.size() > 1)
        return FileOutcome::told(FileStatus::Malformed, {},
                                 QStringLiteral("Start the board with one data folder, not %1.").arg(folders.size()));
    if (folders.size() == 1) {
        // A named folder is used as it is, never filled from the sample: a
        // share that is not mounted must not quietly become a local schedule.
        const QString& named = folders.first();
        if (named.isEmpty())
            return FileOutcome::told(FileStatus::Missing, named,
                                     QStringLiteral("The data folder given to the board is empty."));
        const QFileInfo info(named);
        const QString shown = QDir::toNativeSeparators(named);
        if (!info.exists())
            return FileOutcome::told(FileStatus::Missing, named,
                                     QStringLiteral("The data folder '%1' does not exist.").arg(shown));
        if (!info.isDir())
            return FileOutcome::told(FileStatus::Missing, named,
                                     QStringLiteral("'%1' is a file, not a data folder.").arg(shown));
        if (!isDataFolder(named))
            return FileOutcome::told(FileStatus::Malformed, named,
                                     notDataFolder(named) + QStringLiteral(" Is the shared folder mounted?"));
        return {FileOutcome::done(named), Choice{info.absoluteFilePath(), {}}};
    }
    const QString sample = sampleFolder(executableDir);
    if (isDataFolder(executableDir) || !isDataFolder(sample))
        return {FileOutcome::done(executableDir), Choice{executableDir, {}}};
    if (homeDir.isEmpty() || QDir(homeDir).isRoot() || QDir::isRelativePath(homeDir))
        return FileOutcome::told(FileStatus::Missing, homeDir,
                                 QStringLiteral("There is no home folder to copy the sample data folder to. "
                                                "Start the board with a data folder: schedboard <folder>"));
    const QString home = homeFolder(homeDir);
    return {FileOutcome::done(home), Choice{home, sample}};
}

SeedResult seedFolder(const QString& sample, const QString& target)
{
    removeStaleStaging(target);
    const auto existing = [&target]() -> SeedResult {
        // The user's own folder, never replaced; but one without the shared
        // files would only meet "file missing" boxes that reinstalling cannot mend.
        if (!isDataFolder(target)) {
            const QString reason = notDataFolder(target);
            return FileOutcome{
                FileStatus::Malformed, target, reason,
                reason + QStringLiteral(" Rename or delete it, and the next start copies the sample again.")};
        }
        return {FileOutcome::done(target), false};
    };
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
        return existing();
    if (!isDataFolder(sample)) {
        return failure(target, QStringLiteral("the sample '%1' is missing.").arg(QDir::toNativeSeparators(sample)),
                       FileStatus::Missing);
    }

    // Made by mkdir, not QTemporaryDir, so that the folder gets the user's
    // usual permissions rather than owner-only ones. One left by a start that
    // died while copying has the same name only if it had the same process id.
    Staging staging(target + QStringLiteral(".sbtmp") + QString::number(QCoreApplication::applicationPid()));
    if (!staging.create()) {
        return failure(target, QStringLiteral("cannot create a folder in '%1' (%2).")
                                           .arg(QDir::toNativeSeparators(QFileInfo(target).path()), qt_error_string()));
    }

    const QDir from(sample);
    QDirIterator it(sample, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        const QString to = staging.path() + u'/' + from.relativeFilePath(entry.filePath());
        if (entry.isDir() && !entry.isSymLink()) {
            if (!QDir().mkpath(to)) {
                return failure(target, QStringLiteral("cannot create '%1'.").arg(QDir::toNativeSeparators(to)));
            }
            continue;
        }
        const TextFile::BytesResult read = TextFile::readBytes(entry.filePath(), kSampleFileCap);
        if (!read.ok()) {
            return failure(target, QStringLiteral("cannot read '%1'%2.")
                                               .arg(QDir::toNativeSeparators(entry.filePath()),
                                                    read.reason.isEmpty() ? QString() : QStringLiteral(": ") + read.reason));
        }
        // Sub-folders come before their files in the walk, but not always
        // (a folder's files may be listed before a sibling folder's).
        QDir().mkpath(QFileInfo(to).path());
        const TextFile::WriteResult written = TextFile::writeBytes(to, read.value);
        if (!written.ok()) {
            return failure(target, written.reason);
        }
    }

    if (!QDir().rename(staging.path(), target)) {
        // Another start of the board made it meanwhile.
        if (QFileInfo(target).isDir())
            return existing();
        return failure(target, QStringLiteral("cannot rename '%1' to it.").arg(QDir::toNativeSeparators(staging.path())));
    }
    staging.keep();
    return {FileOutcome::done(target), true};
}

} // namespace Installation
