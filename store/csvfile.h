#pragma once

#include "store/fileresult.h"
#include "store/textfile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Comma-separated files as spreadsheets write and read them: the grid's way
// out to, and back from, other programs. Written in UTF-8 with a byte order
// mark, which is how Excel knows the file is UTF-8 rather than the
// workstation's code page; read as UTF-8 with or without the mark, and as
// Windows-1252 when the bytes are not UTF-8 (a file saved as "CSV" by an
// older Excel). Quoting follows the usual rules: a field holding the
// separator, a quote or a line break is quoted, quotes inside doubled.
namespace CsvFile {

// A file larger than this is refused rather than read: a full grid of long
// cells fits many times over.
constexpr qint64 kMaxBytes = 16 * 1024 * 1024;
constexpr int kMaxFields = 1100;      // per line: the grid's widest file and then some
constexpr int kMaxRecords = 10000;    // far beyond what the grid can take

struct Table
{
    QStringList header;              // the first line's fields
    QList<QStringList> rows;         // every later line, padded to the header's width
    QList<int> lines;                // the line each row starts on, counting from 1
    bool utf8 = true;                // false: read as Windows-1252
    QChar separator = u',';
};

// Where the text stops being a comma-separated table; line 0 when no line
// is to blame (the whole file is empty or too large).
struct Problem
{
    int line = 0;
    QString reason;
};

// The bytes as text: UTF-8 when they are valid UTF-8 (a byte order mark
// dropped), otherwise Windows-1252.
QString decode(QByteArrayView bytes, bool* utf8 = nullptr);

// A table from text. The separator is the comma, or the semicolon or tab
// when the first line holds more of those (spreadsheets in many locales
// save with semicolons). Lines end in CR LF, LF or CR; empty lines are
// skipped. A line with fewer fields than the first is padded with empty
// ones. A line break inside a quoted field is kept in the field.
bool parse(const QString& text, Table& table, Problem& problem);

// The rows as UTF-8 text with a byte order mark and CR LF line ends. Texts
// go out as they stand, a leading "=" included: the file is the office's
// own schedule, and a text changed on the way out would not come back as
// it was.
QByteArray format(const QList<QStringList>& rows);

// Reads and parses `path`: TooLarge over kMaxBytes, Malformed with
// "<file>, line <n>: <reason>" when it is not a table.
FileResult<Table> read(const QString& path);
// Writes the rows through the project's one write helper.
TextFile::WriteResult write(const QString& path, const QList<QStringList>& rows);

} // namespace CsvFile
