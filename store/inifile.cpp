#include "store/inifile.h"

namespace {

// Lines end in CR LF, LF or a lone CR; a final line break adds no empty line.
QList<QByteArray> splitRawLines(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.append(bytes.mid(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(bytes.mid(start));
    return lines;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

IniFile::IniFile(const QString& path) : m_path(path) {}

FileResult<IniFile> IniFile::read(const QString& path, qint64 maxBytes)
{
    const TextFile::BytesResult r = TextFile::readBytes(path, maxBytes);
    if (r.ok())
        return {r, fromBytes(r.value, path)};
    IniFile file(path);
    file.m_readStatus = r.status;
    file.m_readError = r.reason;
    return {r, file};
}

IniFile IniFile::fromBytes(const QByteArray& bytes, const QString& path)
{
    IniFile file(path);
    file.m_readStatus = FileStatus::Ok;
    for (const QByteArray& raw : splitRawLines(bytes))
        file.m_lines.append(parse(raw));
    return file;
}

IniFile::Line IniFile::parse(const QByteArray& raw)
{
    Line line;
    line.raw = raw;
    const QString text = TextFile::decode(raw).trimmed();
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close > 0) {
            line.kind = Line::Section;
            line.name = text.mid(1, close - 1).trimmed();
        }
        return line;
    }
    const qsizetype eq = text.indexOf(u'=');
    if (eq > 0) {
        line.name = text.left(eq).trimmed();
        line.value = text.mid(eq + 1).trimmed();
        if (!line.name.isEmpty())
            line.kind = Line::Entry;
    }
    return line;
}

IniFile::Line IniFile::entryLine(const QString& key, const QString& value)
{
    QString v = value;
    v.replace(u'\r', u' ');
    v.replace(u'\n', u' ');
    return parse(TextFile::encode(key + u'=' + v));
}

qsizetype IniFile::findSection(const QString& section, qsizetype* end) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind != Line::Section || !sameName(m_lines[i].name, section))
            continue;
        if (end) {
            qsizetype e = i + 1;
            while (e < m_lines.size() && m_lines[e].kind != Line::Section)
                ++e;
            *end = e;
        }
        return i;
    }
    return -1;
}

qsizetype IniFile::findEntry(const QString& section, const QString& key) const
{
    qsizetype end = 0;
    const qsizetype start = findSection(section, &end);
    if (start < 0)
        return -1;
    for (qsizetype i = start + 1; i < end; ++i) {
        if (m_lines[i].kind == Line::Entry && sameName(m_lines[i].name, key))
            return i;
    }
    return -1;
}

bool IniFile::contains(const QString& section, const QString& key) const
{
    return findEntry(section, key) >= 0;
}

QString IniFile::value(const QString& section, const QString& key, const QString& fallback) const
{
    const qsizetype i = findEntry(section, key);
    return i < 0 ? fallback : m_lines[i].value;
}

int IniFile::intValue(const QString& section, const QString& key, int fallback) const
{
    const qsizetype i = findEntry(section, key);
    if (i < 0)
        return fallback;
    bool ok = false;
    const int n = m_lines[i].value.toInt(&ok, 10);
    return ok ? n : fallback;
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value)
{
    if (const qsizetype i = findEntry(section, key); i >= 0) {
        Line line = entryLine(m_lines[i].name, value);
        if (line.value != m_lines[i].value) {
            m_lines[i] = line;
            m_changed = true;
        }
        return;
    }
    m_changed = true;
    qsizetype end = 0;
    const qsizetype start = findSection(section, &end);
    if (start < 0) {
        m_lines.append(parse(TextFile::encode(u'[' + section + u']')));
        m_lines.append(entryLine(key, value));
        return;
    }
    // After the section's last entry, so that blank lines or comments
    // before the next section stay where they are.
    qsizetype at = start + 1;
    for (qsizetype i = start + 1; i < end; ++i) {
        if (m_lines[i].kind == Line::Entry)
            at = i + 1;
    }
    m_lines.insert(at, entryLine(key, value));
}

void IniFile::setInt(const QString& section, const QString& key, int value)
{
    setValue(section, key, QString::number(value));
}

QByteArray IniFile::bytes() const
{
    QByteArray out;
    for (const Line& line : m_lines) {
        out += line.raw;
        out += "\r\n";
    }
    return out;
}

TextFile::WriteResult IniFile::write() const
{
    // Written over, what could not be read would be lost.
    if (m_readStatus != FileStatus::Ok && m_readStatus != FileStatus::Missing)
        return FileOutcome::saveFailed(m_path, m_readError, m_readStatus);
    if (m_readStatus == FileStatus::Ok && !m_changed)
        return FileOutcome::done(m_path);
    return TextFile::writeBytes(m_path, bytes());
}
