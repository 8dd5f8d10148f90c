#include "app/systemhotkey.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

// Identifier 0, registered for the GUI thread: WM_HOTKEY then arrives in the
// thread's queue, where Qt's dispatcher shows it to the native filters.
struct SystemHotKey::Private : QAbstractNativeEventFilter
{
    SystemHotKey* owner = nullptr;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_HOTKEY && msg->hwnd == nullptr && msg->wParam == 0)
            emit owner->hotKey();
        // The message's normal processing continues.
        return false;
    }
};

SystemHotKey::Private* SystemHotKey::createPrivate()
{
    auto* p = new Private;
    p->owner = this;
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installNativeEventFilter(p);
    return p;
}

void SystemHotKey::destroyPrivate()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(d);
    delete d;
    d = nullptr;
}

bool SystemHotKey::platformRegister(int code, int modifiers)
{
    UINT mods = 0;
    if (modifiers & kShift)
        mods |= MOD_SHIFT;
    if (modifiers & kCtrl)
        mods |= MOD_CONTROL;
    if (modifiers & kAlt)
        mods |= MOD_ALT;
    return RegisterHotKey(nullptr, 0, mods, UINT(code)) != FALSE;
}

void SystemHotKey::platformUnregister()
{
    UnregisterHotKey(nullptr, 0);
}
