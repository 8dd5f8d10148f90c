#include "app/mainwindow.h"

#include "app/backupsdialog.h"
#include "app/celleditorguard.h"
#include "app/gridinteraction.h"
#include "app/gridsortprintdialog.h"
#include "app/helpwindow.h"
#include "app/persistentform.h"
#include "app/preferencesdialog.h"
#include "app/sessioncontrol.h"
#include "app/sessiondialogs.h"
#include "app/toolbar.h"
#include "app/trayicon.h"
#include "coord/updatesession.h"
#include "gridview/gridview.h"
#include "store/gridstore.h"
#include "store/sharedsettings.h"
#include "store/startupcheck.h"
#include "store/userplacement.h"
#include "widgets/colorvalue.h"
#include "widgets/imagefile.h"
#include "widgets/led.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QSessionManager>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kSaveQuestion =
    QStringLiteral("Schedule update button is down!  Do you want to save current Grid Schedule?");

// Long enough to read a line, short enough not to linger over later work.
constexpr int kNoticeMs = 6000;

} // namespace

std::unique_ptr<MainWindow> MainWindow::create(const DataFolder& folder, const Services& services)
{
    const QString missing = StartupCheck::missingFileMessage(folder);
    if (!missing.isEmpty()) {
        services.messages->show(MessageKind::Error, missing, {0, 30});
        return nullptr;
    }
    return std::unique_ptr<MainWindow>(new MainWindow(folder, services));
}

MainWindow::MainWindow(const DataFolder& folder, const Services& services)
    : m_folder(folder), m_services(services)
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
    setBackground(this, QColor(231, 223, 173));

    m_session = std::make_unique<UpdateSession>(m_folder, m_grid, m_prefs, *m_services.identity, *m_services.clock);
    m_settings = std::make_unique<SharedSettings>(m_folder, m_prefs);

    m_tray = new TrayIcon(this);
    buildToolbar();

    m_gridView = new GridView(m_grid, m_prefs, this);
    m_gridView->setObjectName(QStringLiteral("StringGrid1"));
    m_interaction = new GridInteraction(m_folder, m_grid, m_prefs, *m_session, *m_services.messages, m_gridView, this);
    connect(m_interaction, &GridInteraction::focusToolbarRequested, m_toolbar, &Toolbar::takeFocus);
    m_sessionControl = new SessionControl(m_folder, m_prefs, *m_session, *m_services.messages, *m_services.sounds,
                                          *m_toolbar, m_gridView, *m_interaction, this);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar->setSizeGripEnabled(false);
    auto* sessionStatus = new QLabel(m_statusBar);
    sessionStatus->setObjectName(QStringLiteral("sessionStatus"));
    m_statusBar->addWidget(sessionStatus, 1);
    connect(m_sessionControl, &SessionControl::statusChanged, sessionStatus, &QLabel::setText);
    auto* cellGuard = new CellEditorGuard(m_gridView, this);
    connect(cellGuard, &CellEditorGuard::notice, m_statusBar, [this](const QString& text) {
        m_statusBar->showMessage(text, kNoticeMs);
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_gridView, 1);
    layout->addWidget(m_statusBar);

    m_dialogs = new SessionDialogs(m_folder, m_grid, m_prefs, m_services, *m_session, *m_sessionControl,
                                   *m_interaction, m_gridView, *m_toolbar, this);

    m_sortPrintDialog = new GridSortPrintDialog(m_folder, m_prefs, *m_services.messages, this);
    connect(m_toolbar->printAction(), &QAction::triggered, m_sortPrintDialog, &GridSortPrintDialog::showOpen);

    m_prefsDialog = new PreferencesDialog(m_prefs, *m_services.identity, this);
    connect(m_prefsDialog, &PreferencesDialog::okPressed, this, &MainWindow::onPrefsOk);
    connect(m_prefsDialog, &PreferencesDialog::backupNowRequested, this, &MainWindow::backupNow);
    m_backupsDialog = new BackupsDialog(m_folder, *m_session, m_prefs, *m_services.messages, m_prefsDialog);
    connect(m_prefsDialog, &PreferencesDialog::restoreRequested, m_backupsDialog, &QDialog::exec);
    connect(m_backupsDialog, &BackupsDialog::restored, this, [this] {
        m_gridView->reload();
        m_gridView->fitColumnWidths();
    });
    connect(m_prefsDialog, &PreferencesDialog::fontChanged, this, [this] {
        m_gridView->applyPreferences();
        m_gridView->fitColumnWidths();
    });
    connect(m_prefsDialog, &PreferencesDialog::rowHeightChanged, this, [this] { m_gridView->applyPreferences(); });

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

void MainWindow::buildWindow()
{
    // A schedule that cannot be read shows as an empty grid: say so, as an
    // update started on it is refused until it can be read.
    if (const GridStore::LoadResult r = m_session->startUp(); !r.shapeLoaded && !r.missing)
        m_services.messages->show(MessageKind::Error, QStringLiteral("Could not read %1").arg(r.error), kCentralOffset);
    // The column widths follow at the first activation, once the grid font
    // is known; nothing is painted before it.
    m_gridView->reload();
    // The icons can wait for the first paint: asking the desktop for a
    // notification area may start a bus daemon.
    QTimer::singleShot(0, this, &MainWindow::setUpIcons);
}

void MainWindow::setUpIcons()
{
    const QString icon = m_folder.gsystem(QStringLiteral("icon.ico"));
    QPixmap iconImage;
    if (const TextFile::BytesResult bytes = TextFile::readBytes(icon, TextFile::kImageFileCap); bytes.ok())
        iconImage = QPixmap::fromImage(ImageFile::readIcon(bytes.bytes));
    QIcon windowIcon = iconImage.isNull() ? QIcon() : QIcon(iconImage);
    if (QFile led(QStringLiteral(":/LED_PICS")); windowIcon.isNull() && led.open(QIODevice::ReadOnly))
        windowIcon = QIcon(QPixmap::fromImage(ImageFile::read(led.readAll(), "PNG")));
    setWindowIcon(windowIcon);
    m_tray->setUp(windowIcon);
}

QTimer* MainWindow::timer(int n) const
{
    switch (n) {
    case 1: return &m_session->pollTimer();
    case 2: return &m_session->timeoutTimer();
    case 3: return m_interaction->advanceTimer();
    case 4: return m_sessionControl->backupTimer();
    default: return nullptr;
    }
}

void MainWindow::buildToolbar()
{
    m_toolbar = new Toolbar(m_folder, this);
    connect(m_toolbar->helpButton(), &QToolButton::clicked, this, &MainWindow::onHelpClicked);
    connect(m_toolbar->editingButton(), &QToolButton::toggled, this, [this](bool down) {
        m_gridView->setEditingAllowed(down && m_session->state() == UpdateSession::State::Updating);
        if (!down) {
            m_gridView->closeEditor();
            m_interaction->clearGridSelection();
        }
    });
    connect(m_toolbar->prefsButton(), &QToolButton::clicked, this, &MainWindow::onPrefsClicked);
    connect(m_toolbar->quitButton(), &QToolButton::clicked, this, &MainWindow::onQuitClicked);
    connect(m_toolbar->trayButton(), &QToolButton::clicked, this, &MainWindow::onTrayClicked);
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
    rememberWindowGeometry(m_prefs, m_ownPlace, m_placement);
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

    const bool read = m_settings->loadPreferences();
    m_prefsDialog->loadFromPreferences();
    applyPreferencesToWindow();
    m_gridView->fitColumnWidths();
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
    if (!m_prefs.title.isEmpty())
        setWindowTitle(m_prefs.title);
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens.append(s->availableGeometry());
    // Both steps take the placement: a shown window remembers its resize
    // together with its old position, before the move.
    // This user's own place wins; parm.scd's is for users without one.
    Preferences wanted = m_prefs;
    if (const std::optional<QRect> own = UserPlacement::load(m_services.userSettingsFile, m_folder.root())) {
        wanted.left = own->x();
        wanted.top = own->y();
        wanted.width = own->width();
        wanted.height = own->height();
    }
    m_placement = placeWindow(wanted, screens, minimumSize());
    // Standing where it was placed, the window leaves parm.scd's numbers
    // alone; moved, it writes them as it always did, for older boards.
    m_placement.width = m_prefs.width;
    m_placement.height = m_prefs.height;
    m_placement.top = m_prefs.top;
    m_placement.left = m_prefs.left;
    resize(m_placement.placed.size());
    move(m_placement.placed.topLeft());
    m_gridView->applyPreferences();
    m_dialogs->applyPreferences();
    m_sortPrintDialog->loadFromPreferences();
}

void MainWindow::applyPrivileges()
{
    // A list that cannot be read gives level 0 and is never saved over.
    const QStringList users = m_settings->loadUsers();
    if (!m_settings->usersLoaded())
        m_services.messages->show(MessageKind::Error,
                                  QStringLiteral("Could not read users.scd:\r%1\rUpdate and Prefs stay hidden "
                                                 "until the next start that can read it.")
                                      .arg(m_settings->usersError()),
                                  kCentralOffset);
    m_prefsDialog->setUserLines(users);
    const int level = privilegeLevel(users, m_services.identity->userName());
    m_toolbar->showPrivileges(level);
    m_prefsDialog->setRestoreAllowed(level >= Privilege::All);
    m_toolbar->takeFocus();
}

bool MainWindow::updateGroupShown() const
{
    return m_toolbar->updateGroupShown();
}

bool MainWindow::prefsShown() const
{
    return m_toolbar->prefsShown();
}

void MainWindow::backupNow()
{
    const TextFile::WriteResult w = m_session->backupNow();
    if (!w)
        m_services.messages->show(MessageKind::Error, w.message(), kCentralOffset);
}

void MainWindow::onPrefsClicked()
{
    m_prefsDialog->exec();
    m_prefsDialog->hide();
}

void MainWindow::onPrefsOk()
{
    const TextFile::WriteResult w = savePreferences();
    if (!w) {
        m_services.messages->show(MessageKind::Error, w.message(), kCentralOffset);
        return;
    }
    setWindowTitle(m_prefs.title);
    m_gridView->applyPreferences();
    m_gridView->viewport()->update();
    m_prefsDialog->accept();
}

TextFile::WriteResult MainWindow::savePreferences()
{
    return m_settings->save(m_prefsDialog->userLines());
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
        m_helpWindow = new HelpWindow(m_folder, this);
    m_helpWindow->showHelp();
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
    if (m_session->state() == UpdateSession::State::Updating) {
        switch (m_services.messages->askYesNoCancel(kSaveQuestion, {-72, 33})) {
        case Answer::Yes:
            refused = !m_sessionControl->endSession(false);
            break;
        case Answer::No:
            m_session->abandon();
            break;
        case Answer::Cancel:
            refused = true;
            break;
        }
    }

    m_session->closeDown();
    if (const TextFile::WriteResult w = m_session->closeBackup(); !w)
        m_services.messages->show(MessageKind::Error, w.message(), kCentralOffset);
    rememberGeometry();
    // Only a cosmetic step: a place that cannot be kept costs nothing else.
    if (m_ownPlace.isValid() && !m_services.userSettingsFile.isEmpty())
        UserPlacement::save(m_services.userSettingsFile, m_folder.root(), m_ownPlace);

    // Only what this workstation changed, over the files as they now stand.
    for (const TextFile::WriteResult& w : m_settings->saveAtClose(m_prefsDialog->userLines()))
        m_services.messages->show(MessageKind::Error, w.message(), kCentralOffset);
    // The dialogs' places and kept choices, at a normal end only.
    if (!refused) {
        for (const TextFile::WriteResult& w : PersistentForm::saveAll(this))
            m_services.messages->show(MessageKind::Error, w.message(), kCentralOffset);
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
    if (m_session->state() == UpdateSession::State::Updating) {
        // A Yes whose save fails still keeps the edits: the process ends next.
        const bool save = !canAsk || m_services.messages->askYesNo(kSaveQuestion, {-72, 33});
        // Nothing the session opened may write once it is over, even if the
        // desktop's logout is then cancelled and the board stays.
        m_sessionControl->closeSessionBoxes();
        if (save)
            m_session->saveOrRescue();
    }
    m_session->closeDown();
    m_ending = true;
}

QToolButton* MainWindow::button(const char* objectName) const
{
    return findChild<QToolButton*>(QString::fromLatin1(objectName));
}

QAction* MainWindow::beepAction() const { return m_toolbar->beepAction(); }
QToolButton* MainWindow::updateButton() const { return m_toolbar->updateButton(); }
QToolButton* MainWindow::cancelButton() const { return m_toolbar->cancelButton(); }
QToolButton* MainWindow::editingButton() const { return m_toolbar->editingButton(); }
Led* MainWindow::led() const { return m_toolbar->led(); }
