#pragma once

#include "store/csvimport.h"

#include <QObject>
#include <QString>

#include <functional>

class GridInteraction;
class QWidget;
class SessionControl;
struct BoardContext;

// "Export CSV…" and "Import CSV…" of the button bar's menu: the grid out to
// a spreadsheet file, at any time, and a spreadsheet file back into the
// grid during an update session, shown first and then imported as one undo
// step. A file that cannot be read or does not fit changes nothing and says
// why; an export that could not be written says so. The folder last used is
// kept in the user's own settings.
class CsvTransfer : public QObject
{
    Q_OBJECT
public:
    CsvTransfer(BoardContext& board, GridInteraction& interaction, SessionControl& control, QWidget* window);

    struct Choice
    {
        QString path;              // empty: cancelled
        bool withColors = false;   // export: a last column with each row's colour
    };
    // What the file dialogs answer; tests give their own.
    using Chooser = std::function<Choice(bool saving, const QString& suggested)>;
    void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }

    void exportGrid();
    void importFile();

private:
    Choice choose(bool saving, const QString& suggested);
    QString startFolder() const;
    void rememberFolder(const QString& path);
    // Shows what the import would do; true when the user chose OK and the
    // session is still there to take it.
    bool confirmed(const CsvImport::Plan& plan, const QString& fileName);

    BoardContext& m_board;
    GridInteraction& m_interaction;
    SessionControl& m_control;
    QWidget* m_window;
    Chooser m_chooser;
};
