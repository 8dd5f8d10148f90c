#pragma once

#include "app/board/boardcontext.h"
#include "app/board/printmodule.h"
#include "store/textfile.h"

#include <QStringList>
#include <QWidget>

#include <memory>

class BackupsDialog;
class FindBar;
class GridInteraction;
class SortPrintWindow;
class HelpWindow;
class HistoryWindow;
class PreferencesDialog;
class QSessionManager;
class QShortcut;
class StatusLine;
class SessionControl;
class SessionDialogs;
class SharedSettings;
class Toolbar;
class TrayIcon;

// The board's main window (Form1): the toolbar, the grid, the four timers,
// the update session's buttons and the three ways the program ends. It
// turns events into calls on the core and draws the core's state.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    // The board on `folder` with the given services, or null after the box
    // for the first missing required file was shown (the process then ends).
    static std::unique_ptr<MainWindow> create(const DataFolder& folder, const Services& services);
    ~MainWindow() override;

    // The first activation's set-up; later calls return at once.
    void onActivated();
    bool isActivated() const { return m_activated; }

    void onPrefsClicked();  // "Prefs"
    void onQuitClicked();   // "Quit"
    void onHelpClicked();   // help
    void onTrayClicked();   // "Tray"
    void onHistoryClicked();   // "History" (the bar's menu, Ctrl+H)
    // Saves the preferences and the user list as the dialog's "OK" does.
    TextFile::WriteResult savePreferences();
    // The end of the desktop session: with `canAsk` the user is asked
    // whether to save a running session; without, it is saved.
    void endOfDesktopSession(bool canAsk);

    // What the board's parts share; the application keeps the session.
    BoardContext& board() { return m_board; }
    // How "Grid Sort / Print" is made at its first opening; the default loads
    // the printing module beside the executable.
    void setSortPrintMaker(SortPrintMaker maker) { m_makeSortPrint = std::move(maker); }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    MainWindow(const DataFolder& folder, const Services& services);
    void buildWindow();
    void setUpIcons();
    void connectToolbar();
    void rememberGeometry();
    void applyPreferencesToWindow();
    void applyPrivileges();
    void onPrefsOk();
    // The dialogs, each made when it is first opened and kept for the run.
    PreferencesDialog* preferencesDialog();
    // Null when its module cannot be loaded (the user was told why).
    SortPrintWindow* sortPrintDialog();
    BackupsDialog* backupsDialog();
    // The user list as "OK" or the close saves it: the dialog's box once
    // made, else the list as read.
    QStringList userLines() const;
    void backupNow();
    void onCommitDataRequest(QSessionManager& manager);
    bool confirmClose();               // false when the close was refused

    // Made first, so that it comes before the grid in the tab order.
    Toolbar* m_toolbar = nullptr;           // Panel8
    BoardContext m_board;

    std::unique_ptr<SharedSettings> m_settings;
    // Where the remembered geometry put the window, clamped to the screens.
    WindowPlacement m_placement;
    // The window's last normal geometry, kept in the user's own settings.
    QRect m_ownPlace;

    bool m_activated = false;
    bool m_privilegesApplied = false;
    bool m_ending = false;          // the desktop session ends: close without the usual steps
    bool m_preferencesApplied = false;
    QStringList m_userLines;        // users.scd as read, for a dialog not made yet
    bool m_restoreAllowed = false;

    GridInteraction* m_interaction = nullptr;
    SessionControl* m_sessionControl = nullptr;
    StatusLine* m_statusLine = nullptr;     // StatusBar1
    TrayIcon* m_tray = nullptr;             // TrayIcon1 and "Tray"
    FindBar* m_findBar = nullptr;
    QShortcut* m_undoShortcut = nullptr;
    QShortcut* m_redoShortcut = nullptr;
    PreferencesDialog* m_prefsDialog = nullptr;   // Form2
    SessionDialogs* m_dialogs = nullptr;
    SortPrintWindow* m_sortPrintDialog = nullptr;   // Form7
    SortPrintMaker m_makeSortPrint = printModuleMaker(printModuleFile());
    BackupsDialog* m_backupsDialog = nullptr;
    HelpWindow* m_helpWindow = nullptr;
    HistoryWindow* m_historyWindow = nullptr;
    QShortcut* m_historyShortcut = nullptr;
};
