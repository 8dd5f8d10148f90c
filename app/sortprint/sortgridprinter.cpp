#include "app/sortprint/sortgridprinter.h"

#include "app/desktop/messageboxes.h"
#include "app/sortprint/gridprintout.h"
#include "base/services.h"
#include "grid/griddata.h"
#include "grid/printlayout.h"
#include "widgets/boardstyle.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLocale>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>

namespace {

const QString kNoPrinter = QStringLiteral("There is no default printer, so the grid was not printed.");
const QString kNothingToPrint = QStringLiteral("The grid holds no text, so there is nothing to print.");

bool hasText(const GridData& grid, int column)
{
    // Every cell empty is exactly no text at all.
    return grid.column(column).textSize() > 0;
}

// How many columns from `first` on hold any text.
int columnsWithText(const GridData& grid, int first)
{
    int count = 0;
    for (int c = std::max(first, 0); c < grid.colCount(); ++c)
        count += hasText(grid, c) ? 1 : 0;
    return count;
}

// What a selection leaves of the grid.
GridData printedGrid(const SortGridPrinter::Pages& pages)
{
    return pages.rows.isEmpty() ? pages.grid : PrintLayout::pickRows(pages.grid, pages.rows);
}

QPageSize localPageSize()
{
    return QPageSize(PrintLayout::localPaper(QLocale()) == PrintLayout::Paper::Letter ? QPageSize::Letter
                                                                                      : QPageSize::A4);
}

// The preview shows what "Print" would print on.
QPageSize printerPageSize(const QPrinterInfo& info)
{
    const QPageSize size = info.isNull() ? QPageSize() : info.defaultPageSize();
    return size.isValid() ? size : localPageSize();
}

QPageLayout::Orientation orientationOf(bool portrait)
{
    return portrait ? QPageLayout::Portrait : QPageLayout::Landscape;
}

} // namespace

SortGridPrinter::SortGridPrinter(QWidget* owner, Messages& messages, std::function<void()> beforeBox)
    : m_owner(owner), m_messages(messages), m_beforeBox(std::move(beforeBox))
{
}

void SortGridPrinter::fail(const QString& text)
{
    m_beforeBox();
    m_messages.show(MessageKind::Warning, text, kCentralOffset);
}

bool SortGridPrinter::print(const Pages& pages, bool portrait)
{
    // A blank page is not a printed grid.
    if (columnsWithText(printedGrid(pages), 0) == 0) {
        fail(kNothingToPrint);
        return false;
    }

    std::unique_ptr<QPrinter> printer;
    if (m_printerFactory) {
        printer = m_printerFactory();
        if (!printer) {
            fail(kNoPrinter);
            return false;
        }
    } else {
        // The default printer chosen, so Enter prints as the board always
        // did; without one the dialog still offers printing to a file.
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        printer = info.isNull() ? std::make_unique<QPrinter>(QPrinter::HighResolution)
                                : std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        printer->setPageSize(printerPageSize(info));
        printer->setPageOrientation(orientationOf(portrait));
        m_beforeBox();
        if (!runPrintDialog(*printer))
            return false;
        portrait = printer->pageLayout().orientation() == QPageLayout::Portrait;
    }
    printer->setDocName(QString());
    return printOn(*printer, pages, portrait, true);
}

bool SortGridPrinter::runPrintDialog(QPrinter& printer)
{
    if (m_printDialogRunner)
        return m_printDialogRunner(printer);
    QPrintDialog dialog(&printer, m_owner);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    return dialog.exec() == QDialog::Accepted;
}

bool SortGridPrinter::preview(const Pages& pages, bool portrait)
{
    if (columnsWithText(printedGrid(pages), 0) == 0) {
        fail(kNothingToPrint);
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(printerPageSize(QPrinterInfo::defaultPrinter()));
    printer.setPageOrientation(orientationOf(portrait));
    QPrintPreviewDialog preview(&printer, m_owner);
    preview.setObjectName(QStringLiteral("PrintPreview"));
    preview.setWindowTitle(QStringLiteral("Print Preview"));
    // The orientation may be changed in the preview: the layout follows it.
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [this, &pages](QPrinter* p) {
        printOn(*p, pages, p->pageLayout().orientation() == QPageLayout::Portrait, false);
    });
    m_beforeBox();
    preview.resize(900, 700);
    return preview.exec() == QDialog::Accepted;
}

bool SortGridPrinter::savePdf(const Pages& pages, bool portrait)
{
    if (columnsWithText(printedGrid(pages), 0) == 0) {
        fail(kNothingToPrint);
        return false;
    }
    // Never the shared data folder, where the dialog would fall back to
    // without an existing Documents folder.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QDir(folder).exists())
        folder = QDir::homePath();
    const QString suggested = QDir(folder).filePath(pages.title + QStringLiteral(".pdf"));
    m_beforeBox();
    QString path = m_pdfPathChooser
        ? m_pdfPathChooser(suggested)
        : QFileDialog::getSaveFileName(m_owner, QStringLiteral("Save as PDF"), suggested,
                                       QStringLiteral("PDF files (*.pdf)"));
    if (path.isEmpty())
        return false;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    const QString failure = QStringLiteral("The file \"%1\" could not be written, so the grid was not saved.")
                                .arg(QDir::toNativeSeparators(path));
    // The printer writes a draft, which replaces the file only once whole:
    // the printer does not tell a full disk, and a board ended while it
    // writes must leave the file as it was, not cut under its name.
    const QTemporaryDir drafts;
    if (!drafts.isValid()) {
        fail(failure);
        return false;
    }
    const QString draft = drafts.filePath(QStringLiteral("grid.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(draft);
    printer.setPageSize(localPageSize());
    printer.setPageOrientation(orientationOf(portrait));
    printer.setDocName(pages.title);
    if (!printOn(printer, pages, portrait, true, failure))
        return false;
    if (!replaceWithDraft(path, draft)) {
        fail(failure);
        return false;
    }
    return true;
}

bool SortGridPrinter::replaceWithDraft(const QString& path, const QString& draft)
{
    QFile in(draft);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray pdf = in.readAll();
    // A PDF ends with its end-of-file mark; a draft cut off by a full disk
    // does not.
    if (!pdf.trimmed().endsWith("%%EOF"))
        return false;
    // Unbuffered: a buffered write failing only when the file is put in
    // place is not seen by QSaveFile, which then commits what reached the
    // disk.
    QSaveFile out(path);
    return out.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && out.write(pdf) == pdf.size() && out.commit();
}

bool SortGridPrinter::printOn(QPrinter& printer, const Pages& pages, bool portrait, bool askCut, const QString& failure)
{
    const QString name = printer.outputFormat() == QPrinter::NativeFormat ? printer.printerName() : QString();
    const QString failed = !failure.isEmpty() ? failure
        : name.isEmpty()
        ? QStringLiteral("The printer reported an error, so the grid was not printed.")
        : QStringLiteral("The printer \"%1\" reported an error, so the grid was not printed.").arg(name);

    printer.setPageOrientation(orientationOf(portrait));
    const int sx = PrintLayout::scale(printer.logicalDpiX(), m_owner->logicalDpiX());
    const int sy = PrintLayout::scale(printer.logicalDpiY(), m_owner->logicalDpiY());
    const GridData grid = printedGrid(pages);
    const int paperWidth = printer.width();
    QList<int> widths = pages.widths;
    if (pages.fitWidth && paperWidth > 0) {
        // A column without text takes no room from those with text.
        for (int c = 0; c < widths.size() && c < grid.colCount(); ++c)
            if (!hasText(grid, c))
                widths[c] = 0;
        widths = PrintLayout::fitWidths(widths, paperWidth / sx);
    }
    const QList<PrintLayout::Band> bands = PrintLayout::columnBands(widths);
    // There is no paging across: what does not fit the paper's width is
    // cut off, and the user decides whether that is worth printing. A
    // column without text loses nothing off the paper.
    if (const int cut = columnsWithText(grid, PrintLayout::columnsAcross(bands, sx, paperWidth));
        askCut && cut > 0) {
        const QString orientation = portrait ? QStringLiteral("portrait") : QStringLiteral("landscape");
        const QString question =
            (cut == 1 ? QStringLiteral("1 column of the grid does not fit across the paper in %1: it would be "
                                       "cut off at the paper's edge or left off the printout.")
                            .arg(orientation)
                      : QStringLiteral("%1 columns of the grid do not fit across the paper in %2: they would be "
                                       "cut off at the paper's edge or left off the printout.")
                            .arg(cut)
                            .arg(orientation))
            + QStringLiteral("\n\nPrint anyway?");
        m_beforeBox();
        if (!m_messages.askYesNo(question, kCentralOffset))
            return false;
    }

    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    const GridPrintout::Heading heading{
        pages.title, QStringLiteral("Printed ") + QDateTime::currentDateTime().toString(QStringLiteral("M/d/yyyy HH:mm")),
        BoardStyle::pixelFont(pages.font, BoardStyle::kSortPrintFormPixels)};
    const bool ok =
        GridPrintout::print(printer, grid, bands, {pages.rowHeight, portrait, sx, sy}, pages.font, heading);
    if (!ok) {
        restoreCursor.dismiss();
        QApplication::restoreOverrideCursor();
        fail(failed);
    }
    return ok;
}
