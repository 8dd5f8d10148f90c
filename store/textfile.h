#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The data files are 8-bit Windows-1252 text with CR LF line ends so that
// workstations running the Windows build read them byte for byte. This is
// the only place that converts: inside the program text is QString.
namespace TextFile {

QString decode(const QByteArray& bytes);
// A character Windows-1252 cannot hold becomes "?".
QByteArray encode(const QString& text);

// Lines end in CR LF, LF or a lone CR; a final line break adds no empty line.
QStringList splitLines(const QString& text);
// Every line, the last included, is followed by CR LF.
QByteArray joinLines(const QStringList& lines);

struct ReadResult {
    bool ok = false;
    QStringList lines;
    QString error;   // why the file could not be read
};
ReadResult read(const QString& path);

struct WriteResult {
    bool ok = true;
    QString path;
    QString error;   // empty on success
    explicit operator bool() const { return ok; }
    // "Could not save <file>: <reason>" for the user.
    QString message() const;
};
// Every file the program writes goes through here: a temporary file in the
// same folder renamed over the target, so a crash, a full disk or a reader on
// another workstation never meets a half-written file.
WriteResult writeBytes(const QString& path, const QByteArray& bytes);
// How long a replace the platform refused is tried again (the platform file):
// Windows refuses to replace a file another workstation has open.
int replaceRetryMs();
WriteResult write(const QString& path, const QStringList& lines);

} // namespace TextFile
