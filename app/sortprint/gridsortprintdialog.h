#pragma once

#include "app/sortprint/sortgridprinter.h"
#include "app/sortprint/sortprintwindow.h"
#include "grid/griddata.h"
#include "store/datafolder.h"
#include "store/filestamp.h"

#include <QList>

#include <functional>
#include <memory>

class Messages;
class QCheckBox;
class QFrame;
class QLabel;
class QPrinter;
class QPushButton;
class QRadioButton;
class QSpinBox;
class SortGridModel;
class SortGridView;
class QWindow;
struct Preferences;

// "Grid Sort / Print" (Form7): a copy of the grid as last saved, sorted by
// the column clicked, its columns dragged into any order, printed as text.
// Nothing done here reaches the board's grid or its files: the copy is read
// afresh from the grid file when the dialog opens, when it is activated
// again from another window of the board, and when the grid file changed
// since; coming back from another program keeps the user's sort. A click
// sorts; Ctrl and Shift with a click or the arrow keys select rows instead,
// for a printout of those rows alone.
//
// It opens without a nested event loop (QDialog::open), so the board can
// close it with closeWithoutEffect().
class GridSortPrintDialog : public SortPrintWindow
{
    Q_OBJECT
public:
    // Makes the printer a print goes to, or null when there is none. The
    // default is the system's default printer.
    using PrinterFactory = SortGridPrinter::PrinterFactory;

    static constexpr int kMinFontSize = 7;
    static constexpr int kMaxFontSize = 14;

    GridSortPrintDialog(const DataFolder& folder, Preferences& prefs, Messages& messages,
                        QWidget* parent = nullptr);
    ~GridSortPrintDialog() override;

    void loadFromPreferences() override;
    // A factory's printer is printed on at once, without the print dialog.
    void setPrinterFactory(PrinterFactory factory) { m_printer.setPrinterFactory(std::move(factory)); }
    // Stand-ins for the system's print dialog (true: print) and for the
    // file dialog of "Save as PDF" (given a suggested path; "" cancels).
    void setPrintDialogRunner(std::function<bool(QPrinter&)> runner) { m_printer.setPrintDialogRunner(std::move(runner)); }
    void setPdfPathChooser(std::function<QString(const QString&)> chooser)
    {
        m_printer.setPdfPathChooser(std::move(chooser));
    }

    // Shows the dialog (QDialog::open).
    void showOpen() override;
    bool isOpen() const { return m_open; }
    // Closes at once; the panel, font size and orientation stay as they are.
    void closeWithoutEffect();

    const GridData& gridCopy() const { return m_copy; }
    // Content widths of the copy's columns, in screen pixels.
    const QList<int>& columnWidths() const { return m_widths; }
    int rowHeight() const;
    // The selected data rows of the copy (1 is the first under the titles).
    QList<int> selectedRows() const;

    // The handlers, by the names the form's events have.
    void onActivated();
    void onGridClicked();
    void onFontSizeChanged(int value);
    void showPrintPanel();  // "Print": the print parameters
    void onPanelPrint();    // the panel's "Print"
    void onPanelCancel();   // the panel's "Cancel"
    void onCloseClicked();  // "Close"
    void fitColumnWidths();
    // Prints the copy; false when it could not (the user was told why) or
    // the user would rather not lose the columns the paper cannot hold.
    bool printGrid(bool portrait);
    // The same pages in a preview window, and into a PDF file, without any printer.
    bool previewGrid(bool portrait);
    bool savePdf(bool portrait);

    void done(int result) override;

signals:
    // Every close: "Close", Escape, the title bar or closeWithoutEffect.
    void closed();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setUpWindow();
    void buildGrid();
    void connectGrid();
    void buildButtons();
    void buildPanelControls();   // the print parameters
    void buildPanelButtons();
    void layOutPanel();
    void layoutControls();
    void applyWidths();
    void onSelectionChanged();
    void onSectionMoved(int logical, int oldVisual, int newVisual);
    void onFocusWindowChanged(QWindow* window);
    bool gridFileChanged() const;
    void beforeBox();
    void keepPrintParameters();   // in the live preferences, printed or not
    QString headingTitle() const;
    SortGridPrinter::Pages pages() const;

    DataFolder m_folder;
    Preferences& m_prefs;
    Messages& m_messages;
    SortGridPrinter m_printer;

    GridData m_copy{0, 0};
    QList<int> m_widths;

    SortGridModel* m_model = nullptr;
    SortGridView* m_view = nullptr;            // StringGrid7
    QLabel* m_hint = nullptr;
    QPushButton* m_printButton = nullptr;      // SpeedButton1
    QPushButton* m_closeButton = nullptr;      // SpeedButton2
    QFrame* m_panel = nullptr;                 // Panel11
    QRadioButton* m_portrait = nullptr;        // RadioButton1
    QRadioButton* m_landscape = nullptr;       // RadioButton2
    QSpinBox* m_fontSize = nullptr;            // SpinEdit1
    QPushButton* m_panelPrint = nullptr;       // SpeedButton10
    QPushButton* m_panelCancel = nullptr;      // SpeedButton11
    QPushButton* m_panelPreview = nullptr;
    QPushButton* m_panelPdf = nullptr;
    QCheckBox* m_fitWidth = nullptr;
    QCheckBox* m_selectedOnly = nullptr;
    QLabel* m_panelTitle = nullptr;
    QLabel* m_fontSizeLabel = nullptr;

    bool m_open = false;
    bool m_shownBefore = false;
    bool m_preferencesLoaded = false;
    bool m_restoringSections = false;
    FileStamp m_loadedStamp;       // the grid file's, read just before the copy
    // Another window of the board had the focus since this dialog had it.
    bool m_otherWindowFocused = false;
    QString m_reportedLoadError;   // the grid file's fault last told, this opening
    // Coming back from our own message box must not reload: the user's
    // sort and column order are what they meant to print.
    bool m_skipActivation = false;
};
