#include "app/desktop/unstorabletext.h"

#include "app/desktop/messageboxes.h"
#include "base/services.h"
#include "store/textfile.h"

#include <QStringList>

namespace {
// A pasted page of another script would make a box taller than the screen.
constexpr qsizetype kNamedAtMost = 20;
}

bool confirmUnstorableText(Messages& messages, const QString& text)
{
    const QStringList characters = TextFile::unencodable(text);
    if (characters.isEmpty())
        return true;
    QString named = characters.mid(0, kNamedAtMost).join(u' ');
    if (characters.size() > kNamedAtMost)
        named += QStringLiteral(" and %1 more").arg(characters.size() - kNamedAtMost);
    const QString question =
        (characters.size() == 1
             ? QStringLiteral("This character cannot be stored in the data files and would be saved as \"?\":\n\n%1")
             : QStringLiteral("These characters cannot be stored in the data files and would be saved as \"?\":\n\n%1"))
            .arg(named)
        + QStringLiteral("\n\nSave anyway?");
    return messages.askYesNo(question, kCentralOffset);
}

QString asStored(const QString& text)
{
    return TextFile::decode(TextFile::encode(text));
}
