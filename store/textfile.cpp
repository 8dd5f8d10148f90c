#include "store/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QSaveFile>
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

} // namespace

namespace TextFile {

QString decode(const QByteArray& bytes)
{
    QString out;
    out.resize(bytes.size());
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

ReadResult read(const QString& path)
{
    ReadResult r;
    QFile f(path);
    if (QFileInfo(path).isDir()) {
        r.error = QStringLiteral("it is a folder");
        return r;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        r.error = f.errorString();
        return r;
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        r.error = f.errorString();
        return r;
    }
    r.lines = splitLines(decode(bytes));
    r.ok = true;
    return r;
}

QString WriteResult::message() const
{
    return QStringLiteral("Could not save %1:\r%2").arg(QFileInfo(path).fileName(), error);
}

WriteResult writeBytes(const QString& path, const QByteArray& bytes)
{
    WriteResult r;
    r.path = path;
    QElapsedTimer waited;
    waited.start();
    for (int delayMs = 20;; delayMs = std::min(delayMs * 2, 500)) {
        QSaveFile f(path);
        if (!f.open(QIODevice::WriteOnly)) {
            r.ok = false;
            r.error = f.errorString();
            return r;
        }
        if (f.write(bytes) == bytes.size() && f.commit()) {
            r.ok = true;
            r.error.clear();
            return r;
        }
        r.ok = false;
        r.error = f.errorString();
        const bool replaceRefused = f.error() == QFileDevice::RenameError;
        f.cancelWriting();
        // A reader on another workstation can hold the old file open for a
        // moment where the platform refuses to replace an open file.
        if (!replaceRefused || waited.elapsed() + delayMs > replaceRetryMs())
            return r;
        QThread::msleep(delayMs);
    }
}

WriteResult write(const QString& path, const QStringList& lines)
{
    return writeBytes(path, joinLines(lines));
}

} // namespace TextFile
