#include "store/savehistory.h"

#include "grid/griddata.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace SaveHistory {

namespace {

const QString kSaveTag = QStringLiteral("save");
const QString kCellTag = QStringLiteral("cell");
constexpr int kSaveFields = 10;
constexpr int kCellFields = 6;
constexpr int kMaxNameChars = 256;
// No grid has more columns or rows than this; larger numbers are damage.
constexpr int kMaxIndex = 1 << 20;
// Between the titles of the one titles field.
constexpr char16_t kTitleSeparator = 0x1f;

// Tabs separate the fields; a tab, line break or backslash inside one is
// written as an escape, so a cell text can never start a line of its own.
QString escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case kTitleSeparator: out += QStringLiteral("\\s"); break;
        default: out += c;
        }
    }
    return out;
}

bool unescaped(QStringView field, QString& out)
{
    out.clear();
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field[i];
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++i == field.size())
            return false;
        switch (field[i].unicode()) {
        case '\\': out += u'\\'; break;
        case 't': out += u'\t'; break;
        case 'r': out += u'\r'; break;
        case 'n': out += u'\n'; break;
        case 's': out += QChar(kTitleSeparator); break;
        default: return false;
        }
    }
    return true;
}

bool number(const QString& field, qint64 low, qint64 high, qint64& out)
{
    bool ok = false;
    out = field.toLongLong(&ok);
    return ok && out >= low && out <= high;
}

bool parseSave(const QStringList& f, SaveRecord& save)
{
    qint64 time = 0, writeNs = 0, id = 0, size = 0, cells = 0, rows = 0;
    if (f.size() != kSaveFields || !number(f[1], 0, std::numeric_limits<qint64>::max(), time)
        || !number(f[2], 0, std::numeric_limits<qint64>::max(), writeNs)
        || !number(f[3], std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(), id)
        || !number(f[4], 0, std::numeric_limits<qint64>::max(), size) || !number(f[7], 0, qint64(kMaxIndex) * kMaxIndex, cells)
        || !number(f[8], 0, kMaxIndex, rows))
        return false;
    save = {};
    save.timeMsUtc = time;
    save.gridStamp = {writeNs, quint64(id), size};
    save.cellCount = int(std::min<qint64>(cells, std::numeric_limits<int>::max()));
    save.rowCount = int(rows);
    if (!unescaped(f[5], save.user) || !unescaped(f[6], save.computer))
        return false;
    save.user.truncate(kMaxNameChars);
    save.computer.truncate(kMaxNameChars);
    const QStringList titles = f[9].isEmpty() ? QStringList() : f[9].split(QChar(kTitleSeparator));
    for (const QString& t : titles.first(std::min<qsizetype>(titles.size(), kMaxIndex))) {
        QString title;
        if (!unescaped(t, title))
            return false;
        save.titles.append(title.left(kMaxTextChars));
    }
    return true;
}

bool parseCell(const QStringList& f, CellChange& cell)
{
    qint64 row = 0, col = 0;
    // "end" closes the line: a line cut short is no cell.
    if (f.size() != kCellFields || f[5] != QLatin1String("end") || !number(f[1], 0, kMaxIndex, row)
        || !number(f[2], 0, kMaxIndex, col) || !unescaped(f[3], cell.before) || !unescaped(f[4], cell.after))
        return false;
    cell.row = int(row);
    cell.col = int(col);
    cell.before.truncate(kMaxTextChars);
    cell.after.truncate(kMaxTextChars);
    return true;
}

QString clipped(const QString& text)
{
    return text.size() > kMaxTextChars ? text.left(kMaxTextChars) : text;
}

} // namespace

QString fileName()
{
    return QStringLiteral("history.scd");
}

SaveRecord record(const GridData& before, const GridData& after, const QString& user, const QString& computer,
                  qint64 timeMsUtc, const FileStamp& gridStamp)
{
    const QList<CellChange> changes = GridDiff::changedCells(before, after);
    SaveRecord save;
    save.timeMsUtc = timeMsUtc;
    save.gridStamp = gridStamp;
    save.user = user.left(kMaxNameChars);
    save.computer = computer.left(kMaxNameChars);
    save.cellCount = int(changes.size());
    save.rowCount = GridDiff::rowCount(changes);
    for (const CellChange& c : changes.first(std::min<qsizetype>(changes.size(), kMaxCellsPerSave)))
        save.cells.append({c.col, c.row, clipped(c.before), clipped(c.after)});
    // Titles of the columns the kept cells are in, so the window names them
    // as they were when the save was made.
    int lastCol = -1;
    for (const CellChange& c : save.cells)
        lastCol = std::max(lastCol, c.col);
    for (int col = 0; col <= lastCol; ++col)
        save.titles.append(clipped(after.cell(col, 0).isEmpty() ? before.cell(col, 0) : after.cell(col, 0)));
    return save;
}

QStringList format(const QList<SaveRecord>& saves)
{
    QStringList lines;
    for (const SaveRecord& s : saves) {
        QStringList titles;
        for (const QString& t : s.titles)
            titles.append(escaped(t));
        lines.append(QStringList{kSaveTag, QString::number(s.timeMsUtc), QString::number(s.gridStamp.writeTimeNs),
                                 QString::number(qint64(s.gridStamp.fileId)), QString::number(s.gridStamp.size),
                                 escaped(s.user), escaped(s.computer), QString::number(s.cellCount),
                                 QString::number(s.rowCount), titles.join(QChar(kTitleSeparator))}
                         .join(u'\t'));
        for (const CellChange& c : s.cells)
            lines.append(QStringList{kCellTag, QString::number(c.row), QString::number(c.col), escaped(c.before),
                                     escaped(c.after), QStringLiteral("end")}
                             .join(u'\t'));
    }
    return lines;
}

QList<SaveRecord> parse(const QStringList& lines)
{
    QList<SaveRecord> saves;
    bool inSave = false;   // cell lines after a damaged save line belong to nobody
    for (const QString& line : lines) {
        const QStringList f = line.split(u'\t');
        if (f[0] == kSaveTag) {
            SaveRecord save;
            inSave = parseSave(f, save);
            if (inSave)
                saves.append(std::move(save));
        } else if (f[0] == kCellTag && inSave && saves.last().cells.size() < kMaxCellsPerSave) {
            CellChange cell;
            if (parseCell(f, cell))
                saves.last().cells.append(std::move(cell));
        }
    }
    if (saves.size() > kMaxSaves)
        saves.remove(0, saves.size() - kMaxSaves);
    return saves;
}

FileResult<QList<SaveRecord>> read(const DataFolder& folder)
{
    const TextFile::ReadResult r = TextFile::read(folder.gsystem(fileName()), kMaxFileBytes);
    if (!r.ok())
        return FileResult<QList<SaveRecord>>(r);
    QList<SaveRecord> saves = parse(r.value);
    std::reverse(saves.begin(), saves.end());
    return {r, std::move(saves)};
}

FileResult<SaveRecord> readNewest(const DataFolder& folder)
{
    const FileResult<TextFile::FileEnds> r =
        TextFile::readEnds(folder.gsystem(fileName()), 0, kNewestTailBytes, kMaxFileBytes);
    if (!r.ok())
        return FileResult<SaveRecord>(r);
    // A tail that starts inside a line starts with a line that does not parse.
    const QList<SaveRecord> saves = parse(TextFile::splitLines(TextFile::decode(r.value.tail)));
    if (saves.isEmpty())
        return FileOutcome::failed(FileStatus::Malformed, r.path, QStringLiteral("no save recorded"));
    return {r, saves.last()};
}

TextFile::WriteResult append(const DataFolder& folder, const SaveRecord& save)
{
    const QString path = folder.gsystem(fileName());
    const TextFile::ReadResult r = TextFile::read(path, kMaxFileBytes);
    QList<SaveRecord> saves = r.ok() ? parse(r.value) : QList<SaveRecord>{};
    saves.append(save);
    if (saves.size() > kMaxSaves)
        saves.remove(0, saves.size() - kMaxSaves);
    QByteArray bytes = TextFile::joinLines(format(saves));
    // Escapes may make the caps' worst case larger than the file's: the
    // oldest saves go first.
    while (bytes.size() > kMaxFileBytes && saves.size() > 1) {
        saves.remove(0, (saves.size() + 1) / 2);
        bytes = TextFile::joinLines(format(saves));
    }
    // Whoever holds the board next rewrites it, under any account of the share.
    return TextFile::writeBytes(path, bytes, TextFile::Access::Everybody);
}

bool madeStamp(const SaveRecord& save, const FileStamp& stamp)
{
    constexpr qint64 kFatTickNs = 2LL * 1000 * 1000 * 1000;
    return !stamp.isZero() && save.gridStamp.size == stamp.size
        && std::abs(save.gridStamp.writeTimeNs - stamp.writeTimeNs) <= kFatTickNs;
}

QString savedText(const SaveRecord* save, qint64 fileTimeMsUtc, int cells, int rows, bool militaryTime, int colorRows)
{
    // The file server's clock, which every board shares; the saver's own
    // may be set wrong, and its record's time only stands in.
    const qint64 ms = fileTimeMsUtc > 0 ? fileTimeMsUtc : (save ? save->timeMsUtc : 0);
    const QTime at = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toLocalTime().time();
    QString text = QStringLiteral("Saved");
    if (save) {
        const QString user = save->user.trimmed().isEmpty() ? QStringLiteral("someone") : save->user.trimmed();
        text += QStringLiteral(" by ") + user;
        if (!save->computer.trimmed().isEmpty())
            text += QStringLiteral(" on ") + save->computer.trimmed();
    }
    if (ms > 0)
        text += QStringLiteral(" at ") + at.toString(militaryTime ? QStringLiteral("HH:mm") : QStringLiteral("h:mm AP"));
    if (cells == 0 && colorRows > 0)
        return text + (colorRows == 1 ? QStringLiteral(": color of 1 row") : QStringLiteral(": colors of %1 rows").arg(colorRows));
    return text + QStringLiteral(": ")
        + (cells == 0 ? QStringLiteral("no cell changed") : GridDiff::summary(cells, rows));
}

QList<Entry> entries(const QList<SaveRecord>& newestFirst)
{
    QList<Entry> out;
    for (const SaveRecord& s : newestFirst) {
        for (const CellChange& c : s.cells) {
            const QString title = s.titles.value(c.col).trimmed();
            out.append({&s, c.row, c.col, title.isEmpty() ? QString::number(c.col) : title, c.before, c.after});
        }
        if (s.cells.size() < s.cellCount)
            out.append({&s, -1, -1, {}, {}, QStringLiteral("%1 more cells").arg(s.cellCount - s.cells.size())});
        else if (s.cellCount == 0)
            out.append({&s, -1, -1, {}, {}, QStringLiteral("no cell changed")});
    }
    return out;
}

bool matches(const Entry& entry, const QString& filter)
{
    if (filter.isEmpty())
        return true;
    const auto has = [&filter](const QString& text) { return text.contains(filter, Qt::CaseInsensitive); };
    return has(entry.column) || has(entry.before) || has(entry.after) || (entry.save && (has(entry.save->user) || has(entry.save->computer)))
        || (entry.row >= 0 && QString::number(entry.row) == filter.trimmed());
}

} // namespace SaveHistory
