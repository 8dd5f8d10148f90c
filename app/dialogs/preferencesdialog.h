#pragma once

#include "base/preferences.h"

#include <QDialog>
#include <QStringList>

class Identity;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

// "Scheduling Parameters": edits the shared preferences and the user list.
// Its controls write through to the Preferences the rest of the board reads,
// so a change takes effect at its next use. "OK" is the only way out.
class PreferencesDialog : public QDialog
{
    Q_OBJECT
public:
    PreferencesDialog(Preferences& prefs, Identity& identity, QWidget* parent = nullptr);

    // Shows the preferences in the controls (after they were loaded).
    void loadFromPreferences();
    void setUserLines(const QStringList& lines);
    QStringList userLines() const;

    // The grid font became `font` in `color` (0x00BBGGRR): what "Grid Font
    // Parameters" does after its dialog was confirmed.
    void applyFont(const QFont& font, int color);
    // What the font dialog of "Grid Font Parameters" opens on.
    static QFont fontDialogStart(const Preferences& prefs);
    // "Restore…" needs both the Update and the Prefs privileges.
    void setRestoreAllowed(bool allowed);

    void done(int result) override;   // only "OK" closes

signals:
    void okPressed();                 // the owner saves, then calls accept()
    void backupNowRequested();
    void restoreRequested();
    void fontChanged();
    void rowHeightChanged();

private:
    void setUpWindow();
    void buildIntervalAndUsers();
    void buildOptionBoxes();
    void buildGridControls();      // font and grid lines
    void buildRowHeightArrows();
    void buildBackupControls();
    void buildTitleRow();
    void layOutControls();
    void chooseGridFont();        // "Grid Font Parameters"
    void fillComputerName();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

    Preferences& m_prefs;
    Identity& m_identity;

    QComboBox* m_interval = nullptr;     // ComboBox1
    QPlainTextEdit* m_users = nullptr;   // Memo1
    QCheckBox* m_network = nullptr;      // CheckBox3
    QCheckBox* m_autoMenu = nullptr;     // CheckBox6
    QCheckBox* m_displayUser = nullptr;  // CheckBox2
    QCheckBox* m_askDelete = nullptr;    // CheckBox9
    QCheckBox* m_center = nullptr;       // CheckBox1
    QCheckBox* m_timeOut = nullptr;      // CheckBox5
    QCheckBox* m_clearColor = nullptr;   // CheckBox10
    QRadioButton* m_lines[3] = {};       // RadioButton1..3
    QRadioButton* m_backup[3] = {};      // RadioButton4..6
    QLineEdit* m_computer = nullptr;     // Edit1
    QLineEdit* m_title = nullptr;        // Edit2
    QPushButton* m_restore = nullptr;
    QPushButton* m_fontButton = nullptr;   // SpeedButton2
    QWidget* m_linesBox = nullptr;
    QToolButton* m_rowsUp = nullptr;       // SpeedButton7
    QToolButton* m_rowsDown = nullptr;     // SpeedButton14
    QGroupBox* m_backupGroup = nullptr;
    QLabel* m_computerLabel = nullptr;
    QPushButton* m_backupNow = nullptr;    // SpeedButton3
    QPushButton* m_ok = nullptr;           // SpeedButton4
};
