#include "store/columnmenufile.h"

#include "store/textfile.h"

FileResult<QList<ColumnMenuItem>> loadColumnMenu(const DataFolder& folder, const QString& title)
{
    const QString path = folder.columnMenuFile(title);
    // A title that can name no file has no menu file, as if it were missing.
    TextFile::ReadResult file = FileOutcome::failed(FileStatus::Missing, path, {});
    if (!path.isEmpty())
        file = TextFile::read(path, TextFile::kListFileCap);
    QList<ColumnMenuItem> items = buildColumnMenu(title, file.ok(), file.value);
    if (!file.ok())
        if (const FileResult<> usable = TextFile::checkFolder(folder.colfilesDir()); !usable.ok())
            return {usable, std::move(items)};
    return {FileOutcome::done(path), std::move(items)};
}
