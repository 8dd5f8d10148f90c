#pragma once

#include <QFont>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class GridData;
class Messages;
class QPrinter;
class QWidget;

// Prints the sort dialog's copy of the grid: on a printer, in a preview
// window, or into a PDF file, all three through one layout. The paper is
// the default printer's, and for a PDF the one usual where the user lives.
// Every failure is told to the user, and a print that would lose columns
// off the paper asks first.
class SortGridPrinter
{
public:
    // Makes the printer a print goes to, or null when there is none. The
    // default is the system's default printer, through its print dialog.
    using PrinterFactory = std::function<std::unique_ptr<QPrinter>()>;

    // What is printed: the copy as the dialog shows it.
    struct Pages {
        const GridData& grid;
        const QList<int>& widths;   // content widths in screen pixels
        int rowHeight;
        QString title;              // the heading, and the PDF's name
        QFont font;                 // the grid's, at the chosen size
        QList<int> rows = {};       // the data rows printed; none: all of them
        bool fitWidth = false;      // the columns widened or narrowed to the paper's width
    };

    // `owner` parents the print, preview and file dialogs, and the widths
    // were measured on its screen. `beforeBox` runs before any window of
    // the program opens over it.
    SortGridPrinter(QWidget* owner, Messages& messages, std::function<void()> beforeBox);

    void setPrinterFactory(PrinterFactory factory) { m_printerFactory = std::move(factory); }
    void setPrintDialogRunner(std::function<bool(QPrinter&)> runner) { m_printDialogRunner = std::move(runner); }
    void setPdfPathChooser(std::function<QString(const QString&)> chooser) { m_pdfPathChooser = std::move(chooser); }

    // Each false when nothing was made: the user was told why, cancelled,
    // or would rather not lose the columns the paper cannot hold.
    bool print(const Pages& pages, bool portrait);
    bool preview(const Pages& pages, bool portrait);
    bool savePdf(const Pages& pages, bool portrait);

private:
    void fail(const QString& text);
    bool runPrintDialog(QPrinter& printer);
    // `askCut`: ask before columns are lost off the paper. `failure`: what
    // to say when the pages could not be made (the printer's error by default).
    bool printOn(QPrinter& printer, const Pages& pages, bool portrait, bool askCut, const QString& failure = {});
    // Puts a whole PDF draft in the place of `path` at once; false, and the
    // file as it was, when the draft is cut off or cannot be put there.
    static bool replaceWithDraft(const QString& path, const QString& draft);

    QWidget* m_owner;
    Messages& m_messages;
    std::function<void()> m_beforeBox;
    PrinterFactory m_printerFactory;
    std::function<bool(QPrinter&)> m_printDialogRunner;
    std::function<QString(const QString&)> m_pdfPathChooser;
};
