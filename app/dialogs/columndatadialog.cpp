#include "app/dialogs/columndatadialog.h"

#include "app/desktop/messageboxes.h"
#include "app/desktop/unstorabletext.h"
#include "grid/griddata.h"
#include "store/columndata.h"

#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {
const QString kBreak = QStringLiteral("&break");
}

ColumnDataDialog::ColumnDataDialog(const DataFolder& folder, GridData& grid, Messages& messages, QWidget* parent)
    : ColumnEditorDialog(folder, grid, messages, parent)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Column Data"));

    auto* headerLabel = new QLabel(QStringLiteral("Column header name:"), this);
    headerLabel->setObjectName(QStringLiteral("Label1"));
    m_header = new QLineEdit(this);
    m_header->setObjectName(QStringLiteral("Edit1"));
    auto* sort = new QPushButton(QStringLiteral("Sort"), this);
    sort->setObjectName(QStringLiteral("Button3"));
    auto* dataLabel = new QLabel(QStringLiteral("Column menu data:"), this);
    dataLabel->setObjectName(QStringLiteral("Label2"));
    // The face reads "&break": the ampersand is doubled so that it shows
    // rather than marking a shortcut letter.
    auto* breakButton = new QPushButton(QStringLiteral("&&break"), this);
    breakButton->setObjectName(QStringLiteral("Button4"));
    makeLinesBox("Memo1");
    QPushButton* save = nullptr;
    QLayout* buttons = makeButtonRow(&save);
    for (QPushButton* b : {sort, breakButton})
        b->setAutoDefault(false);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(headerLabel, 0, 0);
    layout->addWidget(sort, 0, 1, Qt::AlignRight);
    layout->addWidget(m_header, 1, 0, 1, 2);
    layout->addWidget(dataLabel, 2, 0);
    layout->addWidget(breakButton, 2, 1, Qt::AlignRight);
    layout->addWidget(m_lines, 3, 0, 1, 2);
    layout->addLayout(buttons, 4, 0, 1, 2);
    layout->setRowStretch(3, 1);
    layout->setColumnStretch(0, 1);
    fixSize(layout);

    connect(save, &QPushButton::clicked, this, &ColumnDataDialog::saveClicked);
    connect(sort, &QPushButton::clicked, this, &ColumnDataDialog::sortClicked);
    connect(breakButton, &QPushButton::clicked, this, &ColumnDataDialog::breakClicked);
}

bool ColumnDataDialog::openFor(int column)
{
    if (isVisible()) {
        raise();
        activateWindow();
        return true;
    }
    const QString title = m_grid.cell(column, 0);
    const TextFile::ReadResult menu = ColumnData::readMenuLines(m_folder, title);
    if (!menu.okOrMissing()) {
        m_messages.show(MessageKind::Error, menu.message, kCentralOffset);
        return false;
    }
    m_column = column;
    m_header->setText(title);
    setBoxLines(menu.value);
    showOpen();
    return true;
}

void ColumnDataDialog::saveClicked()
{
    QString header = m_header->text();
    QString lines = boxText();
    if (!confirmUnstorableText(m_messages, header + u'\n' + lines) || !isVisible())
        return;
    // What the files will hold, so that the grid's title and the menu file's
    // name agree with them.
    header = asStored(header);
    lines = asStored(lines);
    if (ColumnData::checkHeader(header) == ColumnData::HeaderProblem::None
        && ColumnData::replacesAnotherMenu(m_folder, m_grid, m_column, header)
        && (!m_messages.askYesNo(QStringLiteral("A column menu named '%1' exists already. "
                                                "Replace its values with these?").arg(header),
                                 kCentralOffset)
            || !isVisible()))   // the session ended behind the question
        return;
    finishSave(ColumnData::saveColumnData(m_folder, m_grid, m_column, header, ColumnData::linesOfText(lines)));
}

void ColumnDataDialog::sortClicked()
{
    setBoxLines(ColumnData::sortedLines(ColumnData::linesOfText(boxText())));
}

void ColumnDataDialog::breakClicked()
{
    // Through the clipboard, which keeps "&break" for pasting again; where
    // there is no clipboard the text goes in directly.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard)
        clipboard->setText(kBreak);
    if (clipboard && clipboard->text() == kBreak)
        m_lines->paste();
    else
        m_lines->insertPlainText(kBreak);
    m_lines->setFocus();
}
