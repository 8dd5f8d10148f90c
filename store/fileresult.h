#pragma once

#include <QFileInfo>
#include <QString>

#include <utility>

// What the callers of file and lock operations tell apart.
enum class FileStatus {
    Ok,
    Missing,     // absent, or not a regular file (a link, FIFO, device or folder)
    TooLarge,    // over the reader's cap
    Malformed,   // read, but not what a file of its kind holds
    Refused,     // a linked folder on the way, or no permission to open it
    Busy,        // in use: locked by another workstation, or the name is taken
    Failed,      // anything else the system refused (I/O, a full disk)
};

// How every file and lock operation of the store and the lock protocol ends:
// a status, the file it concerns with the reason and the text for the user,
// and the operation's value.
struct [[nodiscard]] FileOutcome
{
    FileStatus status = FileStatus::Ok;
    QString path;      // the file or folder concerned
    QString reason;    // why it failed; empty on success
    QString message;   // for the user, naming the file and the reason
    bool ok() const { return status == FileStatus::Ok; }
    // For files whose absence means "empty" or "not made yet".
    bool okOrMissing() const { return ok() || status == FileStatus::Missing; }
    QString fileName() const { return QFileInfo(path).fileName(); }

    // "<file>: <reason>"
    static FileOutcome failed(FileStatus status, const QString& path, const QString& reason)
    {
        return {status, path, reason, QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), reason)};
    }
    // "Could not save <file>:\r<reason>"
    static FileOutcome saveFailed(const QString& path, const QString& reason,
                                  FileStatus status = FileStatus::Failed)
    {
        return {status, path, reason, QStringLiteral("Could not save %1:\r%2").arg(QFileInfo(path).fileName(), reason)};
    }
    // A failure whose reason is a whole sentence for the user, naming the
    // file or folder itself.
    static FileOutcome told(FileStatus status, const QString& path, const QString& sentence)
    {
        return {status, path, sentence, sentence};
    }
    static FileOutcome done(const QString& path = {}) { return {FileStatus::Ok, path, {}, {}}; }
};

template <typename T = void>
struct [[nodiscard]] FileResult : FileOutcome
{
    FileResult() = default;
    // The outcome of a step, the value still to be filled in.
    FileResult(const FileOutcome& outcome) : FileOutcome(outcome) {}
    FileResult(const FileOutcome& outcome, T v) : FileOutcome(outcome), value(std::move(v)) {}
    T value {};
};

template <>
struct [[nodiscard]] FileResult<void> : FileOutcome
{
    FileResult() = default;
    FileResult(const FileOutcome& outcome) : FileOutcome(outcome) {}
};
