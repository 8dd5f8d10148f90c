#include "store/columnmenufile.h"

#include "store/textfile.h"

ColumnMenuLoad loadColumnMenu(const DataFolder& folder, const QString& title)
{
    const QString path = folder.columnMenuFile(title);
    const TextFile::ReadResult file = path.isEmpty() ? TextFile::ReadResult{} : TextFile::read(path, TextFile::kListFileCap);
    ColumnMenuLoad load;
    load.items = buildColumnMenu(title, file.ok, file.lines);
    if (!file.ok)
        load.folderProblem = TextFile::folderProblem(folder.colfilesDir());
    return load;
}
