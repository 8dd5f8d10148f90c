#include "store/gridstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString kFixedColumnFile = QStringLiteral("FixedColumn.scd");
const QString kBackupPrefix = QStringLiteral("sgridbkup");
const QString kBackupSuffix = QStringLiteral(".scd");
const QByteArray kTrailerMark = QByteArrayLiteral("[backup] ");

struct KindWord { BackupKind kind; const char* word; const char* text; };
constexpr KindWord kKindWords[] = {
    {BackupKind::Update, "Update", "Update"},
    {BackupKind::Hourly, "Hourly", "Hourly"},
    {BackupKind::Close, "Close", "Close"},
    {BackupKind::Manual, "Manual", "Backup Now"},
    {BackupKind::Restore, "Restore", "Before restore"},
    {BackupKind::Rescue, "Rescue", "Unsaved edits"},
};

// The lines of a file's bytes, one at a time, as the text reader splits them
// (CR LF, LF or a lone CR); past the end it gives empty lines.
class LineCursor
{
public:
    explicit LineCursor(const QByteArray& bytes) : m_bytes(bytes) {}
    bool atEnd() const { return m_at >= m_bytes.size(); }
    QByteArrayView next()
    {
        const qsizetype n = m_bytes.size();
        const qsizetype start = m_at;
        qsizetype i = start;
        const char* d = m_bytes.constData();
        while (i < n && d[i] != '\r' && d[i] != '\n')
            ++i;
        const QByteArrayView line(d + start, i - start);
        if (i < n && d[i] == '\r' && i + 1 < n && d[i + 1] == '\n')
            ++i;
        m_at = std::min(n, i + 1);
        return line;
    }
    QByteArrayView rest() const { return QByteArrayView(m_bytes).sliced(m_at); }

private:
    const QByteArray& m_bytes;
    qsizetype m_at = 0;
};

bool parseCount(QByteArrayView line, int max, int& out)
{
    bool ok = false;
    const int v = line.toByteArray().trimmed().toInt(&ok);
    if (!ok || v < 1 || v > max)
        return false;
    out = v;
    return true;
}

// Windows-1252 is Latin-1 but for 0x80..0x9F: most cells take Qt's exact,
// vectorised Latin-1 conversion, straight into the column.
void appendCell(CellColumn& column, QByteArrayView line)
{
    const bool latin1 = std::none_of(line.begin(), line.end(), [](char b) { return (uchar(b) & 0xE0) == 0x80; });
    if (latin1)
        column.append(QLatin1StringView(line));
    else
        column.append(TextFile::decode(line));
}

// The files hold one cell a line: a line break inside a cell would shift
// every later cell by a line and scramble the whole schedule on the next load.
QString oneLine(QStringView cell)
{
    QString out = cell.toString();
    if (!cell.contains(u'\r') && !cell.contains(u'\n'))
        return out;
    out.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    out.replace(u'\r', u' ');
    out.replace(u'\n', u' ');
    return out;
}

bool readCounts(LineCursor& lines, int& cols, int& rows)
{
    return parseCount(lines.next(), GridStore::kMaxFileCols, cols)
        && parseCount(lines.next(), GridStore::kMaxFileRows, rows)
        && qint64(cols) * rows <= GridStore::kMaxFileCells;
}

// "<name>: <reason>", the name as the caller gave it.
FileOutcome failedAs(FileStatus status, const QString& path, const QString& name, const QString& reason)
{
    return {status, path, reason, QStringLiteral("%1: %2").arg(name, reason)};
}

BackupKind kindOfTrailer(QByteArrayView line)
{
    if (!line.startsWith(kTrailerMark))
        return BackupKind::Unknown;
    const QByteArrayView word = line.sliced(kTrailerMark.size());
    for (const KindWord& k : kKindWords)
        if (word == QByteArrayView(k.word))
            return k.kind;
    return BackupKind::Unknown;
}

// What listing a backup reads of it: the counts are two short lines at its
// head (counts padded beyond that are none the board writes), and the
// trailer, a kind and at most 255 colour codes, lies in its last bytes.
constexpr qint64 kCountBytes = 4096;
constexpr qint64 kTrailerBytes = 4096;

// Splits the last line off `bytes` (which end without a line break) into
// `line`. False when that line may begin before `bytes` do: it follows no
// line break, and `bytes` are not the whole file.
bool takeLastLine(QByteArrayView& bytes, QByteArrayView& line, bool whole)
{
    const qsizetype at = std::max(bytes.lastIndexOf('\r'), bytes.lastIndexOf('\n'));
    if (at < 0 && !whole)
        return false;
    line = bytes.sliced(at + 1);
    const bool crlf = at > 0 && bytes[at] == '\n' && bytes[at - 1] == '\r';
    bytes.truncate(std::max<qsizetype>(crlf ? at - 1 : at, 0));
    return true;
}

// The kind a backup's trailer names, from its last bytes: its last two
// lines are "[backup] <kind>" and the colour codes. Backups written before
// the trailer existed end in cells: Unknown.
BackupKind kindAtEnd(QByteArrayView tail, bool whole)
{
    if (tail.endsWith("\r\n"))
        tail.chop(2);
    else if (tail.endsWith('\n') || tail.endsWith('\r'))
        tail.chop(1);
    QByteArrayView colors;
    QByteArrayView trailer;
    if (!takeLastLine(tail, colors, whole) || !takeLastLine(tail, trailer, whole))
        return BackupKind::Unknown;
    // The cells a backup from before the trailer ends in could look like a
    // trailer line; the line after a real one holds nothing but codes.
    if (!std::all_of(colors.begin(), colors.end(), [](char c) { return c == ' ' || (c >= '0' && c <= '9'); }))
        return BackupKind::Unknown;
    return kindOfTrailer(trailer);
}

} // namespace

bool GridStore::isRefused(const LoadResult& r)
{
    return r.status == FileStatus::TooLarge || r.status == FileStatus::Malformed || (r.value && !r.ok());
}

QString GridStore::backupKindText(BackupKind kind)
{
    for (const KindWord& k : kKindWords)
        if (k.kind == kind)
            return QString::fromLatin1(k.text);
    return QStringLiteral("Not recorded");
}

QString GridStore::backupFileName(const QDateTime& localTime)
{
    return kBackupPrefix + localTime.toString(QStringLiteral("MMddyyHHmmss")) + kBackupSuffix;
}

QDateTime GridStore::backupTime(const QString& fileName)
{
    if (!fileName.startsWith(kBackupPrefix) || !fileName.endsWith(kBackupSuffix))
        return {};
    const QString stamp = fileName.mid(kBackupPrefix.size(),
                                       fileName.size() - kBackupPrefix.size() - kBackupSuffix.size());
    if (stamp.size() != 12)
        return {};
    for (const QChar c : stamp)
        if (c < u'0' || c > u'9')
            return {};
    auto num = [&](int at) { return stamp.mid(at, 2).toInt(); };
    const QDate date(2000 + num(4), num(0), num(2));
    const QTime time(num(6), num(8), num(10));
    if (!date.isValid() || !time.isValid())
        return {};
    // The wall-clock time as named, free of any zone: an hour that the local
    // clock skips in spring is still a proper name (made on a workstation
    // set to another zone) and must not count as junk.
    return QDateTime(date, time, Qt::UTC);
}

QByteArray GridStore::gridBytes(const GridData& grid)
{
    // Encoded cell by cell: a list of a million line strings first would
    // hold a full board's text twice more while it is saved.
    qsizetype size = 32;
    for (int c = 0; c < grid.colCount(); ++c)
        size += grid.column(c).textSize() + 2 * grid.rowCount();
    QByteArray out;
    out.reserve(size);
    out += QByteArray::number(grid.colCount()) + "\r\n" + QByteArray::number(grid.rowCount()) + "\r\n";
    for (int c = 0; c < grid.colCount(); ++c) {
        for (const QStringView cell : grid.column(c)) {
            out += TextFile::encode(oneLine(cell));
            out += "\r\n";
        }
    }
    return out;
}

QStringList GridStore::gridLines(const GridData& grid)
{
    QStringList lines;
    lines.reserve(2 + qsizetype(grid.colCount()) * grid.rowCount());
    lines << QString::number(grid.colCount()) << QString::number(grid.rowCount());
    for (int c = 0; c < grid.colCount(); ++c)
        for (const QStringView cell : grid.column(c))
            lines.append(oneLine(cell));
    return lines;
}

bool GridStore::makeAsStored(GridData& grid)
{
    bool changed = false;
    for (int c = 0; c < grid.colCount(); ++c) {
        const CellColumn& column = grid.column(c);
        QList<std::pair<qsizetype, QString>> fixes;
        for (qsizetype r = 0; r < column.size(); ++r) {
            const QStringView cell = column[r];
            // Most cells are plain text: only those that are not are converted.
            const bool plain = std::all_of(cell.cbegin(), cell.cend(), [](QChar ch) {
                const char16_t u = ch.unicode();
                return (u >= 0x20 && u < 0x80) || (u >= 0xA0 && u <= 0xFF);
            });
            if (plain)
                continue;
            QString stored = TextFile::decode(TextFile::encode(oneLine(cell)));
            if (stored != cell)
                fixes.append({r, std::move(stored)});
        }
        if (fixes.isEmpty())
            continue;
        // The column is built anew in one pass: a cell set at a time would
        // move the rest of the column for each of a hostile file's cells.
        CellColumn fixed;
        fixed.reserve(column.size(), column);
        qsizetype next = 0;
        for (qsizetype r = 0; r < column.size(); ++r) {
            const bool isFixed = next < fixes.size() && fixes[next].first == r;
            fixed.append(isFixed ? QStringView(fixes[next++].second) : column[r]);
        }
        fixed.squeeze();
        grid.setColumn(c, fixed);
        changed = true;
    }
    return changed;
}

GridStore::LoadResult GridStore::loadCells(const QString& path, const QString& name, GridData& grid,
                                           QByteArray* rest) const
{
    const TextFile::BytesResult file = TextFile::readBytes(path, kMaxGridFileBytes);
    if (!file.ok())
        return failedAs(file.status, path, name, file.reason);
    // The counts are checked before any cell is decoded: a file announcing
    // absurd counts is refused without building its lines.
    LineCursor lines(file.value);
    int cols = 0;
    int rows = 0;
    if (!readCounts(lines, cols, rows))
        return failedAs(FileStatus::Malformed, path, name,
                        QStringLiteral("it does not start with a valid column and row count"));

    grid.setSize(cols, rows);
    for (int c = 0; c < cols; ++c) {
        // The old column goes before its replacement is built, so that a
        // reload never holds a huge cell twice.
        grid.setColumn(c, {});
        CellColumn cells;
        cells.reserve(rows, {});
        for (int row = 0; row < rows; ++row)
            appendCell(cells, lines.next());   // past the end: empty cells
        cells.squeeze();
        grid.setColumn(c, cells);
    }
    grid.clearColors();
    if (rest)
        *rest = lines.rest().toByteArray();
    return {FileOutcome::done(path), true};
}

GridStore::LoadResult GridStore::loadGrid(const QString& name, GridData& grid) const
{
    const LoadResult r = loadCells(m_folder.gsystem(name), name, grid, nullptr);
    if (!r.ok())
        return r;
    const int rows = grid.rowCount();

    const QString colorPath = m_folder.gsystem(colorFileName(name));
    const TextFile::BytesResult colors = TextFile::readBytes(colorPath, TextFile::kListFileCap);
    // A missing colour file means rows without colours; the next save makes it.
    if (colors.status == FileStatus::Missing)
        return r;
    // The cells stand either way. Reading again before the grid file changes
    // would meet the same fault (a save replaces both).
    if (!colors.ok())
        return {failedAs(colors.status, colorPath, colorFileName(name), colors.reason), true};
    LineCursor codes(colors.value);
    for (int row = 1; row < rows && !codes.atEnd(); ++row) {
        bool ok = false;
        const int code = codes.next().toByteArray().trimmed().toInt(&ok);
        if (!ok)
            return {failedAs(FileStatus::Malformed, colorPath, colorFileName(name),
                             QStringLiteral("it holds a colour code that is not a number")),
                    true};
        if (code >= 1 && code <= GridData::kMaxColorCode && row < GridData::kColorRows)
            grid.setRowColor(row, code);
    }
    return r;
}

TextFile::WriteResult GridStore::saveGrid(const QString& name, const GridData& grid) const
{
    QStringList colors;
    QStringList fixed;
    for (int row = 1; row < grid.rowCount(); ++row) {
        fixed.append(oneLine(grid.cell(0, row)));
        colors.append(QString::number(grid.rowColor(row)));
    }
    // One unit: all three are complete on disk before any is renamed. Colour
    // and fixed column go first and the grid file last, so a workstation that
    // sees the grid file's new stamp finds its colours already in place.
    const QStringList paths = savedFiles(name);
    QByteArray gridBytes = GridStore::gridBytes(grid);
    // A file no workstation could read back is never written over one it can.
    if (gridBytes.size() > kMaxGridFileBytes)
        return FileOutcome::saveFailed(paths[2],
                                       QStringLiteral("the schedule would be larger than %1 bytes, more than can be "
                                                      "read back; shorten some cells")
                                           .arg(kMaxGridFileBytes),
                                       FileStatus::TooLarge);
    return TextFile::writeAll({
        {paths[0], TextFile::joinLines(colors)},
        {paths[1], TextFile::joinLines(fixed)},
        {paths[2], std::move(gridBytes)},
    });
}

QStringList GridStore::savedFiles(const QString& name) const
{
    return {m_folder.gsystem(colorFileName(name)), m_folder.gsystem(kFixedColumnFile), m_folder.gsystem(name)};
}

FileResult<bool> GridStore::recoverInterruptedSave(const QString& name) const
{
    // Only a grid that loads may replace the schedule: a planted or damaged
    // temporary would lock every workstation out of Update.
    const FileResult<int> completed = TextFile::completeInterruptedWrite(savedFiles(name), [this](const QString& gridTemp) {
        GridData scratch;
        // The value: its cells loaded whole (its colours may still be bad).
        return loadGrid(QFileInfo(gridTemp).fileName(), scratch).value;
    });
    return {completed, completed.value > 0};
}

TextFile::WriteResult GridStore::backupGrid(const GridData& grid, const QDateTime& localNow, BackupKind kind) const
{
    QString word = QStringLiteral("Unknown");
    for (const KindWord& k : kKindWords)
        if (k.kind == kind)
            word = QString::fromLatin1(k.word);
    QStringList colors;
    for (int row = 1; row < std::min(grid.rowCount(), int(GridData::kColorRows)); ++row)
        colors.append(QString::number(grid.rowColor(row)));
    const QStringList trailer{QString::fromLatin1(kTrailerMark) + word, colors.join(u' ')};
    return backupBytes(gridBytes(grid) + TextFile::joinLines(trailer), localNow);
}

TextFile::WriteResult GridStore::backupBytes(const QByteArray& bytes, const QDateTime& localNow) const
{
    // Names count the wall clock's seconds whatever the zone does: on the
    // night clocks go back, the second after 01:59:59 is named 02:00:00,
    // not 01:00:00 again.
    const QDateTime wallClock(localNow.date(), localNow.time(), Qt::UTC);
    return TextFile::writeNew(
        [&](int later) { return m_folder.backups(backupFileName(wallClock.addSecs(later))); }, kBackupNames, bytes);
}

FileResult<QList<GridStore::BackupEntry>> GridStore::listBackups() const
{
    const TextFile::ListResult listed = TextFile::listFiles(m_folder.backupDir(), TextFile::Stamps::Skip);
    FileResult<QList<BackupEntry>> result = listed;
    QList<BackupEntry>& entries = result.value;
    // A listing that failed is empty, and its status goes to the caller.
    for (const TextFile::FileEntry& file : listed.value) {
        BackupEntry e;
        e.fileName = file.name;
        e.time = backupTime(file.name);
        if (!e.time.isValid())
            continue;
        const FileResult<TextFile::FileEnds> ends =
            TextFile::readEnds(m_folder.backups(file.name), kCountBytes, kTrailerBytes, kMaxGridFileBytes);
        if (!ends.ok()) {
            e.error = ends.reason;
        } else {
            LineCursor lines(ends.value.head);
            int cols = 0;
            int rows = 0;
            if (!readCounts(lines, cols, rows)) {
                e.error = QStringLiteral("it does not start with a valid column and row count");
            } else {
                e.kind = kindAtEnd(ends.value.tail, ends.value.whole());
                e.readable = true;
            }
        }
        entries.append(e);
    }
    std::sort(entries.begin(), entries.end(), [](const BackupEntry& a, const BackupEntry& b) {
        return a.time != b.time ? a.time > b.time : a.fileName > b.fileName;
    });
    return result;
}

GridStore::LoadResult GridStore::loadBackup(const QString& fileName, GridData& grid, BackupKind* kind) const
{
    // Only a backup's own name: a name from elsewhere never leaves databkup.
    if (!backupTime(fileName).isValid())
        return failedAs(FileStatus::Missing, fileName, fileName, QStringLiteral("not the name of a backup"));
    GridData loaded;
    QByteArray rest;
    const LoadResult r = loadCells(m_folder.backups(fileName), fileName, loaded, &rest);
    if (!r.ok())
        return r;
    LineCursor trailer(rest);
    const BackupKind found = kindOfTrailer(trailer.next());
    if (found != BackupKind::Unknown || rest.startsWith(kTrailerMark)) {
        // Colours are a cosmetic extra: one that is no code leaves its row plain.
        const QList<QByteArray> codes = trailer.next().toByteArray().split(' ');
        for (int row = 1; row <= codes.size() && row < loaded.rowCount(); ++row) {
            bool ok = false;
            const int code = codes[row - 1].toInt(&ok);
            if (ok)
                loaded.setRowColor(row, code);
        }
    }
    if (kind)
        *kind = found;
    grid = std::move(loaded);
    return r;
}

FileResult<int> GridStore::pruneGridBackups() const
{
    QStringList names;
    // A listing that failed is empty: nothing is pruned.
    const TextFile::ListResult listed = TextFile::listFiles(m_folder.backupDir());
    for (const TextFile::FileEntry& file : listed.value)
        if (file.name.startsWith(kBackupPrefix) && file.name.endsWith(kBackupSuffix))
            names.append(file.name);
    if (names.size() <= kKeptBackups)
        return {listed, 0};

    struct Entry { QDateTime time; QString name; };
    std::vector<Entry> entries;
    entries.reserve(names.size());
    for (const QString& n : names)
        entries.push_back({backupTime(n), n});
    // Names without a valid time count as the oldest.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.time.isValid() != b.time.isValid())
            return !a.time.isValid();
        if (a.time != b.time)
            return a.time < b.time;
        return a.name < b.name;
    });
    int deleted = 0;
    FileOutcome outcome = listed;
    const qsizetype surplus = qsizetype(entries.size()) - kKeptBackups;
    for (qsizetype i = 0; i < surplus; ++i) {
        const FileResult<> removed = TextFile::remove(m_folder.backups(entries[size_t(i)].name));
        if (removed.ok())
            ++deleted;
        else if (outcome.ok())
            outcome = removed;   // one that cannot be deleted waits for the next start
    }
    return {outcome, deleted};
}

FileResult<FileStamp> GridStore::gridFileStamp(const QString& name) const
{
    return readFileStamp(m_folder.gsystem(name));
}

FileResult<int> GridStore::removeLeftoverTemporaries(qint64 beforeNs) const
{
    int removed = 0;
    FileOutcome outcome = FileOutcome::done(m_folder.root());
    for (const QString& folder : {m_folder.root(), m_folder.gsystemDir(), m_folder.usersDir(),
                                  m_folder.colfilesDir(), m_folder.backupDir()}) {
        const FileResult<int> r = TextFile::removeTemporaries(folder, beforeNs);
        removed += r.value;
        if (!r.ok() && outcome.ok())
            outcome = r;
    }
    return {outcome, removed};
}
