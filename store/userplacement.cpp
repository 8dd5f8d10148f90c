#include "store/userplacement.h"

#include "store/inifile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <limits>

namespace {

// Generous bounds: a position on any desktop, a size of any screen.
constexpr int kMaxCoordinate = 100000;
constexpr int kMaxExtent = 100000;

QString sectionFor(const QString& dataFolder)
{
    // Folder paths hold characters an INI section name cannot (brackets);
    // the section is named by a digest, the path is kept beside it for people.
    QString path = QFileInfo(dataFolder).canonicalFilePath();
    if (path.isEmpty())
        path = QDir::cleanPath(QDir(dataFolder).absolutePath());
    const QByteArray digest = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("Board ") + QString::fromLatin1(digest);
}

QString folderText(const QString& dataFolder)
{
    const QString path = QFileInfo(dataFolder).canonicalFilePath();
    return QDir::toNativeSeparators(path.isEmpty() ? dataFolder : path);
}

} // namespace

namespace UserPlacement {

FileResult<QRect> load(const QString& settingsFile, const QString& dataFolder)
{
    if (settingsFile.isEmpty())
        return FileOutcome::failed(FileStatus::Missing, settingsFile, QStringLiteral("no settings file"));
    const FileResult<IniFile> read = IniFile::read(settingsFile);
    if (!read.ok())
        return FileOutcome(read);
    const IniFile& ini = read.value;
    const QString section = sectionFor(dataFolder);
    const QStringList keys{QStringLiteral("Left"), QStringLiteral("Top"), QStringLiteral("Width"),
                           QStringLiteral("Height")};
    for (const QString& key : keys)
        if (!ini.contains(section, key))
            return FileOutcome::failed(FileStatus::Missing, settingsFile,
                                       QStringLiteral("no place kept for %1").arg(folderText(dataFolder)));
    constexpr int kBad = std::numeric_limits<int>::min();
    const int left = ini.intValue(section, keys[0], kBad);
    const int top = ini.intValue(section, keys[1], kBad);
    const int width = ini.intValue(section, keys[2], kBad);
    const int height = ini.intValue(section, keys[3], kBad);
    const auto coordinate = [](int v) { return v != kBad && v >= -kMaxCoordinate && v <= kMaxCoordinate; };
    const auto extent = [](int v) { return v > 0 && v <= kMaxExtent; };
    if (!coordinate(left) || !coordinate(top) || !extent(width) || !extent(height))
        return FileOutcome::failed(FileStatus::Malformed, settingsFile,
                                   QStringLiteral("the place kept for %1 is not a place").arg(folderText(dataFolder)));
    return {FileOutcome::done(settingsFile), QRect(left, top, width, height)};
}

TextFile::WriteResult save(const QString& settingsFile, const QString& dataFolder, const QRect& place)
{
    if (settingsFile.isEmpty() || !place.isValid())
        return FileOutcome::saveFailed(settingsFile, QStringLiteral("no place to keep"));
    if (!QDir().mkpath(QFileInfo(settingsFile).absolutePath()))
        return FileOutcome::saveFailed(settingsFile, QStringLiteral("its folder cannot be made"));
    IniFile ini = IniFile::read(settingsFile).value;
    const QString section = sectionFor(dataFolder);
    ini.setValue(section, QStringLiteral("Folder"), folderText(dataFolder));
    ini.setInt(section, QStringLiteral("Left"), place.x());
    ini.setInt(section, QStringLiteral("Top"), place.y());
    ini.setInt(section, QStringLiteral("Width"), place.width());
    ini.setInt(section, QStringLiteral("Height"), place.height());
    return ini.write();
}

QString csvFolder(const QString& settingsFile, const QString& dataFolder)
{
    if (settingsFile.isEmpty())
        return {};
    const QString folder = IniFile::read(settingsFile).value.value(sectionFor(dataFolder), QStringLiteral("CsvFolder"));
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

TextFile::WriteResult saveCsvFolder(const QString& settingsFile, const QString& dataFolder, const QString& folder)
{
    if (settingsFile.isEmpty())
        return FileOutcome::saveFailed(settingsFile, QStringLiteral("no settings file"));
    if (!QDir().mkpath(QFileInfo(settingsFile).absolutePath()))
        return FileOutcome::saveFailed(settingsFile, QStringLiteral("its folder cannot be made"));
    IniFile ini = IniFile::read(settingsFile).value;
    const QString section = sectionFor(dataFolder);
    ini.setValue(section, QStringLiteral("Folder"), folderText(dataFolder));
    ini.setValue(section, QStringLiteral("CsvFolder"), folder);
    return ini.write();
}

} // namespace UserPlacement
