#pragma once

#include "grid/griddata.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

// The undo and redo steps of one update session. Each step keeps only what
// tells two neighbouring grids apart (the changed run of columns, and in each
// changed column the changed run of rows), sharing the unchanged columns with
// the grid, so a long session of cell edits, picks and row moves stays small.
//
// The window reports each finished change with record(); a change the grid
// does not show (a command that found nothing to do) leaves no step.
class GridHistory
{
public:
    // Steps beyond this many drop the oldest; far more than a session makes.
    static constexpr int kMaxSteps = 10000;

    // A session begins on `grid`: no steps.
    void start(const GridData& grid);
    // The session ended (saved, cancelled, timed out): steps and grid go.
    void clear();
    bool active() const { return m_base.has_value(); }

    // The grid now differs from the last recorded state by a change named
    // `label`; true when a step was kept. Redo steps are dropped. Changes with
    // the same non-empty `mergeKey` in a row (the keys typed into one cell)
    // make one step.
    bool record(const GridData& grid, const QString& label, const QString& mergeKey = {});

    bool canUndo() const { return !m_undo.isEmpty(); }
    bool canRedo() const { return !m_redo.isEmpty(); }
    QString undoLabel() const { return canUndo() ? m_undo.last().label : QString(); }
    QString redoLabel() const { return canRedo() ? m_redo.last().label : QString(); }
    int undoCount() const { return int(m_undo.size()); }

    // Puts the grid one step back (forward); false when there is none. A
    // change not yet recorded is recorded first, so it is what goes.
    bool undo(GridData& grid);
    bool redo(GridData& grid);

private:
    struct ColumnDelta
    {
        int keepTop = 0;        // rows equal at the top
        int keepBottom = 0;     // rows equal at the bottom
        CellColumn middle;      // the target's rows between them
    };
    // How to turn one grid (the "from") into another (the target).
    struct Step
    {
        QString label;
        int rows = 0;
        int keepLeft = 0;
        int keepRight = 0;
        // The target's columns between them: each a delta against the
        // from-grid's column at the same offset, or whole when the counts differ.
        QList<ColumnDelta> deltas;
        QList<CellColumn> whole;
        std::optional<std::array<quint8, GridData::kColorRows>> colors;
    };
    static Step diff(const GridData& from, const GridData& to, const QString& label);
    static GridData apply(const GridData& from, const Step& step);
    static std::array<quint8, GridData::kColorRows> colorsOf(const GridData& grid);
    void commitPending(const GridData& grid);
    // Takes the last step of `from`, applies it to the grid, puts its reverse on `to`.
    bool move(QList<Step>& from, QList<Step>& to, GridData& grid);

    std::optional<GridData> m_base;   // the grid as of the last step
    QString m_mergeKey;               // of the last step, while it may grow
    QList<Step> m_undo;
    QList<Step> m_redo;
};
