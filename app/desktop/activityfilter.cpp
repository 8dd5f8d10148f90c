#include "app/desktop/activityfilter.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

ActivityFilter::ActivityFilter(QWidget* window, QObject* parent) : QObject(parent), m_window(window)
{
    setObjectName(QStringLiteral("activityFilter"));
    qApp->installEventFilter(this);
}

ActivityFilter::~ActivityFilter()
{
    qApp->removeEventFilter(this);
}

bool ActivityFilter::isUserInput(const QEvent* event)
{
    switch (event->type()) {
    // Sent before a key press, and the only trace of a key that a shortcut takes.
    case QEvent::ShortcutOverride:
        return true;
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
        return event->spontaneous();
    default:
        return false;
    }
}

bool ActivityFilter::belongsTo(const QWidget* widget, const QWidget* window)
{
    // parentWidget() leads from a dialog or menu on to the window that owns it.
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (w == window)
            return true;
    }
    return false;
}

bool ActivityFilter::eventFilter(QObject* watched, QEvent* event)
{
    // Widgets only: the same input reaches the window system's window first.
    if (m_window && isUserInput(event) && watched->isWidgetType()
        && belongsTo(static_cast<const QWidget*>(watched), m_window))
        emit activity();
    return QObject::eventFilter(watched, event);
}
