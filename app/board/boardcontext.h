#pragma once

#include "base/preferences.h"
#include "base/services.h"
#include "coord/updatesession.h"
#include "grid/griddocument.h"
#include "gridview/gridview.h"
#include "store/datafolder.h"

// What the parts of one board share: its data folder and services, the
// grid (views read it, writers publish their changes through it) and the
// preferences the whole board reads, the update session over them,
// and the view that shows the grid. The main window owns it and hands it to
// the parts it wires; they keep a reference, so it never moves. The view is
// a child of `window`, which deletes it before the grid it shows goes.
struct BoardContext
{
    BoardContext(const DataFolder& dataFolder, const Services& boardServices, QWidget* window)
        : folder(dataFolder)
        , services(boardServices)
        , session(folder, document, prefs, *services.identity, *services.clock)
        , view(new GridView(document, prefs, window))
    {
    }
    BoardContext(const BoardContext&) = delete;
    BoardContext& operator=(const BoardContext&) = delete;

    const DataFolder folder;
    const Services services;
    GridDocument document;
    Preferences prefs;
    UpdateSession session;
    GridView* const view;
};
