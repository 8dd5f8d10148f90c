#pragma once

#include "store/fileresult.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The data files are 8-bit Windows-1252 text with CR LF line ends so that
// workstations running the Windows build read them byte for byte. This is
// the only place that converts: inside the program text is QString.
//
// It is also the only place that opens data files. Only regular files are
// data: a symbolic link, FIFO, device or folder planted on the share reads as
// missing and is never written through, and every read is capped to a size
// that fits its file.
namespace TextFile {

QString decode(QByteArrayView bytes);
// A character Windows-1252 cannot hold becomes "?".
QByteArray encode(const QString& text);
// The characters of `text` that encode() would write as "?", each once, in
// the order they first appear; a surrogate pair is one character. Empty
// when the text is stored as it is.
QStringList unencodable(const QString& text);

// Lines end in CR LF, LF or a lone CR; a final line break adds no empty line.
QStringList splitLines(const QString& text);
// Every line, the last included, is followed by CR LF.
QByteArray joinLines(const QStringList& lines);

// Read caps, by kind of file. A file over its cap is malformed.
constexpr qint64 kSmallFileCap = 64 * 1024;        // parm.scd, curuser.scd
constexpr qint64 kListFileCap = 1024 * 1024;       // users.scd, menu files, colour files, lists
constexpr qint64 kImageFileCap = 4 * 1024 * 1024;  // toolbar bitmaps

// Missing, TooLarge, Refused (a linked folder, no permission) or Failed;
// the message is "<file>: <reason>".
using BytesResult = FileResult<QByteArray>;
BytesResult readBytes(const QString& path, qint64 maxBytes);

// The first `headBytes` and the last `tailBytes` of a file (a smaller file
// whole, in both) and its size, for readers that need only its ends: a file
// of any size costs two short reads. TooLarge when it is over `maxBytes`,
// as readBytes() would find it.
struct FileEnds {
    QByteArray head;
    QByteArray tail;
    qint64 size = 0;
    bool whole() const { return tail.size() >= size; }
};
FileResult<FileEnds> readEnds(const QString& path, qint64 headBytes, qint64 tailBytes, qint64 maxBytes);

using ReadResult = FileResult<QStringList>;   // the lines
ReadResult read(const QString& path, qint64 maxBytes = kListFileCap);

// Whether `path` is a regular file (a link to one is not).
bool isRegularFile(const QString& path);

// The data folder of this run. The folders below it are reached without
// following a link, one handle at a time, so that a sub-folder swapped for a
// link to elsewhere is refused at the operation, even one swapped between a
// check and a write: nothing is read, written or deleted through it. The
// data folder itself may be a link, as a mount point often is. Paths outside
// every registered data folder are opened as they are.
void addDataFolder(const QString& root);
// Whether `folder` (the data folder or one below it) is a real folder that
// the board may use; the reason says why not.
FileResult<> checkFolder(const QString& folder);

// Removes a regular file; a link, folder or device in its place stays
// (Missing).
FileResult<> remove(const QString& path);

struct FileEntry {
    QString name;
    qint64 writeTimeNs = 0;   // the file server's stamp, never this clock's
};
using ListResult = FileResult<QList<FileEntry>>;   // regular files only
enum class Stamps { Read, Skip };   // Skip: names only, fewer calls to the server
ListResult listFiles(const QString& folder, Stamps stamps = Stamps::Read);

// The message is "Could not save <file>:\r<reason>"; on success the path
// is the last file written.
using WriteResult = FileResult<>;

enum class Access {
    Inherit,     // an existing file's permissions, else the process default
    Everybody,   // readable and writable by every account, whatever the umask
};

struct FileContent {
    QString path;
    QByteArray bytes;
};

// Every file the program writes goes through here: the bytes go to a
// temporary file in the same folder, which is flushed to disk and only then
// renamed over the target, so a crash, a full disk or a reader on another
// workstation never meets a half-written file. Each step is checked here, not
// left to a library. A target that exists but is not a regular file is never
// replaced.
WriteResult writeBytes(const QString& path, const QByteArray& bytes, Access access = Access::Inherit);
WriteResult write(const QString& path, const QStringList& lines);
// Files that belong together: every temporary is written and synced before
// the first rename, then all are renamed in the given order, so the set on
// disk changes only within the moments between those renames.
WriteResult writeAll(const QList<FileContent>& files);
// A new file that never replaces one: the bytes go to a temporary file as
// above, which then takes the first of the names nameAt(0), nameAt(1), ...
// (at most `names` of them, all in one folder) that nothing holds. The
// check and the rename are one step of the file system, so another
// workstation writing the same name at the same moment makes one of the two
// move on to the next name. Busy when every name was taken; on success the
// path is the name the file took.
WriteResult writeNew(const std::function<QString(int)>& nameAt, int names, const QByteArray& bytes);

// Temporary files of writes that never finished (a crash, a power loss):
// "<name>.sbtmpXXXXXX" beside their target. Removes the regular ones in
// `folder` stamped before `beforeNs` (a time of the file server's, as read
// from a stamp). The value: how many went. A failed listing, or the first
// file that could not be removed, is the failure; the rest are still tried.
FileResult<int> removeTemporaries(const QString& folder, qint64 beforeNs);
// A writeAll() of `group` that was cut short (the writer killed) between its
// renames leaves the set mixed, old and new. Its temporary files tell: this
// finishes the renames of such a write, and removes the temporaries of one
// that had not begun renaming. Only for a caller that knows nobody writes the
// group now. `isWhole`, where given, vets the temporary of the group's last
// file before it is renamed into place. The value: how many writes it
// finished; the first step that failed (a listing, a rename, a removal) is
// the failure, and what it left waits for the next call.
FileResult<int> completeInterruptedWrite(const QStringList& group, const std::function<bool(const QString&)>& isWhole = {});
bool isTemporaryName(const QString& fileName);

// How long a replace the platform refused is tried again (the platform file):
// Windows refuses to replace a file another workstation has open.
int replaceRetryMs();

// Test seam: consulted before every step of every write. A hook that returns
// an errno value makes that step fail with it, as a full disk would.
// NoReplaceRename is the file system's own rename that refuses to replace
// (writeNew on Linux): failed with EINVAL it stands for a file system that
// lacks one, and writeNew takes its way around, as it would there.
enum class Step { Create, Write, Sync, Close, Rename, NoReplaceRename };
using FaultHook = std::function<int(Step step, const QString& target)>;
void setFaultHook(FaultHook hook);

} // namespace TextFile
