#pragma once

#include "store/datafolder.h"
#include "store/savehistory.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;
struct Preferences;

// "History": who changed which cell from what to what, newest save first,
// as gsystem/history.scd records it, with a filter over names, columns and
// texts. Choosing a line (double click or Enter) asks the board to show
// that cell. Everything in it is shown as plain text.
class HistoryWindow : public QWidget
{
    Q_OBJECT
public:
    HistoryWindow(const DataFolder& folder, const Preferences& prefs, QWidget* parent = nullptr);

    // Reads the history again (other workstations add to it) and shows the window.
    void showHistory();
    void setFilter(const QString& text);
    // Lines the filter lets through.
    int shownCount() const;
    QTreeWidget* list() const { return m_list; }

signals:
    void cellChosen(int col, int row);

private:
    void load();
    void applyFilter();
    void choose(QTreeWidgetItem* item);
    QString timeText(qint64 msUtc) const;

    DataFolder m_folder;
    const Preferences& m_prefs;
    QList<SaveRecord> m_saves;
    QList<SaveHistory::Entry> m_entries;   // point into m_saves
    QLineEdit* m_filter = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_status = nullptr;
    bool m_placed = false;
};
