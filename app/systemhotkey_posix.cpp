#include "app/systemhotkey.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QList>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

namespace {

// The virtual-key codes the program can name, as X keysyms: letters (as
// their lower-case keysym, the one the keyboard map lists first), digits and
// F1 to F24. Anything else cannot be grabbed.
xcb_keysym_t keysymFor(int code)
{
    if (code >= 'A' && code <= 'Z')
        return xcb_keysym_t(code - 'A' + 'a');
    if (code >= '0' && code <= '9')
        return xcb_keysym_t(code);
    if (code >= 0x70 && code <= 0x87)
        return xcb_keysym_t(0xFFBE + (code - 0x70));
    return 0;
}

// CapsLock and NumLock change the key's state bits; the grab must hold
// whether they are on or off.
constexpr uint16_t kLockMasks[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr uint16_t kModifierBits = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;

xcb_connection_t* x11Connection()
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app)
        return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

} // namespace

struct SystemHotKey::Private : QAbstractNativeEventFilter
{
    SystemHotKey* owner = nullptr;
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
    uint16_t modifiers = 0;
    QList<xcb_keycode_t> keycodes;
    bool filtering = false;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t" || keycodes.isEmpty())
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_KEY_PRESS)
            return false;
        const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
        if (keycodes.contains(key->detail) && (key->state & kModifierBits) == modifiers)
            emit owner->hotKey();
        // The event's normal processing continues.
        return false;
    }

    void ungrab()
    {
        for (xcb_keycode_t k : std::as_const(keycodes))
            for (uint16_t lock : kLockMasks)
                xcb_ungrab_key(connection, k, root, uint16_t(modifiers | lock));
        // A round trip, so the key is free for others once this returns.
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
        keycodes.clear();
    }
};

SystemHotKey::Private* SystemHotKey::createPrivate()
{
    auto* p = new Private;
    p->owner = this;
    return p;
}

void SystemHotKey::destroyPrivate()
{
    if (d->filtering && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(d);
    delete d;
    d = nullptr;
}

bool SystemHotKey::platformRegister(int code, int modifiers)
{
    // Offscreen and Wayland have no X connection: no global keys there.
    xcb_connection_t* c = x11Connection();
    const xcb_keysym_t sym = keysymFor(code);
    if (!c || !sym)
        return false;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen)
        return false;

    d->connection = c;
    d->root = screen->root;
    d->modifiers = 0;
    if (modifiers & kShift)
        d->modifiers |= XCB_MOD_MASK_SHIFT;
    if (modifiers & kCtrl)
        d->modifiers |= XCB_MOD_MASK_CONTROL;
    if (modifiers & kAlt)
        d->modifiers |= XCB_MOD_MASK_1;

    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
    xcb_keycode_t* codes = symbols ? xcb_key_symbols_get_keycode(symbols, sym) : nullptr;
    QList<xcb_keycode_t> wanted;
    for (xcb_keycode_t* k = codes; k && *k != XCB_NO_SYMBOL; ++k)
        wanted.append(*k);
    std::free(codes);
    if (symbols)
        xcb_key_symbols_free(symbols);

    // Every grab is checked: one refused (BadAccess, another client holds
    // the key) refuses the whole registration, and the others are undone.
    bool ok = !wanted.isEmpty();
    for (xcb_keycode_t k : std::as_const(wanted)) {
        if (!ok)
            break;
        d->keycodes.append(k);
        QList<xcb_void_cookie_t> cookies;
        for (uint16_t lock : kLockMasks)
            cookies.append(xcb_grab_key_checked(c, 1, d->root, uint16_t(d->modifiers | lock), k,
                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        for (const xcb_void_cookie_t& cookie : std::as_const(cookies)) {
            if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
                std::free(error);
                ok = false;
            }
        }
    }
    if (!ok) {
        d->ungrab();
        return false;
    }
    if (!d->filtering) {
        QCoreApplication::instance()->installNativeEventFilter(d);
        d->filtering = true;
    }
    return true;
}

void SystemHotKey::platformUnregister()
{
    // After the application has gone its connection has closed the grabs.
    if (d->connection && x11Connection() == d->connection)
        d->ungrab();
}
