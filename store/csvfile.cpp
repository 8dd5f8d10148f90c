#include "store/csvfile.h"

#include <QStringDecoder>

#include <algorithm>
#include <utility>

namespace CsvFile {

namespace {

bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

// The separator that the first line (outside quotes) holds most of; the
// comma when none beats it.
QChar pickSeparator(const QString& text)
{
    int comma = 0, semicolon = 0, tab = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"')
            quoted = !quoted;   // a doubled quote toggles twice
        else if (!quoted && isLineEnd(c))
            break;
        else if (!quoted)
            comma += c == u',', semicolon += c == u';', tab += c == u'\t';
    }
    if (semicolon > comma && semicolon >= tab)
        return u';';
    if (tab > comma && tab > semicolon)
        return u'\t';
    return u',';
}

// Reads one record after another, counting the text's lines as it goes.
class Reader
{
public:
    Reader(const QString& text, QChar separator) : m_text(text), m_separator(separator) {}

    enum Result { Record, End, Error };
    Result next(QStringList& fields, int& startLine, Problem& problem);

private:
    void skipLineEnd()
    {
        if (m_text[m_pos] == u'\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\n')
            ++m_pos;
        ++m_pos;
        ++m_line;
    }
    bool fieldEnds() const { return m_pos >= m_text.size() || m_text[m_pos] == m_separator || isLineEnd(m_text[m_pos]); }
    bool readQuoted(QString& field, Problem& problem);

    const QString& m_text;
    const QChar m_separator;
    qsizetype m_pos = 0;
    int m_line = 1;
};

bool Reader::readQuoted(QString& field, Problem& problem)
{
    const int opened = m_line;
    ++m_pos;
    for (;;) {
        if (m_pos >= m_text.size()) {
            problem = {opened, QStringLiteral("a quoted field is not closed")};
            return false;
        }
        const QChar c = m_text[m_pos];
        if (c == u'"') {
            if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'"') {
                field += u'"';
                m_pos += 2;
                continue;
            }
            ++m_pos;
            break;
        }
        if (isLineEnd(c)) {
            field += u'\n';
            skipLineEnd();
            continue;
        }
        field += c;
        ++m_pos;
    }
    if (!fieldEnds()) {
        problem = {m_line, QStringLiteral("text follows a closing quote")};
        return false;
    }
    return true;
}

Reader::Result Reader::next(QStringList& fields, int& startLine, Problem& problem)
{
    fields.clear();
    while (m_pos < m_text.size() && isLineEnd(m_text[m_pos]))
        skipLineEnd();
    if (m_pos >= m_text.size())
        return End;
    startLine = m_line;
    for (;;) {
        QString field;
        if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
            if (!readQuoted(field, problem))
                return Error;
        } else {
            // A quote inside an unquoted field is taken as it stands.
            const qsizetype start = m_pos;
            while (!fieldEnds())
                ++m_pos;
            field = m_text.mid(start, m_pos - start);
        }
        fields.append(field);
        if (fields.size() > kMaxFields) {
            problem = {startLine, QStringLiteral("more than %1 fields").arg(kMaxFields)};
            return Error;
        }
        if (m_pos >= m_text.size() || m_text[m_pos] != m_separator)
            break;
        ++m_pos;
    }
    if (m_pos < m_text.size())
        skipLineEnd();
    return Record;
}

bool needsQuotes(const QString& field)
{
    for (const QChar c : field)
        if (c == u',' || c == u'"' || c == u';' || c == u'\t' || isLineEnd(c))
            return true;
    return false;
}

} // namespace

QString decode(QByteArrayView bytes, bool* utf8)
{
    // Excel's "Unicode Text" is UTF-16 with its mark.
    for (const auto& [mark, encoding] : {std::pair{QByteArrayView("\xFF\xFE", 2), QStringDecoder::Utf16LE},
                                         std::pair{QByteArrayView("\xFE\xFF", 2), QStringDecoder::Utf16BE}}) {
        if (bytes.startsWith(mark)) {
            QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
            QString text = decoder.decode(bytes.sliced(2));
            if (utf8)
                *utf8 = !decoder.hasError();
            return decoder.hasError() ? TextFile::decode(bytes) : text;
        }
    }
    static constexpr char kBom[] = "\xEF\xBB\xBF";
    if (bytes.startsWith(QByteArrayView(kBom, 3)))
        bytes = bytes.sliced(3);
    // The mark is dropped here once; a second one is text, which the
    // decoder would otherwise drop too.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    const bool valid = !decoder.hasError();
    if (utf8)
        *utf8 = valid;
    return valid ? text : TextFile::decode(bytes);
}

bool parse(const QString& text, Table& table, Problem& problem)
{
    table = Table();
    // A control character is no text of a schedule: a file in another
    // encoding, or no table at all. Its line is named.
    const auto control = std::find_if(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() < 0x20 && c != u'\t' && !isLineEnd(c);
    });
    if (control != text.cend()) {
        const QStringView before(text.cbegin(), control);
        const int line = int(before.count(u'\n') + before.count(u'\r') - before.count(u"\r\n")) + 1;
        problem = {line, QStringLiteral("a control character (code %1) that no cell can hold").arg(control->unicode())};
        return false;
    }
    table.separator = pickSeparator(text);
    Reader reader(text, table.separator);
    int line = 0;
    Reader::Result r = reader.next(table.header, line, problem);
    if (r == Reader::End) {
        problem = {0, QStringLiteral("the file holds no lines")};
        return false;
    }
    QStringList fields;
    while (r == Reader::Record && (r = reader.next(fields, line, problem)) == Reader::Record) {
        if (fields.size() > table.header.size()) {
            problem = {line, QStringLiteral("%1 fields where the first line has %2")
                                 .arg(fields.size()).arg(table.header.size())};
            return false;
        }
        if (table.rows.size() >= kMaxRecords) {
            problem = {line, QStringLiteral("more than %1 lines").arg(kMaxRecords)};
            return false;
        }
        while (fields.size() < table.header.size())
            fields.append(QString());
        table.rows.append(fields);
        table.lines.append(line);
    }
    return r != Reader::Error;
}

QByteArray format(const QList<QStringList>& rows)
{
    QString text;
    for (const QStringList& row : rows) {
        QStringList fields;
        fields.reserve(row.size());
        for (const QString& field : row)
            fields.append(needsQuotes(field) ? u'"' + QString(field).replace(u'"', QStringLiteral("\"\"")) + u'"'
                                             : field);
        // A line of one empty field would be an empty line, which a reader skips.
        text += fields == QStringList{QString()} ? QStringLiteral("\"\"") : fields.join(u',');
        text += QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

FileResult<Table> read(const QString& path)
{
    const TextFile::BytesResult bytes = TextFile::readBytes(path, kMaxBytes);
    if (!bytes.ok())
        return FileOutcome(bytes);
    Table table;
    Problem problem;
    bool utf8 = true;
    if (!parse(decode(bytes.value, &utf8), table, problem)) {
        const QString name = QFileInfo(path).fileName();
        return FileOutcome::told(FileStatus::Malformed, path,
                                 problem.line > 0
                                     ? QStringLiteral("%1, line %2: %3.").arg(name).arg(problem.line).arg(problem.reason)
                                     : QStringLiteral("%1: %2.").arg(name, problem.reason));
    }
    table.utf8 = utf8;
    return {FileOutcome::done(path), table};
}

TextFile::WriteResult write(const QString& path, const QList<QStringList>& rows)
{
    // A read-only file stays as it is, as Windows keeps it; here the
    // temporary file renamed over it would replace it.
    // The bits as stored: "user" would ask what this user may do, and root may.
    constexpr QFile::Permissions kAnyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (const QFileInfo target(path); target.exists() && (!target.isWritable() || !(target.permissions() & kAnyWrite)))
        return FileOutcome::saveFailed(path, QStringLiteral("the file is read-only."), FileStatus::Refused);
    return TextFile::writeBytes(path, format(rows));
}

} // namespace CsvFile
