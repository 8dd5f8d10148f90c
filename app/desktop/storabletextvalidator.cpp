#include "app/desktop/storabletextvalidator.h"

#include "store/textfile.h"

#include <QSet>

#include <algorithm>

QValidator::State StorableTextValidator::validate(QString& input, int& pos) const
{
    const QStringList refusedCharacters = TextFile::unencodable(input);
    if (refusedCharacters.isEmpty())
        return Acceptable;
    const QSet<QString> drop(refusedCharacters.cbegin(), refusedCharacters.cend());
    QString kept;
    kept.reserve(input.size());
    int cursor = pos;
    for (qsizetype i = 0; i < input.size(); ++i) {
        const qsizetype length =
            input.at(i).isHighSurrogate() && i + 1 < input.size() && input.at(i + 1).isLowSurrogate() ? 2 : 1;
        const QString character = input.mid(i, length);
        if (drop.contains(character)) {
            if (i < pos)
                cursor -= int(length);
        } else {
            kept += character;
        }
        i += length - 1;
    }
    input = kept;
    pos = std::max(0, cursor);
    // Told after the fact: the line editor calls this from inside its edit.
    emit const_cast<StorableTextValidator*>(this)->refused(refusedCharacters);
    return Acceptable;
}

QString StorableTextValidator::notice(const QStringList& characters)
{
    QStringList quoted;
    for (const QString& c : characters)
        quoted.append(u'"' + c + u'"');
    return (characters.size() == 1
                ? QStringLiteral("%1 cannot be stored in the schedule's files and was left out.")
                : QStringLiteral("%1 cannot be stored in the schedule's files and were left out."))
        .arg(quoted.join(QStringLiteral(", ")));
}
