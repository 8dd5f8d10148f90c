#include "app/dialogs/csvimportdialog.h"

#include "widgets/plaintext.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString counted(int n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

QTableWidgetItem* item(const QString& text)
{
    auto* i = new QTableWidgetItem(text);
    i->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    i->setToolTip(PlainText::toolTip(text));
    return i;
}

} // namespace

CsvImportDialog::CsvImportDialog(const CsvImport::Plan& plan, const GridData& grid, const QString& fileName,
                                 QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CsvImportDialog"));
    setWindowTitle(QStringLiteral("Import CSV"));
    auto* layout = new QVBoxLayout(this);

    QLabel* head = PlainText::label(this);
    head->setObjectName(QStringLiteral("csvSummary"));
    head->setWordWrap(true);
    head->setText(QStringLiteral("%1: %2.\nRows are matched by the file's first column, the fixed left column.")
                      .arg(fileName, summary(plan)));
    layout->addWidget(head);

    if (!plan.unknownColumns.isEmpty()) {
        QLabel* unknown = PlainText::label(this);
        unknown->setObjectName(QStringLiteral("csvUnknownColumns"));
        unknown->setWordWrap(true);
        unknown->setText(QStringLiteral("Columns the grid does not have, left out: %1")
                             .arg(plan.unknownColumns.join(QStringLiteral(", "))));
        layout->addWidget(unknown);
    }
    if (!plan.notes.isEmpty()) {
        auto* notes = new QPlainTextEdit(this);
        notes->setObjectName(QStringLiteral("csvNotes"));
        notes->setReadOnly(true);
        QString text = plan.notes.join(u'\n');
        if (plan.notesLeftOut > 0)
            text += QStringLiteral("\n... and %1 more").arg(plan.notesLeftOut);
        notes->setPlainText(text);
        notes->setMaximumHeight(notes->fontMetrics().lineSpacing() * 6 + 12);
        layout->addWidget(notes);
    }

    auto* changes = new QTableWidget(this);
    changes->setObjectName(QStringLiteral("csvChanges"));
    layout->addWidget(changes, 1);
    fillChanges(plan, grid);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("csvButtons"));
    // Nothing to import: OK would only close the box, as Cancel does.
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!plan.changes.isEmpty());
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(720, 480);
}

QString CsvImportDialog::summary(const CsvImport::Plan& plan)
{
    return QStringLiteral("%1, %2, %3")
        .arg(counted(plan.added, "row added", "rows added"), counted(plan.replaced, "row replaced", "rows replaced"),
             counted(plan.cellsChanged(), "cell changed", "cells changed"));
}

void CsvImportDialog::fillChanges(const CsvImport::Plan& plan, const GridData& grid)
{
    auto* table = findChild<QTableWidget*>(QStringLiteral("csvChanges"));
    const int shown = int(std::min<qsizetype>(plan.changes.size(), kShownChanges));
    const bool cut = plan.changes.size() > shown;
    table->setColumnCount(5);
    table->setHorizontalHeaderLabels({QStringLiteral("Line"), QStringLiteral("Row"), QStringLiteral("Column"),
                                      QStringLiteral("Now"), QStringLiteral("After import")});
    table->setRowCount(shown + (cut ? 1 : 0));
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    for (int i = 0; i < shown; ++i) {
        const CsvImport::Change& c = plan.changes[i];
        // A new row's name is the one it gets.
        const QString name = plan.result.cell(0, c.row);
        const QString row = name.isEmpty() ? QStringLiteral("row %1").arg(c.row) : name;
        table->setItem(i, 0, item(QString::number(c.line)));
        table->setItem(i, 1, item(c.added ? row + QStringLiteral(" (added)") : row));
        table->setItem(i, 2, item(CsvImport::columnName(grid, c.col)));
        table->setItem(i, 3, item(c.before));
        table->setItem(i, 4, item(c.after));
    }
    if (cut)
        table->setItem(shown, 0, item(QStringLiteral("... and %1 more").arg(plan.changes.size() - shown)));
    // The two texts share what the names leave.
    QHeaderView* header = table->horizontalHeader();
    table->resizeColumnsToContents();
    for (int c = 0; c < 3; ++c)
        table->setColumnWidth(c, std::min(table->columnWidth(c), 160));
    header->setSectionResizeMode(3, QHeaderView::Stretch);
    header->setSectionResizeMode(4, QHeaderView::Stretch);
}
