#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The order in which the board sorts texts without regard to letter case:
// the Unicode root collation at secondary strength (accents count, case does
// not; spaces and punctuation before digits before letters). Its weights are
// a table of the project's own, so boards on every platform and in every
// locale sort one shared schedule the same way: Qt for Windows collates
// through the system, not ICU, and would order rows differently.
namespace TextOrder {

// A key whose byte order is the text's order; equal keys for texts that
// differ only in letter case. Characters no grid file can hold sort after
// all others, by code point.
QByteArray sortKey(const QString& text);

// Negative, zero or positive as `a` sorts before, with, or after `b`.
int compare(const QString& a, const QString& b);

// Sorts in that order; texts that compare equal keep their order.
void sort(QStringList& texts);

} // namespace TextOrder
