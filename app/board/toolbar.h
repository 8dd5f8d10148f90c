#pragma once

#include "store/datafolder.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QHash>

class Led;
class QAction;
class QKeySequence;
class QMenu;
class QToolButton;

// The board's button bar (Panel8 framing Panel1): help, Update with its
// waiting lamp, Cancel, Editing, List, Prefs, Quit and Tray, with their
// images from gsystem, the right-hand buttons anchored to the right edge and
// the bar's right-click menu (PopupMenu4). It says what the user asks for
// and shows what it is told: the session state, the waiting lamp and the
// user's privileges. It keeps no state of its own for others to read.
// Every command has keys as well, named in its tooltip: they act as a click
// does, only on a button that is shown and enabled.
// During an update session the menu offers only the spreadsheet import and
// export: the rest of it belongs to a board that is not being changed.
class Toolbar : public QFrame
{
    Q_OBJECT
public:
    static constexpr int kHeight = 37;

    Toolbar(const DataFolder& folder, QWidget* parent);

    // Images, captions and enabling inside and outside an update session;
    // Editing is let up when the session ends.
    void showSession(bool inSession);
    // Pressed or released from code: no intent is raised.
    void setUpdateDown(bool down);
    // The lamp beside Update: another workstation holds the board.
    void showWaiting(bool waiting);
    // The Update group from level 1, "Prefs" from level 2.
    void showPrivileges(int level);
    bool updateGroupShown() const;
    bool prefsShown() const;
    void takeFocus();
    // The bar's right-click menu from the keyboard.
    void openMenu();
    // A button's key counts as held down, and does nothing, until it was
    // quiet this long: a loaded X server sends a held key's repeats as
    // fresh presses, and F2 would start and save session after session.
    static constexpr int kHeldKeyMs = 1000;
    void setHeldKeyMs(int ms) { m_heldKeyMs = ms; }
    // The Update button's picture of the released button, at first activation.
    void loadUpdateImage();

signals:
    void helpRequested();
    void updatePressed();     // Update pushed down
    void updateReleased();    // Update let up
    void cancelRequested();
    void editingToggled(bool on);
    void listRequested();
    void prefsRequested();
    void quitRequested();
    void trayRequested();
    void beepToggled(bool on);   // "Beep on any updates"
    void printRequested();       // "Print / Sort Grid"
    void historyRequested();     // "History"
    void exportCsvRequested();   // "Export CSV…"
    void importCsvRequested();   // "Import CSV…"

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildBar();
    void buildMenu();
    QMenu* menu();
    void buildSessionButtons();   // "?", Update with its lamp, Cancel, Editing
    void buildRightButtons();     // List, Prefs, Quit
    void buildTrayButton();
    // A button on a panel of its own, `width` wide.
    void addPanelButton(QFrame*& panel, const char* panelName, QToolButton*& button, const char* name,
                        const QString& caption, int width);
    void setButtonImage(QToolButton* button, const char* file);
    void layoutButtons();
    void addKeys();
    // `keys` click `button`; its tooltip says what it does and names them.
    void addButtonKeys(QToolButton* button, const char* name, const QKeySequence& keys, const QString& tip);
    // Whether a press of a button's keys acts: not while the key is held.
    bool keyActs(const QAction* action);
    // `keys` trigger the menu's `item` while the menu may open.
    void addMenuKeys(QAction* item, const char* name, const QKeySequence& keys);

    DataFolder m_folder;
    int m_heldKeyMs = kHeldKeyMs;
    QHash<const QAction*, QElapsedTimer> m_lastKeyPress;
    QFrame* m_bar = nullptr;
    QFrame* m_updatePanel = nullptr;     // Update
    QFrame* m_cancelPanel = nullptr;     // Cancel
    QFrame* m_editingPanel = nullptr;     // Editing
    QFrame* m_listPanel = nullptr;     // List
    QFrame* m_prefsPanel = nullptr;     // Prefs
    QFrame* m_quitPanel = nullptr;     // Quit
    QFrame* m_trayPanel = nullptr;     // Tray
    QToolButton* m_helpButton = nullptr;
    QToolButton* m_updateButton = nullptr;
    QToolButton* m_cancelButton = nullptr;
    QToolButton* m_editingButton = nullptr;
    QToolButton* m_listButton = nullptr;
    QToolButton* m_prefsButton = nullptr;
    QToolButton* m_quitButton = nullptr;
    QToolButton* m_trayButton = nullptr;
    Led* m_led = nullptr;
    QMenu* m_menu = nullptr;     // made at its first opening
    QList<QAction*> m_menuActions;
    QAction* m_beep = nullptr;
    QAction* m_print = nullptr;
    QAction* m_csvSeparator = nullptr;
    QAction* m_exportCsv = nullptr;
    QAction* m_importCsv = nullptr;
};
