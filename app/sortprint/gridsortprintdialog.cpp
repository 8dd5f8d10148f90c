#include "app/sortprint/gridsortprintdialog.h"

#include "app/desktop/messageboxes.h"
#include "app/sortprint/sortgridheader.h"
#include "app/sortprint/sortgridmodel.h"
#include "app/sortprint/sortgridview.h"
#include "base/preferences.h"
#include "base/services.h"
#include "grid/gridsort.h"
#include "grid/printlayout.h"
#include "store/gridstore.h"
#include "widgets/boardstyle.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QWindow>

#include <algorithm>
#include <array>
#include <utility>

namespace {
constexpr QSize kDesignedSize(688, 446);
constexpr int kDesignedGridHeight = 414;
constexpr QSize kDesignedPanelSize(185, 121);
constexpr int kDefaultColWidth = 30;
constexpr int kWidthMargin = 6;

// Row heights by font size, 7 to 14 points.
constexpr std::array<int, 8> kRowHeights{13, 16, 17, 19, 21, 21, 23, 25};
}

GridSortPrintDialog::GridSortPrintDialog(const DataFolder& folder, Preferences& prefs, Messages& messages,
                                         QWidget* parent)
    : SortPrintWindow(parent), m_folder(folder), m_prefs(prefs), m_messages(messages),
      m_printer(this, messages, [this] { beforeBox(); })
{
    setUpWindow();
    buildGrid();
    connectGrid();
    buildButtons();
    buildPanelControls();
    buildPanelButtons();
    layOutPanel();
    onFontSizeChanged(m_fontSize->value());
    layoutControls();
}

void GridSortPrintDialog::setUpWindow()
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Grid Sort / Print"));
    // A fixed border; the title bar's close box closes like Escape.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    BoardStyle::apply(this, BoardStyle::Look::Board);
    setFont(BoardStyle::pixelFont(font(), BoardStyle::kSortPrintFormPixels));
}

void GridSortPrintDialog::buildGrid()
{
    m_model = new SortGridModel(m_copy, this);
    m_view = new SortGridView(this);
    m_view->setObjectName(QStringLiteral("StringGrid7"));
    // Tab goes on to the buttons: moving the current cell by a key sorts.
    m_view->setTabKeyNavigation(false);
    auto* header = new SortGridHeader(m_view);
    m_view->setHorizontalHeader(header);
    m_view->setModel(m_model);
    m_view->verticalHeader()->hide();
    header->setMinimumSectionSize(0);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionsMovable(true);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    m_view->verticalHeader()->setMinimumSectionSize(0);
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->setTextElideMode(Qt::ElideNone);
    m_view->setCornerButtonEnabled(false);
    BoardStyle::apply(m_view, BoardStyle::Look::WhiteCells);
}

void GridSortPrintDialog::connectGrid()
{
    connect(m_view->horizontalHeader(), &QHeaderView::sectionMoved, this, &GridSortPrintDialog::onSectionMoved);
    connect(m_view, &QTableView::clicked, this, &GridSortPrintDialog::onGridClicked);
    connect(m_view, &SortGridView::movedByKey, this, &GridSortPrintDialog::onGridClicked);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &GridSortPrintDialog::onSelectionChanged);
    // A reload or a sort clears the selection without telling.
    connect(m_model, &QAbstractItemModel::modelReset, this, &GridSortPrintDialog::onSelectionChanged);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &GridSortPrintDialog::onFocusWindowChanged);
}

void GridSortPrintDialog::buildButtons()
{
    m_hint = new QLabel(QStringLiteral("Click on a column to sort"), this);
    m_printButton = new QPushButton(QStringLiteral("Print"), this);
    m_printButton->setObjectName(QStringLiteral("SpeedButton1"));
    m_closeButton = new QPushButton(QStringLiteral("Close"), this);
    m_closeButton->setObjectName(QStringLiteral("SpeedButton2"));
    connect(m_printButton, &QPushButton::clicked, this, &GridSortPrintDialog::showPrintPanel);
    connect(m_closeButton, &QPushButton::clicked, this, &GridSortPrintDialog::onCloseClicked);
}

void GridSortPrintDialog::buildPanelControls()
{
    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("Panel11"));
    m_panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_panel->setAutoFillBackground(true);
    m_panelTitle = new QLabel(QStringLiteral("Print parameters:"), m_panel);
    QFont underlined = m_panelTitle->font();
    underlined.setUnderline(true);
    m_panelTitle->setFont(underlined);
    m_portrait = new QRadioButton(QStringLiteral("Portrait"), m_panel);
    m_portrait->setObjectName(QStringLiteral("RadioButton1"));
    m_landscape = new QRadioButton(QStringLiteral("LandScape"), m_panel);
    m_landscape->setObjectName(QStringLiteral("RadioButton2"));
    m_landscape->setChecked(true);
    // The preferences read the orientation from here when they are saved.
    connect(m_portrait, &QRadioButton::toggled, this, [this](bool on) { m_prefs.portrait = on; });
    m_fontSizeLabel = new QLabel(QStringLiteral("Font size:"), m_panel);
    m_fontSize = new QSpinBox(m_panel);
    m_fontSize->setObjectName(QStringLiteral("SpinEdit1"));
    m_fontSize->setRange(kMinFontSize, kMaxFontSize);
    m_fontSize->setValue(kMinFontSize);
    if (auto* typed = m_fontSize->findChild<QLineEdit*>())
        typed->setMaxLength(2);
    connect(m_fontSize, &QSpinBox::valueChanged, this, &GridSortPrintDialog::onFontSizeChanged);
    m_fitWidth = new QCheckBox(QStringLiteral("Fit to page width"), m_panel);
    m_fitWidth->setObjectName(QStringLiteral("FitWidthBox"));
    m_selectedOnly = new QCheckBox(QStringLiteral("Selected rows only"), m_panel);
    m_selectedOnly->setObjectName(QStringLiteral("SelectedRowsBox"));
    m_selectedOnly->setToolTip(QStringLiteral("Ctrl+click or Shift+click rows in the grid to select them."));
    m_selectedOnly->setEnabled(false);
}

void GridSortPrintDialog::buildPanelButtons()
{
    m_panelPrint = new QPushButton(QStringLiteral("Print"), m_panel);
    m_panelPrint->setObjectName(QStringLiteral("SpeedButton10"));
    m_panelCancel = new QPushButton(QStringLiteral("Cancel"), m_panel);
    m_panelCancel->setObjectName(QStringLiteral("SpeedButton11"));
    connect(m_panelPrint, &QPushButton::clicked, this, &GridSortPrintDialog::onPanelPrint);
    m_panelPreview = new QPushButton(QStringLiteral("Preview\u2026"), m_panel);
    m_panelPreview->setObjectName(QStringLiteral("PreviewButton"));
    m_panelPdf = new QPushButton(QStringLiteral("Save as PDF\u2026"), m_panel);
    m_panelPdf->setObjectName(QStringLiteral("PdfButton"));
    // Both keep the panel up: the user may print after looking.
    connect(m_panelPreview, &QPushButton::clicked, this, [this] {
        keepPrintParameters();
        previewGrid(m_portrait->isChecked());
    });
    connect(m_panelPdf, &QPushButton::clicked, this, [this] {
        keepPrintParameters();
        if (savePdf(m_portrait->isChecked()))
            m_panel->hide();
    });
    connect(m_panelCancel, &QPushButton::clicked, this, &GridSortPrintDialog::onPanelCancel);
    for (QPushButton* b : {m_printButton, m_closeButton, m_panelPrint, m_panelCancel, m_panelPreview, m_panelPdf})
        b->setAutoDefault(false);
}

void GridSortPrintDialog::layOutPanel()
{
    auto* panelLayout = new QGridLayout(m_panel);
    panelLayout->setContentsMargins(8, 6, 8, 8);
    panelLayout->setVerticalSpacing(4);
    panelLayout->addWidget(m_panelTitle, 0, 0, 1, 2);
    panelLayout->addWidget(m_portrait, 1, 0, 1, 2);
    panelLayout->addWidget(m_landscape, 2, 0, 1, 2);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(m_fontSizeLabel);
    sizeRow->addWidget(m_fontSize);
    sizeRow->addStretch();
    panelLayout->addLayout(sizeRow, 3, 0, 1, 2);
    panelLayout->addWidget(m_fitWidth, 4, 0, 1, 2);
    panelLayout->addWidget(m_selectedOnly, 5, 0, 1, 2);
    panelLayout->addWidget(m_panelPreview, 6, 0);
    panelLayout->addWidget(m_panelPdf, 6, 1);
    panelLayout->addWidget(m_panelPrint, 7, 0);
    panelLayout->addWidget(m_panelCancel, 7, 1);
    m_panel->resize(m_panel->sizeHint().expandedTo(kDesignedPanelSize));
    m_panel->hide();
}

GridSortPrintDialog::~GridSortPrintDialog()
{
    // The view reads the copy while it goes; it must go before the copy.
    delete m_view;
    delete m_model;
}

void GridSortPrintDialog::layoutControls()
{
    const int buttonHeight = std::max({20, m_printButton->sizeHint().height(), m_closeButton->sizeHint().height()});
    const int buttonWidth = std::max({75, m_printButton->sizeHint().width(), m_closeButton->sizeHint().width()});
    const int strip = std::max(kDesignedSize.height() - kDesignedGridHeight,
                               std::max(buttonHeight, m_hint->sizeHint().height()) + 8);
    const int width = std::max(kDesignedSize.width(), 8 + m_hint->sizeHint().width() + 16 + 2 * buttonWidth + 12);
    const int height = kDesignedGridHeight + strip;
    m_view->setGeometry(0, 0, width, kDesignedGridHeight);
    const int middle = kDesignedGridHeight + strip / 2;
    const QSize hint = m_hint->sizeHint();
    m_hint->setGeometry(8, middle - hint.height() / 2, hint.width(), hint.height());
    m_closeButton->setGeometry(width - 6 - buttonWidth, middle - buttonHeight / 2, buttonWidth, buttonHeight);
    m_printButton->setGeometry(width - 12 - 2 * buttonWidth, middle - buttonHeight / 2, buttonWidth, buttonHeight);
    setFixedSize(width, height);
}

void GridSortPrintDialog::loadFromPreferences()
{
    m_preferencesLoaded = true;
    // Both buttons are set, so that the preferences always hold the choice.
    (m_prefs.portrait ? m_portrait : m_landscape)->setChecked(true);
    m_prefs.portrait = m_portrait->isChecked();
    m_fontSize->setValue(int(m_prefs.clampedPrintFontSize()));
}

int GridSortPrintDialog::rowHeight() const
{
    return kRowHeights[std::size_t(m_fontSize->value() - kMinFontSize)];
}

void GridSortPrintDialog::showOpen()
{
    if (m_open)
        return;
    if (!m_preferencesLoaded)
        loadFromPreferences();
    m_open = true;
    // The activation that follows comes from the window that opened this
    // one, which had the focus before: it does not load again.
    m_otherWindowFocused = false;
    onActivated();
    QDialog::open();
}

bool GridSortPrintDialog::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && m_open) {
        const bool fromBoard = std::exchange(m_otherWindowFocused, false);
        if (!std::exchange(m_skipActivation, false) && (fromBoard || gridFileChanged()))
            onActivated();
    }
    return QDialog::event(event);
}

void GridSortPrintDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!std::exchange(m_shownBefore, true))
        centreOnDesktop(this);
}

void GridSortPrintDialog::onFocusWindowChanged(QWindow* window)
{
    // No focus window means another program has it: that does not count.
    if (window && m_open && window != windowHandle())
        m_otherWindowFocused = true;
}

bool GridSortPrintDialog::gridFileChanged() const
{
    return readFileStamp(m_folder.gsystem(QStringLiteral("sgrid.scd"))).value != m_loadedStamp;
}

void GridSortPrintDialog::onActivated()
{
    // The copy is what the reader gives, also when it gives nothing: a
    // copy left from before would be sorted and printed as if it were the
    // schedule. The colour file's faults do not matter here.
    const QString name = QStringLiteral("sgrid.scd");
    GridData fresh(0, 0);
    // Taken before the read, so that a save landing during it shows as a
    // change at the next activation.
    m_loadedStamp = readFileStamp(m_folder.gsystem(name)).value;
    const GridStore::LoadResult r = GridStore(m_folder).loadGrid(name, fresh);
    m_copy = fresh;
    m_model->reset();
    fitColumnWidths();
    if (r.value) {
        m_reportedLoadError.clear();
        return;
    }
    // Once per opening for the same fault: every return of the focus
    // reads the file again.
    if (r.message == m_reportedLoadError)
        return;
    m_reportedLoadError = r.message;
    const QString prefix = name + QStringLiteral(": ");
    const QString reason = r.message.startsWith(prefix) ? r.message.mid(prefix.size()) : r.message;
    beforeBox();
    m_messages.show(MessageKind::Error,
                    QStringLiteral("Could not read the grid file %1: %2.\n\nThe grid shown is empty until the "
                                   "file can be read.")
                        .arg(QDir::toNativeSeparators(m_folder.gsystem(name)), reason),
                    kCentralOffset);
}

void GridSortPrintDialog::fitColumnWidths()
{
    const QFontMetrics fm(m_view->font());
    // Every printed page after the first repeats the title row in bold; its
    // column must hold the bold text, or the print cuts words off it.
    QFont bold = m_view->font();
    bold.setBold(true);
    const QFontMetrics titleFm(bold);
    auto measure = [](const QFontMetrics& m) {
        return [&m](QStringView s) { return m.horizontalAdvance(s.toString()); };
    };
    const std::function<int(QStringView)> plainWidth = measure(fm);
    const std::function<int(QStringView)> titleWidth = measure(titleFm);
    // No column grows past what the print lays out; measuring stops there,
    // so a cell of megabytes costs no more than one that fills the column.
    constexpr int cap = PrintLayout::kMaxColumnWidth - kWidthMargin;
    m_widths.clear();
    for (int c = 0; c < m_copy.colCount(); ++c) {
        const CellColumn& texts = m_copy.column(c);
        int widest = 0;
        for (qsizetype r = 0; r < texts.size() && widest < cap; ++r) {
            if (!texts.at(r).isEmpty())
                widest = std::max(widest, PrintLayout::shownWidth(texts.at(r), cap, r == 0 ? titleWidth : plainWidth));
        }
        m_widths.append(widest > 0 ? widest + kWidthMargin : kDefaultColWidth);
    }
    applyWidths();
}

void GridSortPrintDialog::applyWidths()
{
    // Each section also holds its grid line.
    for (int c = 0; c < m_widths.size(); ++c)
        m_view->setColumnWidth(c, m_widths.at(c) + 1);
    const int section = rowHeight() + 1;
    m_view->verticalHeader()->setDefaultSectionSize(section);
    m_view->horizontalHeader()->setFixedHeight(section);
}

void GridSortPrintDialog::onSectionMoved(int logical, int oldVisual, int newVisual)
{
    if (m_restoringSections)
        return;
    // Header moves are only visual; put the header back and move the data,
    // so that sorting and printing see the columns as they stand.
    m_restoringSections = true;
    m_view->horizontalHeader()->moveSection(newVisual, oldVisual);
    m_restoringSections = false;
    if (logical == newVisual || logical >= m_widths.size() || newVisual >= m_widths.size())
        return;
    m_copy.moveColumn(logical, newVisual);
    m_widths.move(logical, newVisual);
    m_model->reset();
    applyWidths();
}

void GridSortPrintDialog::onGridClicked()
{
    if (m_view->selectingRows())
        return;
    // The column of the cell just selected; a grid reloaded since has none.
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid() || !GridSort::sortRows(m_copy, current.column()))
        return;
    m_model->reset();
    // No cell stays selected; the current cell stays where it was, so the
    // arrow keys go on from there.
    const QModelIndex keep = m_model->index(current.row(), current.column());
    m_view->selectionModel()->setCurrentIndex(keep, QItemSelectionModel::NoUpdate);
    m_view->selectionModel()->clearSelection();
}

QList<int> GridSortPrintDialog::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_view->selectionModel()->selectedRows())
        rows.append(index.row() + 1);
    std::sort(rows.begin(), rows.end());
    return rows;
}

void GridSortPrintDialog::onSelectionChanged()
{
    // Offered only while there is a selection, so a printout never comes
    // out empty, or whole, because of one made before the last sort.
    const bool any = m_view->selectionModel()->hasSelection();
    m_selectedOnly->setEnabled(any);
    if (!any)
        m_selectedOnly->setChecked(false);
}

void GridSortPrintDialog::onFontSizeChanged(int value)
{
    if (value < kMinFontSize || value > kMaxFontSize)
        return;
    const QFont f = BoardStyle::pixelFont(font(), BoardStyle::pixelsOfPoints(value));
    m_view->setFont(f);
    m_view->horizontalHeader()->setFont(f);
    fitColumnWidths();
}

void GridSortPrintDialog::showPrintPanel()
{
    const QSize outer = frameGeometry().size();
    m_panel->move(outer.width() / 2 - m_panel->width() / 2, outer.height() / 2 - m_panel->height() / 2);
    m_panel->raise();
    m_panel->show();
}

void GridSortPrintDialog::onPanelPrint()
{
    // Kept in the live preferences; the board writes them at its close
    // (and at "OK" of its preferences), like every other preference. Kept
    // also when the print cannot happen, as the orientation is: the user
    // chose both, and tries again with them once the printer is back.
    keepPrintParameters();
    if (printGrid(m_portrait->isChecked()))
        m_panel->hide();
}

void GridSortPrintDialog::keepPrintParameters()
{
    m_prefs.printFontSize = m_fontSize->value();
    m_prefs.portrait = m_portrait->isChecked();
}

void GridSortPrintDialog::onPanelCancel()
{
    m_panel->hide();
}

void GridSortPrintDialog::onCloseClicked()
{
    m_panel->hide();
    if (m_open)
        done(QDialog::Rejected);
}

void GridSortPrintDialog::beforeBox()
{
    // The box is a window of the program; coming back from it must not
    // undo the sort the user is trying to print.
    m_skipActivation = isActiveWindow();
}

SortGridPrinter::Pages GridSortPrintDialog::pages() const
{
    // The grid's font at the chosen size: the widths were measured with it.
    return {m_copy,
            m_widths,
            rowHeight(),
            headingTitle(),
            m_view->font(),
            m_selectedOnly->isChecked() ? selectedRows() : QList<int>(),
            m_fitWidth->isChecked()};
}

bool GridSortPrintDialog::printGrid(bool portrait)
{
    return m_printer.print(pages(), portrait);
}

bool GridSortPrintDialog::previewGrid(bool portrait)
{
    return m_printer.preview(pages(), portrait);
}

bool GridSortPrintDialog::savePdf(bool portrait)
{
    return m_printer.savePdf(pages(), portrait);
}

QString GridSortPrintDialog::headingTitle() const
{
    return m_prefs.title.isEmpty() ? QStringLiteral("RYX Scheduling") : m_prefs.title;
}

void GridSortPrintDialog::closeWithoutEffect()
{
    if (m_open)
        done(QDialog::Rejected);
}

void GridSortPrintDialog::done(int result)
{
    const bool wasOpen = std::exchange(m_open, false);
    m_skipActivation = false;
    m_otherWindowFocused = false;
    m_reportedLoadError.clear();
    QDialog::done(result);
    if (wasOpen)
        emit closed();
}

