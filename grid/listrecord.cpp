#include "grid/listrecord.h"

#include "grid/colorcodes.h"
#include "grid/griddata.h"
#include "base/services.h"

namespace {

const QString kUnevenTildes = QStringLiteral("Uneven number of tildes in 'List' record.");
const QString kNoDescription = QStringLiteral("No description field in 'List' record.");
const QString kTruncating = QStringLiteral("'List' record columns greater than grid columns - truncating.");

// The text strictly between the first "[" and the first "]" of s; empty
// when either is missing or the "]" comes first.
QString firstBracketed(const QString& s)
{
    const qsizetype open = s.indexOf(u'[');
    const qsizetype close = s.indexOf(u']');
    if (open < 0 || close <= open)
        return {};
    return s.mid(open + 1, close - open - 1);
}

} // namespace

namespace ListRecord {

const QStringList& colorWordTable()
{
    static const QStringList table = [] {
        const struct { const char* word; int code; } words[12] = {
            {"Red", 1}, {"Orange", 2}, {"Yellow", 3}, {"Blue", 4}, {"Green", 5}, {"Gray", 6},
            {"Violet", 7}, {"Beige", 8}, {"Mask", 9}, {"White", 10}, {"Clear", 10}, {"Brown", 11},
        };
        QStringList t;
        for (bool lower : {false, true}) {
            for (const auto& w : words) {
                QString word = QString::fromLatin1(w.word);
                if (lower)
                    word = word.toLower();
                t.append(word.leftJustified(8, u' ') + QStringLiteral("Value:") + QString::number(w.code));
            }
        }
        return t;
    }();
    return table;
}

int entryCode(const QString& entry)
{
    const qsizetype colon = entry.indexOf(u':');
    if (colon < 0)
        return 0;
    return entry.mid(colon + 1, 2).toInt();
}

QString warning(PasteStatus status)
{
    switch (status) {
    case PasteStatus::Pasted:
        return {};
    case PasteStatus::UnevenTildes:
        return kUnevenTildes;
    case PasteStatus::NoDescription:
        return kNoDescription;
    case PasteStatus::Truncated:
        return kTruncating;
    case PasteStatus::NoTargetRow:
        return QStringLiteral("Click on a row first.");
    }
    return {};
}

PasteResult paste(const QString& record, GridData& grid, int row)
{
    PasteResult out;
    if (record.count(u'~') % 2 != 0) {
        out.status = PasteStatus::UnevenTildes;
        return out;
    }
    const qsizetype descriptionEnd = record.indexOf(u']');
    if (!record.contains(u'[') || descriptionEnd < 0) {
        out.status = PasteStatus::NoDescription;
        return out;
    }
    if (row < 1 || row >= grid.rowCount()) {
        out.status = PasteStatus::NoTargetRow;
        return out;
    }
    QString s = record.mid(descriptionEnd + 1, kMaxFieldText);

    // Every entry that holds the word is applied in turn, so a fragment such
    // as "e" ends on the last entry's colour; lists in use rely on it.
    if (const QString word = firstBracketed(s); !word.isEmpty()) {
        for (const QString& entry : colorWordTable()) {
            if (entry.contains(word)) {
                grid.setRowColor(row, entryCode(entry));
                out.changed = true;
            }
        }
    }
    // Whatever stands up to the first "]" goes, colour or not.
    if (const qsizetype close = s.indexOf(u']'); close >= 0)
        s.remove(0, close + 1);

    // The pairs are read by turning their tildes into brackets, so a bracket
    // already in the text moves where a value begins or ends.
    int column = 0;
    for (qsizetype tilde = s.indexOf(u'~'); tilde >= 0; tilde = s.indexOf(u'~')) {
        s[tilde] = u'[';
        if (const qsizetype second = s.indexOf(u'~'); second >= 0)
            s[second] = u']';
        const QString value = firstBracketed(s);
        if (++column > grid.colCount() - 1) {
            out.status = PasteStatus::Truncated;
            return out;
        }
        if (const qsizetype open = s.indexOf(u'['), close = s.indexOf(u']'); open >= 0 && close > open)
            s.remove(open, close - open + 1);
        if (value.isEmpty())
            continue;
        // One or two blanks are how a record empties a cell.
        grid.setCell(column, row, value == u" " || value == u"  " ? QString() : value);
        out.changed = true;
    }
    return out;
}

QString preLine(const GridData& grid)
{
    QString t = QStringLiteral("[description][color]");
    for (int c = 1; c < grid.colCount(); ++c)
        t += u'~' + grid.cell(c, 0) + u'~';
    return t;
}

std::optional<QString> createListRecords(const GridData& grid, Messages& messages)
{
    if (grid.rowCount() <= 1)
        return QString();

    const Answer answer = messages.askYesNoCancel(
        QStringLiteral("Use a column's cell data for\rthe list record description?"), kDescriptionQuestionOffset);
    if (answer == Answer::Cancel)
        return std::nullopt;
    bool columnMode = false;
    int number = 0;
    if (answer == Answer::Yes) {
        const std::optional<QString> text = messages.inputText(
            QStringLiteral("Column Number"), QStringLiteral("Enter column number for data's [description] field."),
            QString());
        // Not a number (or no answer): the literal description after all.
        if (text)
            number = text->trimmed().toInt(&columnMode);
        if (columnMode && number < 1)
            return std::nullopt;
    }

    QString out;
    for (int r = 1; r < grid.rowCount(); ++r) {
        const QString word = ColorCodes::recordWord(grid.rowColor(r));
        // Column number 1 is the fixed left column; one beyond the grid gives "[]".
        const QString description = columnMode ? grid.cell(number - 1, r) : QStringLiteral("description");
        out += u'[' + description + QStringLiteral("][") + word + u']';
        for (int c = 1; c < grid.colCount(); ++c)
            out += u'~' + grid.cell(c, r) + u'~';
        out += QStringLiteral("\r\n");
    }
    return out;
}

} // namespace ListRecord
