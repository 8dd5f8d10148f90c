#pragma once

#include "store/datafolder.h"

#include <QFrame>

class Led;
class QAction;
class QMenu;
class QToolButton;

// The board's button bar (Panel8 framing Panel1): help, Update with its
// waiting lamp, Cancel, Editing, List, Prefs, Quit and Tray, with their
// images from gsystem, the right-hand buttons anchored to the right edge and
// the bar's right-click menu (PopupMenu4). It shows what the window tells
// it: the session state and the user's privileges.
class Toolbar : public QFrame
{
    Q_OBJECT
public:
    static constexpr int kHeight = 37;

    Toolbar(const DataFolder& folder, QWidget* parent);

    QToolButton* helpButton() const { return m_helpButton; }        // SpeedButton17
    QToolButton* updateButton() const { return m_updateButton; }    // SpeedButton1
    QToolButton* cancelButton() const { return m_cancelButton; }    // SpeedButton2
    QToolButton* editingButton() const { return m_editingButton; }  // SpeedButton8
    QToolButton* listButton() const { return m_listButton; }        // SpeedButton7
    QToolButton* prefsButton() const { return m_prefsButton; }      // SpeedButton12
    QToolButton* quitButton() const { return m_quitButton; }        // SpeedButton13
    QToolButton* trayButton() const { return m_trayButton; }        // SpeedButton9
    Led* led() const { return m_led; }                              // LED1
    QAction* beepAction() const { return m_beep; }                  // Beeponanyupdates1
    QMenu* menu() const { return m_menu; }                          // PopupMenu4
    QAction* printAction() const { return m_print; }                // "Print / Sort Grid"

    // Images, captions and enabling inside and outside an update session;
    // Editing is let up when the session ends.
    void showSession(bool inSession);
    // Pressed or released from code: no click handler runs.
    void setUpdateDown(bool down);
    // The Update group from level 1, "Prefs" from level 2.
    void showPrivileges(int level);
    bool updateGroupShown() const;
    bool prefsShown() const;
    void setMenuAllowed(bool allowed) { m_menuAllowed = allowed; }
    void takeFocus();
    // The Update button's picture of the released button, at first activation.
    void loadUpdateImage();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildBar();
    void buildMenu();
    void buildSessionButtons();   // "?", Update with its lamp, Cancel, Editing
    void buildRightButtons();     // List, Prefs, Quit
    void buildTrayButton();
    // A button on a panel of its own, `width` wide.
    void addPanelButton(QFrame*& panel, const char* panelName, QToolButton*& button, const char* name,
                        const QString& caption, int width);
    void setButtonImage(QToolButton* button, const char* file);
    void layoutButtons();

    DataFolder m_folder;
    bool m_menuAllowed = true;
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
    QMenu* m_menu = nullptr;
    QAction* m_beep = nullptr;
    QAction* m_print = nullptr;
};
