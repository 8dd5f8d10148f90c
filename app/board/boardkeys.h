#pragma once

#include <QObject>

#include <functional>

class FindBar;
class GridInteraction;
class GridView;
class QKeySequence;
class QShortcut;
class QWidget;
class Toolbar;

// The main window's keys beside the toolbar's own: the Menu key and
// Shift + F10 open the menu of what has the keyboard (the button bar's
// menu, or what a right click on the grid's focused cell opens, Ctrl and
// Shift as with the mouse), F6 moves the keyboard between the button bar
// and the grid, Ctrl + F, F3 and Shift + F3 find.
class BoardKeys : public QObject
{
    Q_OBJECT
public:
    BoardKeys(QWidget* window, Toolbar& toolbar, GridInteraction& interaction, GridView& view, FindBar& find);

private:
    void add(const char* name, const QKeySequence& keys, std::function<void()> action);
    void openMenu(Qt::KeyboardModifiers modifiers);
    void switchFocus();

    QWidget* m_window;
    Toolbar& m_toolbar;
    GridInteraction& m_interaction;
    GridView& m_view;
    FindBar& m_find;
};
