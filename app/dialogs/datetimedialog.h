#pragma once

#include "store/datafolder.h"

#include <QDialog>

#include <functional>

class BusinessHoursModel;
class Clock;
class QCheckBox;
class QFrame;
class QLabel;
class QModelIndex;
class QTableView;
class QToolButton;
class YearCalendar;
struct Preferences;

// "Date / Time" (Form6): one text for the grid's target cell, a day picked
// on the year calendar, the local or GMT date or time, or a business-hours
// value. A pick hands the text on (textChosen), closes and asks for the
// deferred advance; Cancel and Escape only ask for the advance.
//
// It opens without a nested event loop, so the end of an update session can
// close it (closeWithoutEffect); a pick or Cancel that arrives when the
// session has ended writes nothing and asks for nothing.
class DateTimeDialog : public QDialog
{
    Q_OBJECT
public:
    DateTimeDialog(const DataFolder& folder, Preferences& prefs, Clock& clock, QWidget* parent = nullptr);
    ~DateTimeDialog() override;

    // Asked before anything is written or advanced.
    void setEditingCheck(std::function<bool()> stillEditing) { m_stillEditing = std::move(stillEditing); }

    // Shows the dialog (QDialog::open); nothing when it is already open.
    void showOpen();
    bool isOpen() const { return m_open; }
    // Closes without writing and without the advance (closed() is emitted).
    void closeWithoutEffect();

    // Ticks "Leading zero in date" and "Use military time" where the
    // preferences' flags ask for it (never unticks); from then on the two
    // boxes and the preferences agree. Also run at every showOpen().
    void applyPreferences();

    YearCalendar* calendar() const { return m_calendar; }
    QTableView* businessHoursGrid() const { return m_hours; }

    // The handlers, by the names the form's events have.
    void onActivated();
    void onTimeFormToggled();
    void onCalendarChanged();
    void insertCurrentDate();  // "Current Date"
    void insertCurrentTime();  // "Current Time"
    void insertGmtDate();      // "GMT Date"
    void insertGmtTime();      // "GMT Time"
    void onHoursClicked(const QModelIndex& index);
    void onCancelClicked();    // "Cancel"
    void loadBusinessHours(const QString& path);
    void fitHoursWidths();

    void done(int result) override;
    void reject() override;   // Escape and the window's close: "Cancel"

signals:
    // The text for the main grid's target cell.
    void textChosen(const QString& text);
    // Run the main window's advance (Timer3, 250 ms).
    void advanceRequested();
    // Every close: a pick, Cancel, Escape or closeWithoutEffect.
    void closed();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setUpWindow();
    void buildCalendar();
    void buildHoursGrid();
    void buildFormatBoxes();
    void buildButtons();
    QToolButton* makeButton(const char* panelName, const char* buttonName, const QString& caption,
                            QFrame** panel);
    void fitCalendarFont();
    void layoutControls();
    bool stillEditing() const;
    void finishWith(const QString& text);
    int localYear() const;

    DataFolder m_folder;
    Preferences& m_prefs;
    Clock& m_clock;
    std::function<bool()> m_stillEditing;

    YearCalendar* m_calendar = nullptr;     // YearCalendar1
    QLabel* m_hoursLabel = nullptr;         // Label1
    QTableView* m_hours = nullptr;          // StringGrid1
    BusinessHoursModel* m_hoursModel = nullptr;
    QCheckBox* m_leadingZeroDate = nullptr; // CheckBox1
    QCheckBox* m_military = nullptr;        // CheckBox2
    QCheckBox* m_hourOnly = nullptr;        // CheckBox3
    QCheckBox* m_leadingZeroTime = nullptr; // CheckBox4
    QFrame* m_panels[5] = {};               // Panel5, Panel1, Panel3, Panel2, Panel4 (left to right)
    QToolButton* m_buttons[5] = {};

    int m_rememberedYear = 0;
    bool m_activating = false;
    bool m_firstActivationDone = false;
    bool m_shownBefore = false;
    bool m_open = false;
    bool m_activatedByOpen = false;
};
