#include "store/columnmenufile.h"

#include "store/textfile.h"

QList<ColumnMenuItem> loadColumnMenu(const DataFolder& folder, const QString& title)
{
    const QString path = folder.columnMenuFile(title);
    const TextFile::ReadResult file = path.isEmpty() ? TextFile::ReadResult{} : TextFile::read(path, TextFile::kListFileCap);
    return buildColumnMenu(title, file.ok, file.lines);
}
