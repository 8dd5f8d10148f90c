#include "grid/columnmenu.h"

namespace {

const QString kDate = QStringLiteral("&Date");
const QString kBreak = QStringLiteral("&break");

// A cell holds one line: a caption with a line break in it would split the
// row when the grid is saved, so a break inside a line counts as a line end.
QStringList singleLines(const QStringList& lines)
{
    QStringList out;
    out.reserve(lines.size());
    for (const QString& line : lines) {
        if (!line.contains(u'\r') && !line.contains(u'\n')) {
            out.append(line);
            continue;
        }
        QString l = line;
        l.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        l.replace(u'\r', u'\n');
        out.append(l.split(u'\n'));
    }
    return out;
}

} // namespace

QList<ColumnMenuItem> buildColumnMenu(const QString& title, bool fileExists, const QStringList& fileLines)
{
    const QStringList lines = fileExists ? singleLines(fileLines) : QStringList();

    QList<ColumnMenuItem> menu;
    menu.reserve(lines.size() + 5);
    menu.append({ColumnMenuItem::Head, fileExists ? title.toUpper() : QStringLiteral("[EMPTY]")});
    menu.append({ColumnMenuItem::UpdateOff, QStringLiteral("UPDATE OFF")});
    menu.append({ColumnMenuItem::SkipCell, QStringLiteral("SKIP CELL")});
    menu.append({ColumnMenuItem::ClearCell, QStringLiteral("CLEAR CELL")});
    if (lines.contains(kDate))
        menu.append({ColumnMenuItem::DateTime, QStringLiteral("DATE/TIME")});

    for (const QString& line : lines) {
        if (line.contains(kDate))
            continue;
        if (line.contains(kBreak))
            menu.append({ColumnMenuItem::Value, line.left(line.indexOf(u'&')), true});
        else
            menu.append({ColumnMenuItem::Value, line});
    }
    return menu;
}
