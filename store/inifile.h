#pragma once

#include "store/textfile.h"

#include <QByteArray>
#include <QList>
#include <QString>

// An INI file as the Windows build reads and writes it: sections in square
// brackets, "key=value" lines, section and key names matched ignoring case,
// names and values trimmed. QSettings would match names case-sensitively on
// Linux and rewrite the whole file in its own layout, while this file is
// shared with Windows workstations and hand edits; so setting a value here
// changes only that value's line, and every other line is written back byte
// for byte.
//
// A line that is neither a section, nor an entry with a key, is ignored when
// reading and kept when writing. Where a section or key occurs twice, the
// first one counts.
class IniFile
{
public:
    // An empty file that write() creates at `path`.
    explicit IniFile(const QString& path = {});

    // The value is the file as read. A missing file gives an empty one; so
    // does a file that cannot be read, but that one is never replaced (see
    // write()). Missing, TooLarge, Refused or Failed as TextFile::readBytes().
    static FileResult<IniFile> read(const QString& path, qint64 maxBytes = TextFile::kSmallFileCap);
    // The file as if read from `path` with these bytes.
    static IniFile fromBytes(const QByteArray& bytes, const QString& path = {});

    QString path() const { return m_path; }

    bool contains(const QString& section, const QString& key) const;
    // The value, trimmed; `fallback` when the key is not there.
    QString value(const QString& section, const QString& key, const QString& fallback = {}) const;
    // A decimal integer with an optional sign; `fallback` when the key is
    // missing or its value is anything else, or does not fit an int.
    int intValue(const QString& section, const QString& key, int fallback = 0) const;

    // Replaces the value of an existing key (keeping the key as spelled in
    // the file), else adds the key at the end of its section, else adds the
    // section at the end of the file. Line breaks in `value` become spaces:
    // they would start entries of their own.
    void setValue(const QString& section, const QString& key, const QString& value);
    void setInt(const QString& section, const QString& key, int value);

    // Every line followed by CR LF.
    QByteArray bytes() const;
    bool isChanged() const { return m_changed; }

    // Writes the file through the atomic helper when it is new or changed.
    // A file that exists but could not be read is not replaced, since its
    // other sections would be lost: that is a failure, as is any failed step
    // of the write.
    TextFile::WriteResult write() const;

private:
    struct Line
    {
        enum Kind { Other, Section, Entry };
        Kind kind = Other;
        QByteArray raw;
        QString name;   // section name or key, trimmed
        QString value;  // an entry's value, trimmed
    };
    static Line parse(const QByteArray& raw);
    static Line entryLine(const QString& key, const QString& value);
    // Index of the section's header, or -1; end is one past its last line.
    qsizetype findSection(const QString& section, qsizetype* end = nullptr) const;
    qsizetype findEntry(const QString& section, const QString& key) const;

    QString m_path;
    FileStatus m_readStatus = FileStatus::Missing;
    QString m_readError;
    QList<Line> m_lines;
    bool m_changed = false;
};
