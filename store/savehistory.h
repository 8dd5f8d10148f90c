#pragma once

#include "grid/griddiff.h"
#include "store/datafolder.h"
#include "store/filestamp.h"
#include "store/textfile.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class GridData;

// One save of the schedule as the saving workstation recorded it: who, when
// (UTC), the grid file's stamp after the save, and the cells it changed.
// `cellCount` counts them all; `cells` keeps the first kMaxCellsPerSave, each
// text cut to kMaxTextChars, so that no save can crowd out the others.
struct SaveRecord
{
    qint64 timeMsUtc = 0;
    FileStamp gridStamp;
    QString user;
    QString computer;
    int cellCount = 0;
    int rowCount = 0;
    QStringList titles;   // the column titles after the save, for the cells kept
    QList<CellChange> cells;
    bool operator==(const SaveRecord&) const = default;
};

// gsystem/history.scd: who changed which cell from what to what, for the
// last kMaxSaves saves, oldest first. Only the workstation holding the
// update lock writes it, after its save of the grid succeeded; boards that
// do not know the file never read it. Every field is escaped, so no cell
// text can make a line of its own; a line that does not parse is skipped.
namespace SaveHistory {

constexpr int kMaxSaves = 200;
constexpr int kMaxCellsPerSave = 60;
constexpr int kMaxTextChars = 100;
// Fits kMaxSaves saves of kMaxCellsPerSave escaped cells; a larger file is
// malformed, and the next save starts it afresh.
constexpr qint64 kMaxFileBytes = 6 * 1024 * 1024;
// Holds the newest save whole, however many cells it kept.
constexpr qint64 kNewestTailBytes = 64 * 1024;

QString fileName();

// The record of a save that turned `before` into `after`, cut to the caps.
SaveRecord record(const GridData& before, const GridData& after, const QString& user, const QString& computer,
                  qint64 timeMsUtc, const FileStamp& gridStamp);

QStringList format(const QList<SaveRecord>& saves);
QList<SaveRecord> parse(const QStringList& lines);

// Every save the file holds, newest first (Missing: none yet).
FileResult<QList<SaveRecord>> read(const DataFolder& folder);
// Only the newest save: reads the file's end, whatever its size.
FileResult<SaveRecord> readNewest(const DataFolder& folder);
// Adds a save, dropping the oldest beyond kMaxSaves or the size cap; an
// unreadable or malformed file is started afresh.
TextFile::WriteResult append(const DataFolder& folder, const SaveRecord& save);

// Whether `save` is the save that left the grid file as `stamp` says. The
// file server's time of the write, read by another platform, may be rounded
// (to 100 ns on Windows, 2 s on FAT), and a file's identity is not the same
// number on every client: the size and the time within a FAT tick decide.
bool madeStamp(const SaveRecord& save, const FileStamp& stamp);

// The status line after a reload of another workstation's save: "Saved by
// <user> on <computer> at <time>: 4 cells in 2 rows". Without a record of the
// save (its board does not write one, or not yet) the names are left out.
// The time is the grid file's, by the file server's clock, where known. A
// save that changed only row colours says so ("color of 1 row").
QString savedText(const SaveRecord* save, qint64 fileTimeMsUtc, int cells, int rows, bool militaryTime,
                  int colorRows = 0);

// One line of the History window: a changed cell, newest save first.
// A save that changed no cell, or more than it kept, has a line with row -1
// that says so in `after`.
struct Entry
{
    const SaveRecord* save = nullptr;
    int row = -1;
    int col = -1;
    QString column;   // the column's title, else its number
    QString before;
    QString after;
};
QList<Entry> entries(const QList<SaveRecord>& newestFirst);
// Whether a line holds `filter` (any case) in its names, column or texts.
bool matches(const Entry& entry, const QString& filter);

} // namespace SaveHistory
