#pragma once

#include "grid/griddata.h"

#include <QString>

// The two versions of the grid that the crash test's writer saves in turn:
// every cell, colour and fixed-column line tells its version (0 or 1).
inline GridData crashTestVersion(int v)
{
    const int cols = v == 0 ? 3 : 4;
    const int rows = v == 0 ? 20 : 25;
    GridData g(cols, rows);
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r)
            g.setCell(c, r, QStringLiteral("v%1 %2 %3").arg(v).arg(c).arg(r));
    for (int r = 1; r < rows; ++r)
        g.setRowColor(r, v == 0 ? 1 : 2);
    return g;
}
