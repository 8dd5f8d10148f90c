#include "grid/grideditor.h"

#include "grid/colorcodes.h"

// What the commands are called and where they sit: their captions, their
// Ctrl letters and the operations menu. They are the same for every grid.

QString GridEditor::caption(Command c)
{
    switch (c) {
    case Command::CopyRow: return QStringLiteral("Copy Row  (Ctrl c)");
    case Command::CopyCell: return QStringLiteral("Copy Cell");
    case Command::PasteRow: return QStringLiteral("Paste Row  (Ctrl p)");
    case Command::PasteCell: return QStringLiteral("Paste Cell");
    case Command::AddRow: return QStringLiteral("Add Row  (Ctrl a)");
    case Command::AddColumn: return QStringLiteral("Add Column");
    case Command::InsertRow: return QStringLiteral("Insert Row  (Ctrl i)");
    case Command::InsertColumn: return QStringLiteral("Insert Column");
    case Command::InsertCell: return QStringLiteral("Insert Cell");
    case Command::ClearRow: return QStringLiteral("Clear Row");
    case Command::ClearColumn: return QStringLiteral("Clear Column");
    case Command::ClearCell: return QStringLiteral("Clear Cell");
    case Command::DeleteRow: return QStringLiteral("Delete Row  (Ctrl d)");
    case Command::DeleteColumn: return QStringLiteral("Delete Column");
    case Command::DeleteCell: return QStringLiteral("Delete Cell");
    case Command::DeleteBlankLines: return QStringLiteral("Delete Blank Lines");
    case Command::IncrementColumn: return QStringLiteral("Increment Column");
    case Command::ClearGridColors: return QStringLiteral("Clear Grid Colors");
    case Command::AlternateColors: return QStringLiteral("Alternate Colors");
    }
    return {};
}

std::optional<GridEditor::Command> GridEditor::shortcut(QChar letter)
{
    switch (letter.toUpper().unicode()) {
    case u'A': return Command::AddRow;
    case u'C': return Command::CopyRow;
    case u'D': return Command::DeleteRow;
    case u'I': return Command::InsertRow;
    case u'P': return Command::PasteRow;
    default: return std::nullopt;
    }
}

QList<GridEditor::MenuEntry> GridEditor::operationsMenu()
{
    QList<MenuEntry> menu;
    auto command = [&](Command c, bool columnBreak = false) {
        menu.append({caption(c), MenuEntry::CommandItem, c, 0, columnBreak});
    };
    auto color = [&](int code, bool columnBreak = false) {
        menu.append({ColorCodes::menuCaption(code), MenuEntry::ColorItem, Command::CopyRow, code, columnBreak});
    };

    for (Command c : {Command::CopyRow, Command::CopyCell, Command::PasteRow, Command::PasteCell, Command::AddRow,
                      Command::AddColumn, Command::InsertRow, Command::InsertColumn, Command::InsertCell})
        command(c);

    color(ColorCodes::Clear, true);
    for (int code : {ColorCodes::Red, ColorCodes::Yellow, ColorCodes::Orange, ColorCodes::Blue, ColorCodes::Green,
                     ColorCodes::Gray, ColorCodes::Violet, ColorCodes::Beige, ColorCodes::Brown, ColorCodes::Mask})
        color(code);

    command(Command::ClearRow, true);
    for (Command c : {Command::ClearColumn, Command::ClearCell, Command::DeleteRow, Command::DeleteColumn,
                      Command::DeleteCell, Command::DeleteBlankLines, Command::IncrementColumn})
        command(c);
    menu.append({QStringLiteral("Create List Records"), MenuEntry::CreateListRecords});
    command(Command::ClearGridColors);
    command(Command::AlternateColors);
    return menu;
}
