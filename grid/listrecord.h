#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

#include <optional>

class GridData;
class Messages;

// List records: pre-set rows written on one line, "[description][colour]"
// followed by one "~value~" pair per grid column from column 1 on. The
// parser is kept exactly as the boards already in use read these records,
// quirks included, so that a list shared by several workstations pastes the
// same everywhere.
namespace ListRecord {

// Where the pointer goes for a paste warning.
constexpr QPoint kWarningOffset{10, 35};
// Where the pointer goes for the question of "Create List Records".
constexpr QPoint kDescriptionQuestionOffset{-30, 35};
// How much of a record after its description the paste reads.
constexpr int kMaxFieldText = 10000;

// The colour words the paste searches, in search order: each word padded to
// eight characters, then "Value:" and its colour code.
const QStringList& colorWordTable();
// The code of a colour word table entry: up to two digits after its ":".
int entryCode(const QString& entry);

enum class PasteStatus {
    Pasted,          // every field written; the dialog closes
    UnevenTildes,    // nothing written
    NoDescription,   // nothing written
    Truncated,       // more fields than grid columns: the colour and the fitting fields stay written
    NoTargetRow,     // the row is not a data row of the grid: nothing written
};

struct PasteResult
{
    PasteStatus status = PasteStatus::Pasted;
    bool changed = false;   // a cell or the row's colour was written
};

// Pastes `record` into data row `row`: its fields into columns 1, 2, ... and
// its colour word into the row's colour.
PasteResult paste(const QString& record, GridData& grid, int row);
// The warning a status shows; empty for Pasted.
QString warning(PasteStatus status);

// A record template with the grid's column titles as values.
QString preLine(const GridData& grid);

// "Create List Records": one record per data row of the grid, each followed
// by CR LF, for the clipboard. Asks through `messages` whether a column
// gives the descriptions. nullopt: the command stopped (Cancel, or a column
// number below 1) and the clipboard keeps what it holds.
std::optional<QString> createListRecords(const GridData& grid, Messages& messages);

} // namespace ListRecord
