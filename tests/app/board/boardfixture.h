#pragma once

#include "app/board/gridinteraction.h"
#include "app/board/mainwindow.h"
#include "app/board/sessioncontrol.h"
#include "app/board/toolbar.h"
#include "app/dialogs/backupsdialog.h"
#include "app/dialogs/helpwindow.h"
#include "app/dialogs/preferencesdialog.h"
#include "app/sortprint/gridsortprintdialog.h"
#include "gridview/columnmenupopup.h"
#include "gridview/gridview.h"
#include "tests/support/fakeservices.h"
#include "tests/support/testfolder.h"
#include "widgets/led.h"

#include <QAction>
#include <QMenu>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

#include <memory>

// One workstation: its own names, clock, scripted answers and sounds, and a
// main window on a shared data folder.
struct Workstation
{
    Workstation(const TestFolder& folder, const QString& computer, const QString& user)
        : fake(computer, user)
    {
        window = MainWindow::create(folder.folder(), fake.services());
        if (!window)
            return;
        // "Grid Sort / Print" made in this process, not loaded from its
        // module, so that a test can reach into it.
        window->setSortPrintMaker([](const DataFolder& f, Preferences& prefs, Messages& messages, QWidget* parent,
                                     QString&) -> SortPrintWindow* {
            return new GridSortPrintDialog(f, prefs, messages, parent);
        });
        window->onActivated();
    }
    MainWindow* operator->() const { return window.get(); }

    FakeWorkstation fake;
    std::unique_ptr<MainWindow> window;
};

// The parts of a board as a test finds them: by object name, as a user sees
// them. Dialogs that are made at first use are opened as the user opens
// them, once, and come back closed with their state kept.
namespace board {

inline MainWindow* windowOf(MainWindow* w) { return w; }
inline MainWindow* windowOf(const Workstation& ws) { return ws.window.get(); }
inline MainWindow* windowOf(const std::unique_ptr<MainWindow>& w) { return w.get(); }

template<class T, class W>
T* child(const W& w, const char* name)
{
    return windowOf(w)->template findChild<T*>(QString::fromLatin1(name));
}

template<class W> GridView* gridView(const W& w) { return child<GridView>(w, "StringGrid1"); }
template<class W> GridInteraction& interaction(const W& w) { return *child<GridInteraction>(w, "gridInteraction"); }
template<class W> SessionControl& sessionControl(const W& w) { return *child<SessionControl>(w, "sessionControl"); }
template<class W> GridEditor& editor(const W& w) { return interaction(w).editor(); }
template<class W> QToolButton* button(const W& w, const char* name) { return child<QToolButton>(w, name); }
template<class W> QToolButton* updateButton(const W& w) { return button(w, "SpeedButton1"); }
template<class W> QToolButton* cancelButton(const W& w) { return button(w, "SpeedButton2"); }
template<class W> QToolButton* editingButton(const W& w) { return button(w, "SpeedButton8"); }
template<class W> Led* led(const W& w) { return child<Led>(w, "LED1"); }
template<class W> QAction* beepAction(const W& w) { return child<QAction>(w, "Beeponanyupdates1"); }
template<class W> QMenu* updateMenu(const W& w) { return child<QMenu>(w, "PopupMenu5"); }
template<class W> ColumnMenuPopup* operationsMenu(const W& w) { return child<ColumnMenuPopup>(w, "PopupMenu1"); }
template<class W> ColumnMenuPopup* setupMenu(const W& w) { return child<ColumnMenuPopup>(w, "PopupMenu2"); }
template<class W> ColumnMenuPopup* columnMenu(const W& w) { return child<ColumnMenuPopup>(w, "PopupMenu3"); }
template<class W> QShortcut* undoShortcut(const W& w) { return child<QShortcut>(w, "undoShortcut"); }
template<class W> QShortcut* redoShortcut(const W& w) { return child<QShortcut>(w, "redoShortcut"); }
// Ctrl + `letter`, as the window's shortcut hears it.
template<class W> QShortcut* ctrlShortcut(const W& w, char letter)
{
    return child<QShortcut>(w, QByteArray("shortcut").append(letter).constData());
}
template<class W> bool updateGroupShown(const W& w) { return child<Toolbar>(w, "Panel8")->updateGroupShown(); }
template<class W> bool prefsShown(const W& w) { return child<Toolbar>(w, "Panel8")->prefsShown(); }

// Timer1 polls, Timer2 times the session out, Timer3 advances after a
// dialog's pick, Timer4 makes the hourly backup.
template<class W>
QTimer* timer(const W& w, int n)
{
    switch (n) {
    case 1: return &windowOf(w)->board().session.pollTimer();
    case 2: return &windowOf(w)->board().session.timeoutTimer();
    case 3: return interaction(w).advanceTimer();
    case 4: return child<QTimer>(w, "Timer4");
    default: return nullptr;
    }
}

// A modal dialog of type T under `owner`: made by `open` unless it was made
// already, and left by `leave` as soon as it runs.
template<class T, class Open, class Leave>
T* madeOnce(QObject* owner, Open open, Leave leave)
{
    if (auto* made = owner->template findChild<T*>())
        return made;
    QTimer::singleShot(0, owner, [owner, leave] {
        if (auto* d = owner->template findChild<T*>())
            leave(d);
    });
    open();
    return owner->template findChild<T*>();
}

// "Prefs" clicked once: the modal dialog is left at once, without "OK".
template<class W>
PreferencesDialog* preferencesDialog(const W& w)
{
    MainWindow* window = windowOf(w);
    return madeOnce<PreferencesDialog>(
        window, [window] { window->onPrefsClicked(); }, [](PreferencesDialog* d) { d->accept(); });
}

// "Restore…" pressed once in the preferences, then closed.
template<class W>
BackupsDialog* backupsDialog(const W& w)
{
    PreferencesDialog* prefs = preferencesDialog(w);
    return madeOnce<BackupsDialog>(
        prefs, [prefs] { QMetaObject::invokeMethod(prefs, "restoreRequested"); },
        [](BackupsDialog* d) { d->reject(); });
}

// "Grid Sort / Print" opened once from the toolbar, then closed.
template<class W>
GridSortPrintDialog* sortPrintDialog(const W& w)
{
    MainWindow* window = windowOf(w);
    if (auto* made = window->template findChild<GridSortPrintDialog*>())
        return made;
    child<QAction>(w, "PrintSortGrid1")->trigger();
    auto* d = window->template findChild<GridSortPrintDialog*>();
    d->closeWithoutEffect();
    return d;
}

// A dialog made at first use, or null while it was never opened.
template<class T, class W> T* dialog(const W& w) { return windowOf(w)->template findChild<T*>(); }
template<class T, class W> bool shown(const W& w) { return dialog<T>(w) && dialog<T>(w)->isVisible(); }

template<class W> HelpWindow* helpWindow(const W& w) { return windowOf(w)->template findChild<HelpWindow*>(); }

} // namespace board
