#include "store/columndata.h"

#include "grid/textorder.h"
#include "store/gridstore.h"
#include "store/textfile.h"

#include <QFileInfo>

#include <algorithm>

namespace ColumnData {

namespace {

const QString kFixedColumnFile = QStringLiteral("FixedColumn.scd");

// The temporary a write makes beside the file: "<title>.scd.sbtmpXXXXXX".
// Its name must fit in a file name of 255 bytes (UTF-8 on Linux) or
// characters (Windows).
constexpr int kMaxHeaderBytes = 255 - 4 - 12;

bool fitsInGridFile(const QString& text)
{
    // The grid file is Windows-1252: a title it cannot hold would come back
    // from the next load with "?" in it, and no longer name its menu file.
    return TextFile::decode(TextFile::encode(text)) == text;
}

SaveResult notice(const QString& text)
{
    SaveEffect e;
    e.notice = text;
    return {FileOutcome::done(), e};
}

} // namespace

HeaderProblem checkHeader(const QString& header)
{
    if (header.isEmpty())
        return HeaderProblem::Empty;
    if (header == u"Aux" || header == u"aux")
        return HeaderProblem::Aux;
    // A Windows share drops a trailing dot or blank of a name, so the file
    // would not be the one the title names on every workstation.
    if (!DataFolder::isSafeFileTitle(header) || header.endsWith(u'.') || header.endsWith(u' ')
        || !fitsInGridFile(header) || header.toUtf8().size() > kMaxHeaderBytes)
        return HeaderProblem::NotAFileName;
    return HeaderProblem::None;
}

QString headerMessage(HeaderProblem problem, const QString& header)
{
    switch (problem) {
    case HeaderProblem::None:
        return {};
    case HeaderProblem::Empty:
        return QStringLiteral("Must enter a 'Column header name'.");
    case HeaderProblem::Aux:
        return QStringLiteral("Can't name the file 'aux'.");
    case HeaderProblem::NotAFileName:
        return QStringLiteral("Can't name the file '%1'.").arg(header);
    }
    return {};
}

QStringList linesOfText(const QString& text)
{
    return TextFile::splitLines(text);
}

QString textOfLines(const QStringList& lines)
{
    QString text = lines.join(u'\n');
    // An empty last line needs a break of its own, or it would read as none.
    if (!lines.isEmpty() && lines.last().isEmpty())
        text.append(u'\n');
    return text;
}

QStringList sortedLines(QStringList lines)
{
    TextOrder::sort(lines);
    return lines;
}

TextFile::ReadResult readMenuLines(const DataFolder& folder, const QString& title)
{
    const QString path = folder.columnMenuFile(title);
    if (path.isEmpty())
        return FileOutcome::failed(FileStatus::Missing, title, QStringLiteral("no file can have this name"));
    TextFile::ReadResult file = TextFile::read(path, TextFile::kListFileCap);
    if (file.okOrMissing())
        return file;
    // Shown empty, a save would replace values the user never saw.
    QString message = QStringLiteral("Can't read '%1'.").arg(file.fileName());
    if (!file.reason.isEmpty())
        message += u'\r' + file.reason;
    return FileOutcome{file.status, file.path, file.reason, message};
}

SaveResult saveColumnData(const DataFolder& folder, GridData& grid, int column, const QString& header,
                          const QStringList& lines)
{
    if (header.isEmpty() && lines.isEmpty()) {
        SaveEffect e;
        e.close = true;
        return {FileOutcome::done(), e};
    }
    const HeaderProblem problem = checkHeader(header);
    if (problem != HeaderProblem::None)
        return notice(headerMessage(problem, header));
    // The column went away while the editor was open (a grid reload).
    if (column < 0 || column >= grid.colCount())
        return notice(QStringLiteral("Click on a column first."));

    // A menu larger than a read takes could be saved but never offered again.
    qsizetype bytes = 0;
    for (const QString& line : lines)
        bytes += line.size() + 2;
    if (bytes > TextFile::kListFileCap)
        return notice(QStringLiteral("The column menu data is too large: at most %1 bytes can be saved.")
                          .arg(TextFile::kListFileCap));

    const TextFile::WriteResult written = TextFile::write(folder.columnMenuFile(header), lines);
    if (!written.ok())
        return FileOutcome(written);
    SaveEffect e;
    e.close = true;
    if (grid.cell(column, 0) != header) {
        grid.setCell(column, 0, header);
        e.gridChanged = true;
    }
    e.recomputeWidths = true;
    return {written, e};
}

bool replacesAnotherMenu(const DataFolder& folder, const GridData& grid, int column, const QString& header)
{
    if (column < 0 || column >= grid.colCount() || grid.cell(column, 0) == header)
        return false;
    const QString path = folder.columnMenuFile(header);
    return !path.isEmpty() && TextFile::isRegularFile(path);
}

QStringList fixedColumnLines(const GridData& grid)
{
    QStringList lines;
    if (grid.colCount() < 1)
        return lines;
    const CellColumn& column = grid.column(0);
    for (int row = 1; row < grid.rowCount(); ++row)
        lines.append(column[row].toString());
    return lines;
}

int maxGridRows(int cols)
{
    if (cols < 1)
        return GridStore::kMaxFileRows;
    return int(std::min<qint64>(GridStore::kMaxFileRows, GridStore::kMaxFileCells / cols));
}

SaveResult saveFixedColumn(const DataFolder& folder, GridData& grid, const QStringList& lines)
{
    if (grid.colCount() < 1)
        return notice(QStringLiteral("The grid has no columns."));
    const qsizetype rowsNeeded = lines.size() + 1;
    const int maxRows = maxGridRows(grid.colCount());
    // More rows than the grid file can hold would make a grid that no
    // workstation can load again.
    if (rowsNeeded > grid.rowCount() && rowsNeeded > maxRows)
        return notice(QStringLiteral("Too many lines: the grid can hold %1 rows, and the list has %2 lines.")
                          .arg(maxRows - 1)
                          .arg(lines.size()));

    SaveEffect e;
    e.gridChanged = true;
    e.recomputeWidths = true;
    while (grid.rowCount() < rowsNeeded) {
        grid.insertRow(grid.rowCount() + 1);
        // A new row starts without colour, whatever a larger grid left at
        // that index.
        grid.setRowColor(grid.rowCount() - 1, 0);
    }
    QStringList column = lines;
    column.prepend(QString());   // the title cell of the fixed column is emptied too
    grid.setColumn(0, column);

    e.close = true;
    SaveResult r{TextFile::write(folder.gsystem(kFixedColumnFile), lines), e};
    if (!r.ok())
        r.message += QStringLiteral("\rThe grid keeps the new texts; they are saved with the grid when the update ends.");
    return r;
}

} // namespace ColumnData
