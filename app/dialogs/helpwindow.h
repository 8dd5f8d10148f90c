#pragma once

#include "store/datafolder.h"

#include <QWidget>

class HelpBrowser;
class QLabel;
class QLineEdit;
class QUrl;

// The board's help, shown inside the board: Help.chm of the data folder as
// HelpPage reads it, its links within the page followed, and a search field
// (Enter finds the next place, from the top again after the last).
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    // Help.chm is HTML; a larger file is not the help.
    static constexpr qint64 kMaxHelpBytes = 4 * 1024 * 1024;

    explicit HelpWindow(const DataFolder& folder, QWidget* parent = nullptr);

    // Reads Help.chm again (it may have changed) and shows the window.
    void showHelp();
    bool find(const QString& text);
    QString status() const;
    HelpBrowser* browser() const { return m_browser; }

    void followLink(const QUrl& url);

private:
    void load();

    DataFolder m_folder;
    HelpBrowser* m_browser = nullptr;
    QLineEdit* m_search = nullptr;
    QLabel* m_status = nullptr;
    bool m_placed = false;
};
