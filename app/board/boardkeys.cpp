#include "app/board/boardkeys.h"

#include "app/board/findbar.h"
#include "app/board/gridinteraction.h"
#include "app/board/toolbar.h"
#include "gridview/gridview.h"

#include <QApplication>
#include <QKeySequence>
#include <QShortcut>

BoardKeys::BoardKeys(QWidget* window, Toolbar& toolbar, GridInteraction& interaction, GridView& view,
                     FindBar& find)
    : QObject(window), m_window(window), m_toolbar(toolbar), m_interaction(interaction), m_view(view), m_find(find)
{
    setObjectName(QStringLiteral("boardKeys"));
    add("menuKey", QKeySequence(Qt::Key_Menu), [this] { openMenu(Qt::NoModifier); });
    add("contextKey", QKeySequence(Qt::SHIFT | Qt::Key_F10), [this] { openMenu(Qt::NoModifier); });
    add("operationsKey", QKeySequence(Qt::CTRL | Qt::Key_Menu), [this] { openMenu(Qt::ControlModifier); });
    add("operationsContextKey", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F10),
        [this] { openMenu(Qt::ControlModifier); });
    add("setupKey", QKeySequence(Qt::SHIFT | Qt::Key_Menu), [this] { openMenu(Qt::ShiftModifier); });
    add("switchKey", QKeySequence(Qt::Key_F6), [this] { switchFocus(); });
    add("findKey", QKeySequence(Qt::CTRL | Qt::Key_F), [this] { m_find.open(); });
    add("findNextKey", QKeySequence(Qt::Key_F3), [this] { m_find.findNext(); });
    add("findPreviousKey", QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { m_find.findPrevious(); });
}

void BoardKeys::add(const char* name, const QKeySequence& keys, std::function<void()> action)
{
    auto* shortcut = new QShortcut(keys, m_window);
    shortcut->setObjectName(QString::fromLatin1(name));
    shortcut->setContext(Qt::WindowShortcut);
    // A menu or a focus move per press, however long the key is held.
    shortcut->setAutoRepeat(false);
    connect(shortcut, &QShortcut::activated, this, std::move(action));
}

void BoardKeys::openMenu(Qt::KeyboardModifiers modifiers)
{
    QWidget* focus = QApplication::focusWidget();
    if (m_find.isAncestorOf(focus))
        return;
    if (m_toolbar.isAncestorOf(focus)) {
        m_toolbar.openMenu();
        return;
    }
    m_interaction.openMenuFromKeyboard(modifiers);
}

void BoardKeys::switchFocus()
{
    QWidget* focus = QApplication::focusWidget();
    if (focus && (focus == &m_view || m_view.isAncestorOf(focus)))
        m_toolbar.takeFocus();
    else
        m_view.setFocus(Qt::ShortcutFocusReason);
}
