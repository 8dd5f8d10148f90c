#include "app/board/csvtransfer.h"

#include "app/board/boardcontext.h"
#include "app/board/gridinteraction.h"
#include "app/board/sessioncontrol.h"
#include "app/desktop/messageboxes.h"
#include "app/dialogs/csvimportdialog.h"
#include "store/csvfile.h"
#include "store/userplacement.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>

namespace {

const QString kPlainFilter = QStringLiteral("CSV files (*.csv)");
const QString kColorFilter = QStringLiteral("CSV files with row colors (*.csv)");

} // namespace

CsvTransfer::CsvTransfer(BoardContext& board, GridInteraction& interaction, SessionControl& control, QWidget* window)
    : QObject(window), m_board(board), m_interaction(interaction), m_control(control), m_window(window)
{
    setObjectName(QStringLiteral("csvTransfer"));
}

CsvTransfer::Choice CsvTransfer::choose(bool saving, const QString& suggested)
{
    if (m_chooser)
        return m_chooser(saving, suggested);
    Choice choice;
    if (!saving) {
        choice.path = QFileDialog::getOpenFileName(m_window, QStringLiteral("Import CSV"), suggested,
                                                   kPlainFilter + QStringLiteral(";;All files (*)"));
        return choice;
    }
    QString filter = kPlainFilter;
    choice.path = QFileDialog::getSaveFileName(m_window, QStringLiteral("Export CSV"), suggested,
                                               kPlainFilter + QStringLiteral(";;") + kColorFilter, &filter);
    choice.withColors = filter == kColorFilter;
    return choice;
}

QString CsvTransfer::startFolder() const
{
    const QString kept = UserPlacement::csvFolder(m_board.services.userSettingsFile, m_board.folder.root());
    if (!kept.isEmpty())
        return kept;
    // Never the shared data folder, where a dialog falls back to without
    // a Documents folder: a spreadsheet there is in every board's way.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(documents).exists() ? documents : QDir::homePath();
}

void CsvTransfer::rememberFolder(const QString& path)
{
    // A folder not kept is only a folder to look for again.
    (void)UserPlacement::saveCsvFolder(m_board.services.userSettingsFile, m_board.folder.root(),
                                       QFileInfo(path).absolutePath());
}

void CsvTransfer::exportGrid()
{
    m_board.session.suspendTimeout();
    const auto restart = qScopeGuard([this] { m_board.session.restartTimeout(); });
    // The board's title names the file, without what a file name cannot hold.
    QString title = m_board.prefs.title.trimmed();
    title.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]")), QStringLiteral("_"));
    const QString name = (title.isEmpty() ? QStringLiteral("Schedule") : title) + QStringLiteral(".csv");
    Choice choice = choose(true, QDir(startFolder()).filePath(name));
    if (choice.path.isEmpty())
        return;
    if (QFileInfo(choice.path).suffix().isEmpty())
        choice.path += QStringLiteral(".csv");
    // The board's own folders hold its files by name: an export there could
    // replace one (sgrid.scd) for every workstation.
    const QString chosenFolder = QFileInfo(QFileInfo(choice.path).absolutePath()).canonicalFilePath();
    const DataFolder& f = m_board.folder;
    for (const QString& own : {f.gsystemDir(), f.usersDir(), f.colfilesDir(), f.backupDir()})
        if (!chosenFolder.isEmpty() && chosenFolder == QFileInfo(own).canonicalFilePath()) {
            m_board.services.messages->show(
                MessageKind::Error,
                QStringLiteral("Could not save %1:\rthe board's own folder %2 holds only its data files.")
                    .arg(QFileInfo(choice.path).fileName(), QDir::toNativeSeparators(chosenFolder)),
                kCentralOffset);
            return;
        }
    rememberFolder(choice.path);
    const TextFile::WriteResult written =
        CsvFile::write(choice.path, CsvImport::exportRows(m_board.document.data(), choice.withColors));
    if (!written.ok())
        m_board.services.messages->show(MessageKind::Error, written.message, kCentralOffset);
}

void CsvTransfer::importFile()
{
    if (m_board.session.state() != UpdateSession::State::Updating)
        return;
    m_board.session.suspendTimeout();
    const auto restart = qScopeGuard([this] { m_board.session.restartTimeout(); });
    const Choice choice = choose(false, startFolder());
    if (choice.path.isEmpty() || m_board.session.state() != UpdateSession::State::Updating)
        return;
    rememberFolder(choice.path);
    Messages& messages = *m_board.services.messages;
    const FileResult<CsvFile::Table> read = CsvFile::read(choice.path);
    if (!read.ok()) {
        messages.show(MessageKind::Error, read.message + QStringLiteral("\n\nNothing was imported."), kCentralOffset);
        return;
    }
    const GridData before = m_board.document.data();
    const CsvImport::Plan plan = CsvImport::plan(before, read.value);
    if (!plan.fits()) {
        messages.show(MessageKind::Warning,
                      QStringLiteral("The grid holds at most %1 rows: %2 of the file would not fit.\n\nNothing was imported.")
                          .arg(CsvImport::kMaxDataRows)
                          .arg(plan.notFitting == 1 ? QStringLiteral("1 row") : QStringLiteral("%1 rows").arg(plan.notFitting)),
                      kCentralOffset);
        return;
    }
    // The grid may not change under the box: the plan is for the grid it saw.
    QString fileName = QFileInfo(choice.path).fileName();
    if (!read.value.utf8)
        fileName += QStringLiteral(" (read as Windows-1252)");
    if (!confirmed(plan, fileName) || !(m_board.document.data() == before))
        return;
    m_board.document.draft() = plan.result;
    m_interaction.recordChange(QStringLiteral("Import CSV"));
    m_board.view->fitColumnWidths();
}

bool CsvTransfer::confirmed(const CsvImport::Plan& plan, const QString& fileName)
{
    QPointer<CsvImportDialog> dialog = new CsvImportDialog(plan, m_board.document.data(), fileName, m_window);
    const auto gone = qScopeGuard([&dialog] { delete dialog; });
    // The session ends behind the box (its time-out, another window): it closes without effect.
    connect(&m_control, &SessionControl::closingSessionWindows, dialog, &QDialog::reject);
    return dialog->exec() == QDialog::Accepted && dialog
        && m_board.session.state() == UpdateSession::State::Updating;
}
