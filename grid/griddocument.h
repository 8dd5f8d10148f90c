#pragma once

#include "grid/griddata.h"

#include <QMetaType>
#include <QObject>

// What one published change did to the grid, in the terms a view redraws
// by. Cells: the texts in the box firstCol..lastCol x firstRow..lastRow
// changed (an empty box when none did); rows or columns inserted or removed:
// `count` of them at `first`, nothing else moved; Reset: anything else.
// Colour changes come with every kind as the run of rows they touch.
struct GridChange
{
    enum Kind { None, Cells, RowsInserted, RowsRemoved, ColumnsInserted, ColumnsRemoved, Reset };
    Kind kind = None;
    int firstCol = 0, lastCol = -1, firstRow = 0, lastRow = -1;
    int first = 0, count = 0;
    int firstColorRow = 0, lastColorRow = -1;

    bool textsChanged() const { return lastCol >= firstCol && lastRow >= firstRow; }
    bool colorsChanged() const { return lastColorRow >= firstColorRow; }

    // The smallest of these that turns `before` into `after`.
    static GridChange between(const GridData& before, const GridData& after);
    bool operator==(const GridChange&) const = default;
};
Q_DECLARE_METATYPE(GridChange)

// The board's one grid. Views read data(); writers change draft() and
// publish() when their step is done, which tells every view what changed:
// aboutToChange while data() still holds the grid as it was, changed once it
// holds the draft. A view therefore never reads a grid half loaded or
// half edited, and a writer cannot reach the screen any other way.
class GridDocument : public QObject
{
    Q_OBJECT
public:
    explicit GridDocument(QObject* parent = nullptr);
    explicit GridDocument(const GridData& initial, QObject* parent = nullptr);

    const GridData& data() const { return m_shown; }
    GridData& draft() { return m_draft; }
    // The draft becomes the grid every view shows; a draft equal to it
    // announces nothing.
    GridChange publish();

signals:
    void aboutToChange(const GridChange& change);
    void changed(const GridChange& change);

private:
    GridData m_shown;
    GridData m_draft;
};
