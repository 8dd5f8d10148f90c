#include "app/desktop/trayicon.h"

#include <QIcon>
#include <QWidget>

TrayIcon::TrayIcon(QWidget* window) : QObject(window), m_window(window) {}

void TrayIcon::setUp(const QIcon& icon)
{
    if (!m_icon) {
        m_icon = new QSystemTrayIcon(this);
        m_icon->setObjectName(QStringLiteral("TrayIcon1"));
        connect(m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::onTrayActivated);
    }
    m_icon->setIcon(icon);
    m_icon->show();
}

void TrayIcon::hideWindow()
{
    // Qt reports whether a notification area exists; the icon's own
    // visibility says only that it was asked to show.
    if (m_icon && QSystemTrayIcon::isSystemTrayAvailable())
        m_window->hide();
    else
        m_window->showMinimized();
}

void TrayIcon::onTrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    // Left (Trigger) and right (Context) button; a double click has already
    // shown the window through its first click, the middle button does nothing.
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context)
        showWindow();
}

void TrayIcon::showWindow()
{
    // Back as it was: a maximised window stays maximised.
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
