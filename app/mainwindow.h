#pragma once

#include "app/gridinteraction.h"
#include "base/preferences.h"
#include "base/services.h"
#include "grid/griddata.h"
#include "store/datafolder.h"
#include "store/textfile.h"

#include <QStringList>
#include <QWidget>

#include <memory>

class BackupsDialog;
class GridSortPrintDialog;
class GridView;
class HelpWindow;
class Led;
class PreferencesDialog;
class QAction;
class QSessionManager;
class QShortcut;
class QStatusBar;
class QTimer;
class SessionControl;
class SessionDialogs;
class SharedSettings;
class Toolbar;
class TrayIcon;
class QToolButton;
class UpdateSession;

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

    void onPrefsClicked();      // "Prefs"
    void onQuitClicked();      // "Quit"
    void onHelpClicked();      // help
    void onTrayClicked();       // "Tray"
    // Saves the preferences and the user list as the dialog's "OK" does.
    TextFile::WriteResult savePreferences();
    // The end of the desktop session: with `canAsk` the user is asked
    // whether to save a running session; without, it is saved.
    void endOfDesktopSession(bool canAsk);

    // What tests and the application reach.
    UpdateSession& session() { return *m_session; }
    GridData& grid() { return m_grid; }
    Preferences& preferences() { return m_prefs; }
    GridView* gridView() const { return m_gridView; }
    GridInteraction& interaction() { return *m_interaction; }
    SessionControl& sessionControl() { return *m_sessionControl; }
    GridEditor& editor() { return m_interaction->editor(); }
    PreferencesDialog* preferencesDialog() const { return m_prefsDialog; }
    SessionDialogs& dialogs() { return *m_dialogs; }
    GridSortPrintDialog* sortPrintDialog() const { return m_sortPrintDialog; }
    BackupsDialog* backupsDialog() const { return m_backupsDialog; }
    HelpWindow* helpWindow() const { return m_helpWindow; }   // null until "?" was pressed
    QToolButton* updateButton() const;
    Led* led() const;
    QAction* beepAction() const;
    QTimer* timer(int n) const;
    bool updateGroupShown() const;
    ColumnMenuPopup* columnMenu() const { return m_interaction->columnMenu(); }
    ColumnMenuPopup* operationsMenu() const { return m_interaction->operationsMenu(); }
    ColumnMenuPopup* setupMenu() const { return m_interaction->setupMenu(); }
    QMenu* updateMenu() const { return m_interaction->updateMenu(); }
    QToolButton* editingButton() const;
    QToolButton* cancelButton() const;
    QToolButton* button(const char* objectName) const;
    bool prefsShown() const;
    TrayIcon* tray() const { return m_tray; }
    QShortcut* undoShortcut() const { return m_undoShortcut; }
    QShortcut* redoShortcut() const { return m_redoShortcut; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    MainWindow(const DataFolder& folder, const Services& services);
    void buildWindow();
    void setUpIcons();
    void buildToolbar();
    void rememberGeometry();
    void applyPreferencesToWindow();
    void applyPrivileges();
    void onPrefsOk();
    void backupNow();
    void onCommitDataRequest(QSessionManager& manager);
    bool confirmClose();               // false when the close was refused

    DataFolder m_folder;
    Services m_services;
    GridData m_grid;
    Preferences m_prefs;
    std::unique_ptr<UpdateSession> m_session;

    std::unique_ptr<SharedSettings> m_settings;
    // Where the remembered geometry put the window, clamped to the screens.
    WindowPlacement m_placement;
    // The window's last normal geometry, kept in the user's own settings.
    QRect m_ownPlace;

    bool m_activated = false;
    bool m_privilegesApplied = false;
    bool m_ending = false;          // the desktop session ends: close without the usual steps

    Toolbar* m_toolbar = nullptr;           // Panel8
    GridView* m_gridView = nullptr;         // StringGrid1
    GridInteraction* m_interaction = nullptr;
    SessionControl* m_sessionControl = nullptr;
    QStatusBar* m_statusBar = nullptr;      // StatusBar1
    TrayIcon* m_tray = nullptr;             // TrayIcon1 and "Tray"
    QShortcut* m_undoShortcut = nullptr;
    QShortcut* m_redoShortcut = nullptr;
    PreferencesDialog* m_prefsDialog = nullptr;   // Form2
    SessionDialogs* m_dialogs = nullptr;
    GridSortPrintDialog* m_sortPrintDialog = nullptr;   // Form7
    BackupsDialog* m_backupsDialog = nullptr;
    HelpWindow* m_helpWindow = nullptr;
};
