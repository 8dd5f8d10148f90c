#pragma once

#include "grid/griddata.h"
#include "store/datafolder.h"
#include "store/filestamp.h"
#include "store/textfile.h"

#include <QDateTime>

// The grid file, its colour file and the fixed column file in gsystem, and
// the time-stamped backups in databkup.
//
// Grid file: ColCount, RowCount, then every cell column-major, one a line.
// Colour file ("gclr" + grid file name): one code per data row.
// FixedColumn.scd: the fixed left column's text of each data row.
// Backup: a grid file followed by a trailer, "[backup] <kind>" and a line of
// the data rows' colour codes. Readers of grid files stop after the cells, so
// a backup copied over sgrid.scd by hand still loads; backups written before
// the trailer existed have neither kind nor colours.
enum class BackupKind { Unknown, Update, Hourly, Close, Manual, Restore, Rescue };

class GridStore
{
public:
    static constexpr int kMaxFileCols = 1024;
    static constexpr int kMaxFileRows = 32767;
    // A few bytes may announce both maxima at once; that many empty cells
    // would take gigabytes and freeze every poll, so the product is bounded too.
    static constexpr qint64 kMaxFileCells = qint64(1) << 20;
    // 254 rows of 1024 columns of long cells stay far below this.
    static constexpr qint64 kMaxGridFileBytes = 64 * 1024 * 1024;
    static constexpr int kKeptBackups = 100;
    // How many seconds on a backup may look for a free name: an hour of
    // names taken means something other than backups fills the folder.
    static constexpr int kBackupNames = 3600;

    // ok(): the grid and its colours loaded; Missing: there is no grid file
    // (or no regular one). The value: the counts and cells replaced the grid,
    // which they also do when only the colour file fails. The message is
    // "<file>: <reason>".
    using LoadResult = FileResult<bool>;
    // The files are malformed (absurd counts, over the size cap, a colour
    // file that cannot be read or holds no number): reading them again
    // before they change is no use.
    static bool isRefused(const LoadResult& r);

    explicit GridStore(const DataFolder& folder) : m_folder(folder) {}

    static QString colorFileName(const QString& gridName) { return QStringLiteral("gclr") + gridName; }
    static QString backupFileName(const QDateTime& localTime);

    // A file whose counts are not whole numbers in range leaves the grid
    // exactly as it was; missing cell lines read as empty cells.
    LoadResult loadGrid(const QString& name, GridData& grid) const;
    // The grid, its colours and the fixed column as one unit (see the .cpp).
    TextFile::WriteResult saveGrid(const QString& name, const GridData& grid) const;
    // A backup never replaces another: when the name of `localNow` is taken
    // (a backup in the same second, here or on another workstation), it
    // takes the next free second's. The path is the backup written.
    TextFile::WriteResult backupGrid(const GridData& grid, const QDateTime& localNow,
                                     BackupKind kind = BackupKind::Unknown) const;
    // A backup of a grid file's bytes as they are (one that does not read
    // as a grid), named as every backup.
    TextFile::WriteResult backupBytes(const QByteArray& bytes, const QDateTime& localNow) const;

    struct BackupEntry
    {
        QString fileName;
        QDateTime time;   // as its name carries it
        BackupKind kind = BackupKind::Unknown;
        bool readable = false;
        QString error;    // why it cannot be read
    };
    // The backups in databkup, newest first. Of each only the ends are
    // read: its counts at the head and its trailer at the tail.
    FileResult<QList<BackupEntry>> listBackups() const;
    // A backup's grid with its colours; a backup without colours has none.
    LoadResult loadBackup(const QString& fileName, GridData& grid, BackupKind* kind = nullptr) const;
    // The words the backups window shows for a kind.
    static QString backupKindText(BackupKind kind);
    // Deletes the oldest backups, by the time their names carry, until 100
    // remain. The value: how many were deleted; a failed listing, or the
    // first backup that could not be deleted, is the failure.
    FileResult<int> pruneGridBackups() const;
    FileResult<FileStamp> gridFileStamp(const QString& name) const;
    // Temporary files that crashed writes left in the data folder's folders:
    // those stamped before `beforeNs`, a time of the file server's. The
    // value: how many went; the first folder or file that failed is the failure.
    FileResult<int> removeLeftoverTemporaries(qint64 beforeNs) const;
    // Finishes a saveGrid of `name` that a crash cut short between its
    // renames, so grid, colours and fixed column belong together again.
    // Only for the holder of the update lock, the grid's only writer. The
    // value: a save was finished.
    FileResult<bool> recoverInterruptedSave(const QString& name) const;

    static QStringList gridLines(const GridData& grid);
    // The same lines as the file holds them.
    static QByteArray gridBytes(const GridData& grid);
    // Turns every cell into what the files hold of it (a line break becomes a
    // blank, a character Windows-1252 lacks a "?"), so that the saving
    // workstation shows what every other one loads. True when a cell changed.
    static bool makeAsStored(GridData& grid);
    // The time a backup's name carries; invalid for names not of that form.
    static QDateTime backupTime(const QString& fileName);

private:
    LoadResult loadCells(const QString& path, const QString& name, GridData& grid, QByteArray* rest) const;
    // What saveGrid writes, in the order it renames them.
    QStringList savedFiles(const QString& name) const;

    DataFolder m_folder;
};
