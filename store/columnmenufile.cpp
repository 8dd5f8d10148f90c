#include "store/columnmenufile.h"

#include "store/textfile.h"

ColumnMenuLoad loadColumnMenu(const DataFolder& folder, const QString& title)
{
    const QString path = folder.columnMenuFile(title);
    // A title that can name no file has no menu file, as if it were missing.
    TextFile::ReadResult file = FileOutcome::failed(FileStatus::Missing, path, {});
    if (!path.isEmpty())
        file = TextFile::read(path, TextFile::kListFileCap);
    ColumnMenuLoad load;
    load.items = buildColumnMenu(title, file.ok(), file.value);
    if (!file.ok())
        load.folderProblem = TextFile::checkFolder(folder.colfilesDir()).reason;
    return load;
}
