#include "app/mainwindow.h"

#include "app/preferencesdialog.h"
#include "coord/updatesession.h"
#include "grid/columnmenupopup.h"
#include "grid/grideditor.h"
#include "grid/gridview.h"
#include "store/columnmenufile.h"
#include "store/gridstore.h"
#include "store/sharedsettings.h"
#include "store/startupcheck.h"
#include "widgets/colorvalue.h"
#include "widgets/led.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QSessionManager>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <utility>

namespace {

const QString kGrid = QStringLiteral("sgrid.scd");
const QString kSaveQuestion =
    QStringLiteral("Schedule update button is down!  Do you want to save current Grid Schedule?");

constexpr int kToolbarHeight = 37;
constexpr int kHourMs = 3600 * 1000;

void setBackground(QWidget* w, const QColor& color)
{
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, color);
    w->setPalette(pal);
}

QFrame* makePanel(QWidget* parent, const char* name)
{
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameShape(QFrame::NoFrame);
    return panel;
}

QToolButton* makeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setAutoRaise(true);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

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
    m_editor = std::make_unique<GridEditor>(m_grid, m_prefs, *m_services.messages);
    m_settings = std::make_unique<SharedSettings>(m_folder, m_prefs);
    m_editor->setEditingCheck([this] { return m_session->state() == UpdateSession::State::Updating; });

    buildToolbar();

    m_gridView = new GridView(m_grid, m_prefs, this);
    m_gridView->setObjectName(QStringLiteral("StringGrid1"));
    connect(m_gridView, &GridView::cellSelected, this, &MainWindow::onCellSelected);
    connect(m_gridView, &GridView::gridMousePressed, this, &MainWindow::StringGrid1MouseDown);
    connect(m_gridView, &GridView::gridKeyPressed, this, [this] {
        if (m_session->state() == UpdateSession::State::Updating)
            m_session->noteActivity();
    });
    connect(m_gridView, &GridView::cellTextEdited, this, [this] { m_gridView->SetOptimalGridCellWidth(); });

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar->setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_panel8);
    layout->addWidget(m_gridView, 1);
    layout->addWidget(m_statusBar);

    // The session runs Timer1, Timer2 and the lock check at its own pace.
    connect(&m_session->pollTimer(), &QTimer::timeout, this, &MainWindow::Timer1Timer);
    connect(&m_session->timeoutTimer(), &QTimer::timeout, this, &MainWindow::Timer2Timer);
    connect(&m_session->lockTimer(), &QTimer::timeout, this, &MainWindow::checkLock);
    m_timer3 = new QTimer(this);
    m_timer3->setObjectName(QStringLiteral("Timer3"));
    m_timer3->setSingleShot(true);
    connect(m_timer3, &QTimer::timeout, this, &MainWindow::Timer3Timer);
    m_timer4 = new QTimer(this);
    m_timer4->setObjectName(QStringLiteral("Timer4"));
    connect(m_timer4, &QTimer::timeout, this, &MainWindow::Timer4Timer);

    m_prefsDialog = new PreferencesDialog(m_prefs, *m_services.identity, this);
    connect(m_prefsDialog, &PreferencesDialog::okPressed, this, &MainWindow::onPrefsOk);
    connect(m_prefsDialog, &PreferencesDialog::backupNowRequested, this, &MainWindow::backupNow);
    connect(m_prefsDialog, &PreferencesDialog::fontChanged, this, [this] {
        m_gridView->applyPreferences();
        m_gridView->SetOptimalGridCellWidth();
    });
    connect(m_prefsDialog, &PreferencesDialog::rowHeightChanged, this, [this] { m_gridView->applyPreferences(); });

    // Keyboard preview: the window sees key releases (and the grid's mouse
    // releases) before its controls.
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::commitDataRequest, this, &MainWindow::onCommitDataRequest,
            Qt::DirectConnection);

    FormCreate();
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
    // The child widgets show the grid and preferences this window holds, so
    // they go before those members do.
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void MainWindow::FormCreate()
{
    // A schedule that cannot be read shows as an empty grid: say so, as an
    // update started on it is refused until it can be read.
    if (const GridStore::LoadResult r = m_session->startUp(); !r.shapeLoaded && !r.missing)
        m_services.messages->show(MessageKind::Error, QStringLiteral("Could not read %1").arg(r.error), {0, 33});
    // The column widths follow at the first activation, once the grid font
    // is known; nothing is painted before it.
    m_gridView->reload();
    m_timer4->start(kHourMs);
    // The icons can wait for the first paint: asking the desktop for a
    // notification area may start a bus daemon.
    QTimer::singleShot(0, this, &MainWindow::setUpIcons);
}

void MainWindow::setUpIcons()
{
    const QString icon = m_folder.gsystem(QStringLiteral("icon.ico"));
    QPixmap iconImage;
    if (const TextFile::BytesResult bytes = TextFile::readBytes(icon, TextFile::kImageFileCap); bytes.ok())
        iconImage.loadFromData(bytes.bytes, "ICO");
    QIcon windowIcon = iconImage.isNull() ? QIcon() : QIcon(iconImage);
    if (windowIcon.isNull())
        windowIcon = QIcon(QPixmap(QStringLiteral(":/LED_PICS"), "PNG"));
    setWindowIcon(windowIcon);
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(windowIcon, this);
    m_tray->setObjectName(QStringLiteral("TrayIcon1"));
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context
            || reason == QSystemTrayIcon::DoubleClick) {
            showNormal();
            raise();
            activateWindow();
        }
    });
    m_tray->show();
}

QTimer* MainWindow::timer(int n) const
{
    switch (n) {
    case 1: return &m_session->pollTimer();
    case 2: return &m_session->timeoutTimer();
    case 3: return m_timer3;
    case 4: return m_timer4;
    default: return nullptr;
    }
}

void MainWindow::buildToolbar()
{
    m_panel8 = makePanel(this, "Panel8");
    m_panel8->setFixedHeight(kToolbarHeight + 2);
    setBackground(m_panel8, colorFromValue(7914465));
    m_panel8->installEventFilter(this);
    m_panel1 = makePanel(m_panel8, "Panel1");
    setBackground(m_panel1, QColor(231, 223, 173));
    m_panel1->setFocusPolicy(Qt::StrongFocus);
    m_panel1->setContextMenuPolicy(Qt::CustomContextMenu);

    m_toolbarMenu = new QMenu(this);
    m_toolbarMenu->setObjectName(QStringLiteral("PopupMenu4"));
    m_beep = m_toolbarMenu->addAction(QStringLiteral("Beep on any updates"));
    m_beep->setObjectName(QStringLiteral("Beeponanyupdates1"));
    m_beep->setCheckable(true);
    QAction* print = m_toolbarMenu->addAction(QStringLiteral("Print / Sort Grid"));
    print->setEnabled(false);
    connect(m_panel1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (m_session->state() != UpdateSession::State::Updating)
            m_toolbarMenu->popup(m_panel1->mapToGlobal(pos));
    });

    m_updateMenu = new QMenu(this);
    m_updateMenu->setObjectName(QStringLiteral("PopupMenu5"));
    QAction* update = m_updateMenu->addAction(QStringLiteral("Update"));
    update->setObjectName(QStringLiteral("Update1"));
    connect(update, &QAction::triggered, this, &MainWindow::Update1Click);

    m_operationsMenu = new ColumnMenuPopup(this);
    m_operationsMenu->setObjectName(QStringLiteral("PopupMenu1"));
    connect(m_operationsMenu, &ColumnMenuPopup::triggered, this, &MainWindow::operationsMenuClick);
    m_setupMenu = new ColumnMenuPopup(this);
    m_setupMenu->setObjectName(QStringLiteral("PopupMenu2"));
    // The column data editors are not part of the board yet.
    m_setupMenu->addItem(QStringLiteral("Column Data Setup"), false);
    m_setupMenu->addItem(QStringLiteral("Fixed Column Data Setup"), false);
    m_columnMenu = new ColumnMenuPopup(this);
    m_columnMenu->setObjectName(QStringLiteral("PopupMenu3"));
    connect(m_columnMenu, &ColumnMenuPopup::triggered, this, &MainWindow::SubMenu3OnClick);

    m_helpButton = makeButton(m_panel1, "SpeedButton17", QStringLiteral("?"));
    m_helpButton->setToolTip(QStringLiteral("Program help"));
    m_helpButton->setGeometry(5, 8, 22, 22);
    connect(m_helpButton, &QToolButton::clicked, this, &MainWindow::SpeedButton17Click);

    auto panelButton = [this](QFrame*& panel, const char* panelName, QToolButton*& button, const char* name,
                              const QString& caption, int width) {
        panel = makePanel(m_panel1, panelName);
        panel->resize(width, 31);
        button = makeButton(panel, name, caption);
        button->setGeometry(2, 2, width - 4, 27);
    };
    panelButton(m_panel5, "Panel5", m_updateButton, "SpeedButton1", QString(), 85);
    m_updateButton->setCheckable(true);
    m_updateButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    connect(m_updateButton, &QToolButton::clicked, this, &MainWindow::SpeedButton1Click);

    m_led = new Led(m_panel1);
    m_led->setObjectName(QStringLiteral("LED1"));
    m_led->setLit(true);
    m_led->setColor(Led::lcRed);
    m_led->move(121, 13);
    m_led->hide();

    panelButton(m_panel2, "Panel2", m_cancelButton, "SpeedButton2", QStringLiteral("Cancel"), 80);
    m_cancelButton->setEnabled(false);
    connect(m_cancelButton, &QToolButton::clicked, this, &MainWindow::SpeedButton2Click);

    panelButton(m_panel7, "Panel7", m_editingButton, "SpeedButton8", QStringLiteral("Editing"), 70);
    m_editingButton->setCheckable(true);
    m_editingButton->setEnabled(false);
    connect(m_editingButton, &QToolButton::toggled, this, [this](bool down) {
        m_gridView->setEditingAllowed(down && m_session->state() == UpdateSession::State::Updating);
        if (!down) {
            m_gridView->closeEditor();
            clearGridSelection();
        }
    });

    panelButton(m_panel6, "Panel6", m_listButton, "SpeedButton7", QStringLiteral("List"), 80);
    m_listButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_listButton->setEnabled(false);
    connect(m_listButton, &QToolButton::clicked, this, [this] {
        if (!m_editor->focused())
            CentralMessage(QStringLiteral("Click on a row first."));
    });

    panelButton(m_panel4, "Panel4", m_prefsButton, "SpeedButton12", QStringLiteral("Prefs"), 80);
    connect(m_prefsButton, &QToolButton::clicked, this, &MainWindow::SpeedButton12Click);

    panelButton(m_panel3, "Panel3", m_quitButton, "SpeedButton13", QStringLiteral("Quit"), 80);
    m_quitButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    connect(m_quitButton, &QToolButton::clicked, this, &MainWindow::SpeedButton13Click);

    m_panel9 = makePanel(m_panel1, "Panel9");
    m_panel9->resize(29, 25);
    m_trayButton = makeButton(m_panel9, "SpeedButton9", QStringLiteral("Tray"));
    m_trayButton->setGeometry(0, 0, 29, 25);
    QFont trayFont(QStringLiteral("Arial"));
    trayFont.setPixelSize(11);
    m_trayButton->setFont(trayFont);
    QPalette trayPalette = m_trayButton->palette();
    trayPalette.setColor(QPalette::ButtonText, QColor(0, 0, 128));
    // Greyed while a session runs, like every other disabled button.
    trayPalette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    m_trayButton->setPalette(trayPalette);
    connect(m_trayButton, &QToolButton::clicked, this, &MainWindow::SpeedButton9Click);

    loadButtonImages(false);
    layoutToolbar();
}

void MainWindow::layoutToolbar()
{
    m_panel1->setGeometry(1, 1, std::max(0, m_panel8->width() - 2), kToolbarHeight);
    const int w = m_panel1->width();
    m_panel5->move(32, 3);
    m_panel2->move(144, 3);
    m_panel7->move(228, 3);
    // The right-hand buttons stay anchored to the right edge.
    m_panel6->move(w - 290, 3);
    m_panel4->move(w - 205, 3);
    m_panel3->move(w - 120, 3);
    m_panel9->move(w - 35, 6);
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
    rememberWindowGeometry(m_prefs, QRect(pos(), size()), m_placement);
}

bool MainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QWidget::event(event);
}

void MainWindow::FormActivate()
{
    if (m_activated)
        return;
    clearGridSelection();

    const bool complete = m_settings->loadPreferences();
    m_prefsDialog->loadFromPreferences();
    applyPreferencesToWindow();
    m_gridView->SetOptimalGridCellWidth();
    // A bad preferences line stops the set-up there; the next activation tries again.
    if (!complete)
        return;

    applyPrivileges();
    setButtonImage(m_updateButton, "upf.scd");
    m_activated = true;
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
    m_placement = placeWindow(m_prefs, screens, minimumSize());
    resize(m_placement.placed.size());
    move(m_placement.placed.topLeft());
    m_gridView->applyPreferences();
}

void MainWindow::applyPrivileges()
{
    const QStringList users = m_settings->loadUsers();
    m_prefsDialog->setUserLines(users);
    const int level = ProcessUsers(users, m_services.identity->userName());
    for (QFrame* p : {m_panel5, m_panel2, m_panel7, m_panel6})
        p->setVisible(level >= Privilege::Update);
    m_panel4->setVisible(level >= Privilege::All);
    focusToolbar();
}

bool MainWindow::updateGroupShown() const
{
    return !m_panel5->isHidden();
}

bool MainWindow::prefsShown() const
{
    return !m_panel4->isHidden();
}

void MainWindow::focusToolbar()
{
    m_panel1->setFocus();
}

void MainWindow::CentralMessage(const QString& text)
{
    m_services.messages->show(MessageKind::Information, text, {0, 33});
    focusToolbar();
}

void MainWindow::setButtonImage(QToolButton* button, const char* file)
{
    // A missing picture leaves the button without one; the sequence goes on.
    // Bitmaps despite the extension; naming the format spares probing every image plugin.
    // Read as data files are: a FIFO or a huge file under the name must not
    // hang or swamp the board.
    QPixmap pixmap;
    const TextFile::BytesResult bytes = TextFile::readBytes(m_folder.gsystem(QString::fromLatin1(file)), TextFile::kImageFileCap);
    if (bytes.ok())
        pixmap.loadFromData(bytes.bytes, "BMP");
    button->setIcon(QIcon(pixmap));
    if (!pixmap.isNull())
        button->setIconSize(pixmap.size().boundedTo(button->size() - QSize(4, 4)));
}

void MainWindow::loadButtonImages(bool inSession)
{
    setButtonImage(m_updateButton, inSession ? "upo.scd" : "upf.scd");
    setButtonImage(m_cancelButton, inSession ? "cnl.scd" : "blk.scd");
    setButtonImage(m_listButton, inSession ? "list.scd" : "listun.scd");
    setButtonImage(m_quitButton, inSession ? "xbmpun.scd" : "xbmp.scd");
    // Outside a session the blank picture leaves room for the caption.
    m_cancelButton->setText(inSession ? QString() : QStringLiteral("Cancel"));
    m_cancelButton->setToolButtonStyle(inSession ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly);
}

void MainWindow::setUpdateChecked(bool down)
{
    // Pressing or releasing the button from code runs no click handler.
    const QSignalBlocker block(m_updateButton);
    m_updateButton->setChecked(down);
}

void MainWindow::StringGrid1Enabling(bool enable)
{
    m_gridView->setColumnDragAllowed(enable);
    m_gridView->setEditingAllowed(enable && m_editingButton->isChecked());
    if (!enable)
        m_gridView->closeEditor();
    focusToolbar();
}

void MainWindow::Update1Click()
{
    setUpdateChecked(true);
    SpeedButton1Click();
}

void MainWindow::SpeedButton1Click()
{
    m_led->hide();
    unsetCursor();
    if (!m_updateButton->isChecked()) {
        if (endSession())
            m_gridView->viewport()->update();
        return;
    }

    const UpdateSession::StartResult r = m_session->pressUpdate();
    switch (r.kind) {
    case UpdateSession::StartResult::Started:
        startSessionUi(r.reloaded);
        m_gridView->viewport()->update();
        break;
    case UpdateSession::StartResult::LockError:
        m_services.messages->show(MessageKind::Error,
                                  QStringLiteral("Error attempting to lock file.  Try again.")
                                      + (r.lockError.isEmpty() ? QString() : QStringLiteral("\r\r") + r.lockError),
                                  {0, 33});
        [[fallthrough]];
    case UpdateSession::StartResult::Busy: {
        m_led->show();
        setUpdateChecked(false);
        QString text = QStringLiteral("System busy (update in progress).");
        if (m_prefs.displayUser)
            text += QStringLiteral("\r\rCom name: ") + r.computer + QStringLiteral("\rUser name: ") + r.user;
        // Without a name nobody could find the file that blocks everybody.
        if (!r.unopenableLock.isEmpty())
            text += QStringLiteral("\r\rThe lock file %1 cannot be opened from this account. "
                                   "If no workstation is updating, remove it.")
                        .arg(r.unopenableLock);
        CentralMessage(text);
        break;
    }
    case UpdateSession::StartResult::ReloadFailed:
    case UpdateSession::StartResult::SnapshotFailed:
        setUpdateChecked(false);
        // What the press did load is what the board shows.
        if (r.reloaded) {
            m_gridView->reload();
            m_gridView->SetOptimalGridCellWidth();
        }
        m_services.messages->show(MessageKind::Error,
                                  (r.kind == UpdateSession::StartResult::ReloadFailed
                                       ? QStringLiteral("Could not read %1").arg(r.loadError)
                                       : r.failure.message())
                                      + QStringLiteral("\r\rThe update was not started."),
                                  {0, 33});
        break;
    }
}

void MainWindow::startSessionUi(bool reloaded)
{
    clearGridSelection();
    if (reloaded) {
        m_gridView->reload();
        m_gridView->SetOptimalGridCellWidth();
    }
    loadButtonImages(true);
    StringGrid1Enabling(true);
    m_cancelButton->setEnabled(true);
    m_editingButton->setEnabled(true);
    m_listButton->setEnabled(true);
    m_trayButton->setEnabled(false);
    m_prefsButton->setEnabled(false);
    m_quitButton->setEnabled(false);
    m_editor->disablePasteItems();
    m_saveErrorShown = false;
}

bool MainWindow::endSession(bool updateBackup)
{
    // The session may have ended behind an open box (the time-out): the
    // buttons then only have to show it.
    if (m_session->state() != UpdateSession::State::Updating) {
        leaveSessionUi();
        return true;
    }
    m_gridView->closeEditor();
    clearGridSelection();
    const UpdateSession::EndResult r = m_session->releaseUpdate(updateBackup);
    if (r.lockLost) {
        leaveLostSession(r.rescuedTo, r.failure);
        return true;
    }
    if (r.cellsChanged)
        m_gridView->reload();
    if (!r.saved) {
        // Nothing was lost: the session stays open until a save succeeds.
        setUpdateChecked(true);
        showSaveFailure(r.failure);
        return false;
    }
    leaveSessionUi();
    return true;
}

void MainWindow::closeSessionBoxes()
{
    // What the synthesised Escape does, for everything the session opened:
    // menus, the cell editor and every box, each answered as Escape answers.
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    m_gridView->closeEditor();
    m_services.messages->closeAll();
}

void MainWindow::checkLock()
{
    if (const std::optional<UpdateSession::EndResult> r = m_session->checkLock()) {
        closeSessionBoxes();
        clearGridSelection();
        leaveLostSession(r->rescuedTo, r->failure);
    }
}

void MainWindow::leaveLostSession(const QString& rescuedTo, const TextFile::WriteResult& failure)
{
    leaveSessionUi();
    m_gridView->reload();
    m_gridView->SetOptimalGridCellWidth();
    QString text = QStringLiteral("Another workstation started an update while this workstation's lock file "
                                  "was missing, so your changes were not saved over its work.");
    if (!rescuedTo.isEmpty())
        text += QStringLiteral("\r\rThey were kept in %1.").arg(QDir::toNativeSeparators(rescuedTo));
    else
        text += QStringLiteral("\r\rThey could not be kept either. ") + failure.message();
    m_services.messages->show(MessageKind::Error, text, {0, 33});
}

void MainWindow::leaveSessionUi()
{
    setUpdateChecked(false);
    loadButtonImages(false);
    StringGrid1Enabling(false);
    {
        const QSignalBlocker block(m_editingButton);
        m_editingButton->setChecked(false);
    }
    m_cancelButton->setEnabled(false);
    m_editingButton->setEnabled(false);
    m_listButton->setEnabled(false);
    m_trayButton->setEnabled(true);
    m_prefsButton->setEnabled(true);
    m_quitButton->setEnabled(true);
    m_saveErrorShown = false;
    focusToolbar();
}

void MainWindow::showSaveFailure(const TextFile::WriteResult& failure)
{
    if (m_saveErrorShown)
        return;
    m_saveErrorShown = true;
    m_services.messages->show(MessageKind::Error,
                              failure.message()
                                  + QStringLiteral("\r\rThe update stays open and nothing was lost. "
                                                   "Free the disk or folder, then release Update again."),
                              {0, 33});
    m_saveErrorShown = false;
}

void MainWindow::SpeedButton2Click()
{
    if (!m_services.messages->askYesNo(QStringLiteral("Do you wish undo this update?"), {0, 30})
        || m_session->state() != UpdateSession::State::Updating)
        return;
    m_gridView->closeEditor();
    m_session->cancel();
    clearGridSelection();
    leaveSessionUi();
    m_gridView->reload();
    m_gridView->SetOptimalGridCellWidth();
}

void MainWindow::Timer1Timer()
{
    const UpdateSession::PollResult r = m_session->poll();
    if (r.freed) {
        m_led->hide();
        m_services.sounds->play(m_folder.gsystem(QStringLiteral("alarm.wav")));
    }
    if (r.reloaded) {
        m_gridView->reload();
        m_gridView->SetOptimalGridCellWidth();
        // An incomplete reload is tried again at the next tick; beep once, when it is whole.
        if (m_beep->isChecked() && r.loadError.isEmpty())
            m_services.sounds->play(m_folder.gsystem(QStringLiteral("alarmc.wav")));
    }
}

void MainWindow::Timer2Timer()
{
    switch (m_session->timeoutTick()) {
    case UpdateSession::TimeoutAction::Stop:
        break;   // the session stopped its timer
    case UpdateSession::TimeoutAction::End:
        closeSessionBoxes();
        endSession();
        break;
    case UpdateSession::TimeoutAction::Continue:
        break;
    }
}

void MainWindow::Timer3Timer()
{
    // The deferred advance after a date or time was written into the grid.
    m_timer3->stop();
    m_gridView->SetOptimalGridCellWidth();
    MenuLoadingRtn();
}

void MainWindow::Timer4Timer()
{
    m_session->hourlyBackup();
}

void MainWindow::backupNow()
{
    const TextFile::WriteResult w = m_session->backupNow();
    if (!w)
        m_services.messages->show(MessageKind::Error, w.message(), {0, 33});
}

void MainWindow::SpeedButton12Click()
{
    m_prefsDialog->exec();
    m_prefsDialog->hide();
}

void MainWindow::onPrefsOk()
{
    const TextFile::WriteResult w = savePreferences();
    if (!w) {
        m_services.messages->show(MessageKind::Error, w.message(), {0, 33});
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

void MainWindow::SpeedButton13Click()
{
    close();
}

void MainWindow::SpeedButton17Click()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(m_folder.inRoot(QStringLiteral("Help.chm"))));
}

void MainWindow::SpeedButton9Click()
{
    if (m_tray && QSystemTrayIcon::isSystemTrayAvailable())
        hide();
    else
        showMinimized();   // no notification area: the window must be able to come back
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_ending || FormClose())
        event->accept();
    else
        event->ignore();
}

bool MainWindow::FormClose()
{
    bool refused = false;
    if (m_session->state() == UpdateSession::State::Updating) {
        switch (m_services.messages->askYesNoCancel(kSaveQuestion, {-72, 33})) {
        case Answer::Yes:
            refused = !endSession(false);
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
        m_services.messages->show(MessageKind::Error, w.message(), {0, 33});
    rememberGeometry();

    // Only what this workstation changed, over the files as they now stand.
    for (const TextFile::WriteResult& w : m_settings->saveAtClose(m_prefsDialog->userLines()))
        m_services.messages->show(MessageKind::Error, w.message(), {0, 33});
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
        if (!canAsk)
            closeSessionBoxes();
        // A Yes whose save fails still keeps the edits: the process ends next.
        if (!canAsk || m_services.messages->askYesNo(kSaveQuestion, {-72, 33}))
            m_session->saveOrRescue();
    }
    m_session->closeDown();
    m_ending = true;
}

void MainWindow::onCellSelected(int col, int row)
{
    m_editor->StringGrid1SelectCell(col, row);
    m_session->noteSelection();
}

void MainWindow::StringGrid1MouseDown(Qt::MouseButton button, QPoint globalPos, Qt::KeyboardModifiers modifiers)
{
    m_session->noteActivity();
    m_chosenMenu = GridMenu::None;
    if (button != Qt::RightButton)
        return;
    if (m_session->state() != UpdateSession::State::Updating) {
        m_chosenMenu = GridMenu::Update;
    } else if (modifiers & Qt::ControlModifier) {
        m_chosenMenu = GridMenu::Operations;   // Ctrl wins over Shift
    } else if (modifiers & Qt::ShiftModifier) {
        m_chosenMenu = GridMenu::Setup;
    } else if (m_editor->focused()) {
        m_popupPos = globalPos + QPoint(0, 20);
        buildColumnMenu(m_editor->target().x());
        m_chosenMenu = GridMenu::Column;
    } else {
        CentralMessage(QStringLiteral("Click on a column first."));
    }
}

void MainWindow::openChosenMenu(QPoint globalPos)
{
    const GridMenu menu = std::exchange(m_chosenMenu, GridMenu::None);
    switch (menu) {
    case GridMenu::None:
        break;
    case GridMenu::Update:
        m_updateMenu->popup(globalPos);
        break;
    case GridMenu::Operations:
        buildOperationsMenu();
        m_operationsMenu->popup(globalPos);
        break;
    case GridMenu::Setup:
        m_setupMenu->popup(globalPos);
        break;
    case GridMenu::Column:
        m_columnMenu->popup(globalPos);
        break;
    }
}

void MainWindow::buildColumnMenu(int column)
{
    m_columnItems = loadColumnMenu(m_folder, m_grid.cell(column, 0));
    m_columnMenu->clear();
    for (qsizetype i = 0; i < m_columnItems.size(); ++i) {
        const ColumnMenuItem& item = m_columnItems[i];
        if (item.kind == ColumnMenuItem::Head) {
            m_columnMenu->setHeadItem(item.caption);
            continue;
        }
        if (item.columnBreak)
            m_columnMenu->addColumnBreak(false);
        // Offered once there is a Date / Time dialog to open.
        m_columnMenu->addItem(item.caption, !item.opensDateTime());
    }
}

void MainWindow::buildOperationsMenu()
{
    m_operationsMenu->clear();
    for (const GridEditor::MenuEntry& e : GridEditor::operationsMenu()) {
        if (e.columnBreak)
            m_operationsMenu->addColumnBreak(true);
        bool enabled = e.kind != GridEditor::MenuEntry::CreateListRecords;
        if (e.kind == GridEditor::MenuEntry::CommandItem && e.command == GridEditor::Command::PasteRow)
            enabled = m_editor->pasteRowEnabled();
        if (e.kind == GridEditor::MenuEntry::CommandItem && e.command == GridEditor::Command::PasteCell)
            enabled = m_editor->pasteCellEnabled();
        m_operationsMenu->addItem(e.caption, enabled);
    }
}

void MainWindow::SubMenu3OnClick(int index)
{
    if (index < 0 || index >= m_columnItems.size() || m_session->state() != UpdateSession::State::Updating)
        return;
    const PickResult r = m_editor->SubMenu3OnClick(m_columnItems[index]);
    switch (r.action) {
    case PickResult::Nothing:
    case PickResult::OpenDateTime:
        break;
    case PickResult::EndSession:
        setUpdateChecked(false);
        SpeedButton1Click();
        break;
    case PickResult::Advanced:
        if (r.changed)
            m_gridView->reload();
        applyAdvance(r.advance);
        if (r.recomputeWidths)
            m_gridView->SetOptimalGridCellWidth();
        break;
    }
}

void MainWindow::MenuLoadingRtn()
{
    if (m_session->state() != UpdateSession::State::Updating)
        return;
    applyAdvance(m_editor->MenuLoadingRtn());
}

void MainWindow::applyAdvance(const AdvanceResult& advance)
{
    syncFocus();
    if (advance.focusToToolbar)
        focusToolbar();
    if (!advance.menuColumn)
        return;
    buildColumnMenu(advance.column);
    if (advance.openMenu)
        m_columnMenu->popup(m_popupPos);
}

void MainWindow::operationsMenuClick(int index)
{
    const QList<GridEditor::MenuEntry> entries = GridEditor::operationsMenu();
    if (index < 0 || index >= entries.size() || m_session->state() != UpdateSession::State::Updating)
        return;
    const GridEditor::MenuEntry& e = entries[index];
    GridEditor::Outcome o;
    if (e.kind == GridEditor::MenuEntry::CommandItem)
        o = m_editor->run(e.command);
    else if (e.kind == GridEditor::MenuEntry::ColorItem)
        o = m_editor->colorCommand(e.colorCode);
    else
        return;
    afterCommand(o.changed, o.recomputeWidths, o.focusToToolbar);
}

void MainWindow::afterCommand(bool changed, bool recomputeWidths, bool focusToToolbarAfter)
{
    if (changed)
        m_gridView->reload();
    if (recomputeWidths)
        m_gridView->SetOptimalGridCellWidth();
    syncFocus();
    if (focusToToolbarAfter)
        focusToolbar();
    m_gridView->viewport()->update();
}

void MainWindow::clearGridSelection()
{
    m_editor->clearSelection();
    m_gridView->clearSelection();
}

void MainWindow::syncFocus()
{
    if (const std::optional<QPoint> f = m_editor->focused())
        m_gridView->focusCell(f->x(), f->y());
    else
        m_gridView->clearSelection();
}

bool MainWindow::FormKeyUp(int key, Qt::KeyboardModifiers modifiers)
{
    if (m_session->state() != UpdateSession::State::Updating)
        return false;
    const Qt::KeyboardModifiers held = modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
    if (held != Qt::ControlModifier || key < Qt::Key_A || key > Qt::Key_Z)
        return false;
    const std::optional<GridEditor::Command> command = GridEditor::shortcut(QChar(u'A' + (key - Qt::Key_A)));
    if (!command)
        return false;
    const GridEditor::Outcome o = m_editor->run(*command);
    afterCommand(o.changed, o.recomputeWidths, o.focusToToolbar);
    return true;
}

QToolButton* MainWindow::button(const char* objectName) const
{
    return findChild<QToolButton*>(QString::fromLatin1(objectName));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_panel8 && event->type() == QEvent::Resize)
        layoutToolbar();
    // Grid menus open when the right button is released anywhere on the
    // grid: a cell, a title, the fixed column or the corner.
    if (event->type() == QEvent::MouseButtonRelease && watched->isWidgetType()
        && m_gridView->isAncestorOf(static_cast<QWidget*>(watched))) {
        const auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::RightButton)
            openChosenMenu(me->globalPosition().toPoint());
    } else if (event->type() == QEvent::KeyRelease && watched->isWidgetType()
               && static_cast<QWidget*>(watched)->window() == this) {
        const auto* ke = static_cast<QKeyEvent*>(event);
        if (!ke->isAutoRepeat() && FormKeyUp(ke->key(), ke->modifiers()))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}
