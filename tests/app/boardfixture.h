#pragma once

#include "app/mainwindow.h"
#include "app/sessioncontrol.h"
#include "tests/support/fakeservices.h"
#include "tests/support/testfolder.h"

#include <memory>

// One workstation: its own names, clock, scripted answers and sounds, and a
// main window on a shared data folder.
struct Workstation
{
    Workstation(const TestFolder& folder, const QString& computer, const QString& user)
        : fake(computer, user)
    {
        window = MainWindow::create(folder.folder(), fake.services());
        if (window)
            window->onActivated();
    }
    MainWindow* operator->() const { return window.get(); }

    FakeWorkstation fake;
    std::unique_ptr<MainWindow> window;
};
