#include "app/dialogs/fixedcolumndialog.h"

#include "app/desktop/unstorabletext.h"
#include "store/columndata.h"

#include <QVBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

FixedColumnDialog::FixedColumnDialog(const DataFolder& folder, GridData& grid, Messages& messages, QWidget* parent)
    : ColumnEditorDialog(folder, grid, messages, parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Fixed Left Column Data"));

    auto* headerLabel = new QLabel(QStringLiteral("Column header name:"), this);
    headerLabel->setObjectName(QStringLiteral("Label1"));
    auto* title = new QLineEdit(QStringLiteral("Fixed Left Column"), this);
    title->setObjectName(QStringLiteral("Edit1"));
    title->setEnabled(false);
    auto* dataLabel = new QLabel(QStringLiteral("Fixed Left Column Data"), this);
    dataLabel->setObjectName(QStringLiteral("Label2"));
    makeLinesBox("Memo1");
    QPushButton* save = nullptr;
    QLayout* buttons = makeButtonRow(&save);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(headerLabel);
    layout->addWidget(title);
    layout->addWidget(dataLabel);
    layout->addWidget(m_lines, 1);
    layout->addLayout(buttons);
    fixSize(layout);

    connect(save, &QPushButton::clicked, this, &FixedColumnDialog::saveClicked);
}

void FixedColumnDialog::open()
{
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    setBoxLines(ColumnData::fixedColumnLines(m_grid));
    showOpen();
}

void FixedColumnDialog::saveClicked()
{
    const QString lines = boxText();
    if (!confirmUnstorableText(m_messages, lines) || !isVisible())
        return;
    // The grid's fixed column holds what the file does.
    finishSave(ColumnData::saveFixedColumn(m_folder, m_grid, ColumnData::linesOfText(asStored(lines))));
}
