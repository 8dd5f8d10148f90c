#pragma once

#include "base/preferences.h"
#include "coord/updatesession.h"
#include "grid/griddata.h"
#include "grid/griddocument.h"
#include "tests/support/fakeservices.h"

// One simulated workstation on a shared folder: its grid, preferences, fake
// identity and clock, and the update session over them. Network polling is
// on, every `updateInterval` seconds.
struct Station
{
    Station(const DataFolder& folder, const QString& computer, const QString& user,
            const QString& updateInterval = QStringLiteral("7"))
        : identity(computer, user), session(folder, document, prefs, identity, clock)
    {
        prefs.updateInterval = updateInterval;
        prefs.network = true;
    }
    GridDocument document;
    GridData& grid = document.draft();
    Preferences prefs;
    FakeIdentity identity;
    FakeClock clock;
    UpdateSession session;
};
