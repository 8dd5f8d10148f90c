#include "app/board/toolbar.h"

#include "base/preferences.h"
#include "store/textfile.h"
#include "widgets/boardstyle.h"
#include "widgets/imagefile.h"
#include "widgets/led.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QPixmap>
#include <QSignalBlocker>
#include <QToolButton>

#include <algorithm>

namespace {

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

Toolbar::Toolbar(const DataFolder& folder, QWidget* parent)
    : QFrame(parent), m_folder(folder)
{
    buildBar();
    buildMenu();
    buildSessionButtons();
    buildRightButtons();
    buildTrayButton();
    showSession(false);
    layoutButtons();
    addKeys();

    connect(m_helpButton, &QToolButton::clicked, this, &Toolbar::helpRequested);
    connect(m_updateButton, &QToolButton::clicked, this, [this](bool down) {
        if (down)
            emit updatePressed();
        else
            emit updateReleased();
    });
    connect(m_cancelButton, &QToolButton::clicked, this, &Toolbar::cancelRequested);
    connect(m_editingButton, &QToolButton::toggled, this, &Toolbar::editingToggled);
    connect(m_listButton, &QToolButton::clicked, this, &Toolbar::listRequested);
    connect(m_prefsButton, &QToolButton::clicked, this, &Toolbar::prefsRequested);
    connect(m_quitButton, &QToolButton::clicked, this, &Toolbar::quitRequested);
    connect(m_trayButton, &QToolButton::clicked, this, &Toolbar::trayRequested);
    connect(m_beep, &QAction::toggled, this, &Toolbar::beepToggled);
    connect(m_print, &QAction::triggered, this, &Toolbar::printRequested);
    connect(m_exportCsv, &QAction::triggered, this, &Toolbar::exportCsvRequested);
    connect(m_importCsv, &QAction::triggered, this, &Toolbar::importCsvRequested);
}

void Toolbar::buildBar()
{
    setObjectName(QStringLiteral("Panel8"));
    setFrameShape(QFrame::NoFrame);
    setFixedHeight(kHeight + 2);
    BoardStyle::apply(this, BoardStyle::Look::ButtonBarEdge);
    m_bar = makePanel(this, "Panel1");
    BoardStyle::apply(m_bar, BoardStyle::Look::Board);
    m_bar->setFocusPolicy(Qt::StrongFocus);
    m_bar->setContextMenuPolicy(Qt::CustomContextMenu);
}

void Toolbar::buildMenu()
{
    const auto addItem = [this](const QString& caption, const char* name) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        m_menuActions.append(action);
        return action;
    };
    m_beep = addItem(QStringLiteral("Beep on any updates"), "Beeponanyupdates1");
    m_beep->setCheckable(true);
    m_print = addItem(QStringLiteral("Print / Sort Grid"), "PrintSortGrid1");
    QAction* history = addItem(QStringLiteral("History"), "History1");
    // Shown in the menu; the window's own shortcut acts on it.
    history->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    history->setShortcutContext(Qt::WidgetShortcut);
    connect(history, &QAction::triggered, this, &Toolbar::historyRequested);
    m_csvSeparator = new QAction(this);
    m_csvSeparator->setSeparator(true);
    m_menuActions.append(m_csvSeparator);
    m_exportCsv = addItem(QStringLiteral("Export CSV\u2026"), "exportCsv");
    // Only an update session may change the grid.
    m_importCsv = addItem(QStringLiteral("Import CSV\u2026"), "importCsv");
    m_importCsv->setEnabled(false);
    connect(m_bar, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { menu()->popup(m_bar->mapToGlobal(pos)); });
}

QMenu* Toolbar::menu()
{
    // Made at its first opening: the actions hold the state, and a menu is
    // the only thing at the start that would need Qt's menu code.
    if (!m_menu) {
        m_menu = new QMenu(this);
        m_menu->setObjectName(QStringLiteral("PopupMenu4"));
        m_menu->addActions(m_menuActions);
    }
    return m_menu;
}

void Toolbar::addPanelButton(QFrame*& panel, const char* panelName, QToolButton*& button, const char* name,
                             const QString& caption, int width)
{
    panel = makePanel(m_bar, panelName);
    panel->resize(width, 31);
    button = makeButton(panel, name, caption);
    button->setGeometry(2, 2, width - 4, 27);
}

void Toolbar::buildSessionButtons()
{
    m_helpButton = makeButton(m_bar, "SpeedButton17", QStringLiteral("?"));
    m_helpButton->setGeometry(5, 8, 22, 22);

    addPanelButton(m_updatePanel, "Panel5", m_updateButton, "SpeedButton1", QString(), 85);
    m_updateButton->setCheckable(true);
    m_updateButton->setToolButtonStyle(Qt::ToolButtonIconOnly);

    m_led = new Led(m_bar);
    m_led->setObjectName(QStringLiteral("LED1"));
    m_led->setLit(true);
    m_led->setColor(Led::lcRed);
    m_led->move(121, 13);
    m_led->setToolTip(QStringLiteral("Another workstation is updating the schedule. "
                                     "An alarm sounds here when it is free to update."));
    m_led->hide();

    addPanelButton(m_cancelPanel, "Panel2", m_cancelButton, "SpeedButton2", QStringLiteral("Cancel"), 80);
    addPanelButton(m_editingPanel, "Panel7", m_editingButton, "SpeedButton8", QStringLiteral("Editing"), 70);
    m_editingButton->setCheckable(true);
}

void Toolbar::buildRightButtons()
{
    addPanelButton(m_listPanel, "Panel6", m_listButton, "SpeedButton7", QStringLiteral("List"), 80);
    m_listButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    addPanelButton(m_prefsPanel, "Panel4", m_prefsButton, "SpeedButton12", QStringLiteral("Prefs"), 80);
    addPanelButton(m_quitPanel, "Panel3", m_quitButton, "SpeedButton13", QStringLiteral("Quit"), 80);
    m_quitButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void Toolbar::buildTrayButton()
{
    m_trayPanel = makePanel(m_bar, "Panel9");
    m_trayPanel->resize(29, 25);
    m_trayButton = makeButton(m_trayPanel, "SpeedButton9", QStringLiteral("Tray"));
    m_trayButton->setGeometry(0, 0, 29, 25);
    m_trayButton->setFont(BoardStyle::trayFont());
    // Greyed while a session runs, like every other disabled button.
    BoardStyle::apply(m_trayButton, BoardStyle::Look::NavyButton);
}

void Toolbar::addKeys()
{
    addButtonKeys(m_helpButton, "helpKey", QKeySequence(Qt::Key_F1), QStringLiteral("Program help"));
    addButtonKeys(m_updateButton, "updateKey", QKeySequence(Qt::Key_F2),
                  QStringLiteral("Update: start the update session, or save and end it"));
    addButtonKeys(m_cancelButton, "cancelKey", QKeySequence(Qt::SHIFT | Qt::Key_F2),
                  QStringLiteral("Cancel: end the update session without saving"));
    addButtonKeys(m_editingButton, "editingKey", QKeySequence(Qt::Key_F4),
                  QStringLiteral("Editing: type into the cells"));
    addButtonKeys(m_listButton, "listKey", QKeySequence(Qt::CTRL | Qt::Key_L),
                  QStringLiteral("List: paste a list record into the focused row"));
    addButtonKeys(m_prefsButton, "prefsKey", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
                  QStringLiteral("Prefs: the scheduling parameters"));
    addButtonKeys(m_quitButton, "quitKey", QKeySequence(Qt::CTRL | Qt::Key_Q), QStringLiteral("Quit"));
    addButtonKeys(m_trayButton, "trayKey", QKeySequence(Qt::CTRL | Qt::Key_M),
                  QStringLiteral("Tray: hide the board to the notification area"));
    addMenuKeys(m_beep, "beepKey", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B));
    addMenuKeys(m_print, "printKey", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
}

void Toolbar::addButtonKeys(QToolButton* button, const char* name, const QKeySequence& keys, const QString& tip)
{
    auto* action = new QAction(this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    // Repeats come in too, to keep a held key held (see keyActs).
    action->setAutoRepeat(true);
    addAction(action);
    button->setToolTip(QStringLiteral("%1  (%2)").arg(tip, keys.toString(QKeySequence::NativeText)));
    connect(action, &QAction::triggered, button, [this, action, button] {
        // A button the user may not see (privileges) is not there for the keys either.
        if (keyActs(action) && button->isEnabled() && button->isVisibleTo(this))
            button->click();
    });
}

bool Toolbar::keyActs(const QAction* action)
{
    QElapsedTimer& last = m_lastKeyPress[action];
    const bool held = last.isValid() && last.elapsed() < m_heldKeyMs;
    last.start();
    return !held;
}

void Toolbar::addMenuKeys(QAction* item, const char* name, const QKeySequence& keys)
{
    // Shown in the menu; the menu itself takes the keys only while open.
    item->setShortcut(keys);
    item->setShortcutContext(Qt::WidgetShortcut);
    auto* action = new QAction(this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setAutoRepeat(false);
    addAction(action);
    // Like the menu: an item hidden during a session has no keys either.
    connect(action, &QAction::triggered, item, [item] {
        if (item->isVisible() && item->isEnabled())
            item->trigger();
    });
}

void Toolbar::openMenu()
{
    menu()->popup(m_bar->mapToGlobal(QPoint(m_updatePanel->x(), kHeight - 4)));
}

void Toolbar::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    layoutButtons();
}

void Toolbar::layoutButtons()
{
    m_bar->setGeometry(1, 1, std::max(0, width() - 2), kHeight);
    const int w = m_bar->width();
    m_updatePanel->move(32, 3);
    m_cancelPanel->move(144, 3);
    m_editingPanel->move(228, 3);
    // The right-hand buttons stay anchored to the right edge.
    m_listPanel->move(w - 290, 3);
    m_prefsPanel->move(w - 205, 3);
    m_quitPanel->move(w - 120, 3);
    m_trayPanel->move(w - 35, 6);
}

void Toolbar::setButtonImage(QToolButton* button, const char* file)
{
    // A missing picture leaves the button without one; the sequence goes on.
    // Bitmaps despite the extension, read as data files are: a FIFO or a
    // huge file under the name must not hang or swamp the board.
    const TextFile::BytesResult bytes =
        TextFile::readBytes(m_folder.gsystem(QString::fromLatin1(file)), TextFile::kImageFileCap);
    const QPixmap pixmap = bytes.ok() ? QPixmap::fromImage(ImageFile::read(bytes.value, "BMP")) : QPixmap();
    button->setIcon(QIcon(pixmap));
    if (!pixmap.isNull())
        button->setIconSize(pixmap.size().boundedTo(button->size() - QSize(4, 4)));
}

void Toolbar::loadUpdateImage()
{
    setButtonImage(m_updateButton, "upf.scd");
}

void Toolbar::showSession(bool inSession)
{
    setButtonImage(m_updateButton, inSession ? "upo.scd" : "upf.scd");
    setButtonImage(m_cancelButton, inSession ? "cnl.scd" : "blk.scd");
    setButtonImage(m_listButton, inSession ? "list.scd" : "listun.scd");
    setButtonImage(m_quitButton, inSession ? "xbmpun.scd" : "xbmp.scd");
    // Outside a session the blank picture leaves room for the caption.
    m_cancelButton->setText(inSession ? QString() : QStringLiteral("Cancel"));
    m_cancelButton->setToolButtonStyle(inSession ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly);
    if (!inSession) {
        const QSignalBlocker block(m_editingButton);
        m_editingButton->setChecked(false);
    }
    for (QToolButton* b : {m_cancelButton, m_editingButton, m_listButton})
        b->setEnabled(inSession);
    for (QToolButton* b : {m_trayButton, m_prefsButton, m_quitButton})
        b->setEnabled(!inSession);
    m_beep->setVisible(!inSession);
    m_print->setVisible(!inSession);
    m_csvSeparator->setVisible(!inSession);
    m_importCsv->setEnabled(inSession);
}

void Toolbar::setUpdateDown(bool down)
{
    const QSignalBlocker block(m_updateButton);
    m_updateButton->setChecked(down);
}

void Toolbar::showWaiting(bool waiting)
{
    m_led->setVisible(waiting);
}

void Toolbar::showPrivileges(int level)
{
    for (QFrame* p : {m_updatePanel, m_cancelPanel, m_editingPanel, m_listPanel})
        p->setVisible(level >= Privilege::Update);
    m_prefsPanel->setVisible(level >= Privilege::All);
}

bool Toolbar::updateGroupShown() const
{
    return !m_updatePanel->isHidden();
}

bool Toolbar::prefsShown() const
{
    return !m_prefsPanel->isHidden();
}

void Toolbar::takeFocus()
{
    m_bar->setFocus();
}
