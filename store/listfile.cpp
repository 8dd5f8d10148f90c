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

QString ReadResult::message() const
{
    return QStringLiteral("Can't read '%1'.").arg(fileName);
}

ReadResult read(const DataFolder& folder)
{
    const QString file = path(folder);
    const TextFile::ReadResult r = TextFile::read(file, TextFile::kListFileCap);
    ReadResult out;
    out.fileName = QFileInfo(file).fileName();
    out.missing = r.status == TextFile::ReadStatus::Missing;
    out.ok = r.ok || out.missing;
    out.error = r.error;
    if (r.ok) {
        out.records = r.lines;
        sort(out.records);
    }
    return out;
}

TextFile::WriteResult write(const DataFolder& folder, QStringList records)
{
    sort(records);
    const QByteArray bytes = TextFile::joinLines(records);
    if (bytes.size() > TextFile::kListFileCap) {
        TextFile::WriteResult tooLarge;
        tooLarge.ok = false;
        tooLarge.path = path(folder);
        tooLarge.error = QStringLiteral("the list is larger than %1 KB, the most a list file may hold")
                             .arg(TextFile::kListFileCap / 1024);
        return tooLarge;
    }
    return TextFile::writeBytes(path(folder), bytes);
}

} // namespace ListFile
