#include "store/businesshours.h"

#include "store/textfile.h"

#include <algorithm>

namespace BusinessHours {

bool parseCount(const QString& line, int& count)
{
    qsizetype i = 0;
    while (i < line.size() && (line[i] == u' ' || line[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < line.size() && (line[i] == u'-' || line[i] == u'+'))
        ++i;
    const qsizetype digitsFrom = i;
    while (i < line.size() && line[i] >= u'0' && line[i] <= u'9')
        ++i;
    if (i == digitsFrom)
        return false;
    if (i < line.size() && line[i] != u' ' && line[i] != u'\t')
        return false;
    const bool negative = line[start] == u'-';
    // Only whether it is above the maximum matters for long numbers.
    const QStringView digits = QStringView(line).mid(digitsFrom, i - digitsFrom);
    qsizetype significant = 0;
    while (significant < digits.size() - 1 && digits[significant] == u'0')
        ++significant;
    const QStringView value = digits.mid(significant);
    const int n = value.size() > 6 ? kMaxCount + 1 : value.toInt();
    count = std::clamp(negative ? -n : n, 1, kMaxCount);
    return true;
}

Table parse(const QStringList& lines)
{
    Table t;
    // A count line the file does not have reads as 0, hence 1.
    int columns = 1;
    if (!lines.isEmpty() && !parseCount(lines[0], columns))
        return t;
    t.columns = columns;
    int rows = 1;
    if (lines.size() > 1 && !parseCount(lines[1], rows))
        return t;
    t.rows = rows;
    const qsizetype total = qsizetype(columns) * rows;
    t.cells = lines.mid(2, total);
    while (t.cells.size() < total)
        t.cells.append(QString());
    return t;
}

FileResult<Table> read(const QString& path)
{
    const TextFile::ReadResult r = TextFile::read(path, TextFile::kListFileCap);
    if (!r.ok())
        return FileOutcome(r);
    return {r, parse(r.value)};
}

} // namespace BusinessHours
