#include "app/board/mainwindow.h"

#include "app/board/boardkeys.h"
#include "app/board/celleditorguard.h"
#include "app/board/csvtransfer.h"
#include "app/board/findbar.h"
#include "app/board/gridinteraction.h"
#include "app/board/sessioncontrol.h"
#include "app/board/sessiondialogs.h"
#include "app/board/statusline.h"
#include "app/board/toolbar.h"
#include "app/desktop/messageboxes.h"
#include "app/desktop/persistentform.h"
#include "app/desktop/trayicon.h"
#include "app/dialogs/backupsdialog.h"
#include "app/dialogs/helpwindow.h"
#include "app/dialogs/historywindow.h"
#include "app/dialogs/preferencesdialog.h"
#include "coord/updatesession.h"
#include "gridview/gridview.h"
#include "store/gridstore.h"
#include "store/sharedsettings.h"
#include "store/startupcheck.h"
#include "store/userplacement.h"
#include "widgets/boardstyle.h"
#include "widgets/imagefile.h"
#include "widgets/plaintext.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QSessionManager>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kSaveQuestion =
    QStringLiteral("Schedule update button is down!  Do you want to save current Grid Schedule?");

// Long enough to read a line, short enough not to linger over later work.
constexpr int kNoticeMs = 6000;

} // namespace

std::unique_ptr<MainWindow> MainWindow::create(const DataFolder& folder, const Services& services)
{
    const FileResult<> usable = StartupCheck::checkDataFolder(folder);
    if (!usable.ok()) {
        services.messages->show(MessageKind::Error, usable.message, {0, 30});
        return nullptr;
    }
    return std::unique_ptr<MainWindow>(new MainWindow(folder, services));
}

MainWindow::MainWindow(const DataFolder& folder, const Services& services)
    : m_toolbar(new Toolbar(folder, this))
    , m_board(folder, services, this)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("RYX"));
    // System menu and maximise only: "Tray" hides the window instead.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setMinimumSize(770, 450);
    resize(799, 572);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(799 / 2, 572 / 2));
    BoardStyle::apply(this, BoardStyle::Look::Board);

    m_settings = std::make_unique<SharedSettings>(m_board.folder, m_board.prefs);

    m_tray = new TrayIcon(this);
    connectToolbar();

    m_interaction = new GridInteraction(m_board, this);
    connect(m_interaction, &GridInteraction::focusToolbarRequested, m_toolbar, &Toolbar::takeFocus);
    m_sessionControl = new SessionControl(m_board, *m_toolbar, *m_interaction, this);

    m_statusLine = new StatusLine(this);
    m_statusLine->setObjectName(QStringLiteral("StatusBar1"));
    // It names the user and computer of users/curuser.scd.
    connect(m_sessionControl, &SessionControl::statusChanged, m_statusLine, &StatusLine::setText);
    auto* cellGuard = new CellEditorGuard(m_board.view, this);
    connect(cellGuard, &CellEditorGuard::notice, m_statusLine, [this](const QString& text) {
        m_statusLine->showNotice(text, kNoticeMs);
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_board.view, 1);
    m_findBar = new FindBar(m_board.document, *m_board.view, this);
    layout->addWidget(m_findBar);
    layout->addWidget(m_statusLine);
    new BoardKeys(this, *m_toolbar, *m_interaction, *m_board.view, *m_findBar);

    m_dialogs = new SessionDialogs(m_board, *m_sessionControl, *m_interaction, *m_toolbar, this);
    connect(m_toolbar, &Toolbar::printRequested, this, [this] {
        if (SortPrintWindow* dialog = sortPrintDialog())
            dialog->showOpen();
    });
    auto* csv = new CsvTransfer(m_board, *m_interaction, *m_sessionControl, this);
    connect(m_toolbar, &Toolbar::exportCsvRequested, csv, &CsvTransfer::exportGrid);
    connect(m_toolbar, &Toolbar::importCsvRequested, csv, &CsvTransfer::importFile);

    // Undo and redo reach the board only while one of its windows is
    // active: the rest of the desktop keeps its own Ctrl + Z.
    m_undoShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this);
    m_undoShortcut->setObjectName(QStringLiteral("undoShortcut"));
    m_redoShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), this);
    m_redoShortcut->setObjectName(QStringLiteral("redoShortcut"));
    for (QShortcut* s : {m_undoShortcut, m_redoShortcut})
        s->setContext(Qt::ApplicationShortcut);
    connect(m_undoShortcut, &QShortcut::activated, m_interaction, &GridInteraction::undo);
    connect(m_redoShortcut, &QShortcut::activated, m_interaction, &GridInteraction::redo);
    // Ctrl + H: no grid command has the letter.
    m_historyShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
    m_historyShortcut->setObjectName(QStringLiteral("historyShortcut"));
    m_historyShortcut->setAutoRepeat(false);
    connect(m_historyShortcut, &QShortcut::activated, this, &MainWindow::onHistoryClicked);
    connect(m_toolbar, &Toolbar::historyRequested, this, &MainWindow::onHistoryClicked);

    connect(qApp, &QGuiApplication::commitDataRequest, this, &MainWindow::onCommitDataRequest,
            Qt::DirectConnection);

    buildWindow();
}

MainWindow::~MainWindow()
{
    // They act on the session and the grid, which go with this window.
    delete m_dialogs;
    delete m_sessionControl;
    delete m_interaction;
    // The child widgets show the grid and preferences this window holds, so
    // they go before those members do.
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

PreferencesDialog* MainWindow::preferencesDialog()
{
    if (m_prefsDialog)
        return m_prefsDialog;
    // The dialog's controls write through to the preferences, and making
    // them sets their design values: the preferences as read win.
    const Preferences read = m_board.prefs;
    m_prefsDialog = new PreferencesDialog(m_board.prefs, *m_board.services.identity, this);
    m_board.prefs = read;
    if (m_preferencesApplied)
        m_prefsDialog->loadFromPreferences();
    m_prefsDialog->setUserLines(m_userLines);
    m_prefsDialog->setRestoreAllowed(m_restoreAllowed);
    connect(m_prefsDialog, &PreferencesDialog::okPressed, this, &MainWindow::onPrefsOk);
    connect(m_prefsDialog, &PreferencesDialog::backupNowRequested, this, &MainWindow::backupNow);
    connect(m_prefsDialog, &PreferencesDialog::restoreRequested, this, [this] { backupsDialog()->exec(); });
    connect(m_prefsDialog, &PreferencesDialog::fontChanged, this, [this] {
        m_board.view->applyPreferences();
        m_board.view->fitColumnWidths();
    });
    connect(m_prefsDialog, &PreferencesDialog::rowHeightChanged, this,
            [this] { m_board.view->applyPreferences(); });
    return m_prefsDialog;
}

BackupsDialog* MainWindow::backupsDialog()
{
    if (m_backupsDialog)
        return m_backupsDialog;
    m_backupsDialog = new BackupsDialog(m_board.folder, m_board.session, m_board.prefs, *m_board.services.messages,
                                        preferencesDialog());
    connect(m_backupsDialog, &BackupsDialog::restored, m_board.view, &GridView::fitColumnWidths);
    return m_backupsDialog;
}

SortPrintWindow* MainWindow::sortPrintDialog()
{
    if (m_sortPrintDialog)
        return m_sortPrintDialog;
    QString error;
    m_sortPrintDialog = m_makeSortPrint(m_board.folder, m_board.prefs, *m_board.services.messages, this, error);
    if (!m_sortPrintDialog) {
        m_board.services.messages->show(
            MessageKind::Error,
            QStringLiteral("\"Grid Sort / Print\" cannot be opened: its module could not be loaded.\n\n%1").arg(error),
            kCentralOffset);
        return nullptr;
    }
    if (m_preferencesApplied)
        m_sortPrintDialog->loadFromPreferences();
    return m_sortPrintDialog;
}

void MainWindow::buildWindow()
{
    // A schedule that cannot be read shows as an empty grid: say so, as an
    // update started on it is refused until it can be read.
    if (const GridStore::LoadResult r = m_board.session.startUp(); !r.value && r.status != FileStatus::Missing)
        m_board.services.messages->show(MessageKind::Error, QStringLiteral("Could not read %1").arg(r.message), kCentralOffset);
    // The column widths follow at the first activation, once the grid font
    // is known; nothing is painted before it.
    // The icons can wait for the first paint: asking the desktop for a
    // notification area may start a bus daemon.
    QTimer::singleShot(0, this, &MainWindow::setUpIcons);
}

void MainWindow::setUpIcons()
{
    const QString icon = m_board.folder.gsystem(QStringLiteral("icon.ico"));
    QPixmap iconImage;
    if (const TextFile::BytesResult bytes = TextFile::readBytes(icon, TextFile::kImageFileCap); bytes.ok())
        iconImage = QPixmap::fromImage(ImageFile::readIcon(bytes.value));
    QIcon windowIcon = iconImage.isNull() ? QIcon() : QIcon(iconImage);
    if (QFile led(QStringLiteral(":/LED_PICS")); windowIcon.isNull() && led.open(QIODevice::ReadOnly))
        windowIcon = QIcon(QPixmap::fromImage(ImageFile::read(led.readAll(), "BMP")));
    setWindowIcon(windowIcon);
    m_tray->setUp(windowIcon);
}

void MainWindow::connectToolbar()
{
    connect(m_toolbar, &Toolbar::helpRequested, this, &MainWindow::onHelpClicked);
    connect(m_toolbar, &Toolbar::prefsRequested, this, &MainWindow::onPrefsClicked);
    connect(m_toolbar, &Toolbar::quitRequested, this, &MainWindow::onQuitClicked);
    connect(m_toolbar, &Toolbar::trayRequested, this, &MainWindow::onTrayClicked);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    rememberGeometry();
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    rememberGeometry();
}

void MainWindow::rememberGeometry()
{
    // A maximised window does not overwrite the remembered geometry.
    const QScreen* s = screen();
    if (!s || isMaximized() || isFullScreen() || width() >= s->geometry().width())
        return;
    m_ownPlace = QRect(pos(), size());
    rememberWindowGeometry(m_board.prefs, m_ownPlace, m_placement);
}

bool MainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        onActivated();
    return QWidget::event(event);
}

void MainWindow::onActivated()
{
    if (m_activated)
        return;
    m_interaction->clearGridSelection();

    const bool read = m_settings->loadPreferences().ok();
    if (m_prefsDialog)
        m_prefsDialog->loadFromPreferences();
    applyPreferencesToWindow();
    m_board.view->fitColumnWidths();
    // The privileges never wait for the preferences: until they are applied
    // every button shows, and the user list box would stay empty for "OK"
    // to save.
    if (!m_privilegesApplied) {
        applyPrivileges();
        m_toolbar->loadUpdateImage();
        m_privilegesApplied = true;
    }
    // A parm.scd that could not be read is tried again at the next activation.
    m_activated = read;
}

void MainWindow::applyPreferencesToWindow()
{
    const Preferences& prefs = m_board.prefs;
    if (!prefs.title.isEmpty())
        setWindowTitle(PlainText::windowTitle(prefs.title));
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens.append(s->availableGeometry());
    // Both steps take the placement: a shown window remembers its resize
    // together with its old position, before the move.
    // This user's own place wins; parm.scd's is for users without one.
    Preferences wanted = prefs;
    // Without one (or with one that cannot be read) parm.scd's is used, unsaid.
    if (const FileResult<QRect> own = UserPlacement::load(m_board.services.userSettingsFile, m_board.folder.root());
        own.ok()) {
        wanted.left = own.value.x();
        wanted.top = own.value.y();
        wanted.width = own.value.width();
        wanted.height = own.value.height();
    }
    m_placement = placeWindow(wanted, screens, minimumSize());
    // Standing where it was placed, the window leaves parm.scd's numbers
    // alone; moved, it writes them as it always did, for older boards.
    m_placement.width = prefs.width;
    m_placement.height = prefs.height;
    m_placement.top = prefs.top;
    m_placement.left = prefs.left;
    resize(m_placement.placed.size());
    move(m_placement.placed.topLeft());
    m_board.view->applyPreferences();
    m_dialogs->applyPreferences();
    m_preferencesApplied = true;
    if (m_sortPrintDialog)
        m_sortPrintDialog->loadFromPreferences();
}

void MainWindow::applyPrivileges()
{
    // A list that cannot be read gives level 0 and is never saved over.
    const TextFile::ReadResult read = m_settings->loadUsers();
    const QStringList& users = read.value;
    if (!read.ok())
        m_board.services.messages->show(MessageKind::Error,
                                        QStringLiteral("Could not read users.scd:\r%1\rUpdate and Prefs stay hidden "
                                                       "until the next start that can read it.")
                                            .arg(read.reason),
                                        kCentralOffset);
    const int level = privilegeLevel(users, m_board.services.identity->userName());
    m_toolbar->showPrivileges(level);
    m_userLines = users;
    m_restoreAllowed = level >= Privilege::All;
    if (m_prefsDialog) {
        m_prefsDialog->setUserLines(m_userLines);
        m_prefsDialog->setRestoreAllowed(m_restoreAllowed);
    }
    m_toolbar->takeFocus();
}

void MainWindow::backupNow()
{
    const TextFile::WriteResult w = m_board.session.backupNow();
    if (!w.ok())
        m_board.services.messages->show(MessageKind::Error, w.message, kCentralOffset);
}

void MainWindow::onPrefsClicked()
{
    PreferencesDialog* dialog = preferencesDialog();
    dialog->exec();
    dialog->hide();
}

void MainWindow::onPrefsOk()
{
    const TextFile::WriteResult w = savePreferences();
    if (!w.ok()) {
        m_board.services.messages->show(MessageKind::Error, w.message, kCentralOffset);
        return;
    }
    setWindowTitle(PlainText::windowTitle(m_board.prefs.title));
    m_board.view->applyPreferences();
    m_board.view->viewport()->update();
    m_prefsDialog->accept();
}

TextFile::WriteResult MainWindow::savePreferences()
{
    return m_settings->save(userLines());
}

QStringList MainWindow::userLines() const
{
    return m_prefsDialog ? m_prefsDialog->userLines() : m_userLines;
}

void MainWindow::onQuitClicked()
{
    close();
}

void MainWindow::onHelpClicked()
{
    // Shown by the board itself: Help.chm is HTML, which neither a Linux
    // desktop nor the Windows help program opens under that name.
    if (!m_helpWindow)
        m_helpWindow = new HelpWindow(m_board.folder, this);
    m_helpWindow->showHelp();
}

void MainWindow::onHistoryClicked()
{
    if (!m_historyWindow) {
        m_historyWindow = new HistoryWindow(m_board.folder, m_board.prefs, this);
        connect(m_historyWindow, &HistoryWindow::cellChosen, this, [this](int col, int row) {
            // The row as it stands now: later saves may have moved its cells.
            GridView* view = m_board.view;
            const GridData& grid = m_board.document.data();
            if (row < 1 || row >= grid.rowCount())
                return;
            view->focusCell(std::clamp(col, 1, std::max(1, grid.colCount() - 1)), row);
            activateWindow();
            view->setFocus();
        });
    }
    m_historyWindow->showHistory();
}

void MainWindow::onTrayClicked()
{
    m_tray->hideWindow();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_ending || confirmClose())
        event->accept();
    else
        event->ignore();
}

bool MainWindow::confirmClose()
{
    bool refused = false;
    if (m_board.session.state() == UpdateSession::State::Updating) {
        switch (m_board.services.messages->askYesNoCancel(kSaveQuestion, {-72, 33})) {
        case Answer::Yes:
            refused = !m_sessionControl->endSession(false);
            break;
        case Answer::No:
            m_board.session.abandon();
            break;
        case Answer::Cancel:
            refused = true;
            break;
        }
    }

    m_board.session.closeDown();
    if (const TextFile::WriteResult w = m_board.session.closeBackup(); !w.ok())
        m_board.services.messages->show(MessageKind::Error, w.message, kCentralOffset);
    rememberGeometry();
    // Only a cosmetic step: a place that cannot be kept costs nothing else.
    if (m_ownPlace.isValid() && !m_board.services.userSettingsFile.isEmpty())
        (void)UserPlacement::save(m_board.services.userSettingsFile, m_board.folder.root(), m_ownPlace);

    // Only what this workstation changed, over the files as they now stand.
    for (const TextFile::WriteResult& w : m_settings->saveAtClose(userLines()))
        m_board.services.messages->show(MessageKind::Error, w.message, kCentralOffset);
    // The dialogs' places and kept choices, at a normal end only.
    if (!refused) {
        for (const TextFile::WriteResult& w : PersistentForm::saveAll(this))
            m_board.services.messages->show(MessageKind::Error, w.message, kCentralOffset);
    }
    return !refused;
}

void MainWindow::onCommitDataRequest(QSessionManager& manager)
{
    endOfDesktopSession(manager.allowsInteraction());
    if (manager.allowsInteraction())
        manager.release();
}

void MainWindow::endOfDesktopSession(bool canAsk)
{
    if (m_board.session.state() == UpdateSession::State::Updating) {
        // A Yes whose save fails still keeps the edits: the process ends next.
        const bool save = !canAsk || m_board.services.messages->askYesNo(kSaveQuestion, {-72, 33});
        // Nothing the session opened may write once it is over, even if the
        // desktop's logout is then cancelled and the board stays.
        m_sessionControl->closeSessionBoxes();
        if (save)
            m_board.session.saveOrRescue();
    }
    m_board.session.closeDown();
    m_ending = true;
}
