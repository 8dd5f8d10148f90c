#include "app/dialogs/backupsdialog.h"

#include "app/desktop/busymessage.h"
#include "app/desktop/messageboxes.h"
#include "base/preferences.h"
#include "base/services.h"
#include "coord/updatesession.h"
#include "widgets/colorvalue.h"
#include "widgets/plaintext.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString dateText(const QDateTime& t)
{
    return t.toString(QStringLiteral("M/d/yyyy"));
}

QString timeText(const QDateTime& t)
{
    return t.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

BackupsDialog::BackupsDialog(const DataFolder& folder, UpdateSession& session, const Preferences& prefs,
                             Messages& messages, QWidget* parent)
    : QDialog(parent), m_store(folder), m_session(session), m_prefs(prefs), m_messages(messages)
{
    setObjectName(QStringLiteral("BackupsDialog"));
    setWindowTitle(QStringLiteral("Backups"));

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("backupList"));
    m_list->setHeaderLabels({QStringLiteral("Date"), QStringLiteral("Time"), QStringLiteral("Kind")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setStretchLastSection(true);
    connect(m_list, &QTreeWidget::currentItemChanged, this, &BackupsDialog::showPreview);

    m_preview = new QTableWidget(this);
    m_preview->setObjectName(QStringLiteral("backupPreview"));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    m_preview->verticalHeader()->hide();   // the fixed column numbers the rows
    m_previewNote = PlainText::label(this);
    m_previewNote->setObjectName(QStringLiteral("previewNote"));
    m_previewNote->setWordWrap(true);

    m_restore = new QPushButton(QStringLiteral("&Restore"), this);
    m_restore->setObjectName(QStringLiteral("restoreButton"));
    m_restore->setDefault(true);
    connect(m_restore, &QPushButton::clicked, this, &BackupsDialog::restoreSelected);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* previewColumn = new QVBoxLayout;
    previewColumn->addWidget(m_preview, 1);
    previewColumn->addWidget(m_previewNote);
    auto* top = new QHBoxLayout;
    top->addWidget(m_list, 2);
    top->addLayout(previewColumn, 5);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_restore);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);
    resize(900, 480);
}

void BackupsDialog::showEvent(QShowEvent* event)
{
    reloadList();
    QDialog::showEvent(event);
}

void BackupsDialog::reloadList()
{
    const FileResult<QList<GridStore::BackupEntry>> listed = m_store.listBackups();
    m_entries = listed.value;
    m_list->clear();
    for (const GridStore::BackupEntry& e : m_entries) {
        auto* item = new QTreeWidgetItem(m_list, {dateText(e.time), timeText(e.time),
                                                  e.readable ? GridStore::backupKindText(e.kind)
                                                             : QStringLiteral("Cannot be read")});
        item->setToolTip(0, PlainText::toolTip(e.fileName));
        if (!e.readable)
            item->setForeground(2, palette().color(QPalette::Disabled, QPalette::Text));
    }
    for (int c = 0; c < 2; ++c)
        m_list->resizeColumnToContents(c);
    if (m_list->topLevelItemCount() > 0) {
        m_list->setCurrentItem(m_list->topLevelItem(0));
    } else {
        showPreview();
        if (!listed.ok())
            m_previewNote->setText(QStringLiteral("The backups cannot be listed: %1").arg(listed.reason));
    }
}

QString BackupsDialog::selectedFile() const
{
    const int row = m_list->currentItem() ? m_list->indexOfTopLevelItem(m_list->currentItem()) : -1;
    return row >= 0 && row < m_entries.size() ? m_entries[row].fileName : QString();
}

void BackupsDialog::showPreview()
{
    m_preview->clear();
    m_preview->setRowCount(0);
    m_preview->setColumnCount(0);
    m_restore->setEnabled(false);
    const QString name = selectedFile();
    if (name.isEmpty()) {
        m_previewNote->setText(QStringLiteral("There are no backups."));
        return;
    }
    GridData grid;
    const GridStore::LoadResult load = m_store.loadBackup(name, grid);
    if (!load.ok()) {
        m_previewNote->setText(QStringLiteral("This backup cannot be read and cannot be restored (%1).").arg(load.message));
        return;
    }
    const int cols = grid.colCount();
    const int dataRows = grid.rowCount() - 1;
    const int shown = std::min(dataRows, std::max(1, kPreviewCells / std::max(1, cols)));
    m_preview->setColumnCount(cols);
    m_preview->setRowCount(std::max(0, shown));
    QStringList titles;
    for (int c = 0; c < cols; ++c)
        titles << grid.cell(c, 0);
    m_preview->setHorizontalHeaderLabels(titles);
    for (int r = 0; r < shown; ++r) {
        const int value = ColorCodes::fillValue(grid.rowColor(r + 1));
        for (int c = 0; c < cols; ++c) {
            auto* item = new QTableWidgetItem(grid.cell(c, r + 1).left(200));
            if (value >= 0)
                item->setBackground(colorFromValue(value));
            m_preview->setItem(r, c, item);
        }
    }
    m_preview->resizeColumnsToContents();
    for (int c = 0; c < cols; ++c)
        m_preview->setColumnWidth(c, std::min(m_preview->columnWidth(c), 240));
    m_previewNote->setText(shown < dataRows
                               ? QStringLiteral("%1 rows; the first %2 are shown.").arg(dataRows).arg(shown)
                               : QStringLiteral("%1 rows.").arg(std::max(0, dataRows)));
    m_restore->setEnabled(true);
}

void BackupsDialog::restoreSelected()
{
    const int row = m_list->currentItem() ? m_list->indexOfTopLevelItem(m_list->currentItem()) : -1;
    if (row < 0 || row >= m_entries.size() || !m_restore->isEnabled())
        return;
    const GridStore::BackupEntry entry = m_entries[row];
    if (!m_messages.askYesNo(QStringLiteral("Restore the schedule of %1 %2? The schedule it replaces is kept as a backup.")
                                 .arg(dateText(entry.time), timeText(entry.time)),
                             kCentralOffset))
        return;

    using R = UpdateSession::RestoreResult;
    const R r = m_session.restoreBackup(entry.fileName);
    switch (r.kind) {
    case R::Restored:
        emit restored();
        accept();
        return;
    case R::Busy:
        report(QStringLiteral("System busy (update in progress).")
                   + busyDetails(r.computer, r.user, m_prefs.displayUser),
               MessageKind::Information);
        return;
    case R::LockError:
        report(lockErrorText(r, r.lockUnopenable), MessageKind::Error);
        return;
    case R::Updating:
        report(QStringLiteral("Release Update before restoring a backup."));
        return;
    case R::Unreadable:
        report(QStringLiteral("Could not read %1\r\rNothing was restored.").arg(r.message));
        break;
    case R::KeepFailed:
        report(r.message + QStringLiteral("\r\rThe schedule in place could not be kept, "
                                                     "so nothing was restored."));
        break;
    case R::SaveFailed:
        report(r.message + QStringLiteral("\r\rThe schedule was not replaced."));
        break;
    }
    reloadList();
}

void BackupsDialog::report(const QString& text, MessageKind kind)
{
    m_messages.show(kind, text, kCentralOffset);
}
