#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One item of a column's right-click menu. Values carry their caption as the
// text a pick writes into the cell; columnBreak starts a new menu column
// (without a separating bar).
struct ColumnMenuItem
{
    enum Kind { Head, UpdateOff, SkipCell, ClearCell, DateTime, Value };
    Kind kind = Value;
    QString caption;
    bool columnBreak = false;

    // A pick compares captions: a value line reading "DATE/TIME" opens the
    // Date / Time dialog as the fixed item does.
    bool opensDateTime() const { return kind == DateTime || caption == u"DATE/TIME"; }

    bool operator==(const ColumnMenuItem&) const = default;
};

// The menu of a column from its title and the lines of its menu file
// (loadColumnMenu in store/columnmenufile.h reads the file). Without a file
// (fileExists = false) the menu is "[EMPTY]" with the fixed items only.
QList<ColumnMenuItem> buildColumnMenu(const QString& title, bool fileExists, const QStringList& fileLines);
