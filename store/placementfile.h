#pragma once

#include "store/inifile.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

// The placement file keeps, between runs, where a form stood and what a few
// of its controls held: one section per form, named after the form, with
// "Top", "Left", "Width" and "Height" and one "<control>.<property>" entry
// per kept property. It lies in the shared data folder, so the last
// workstation to end writes what every workstation reads at its next start.
namespace PlacementFile {

// The executable's file name up to its first dot, every character after the
// first in lower case: "SchedBoard" gives "Schedboard".
QString applicationTitle(const QString& executableName);
// The title + ".ini" in `folder`.
QString path(const QString& folder, const QString& executableName);

// A form's edges and extent as stored; 0 is "none stored" and is never
// applied, so a stored 0 never moves an edge to 0.
struct Numbers
{
    int top = 0;
    int left = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Numbers&) const = default;
};
// A missing entry or one that is not a whole number gives 0.
Numbers readNumbers(const IniFile& file, const QString& section);
void writeNumbers(IniFile& file, const QString& section, const Numbers& numbers);

struct FormPlacement
{
    QRect rect;          // where the form goes
    bool move = false;   // a stored edge applies
};
// Where a form now at `current` goes: each stored number that is not 0
// replaces its edge, and a positive width or height its extent, though only
// for a form the user can resize. A fixed-size form keeps its own size: a
// size edited by hand or stored with another platform's frame would clip it
// on every workstation for good. A stored place that would stand partly off
// `screens` (the file is shared, and another workstation's screens differ)
// moves wholly inside the screen it stands on most, shrunk to fit it, and
// the size stays at least `minimum`, as for the main window.
FormPlacement placeForm(const Numbers& stored, const QRect& current, bool resizable,
                        const QList<QRect>& screens, const QSize& minimum);

// What a normal end writes for a form now at `now` that the placement put at
// `placed`: a stored number whose edge or extent is still where the placement
// put it is written back as stored, so that placing alone (keeping it on a
// screen, this platform's frame) never rewrites the file; a fixed-size form's
// stored width and height always are. Anything else is the form's own.
Numbers numbersToWrite(const Numbers& stored, const QRect& placed, const QRect& now, bool resizable);

// "Text", "Checked", "Position", "InitialDir", "FileName", sorted.
QStringList persistedPropertyNames();
// Whether a control's property is kept: its name, or the control's class
// name, a dot and its name, is in `names`, ignoring case.
bool isPersistedProperty(const QStringList& names, const QString& className, const QString& propertyName);

// The stored text of a property value: "TRUE" or "FALSE" for a bool, decimal
// digits for an int, a string as it is; empty for any other type (nothing is
// stored then).
QString propertyToText(const QVariant& value);
// The value `text` gives a property that now holds `current`, converted to
// its type; nothing when it does not convert. Only "TRUE" and "FALSE", exactly
// so, are booleans.
std::optional<QVariant> textToProperty(const QVariant& current, const QString& text);

} // namespace PlacementFile
