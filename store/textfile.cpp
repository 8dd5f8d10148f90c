#include "store/textfile.h"

#include "store/textfile_platform.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QMutex>
#include <QElapsedTimer>
#include <QDir>
#include <QRandomGenerator>
#include <QSet>
#include <QThread>

#include <algorithm>

namespace {

// 0x80..0x9F of Windows-1252; the five bytes Windows leaves undefined map to
// the C1 control of the same value, as MultiByteToWideChar does.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char encodeChar(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c)
            return char(0x80 + i);
    return '?';
}


using namespace TextFile;

FaultHook& faultHook()
{
    static FaultHook hook;
    return hook;
}

// The failure of a step that the test seam fails, or success.
FileResult<> injected(Step step, const QString& target)
{
    const int err = Platform::injectedError(step, target);
    if (err == 0)
        return FileOutcome::done(target);
    return FileOutcome::failed(FileStatus::Failed, target, qt_error_string(err));
}

// "<target>.sbtmp" + six letters or digits: a name no user gives a copy
// of a data file, so that clearing up never touches one.
const QString kTempMark = QStringLiteral("sbtmp");

QString newSuffix()
{
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString suffix = kTempMark;
    for (int i = 0; i < 6; ++i)
        suffix.append(QLatin1Char(kAlphabet[QRandomGenerator::global()->bounded(int(sizeof kAlphabet) - 1)]));
    return suffix;
}

// Writes, syncs and closes one temporary file beside its target; Busy when
// the temporary file's name is taken.
FileResult<> writeTemp(const FileContent& file, const QString& suffix, Access access, Platform::Target kind,
                       Platform::TempFile& temp)
{
    FileResult<> r = injected(Step::Create, file.path);
    if (r.ok())
        r = Platform::createTemp(file.path, suffix, access, kind, temp);
    if (r.ok())
        r = injected(Step::Write, file.path);
    if (r.ok())
        r = Platform::writeAll(temp, file.bytes);
    if (r.ok())
        r = injected(Step::Sync, file.path);
    if (r.ok())
        r = Platform::sync(temp);
    if (r.ok())
        r = injected(Step::Close, file.path);
    if (r.ok())
        r = Platform::close(temp);
    return r;
}

FileResult<> replaceTarget(const QString& temp, const QString& target)
{
    QElapsedTimer waited;
    waited.start();
    for (int delayMs = 20;; delayMs = std::min(delayMs * 2, 500)) {
        FileResult<> r = injected(Step::Rename, target);
        if (r.ok())
            r = Platform::replace(temp, target);
        // A reader on another workstation can hold the old file open for a
        // moment where the platform refuses to replace an open file.
        if (r.ok() || waited.elapsed() + delayMs > replaceRetryMs())
            return r;
        QThread::msleep(delayMs);
    }
}

void discardAll(QList<Platform::TempFile>& temps)
{
    for (Platform::TempFile& t : temps)
        Platform::discard(t);
}

// Writes every temporary file, all with one suffix, which ties them together
// should the renames that follow be cut short. On failure none is left.
WriteResult writeTemps(const QList<FileContent>& files, Access access, Platform::Target kind,
                       QList<Platform::TempFile>& temps)
{
    temps.resize(files.size());
    for (int attempt = 0; attempt < 10; ++attempt) {
        const QString suffix = newSuffix();
        bool nameTaken = false;
        for (qsizetype i = 0; i < files.size(); ++i) {
            const FileResult<> r = writeTemp(files[i], suffix, access, kind, temps[i]);
            nameTaken = r.status == FileStatus::Busy;
            if (nameTaken)
                break;
            if (!r.ok()) {
                discardAll(temps);
                return FileOutcome::saveFailed(files[i].path, r.reason, r.status);
            }
        }
        if (!nameTaken)
            return FileOutcome::done();
        discardAll(temps);
    }
    return FileOutcome::saveFailed(files.value(0).path, QStringLiteral("no free temporary file name"));
}

// Writes every temporary file, then renames them over their targets in order.
WriteResult writeFiles(const QList<FileContent>& files, Access access)
{
    QList<Platform::TempFile> temps;
    if (const WriteResult w = writeTemps(files, access, Platform::Target::Replaced, temps); !w.ok())
        return w;

    // No sync of the folder after the renames: the shares this runs on make
    // a rename durable before they answer it, and on a local disk it would
    // cost a fifth of a save.
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (const FileResult<> r = replaceTarget(temps[i].path, files[i].path); !r.ok()) {
            discardAll(temps);
            return FileOutcome::saveFailed(files[i].path, r.reason, r.status);
        }
        temps[i].path.clear();   // it is the target now
    }
    return FileOutcome::done(files.isEmpty() ? QString() : files.last().path);
}

} // namespace

namespace TextFile {

QString decode(QByteArrayView bytes)
{
    // Sized exactly: a grown string would hold up to twice a big file.
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = uchar(bytes[i]);
        d[i] = QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b));
    }
    return out;
}

QByteArray encode(const QString& text)
{
    QByteArray out;
    out.resize(text.size());
    char* d = out.data();
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        // A surrogate pair is one character that 1252 cannot hold: one "?".
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        d[n++] = encodeChar(c.unicode());
    }
    out.truncate(n);
    return out;
}

QStringList unencodable(const QString& text)
{
    QStringList found;
    QSet<QString> seen;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        qsizetype length = 1;
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            length = 2;
        else if (c == u'?' || encodeChar(c.unicode()) != '?')
            continue;
        const QString character = text.mid(i, length);
        if (!seen.contains(character)) {
            seen.insert(character);
            found.append(character);
        }
        i += length - 1;
    }
    return found;
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QByteArray joinLines(const QStringList& lines)
{
    qsizetype size = 0;
    for (const QString& l : lines)
        size += l.size() + 2;
    QByteArray out;
    out.reserve(size);
    for (const QString& l : lines) {
        out += encode(l);
        out += "\r\n";
    }
    return out;
}

BytesResult readBytes(const QString& path, qint64 maxBytes)
{
    return Platform::readBytes(path, maxBytes);
}

FileResult<FileEnds> readEnds(const QString& path, qint64 headBytes, qint64 tailBytes, qint64 maxBytes)
{
    return Platform::readEnds(path, std::max<qint64>(headBytes, 0), std::max<qint64>(tailBytes, 0), maxBytes);
}

ReadResult read(const QString& path, qint64 maxBytes)
{
    const BytesResult bytes = Platform::readBytes(path, maxBytes);
    if (!bytes.ok())
        return bytes;
    return {bytes, splitLines(decode(bytes.value))};
}

bool isRegularFile(const QString& path)
{
    return Platform::isRegularFile(path);
}

void setFaultHook(FaultHook hook)
{
    faultHook() = std::move(hook);
}

int Platform::injectedError(Step step, const QString& target)
{
    const FaultHook& hook = faultHook();
    return hook ? hook(step, target) : 0;
}

WriteResult writeBytes(const QString& path, const QByteArray& bytes, Access access)
{
    return writeFiles({{path, bytes}}, access);
}

WriteResult write(const QString& path, const QStringList& lines)
{
    return writeBytes(path, joinLines(lines));
}

WriteResult writeAll(const QList<FileContent>& files)
{
    return writeFiles(files, Access::Inherit);
}

WriteResult writeNew(const std::function<QString(int)>& nameAt, int names, const QByteArray& bytes)
{
    const QString first = nameAt(0);
    QList<Platform::TempFile> temp;
    if (const WriteResult w = writeTemps({{first, bytes}}, Access::Inherit, Platform::Target::New, temp); !w.ok())
        return w;
    for (int i = 0; i < names; ++i) {
        const QString name = i == 0 ? first : nameAt(i);
        FileResult<> r = injected(Step::Rename, name);
        if (r.ok())
            r = Platform::renameNew(temp[0].path, name);
        if (r.ok()) {
            temp[0].path.clear();   // it is the new file now
            return FileOutcome::done(name);
        }
        if (r.status != FileStatus::Busy) {
            discardAll(temp);
            return FileOutcome::saveFailed(name, r.reason, r.status);
        }
    }
    discardAll(temp);
    return FileOutcome::saveFailed(first, QStringLiteral("this name and the next %1 are taken").arg(names - 1),
                                   FileStatus::Busy);
}

bool isTemporaryName(const QString& fileName)
{
    // "<data file>.scd.sbtmpXXXXXX" or, for the placement file,
    // "<name>.ini.sbtmpXXXXXX": every file the board writes ends in one of
    // those, and so none of them can look like a temporary one.
    constexpr qsizetype kLetters = 6;
    const qsizetype mark = fileName.size() - kLetters - kTempMark.size();
    if (mark < 6 || QStringView(fileName).sliced(mark, kTempMark.size()) != kTempMark)
        return false;
    const QStringView ending = QStringView(fileName).sliced(mark - 5, 5);
    if (ending != u".scd." && ending != u".ini.")
        return false;
    for (const QChar c : QStringView(fileName).last(kLetters))
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return false;
    return true;
}

FileResult<int> completeInterruptedWrite(const QStringList& group, const std::function<bool(const QString&)>& isWhole)
{
    // Every temporary of one write carries the same suffix.
    // One listing per folder: this runs at every press of Update.
    QMap<QString, QStringList> targets;
    for (const QString& target : group) {
        const QFileInfo info(target);
        targets[info.absolutePath()].append(info.fileName());
    }
    // The first step that failed; the others are still tried.
    FileOutcome outcome = FileOutcome::done(group.value(group.size() - 1));
    const auto note = [&outcome](const FileOutcome& step) {
        if (!step.ok() && outcome.ok())
            outcome = step;
    };
    QSet<QString> suffixes;
    for (auto it = targets.cbegin(); it != targets.cend(); ++it) {
        // A folder that cannot be listed shows no interrupted write: the
        // save that follows replaces the set whole anyway.
        const ListResult listed = listFiles(it.key());
        note(listed);
        for (const FileEntry& file : listed.value) {
            const QString suffix = file.name.right(kTempMark.size() + 6);
            if (isTemporaryName(file.name) && it.value().contains(file.name.chopped(suffix.size() + 1)))
                suffixes.insert(suffix);
        }
    }
    int completed = 0;
    for (const QString& suffix : std::as_const(suffixes)) {
        auto temp = [&suffix](const QString& target) -> QString { return target + u'.' + suffix; };
        // Every temporary is complete before the first rename, and the
        // renames go in order: with the last one there and the first gone
        // they had begun. Otherwise none had, and the old set stands.
        // A last temporary that is not whole was never written by a save
        // (they are complete before any rename): it is removed, not used.
        const bool renaming = Platform::isRegularFile(temp(group.last())) && !Platform::isRegularFile(temp(group.first()))
            && (!isWhole || isWhole(temp(group.last())));
        bool finished = renaming;
        for (const QString& target : group) {
            if (!Platform::isRegularFile(temp(target)))
                continue;
            // A step that fails leaves its temporary for the next press.
            if (renaming) {
                const FileResult<> replaced = Platform::replace(temp(target), target);
                note(replaced);
                finished = replaced.ok() && finished;
            } else {
                note(Platform::removeFile(temp(target)));
            }
        }
        if (finished)
            ++completed;
    }
    return {outcome, completed};
}

FileResult<int> removeTemporaries(const QString& folder, qint64 beforeNs)
{
    int removed = 0;
    // A listing that failed removes nothing.
    const ListResult listed = listFiles(folder);
    FileOutcome outcome = listed;
    for (const FileEntry& file : listed.value) {
        // Younger ones may belong to a write under way on another workstation.
        if (!isTemporaryName(file.name) || file.writeTimeNs >= beforeNs)
            continue;
        const FileResult<> gone = Platform::removeFile(QDir(folder).filePath(file.name));
        if (gone.ok())
            ++removed;
        else if (outcome.ok())
            outcome = gone;   // the first that stays; the others are still tried
    }
    return {outcome, removed};
}

FileResult<> remove(const QString& path)
{
    return Platform::removeFile(path);
}

ListResult listFiles(const QString& folder, Stamps stamps)
{
    return Platform::listFiles(folder, stamps);
}

FileResult<> checkFolder(const QString& folder)
{
    return Platform::checkFolder(folder);
}

namespace {

struct DataFolders {
    QMutex mutex;
    QStringList roots;
};

DataFolders& dataFolders()
{
    static DataFolders folders;
    return folders;
}

} // namespace

void addDataFolder(const QString& root)
{
    const QString clean = QDir::cleanPath(QDir(root).absolutePath());
    DataFolders& folders = dataFolders();
    const QMutexLocker lock(&folders.mutex);
    if (!folders.roots.contains(clean))
        folders.roots.append(clean);
}

QString Platform::dataFolderOf(const QString& path)
{
    DataFolders& folders = dataFolders();
    const QMutexLocker lock(&folders.mutex);
    QString best;
    for (const QString& root : std::as_const(folders.roots)) {
        const bool inside = path == root || (path.startsWith(root) && (root.endsWith(u'/') || path[root.size()] == u'/'));
        if (inside && root.size() > best.size())
            best = root;
    }
    return best;
}

QString Platform::linkedFolderText(const QString& name)
{
    return QStringLiteral("the folder %1 of the data folder is a link, and the board reads and writes only "
                          "real folders there")
        .arg(name);
}

} // namespace TextFile
