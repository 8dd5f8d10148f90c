#pragma once

#include <QObject>
#include <QSystemTrayIcon>

class QIcon;
class QWidget;

// The main window's notification-area icon (TrayIcon1) and what "Tray"
// does: the window goes out of sight and a left or right click on the icon
// brings it back. Where the desktop has no notification area the window is
// minimised instead, so it can always come back.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    explicit TrayIcon(QWidget* window);

    // Puts the icon into the notification area for the rest of the run.
    // Deferred by the caller: asking the desktop for a notification area
    // may start a bus daemon.
    void setUp(const QIcon& icon);
    QSystemTrayIcon* icon() const { return m_icon; }   // null before setUp

    void hideWindow();                                   // "Tray"
    void onTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void showWindow();

private:
    QWidget* m_window;
    QSystemTrayIcon* m_icon = nullptr;
};
