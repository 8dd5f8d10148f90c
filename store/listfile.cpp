#include "store/listfile.h"

#include <QFileInfo>

#include <algorithm>

namespace ListFile {

QString path(const DataFolder& folder)
{
    return folder.gsystem(QStringLiteral("lists.scd"));
}

void sort(QStringList& records)
{
    std::sort(records.begin(), records.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
}

ReadResult read(const DataFolder& folder)
{
    ReadResult r = TextFile::read(path(folder), TextFile::kListFileCap);
    if (r.ok())
        sort(r.value);
    else
        r.message = QStringLiteral("Can't read '%1'.").arg(r.fileName());
    return r;
}

TextFile::WriteResult write(const DataFolder& folder, QStringList records)
{
    sort(records);
    const QByteArray bytes = TextFile::joinLines(records);
    if (bytes.size() > TextFile::kListFileCap)
        return FileOutcome::saveFailed(path(folder),
                                       QStringLiteral("the list is larger than %1 KB, the most a list file may hold")
                                           .arg(TextFile::kListFileCap / 1024),
                                       FileStatus::TooLarge);
    return TextFile::writeBytes(path(folder), bytes);
}

} // namespace ListFile
