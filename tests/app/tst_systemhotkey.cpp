#include "app/systemhotkey.h"

#include <QAbstractEventDispatcher>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

// The system hotkey against a real X server (run under Xvfb) and without one
// (offscreen): a key held by another client, or no X at all, leaves it
// unregistered without complaint.
class TestSystemHotKey : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void offscreenRefuses();
    void grabsAndReleases_data();
    void grabsAndReleases();
    void heldElsewhereRefused();
    void pressRaisesHotKey_data();
    void pressRaisesHotKey();

private:
    bool onX11() const { return QGuiApplication::platformName() == QLatin1String("xcb"); }
    // A second X client's checked grab of Ctrl + Z with `lockMask`.
    bool otherGrab(uint16_t lockMask);
    void otherUngrab();
    xcb_connection_t* m_other = nullptr;
    xcb_window_t m_root = 0;
    xcb_keycode_t m_z = 0;
};

void TestSystemHotKey::init()
{
    if (!onX11())
        return;
    m_other = xcb_connect(nullptr, nullptr);
    QVERIFY(m_other && !xcb_connection_has_error(m_other));
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_other)).data->root;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_other);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, 'z');
    QVERIFY(codes && codes[0] != XCB_NO_SYMBOL);
    m_z = codes[0];
    std::free(codes);
    xcb_key_symbols_free(symbols);
}

void TestSystemHotKey::cleanup()
{
    if (m_other)
        xcb_disconnect(m_other);
    m_other = nullptr;
}

bool TestSystemHotKey::otherGrab(uint16_t lockMask)
{
    const xcb_void_cookie_t cookie =
        xcb_grab_key_checked(m_other, 1, m_root, uint16_t(XCB_MOD_MASK_CONTROL | lockMask), m_z,
                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    xcb_generic_error_t* error = xcb_request_check(m_other, cookie);
    std::free(error);
    return !error;
}

void TestSystemHotKey::otherUngrab()
{
    for (int lock : {0, int(XCB_MOD_MASK_LOCK), int(XCB_MOD_MASK_2), int(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2)})
        xcb_ungrab_key(m_other, m_z, m_root, uint16_t(XCB_MOD_MASK_CONTROL | lock));
    // A round trip: the ungrabs have reached the server.
    std::free(xcb_get_input_focus_reply(m_other, xcb_get_input_focus(m_other), nullptr));
}

void TestSystemHotKey::offscreenRefuses()
{
    if (onX11())
        QSKIP("runs offscreen");
    SystemHotKey key;
    key.setKey(SystemHotKey::kCtrl | 'Z');
    QVERIFY(!key.registered());
    key.setEnabled(false);
    key.setEnabled(true);
    QVERIFY(!key.registered());
}

void TestSystemHotKey::grabsAndReleases_data()
{
    // While ours, another client cannot take the key, with or without
    // CapsLock and NumLock.
    QTest::addColumn<uint16_t>("lockMask");
    QTest::newRow("plain") << uint16_t(0);
    QTest::newRow("CapsLock") << uint16_t(XCB_MOD_MASK_LOCK);
    QTest::newRow("NumLock") << uint16_t(XCB_MOD_MASK_2);
    QTest::newRow("both") << uint16_t(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2);
}

void TestSystemHotKey::grabsAndReleases()
{
    if (!onX11())
        QSKIP("needs an X server");
    QFETCH(uint16_t, lockMask);
    {
        SystemHotKey key;
        key.setKey(SystemHotKey::kCtrl | 'Z');
        QVERIFY(key.registered());
        QVERIFY(!otherGrab(lockMask));

        // Disabled, the key is free for others; enabled again, ours again.
        key.setEnabled(false);
        QVERIFY(!key.registered());
        QVERIFY(otherGrab(lockMask));
        otherUngrab();
        key.setEnabled(true);
        QVERIFY(key.registered());
        QVERIFY(!otherGrab(lockMask));

        // Another key lets Ctrl + Z go.
        key.setKey(SystemHotKey::kCtrl | 'Q');
        QVERIFY(key.registered());
        QVERIFY(otherGrab(lockMask));
        otherUngrab();
        key.setKey(SystemHotKey::kCtrl | 'Z');
    }
    // Destroyed: released.
    QVERIFY(otherGrab(lockMask));
    otherUngrab();
}

void TestSystemHotKey::heldElsewhereRefused()
{
    if (!onX11())
        QSKIP("needs an X server");
    // Another client holds only the NumLock variant: the whole registration
    // is refused, and none of our grabs is left behind.
    QVERIFY(otherGrab(XCB_MOD_MASK_2));
    SystemHotKey key;
    key.setKey(SystemHotKey::kCtrl | 'Z');
    QVERIFY(!key.registered());
    otherUngrab();
    QVERIFY(otherGrab(0));
    otherUngrab();
    // Once free, enabling again takes it.
    key.setEnabled(false);
    key.setEnabled(true);
    QVERIFY(key.registered());
}

void TestSystemHotKey::pressRaisesHotKey_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("otherKey");
    QTest::addColumn<bool>("raised");
    QTest::newRow("Ctrl") << int(XCB_MOD_MASK_CONTROL) << false << true;
    QTest::newRow("Ctrl, CapsLock") << int(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_LOCK) << false << true;
    QTest::newRow("Ctrl, NumLock") << int(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_2) << false << true;
    QTest::newRow("Ctrl, button held") << int(XCB_MOD_MASK_CONTROL | XCB_BUTTON_MASK_1) << false << true;
    QTest::newRow("Ctrl + Shift") << int(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT) << false << false;
    QTest::newRow("Ctrl + Alt") << int(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1) << false << false;
    QTest::newRow("no Ctrl") << 0 << false << false;
    QTest::newRow("other key") << int(XCB_MOD_MASK_CONTROL) << true << false;
}

void TestSystemHotKey::pressRaisesHotKey()
{
    if (!onX11())
        QSKIP("needs an X server");
    QFETCH(int, state);
    QFETCH(bool, otherKey);
    QFETCH(bool, raised);
    SystemHotKey key;
    key.setKey(SystemHotKey::kCtrl | 'Z');
    QVERIFY(key.registered());
    QSignalSpy spy(&key, &SystemHotKey::hotKey);

    // The key press as the X connection delivers it to the filters.
    xcb_key_press_event_t press {};
    press.response_type = XCB_KEY_PRESS;
    press.detail = otherKey ? xcb_keycode_t(m_z + 1) : m_z;
    press.root = m_root;
    press.event = m_root;
    press.state = uint16_t(state);
    qintptr result = 0;
    // Its normal processing goes on.
    QVERIFY(!QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &press, &result));
    QCOMPARE(spy.count(), raised ? 1 : 0);

    // A release, or the key after it was let go, raises nothing.
    press.response_type = XCB_KEY_RELEASE;
    QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &press, &result);
    key.setEnabled(false);
    press.response_type = XCB_KEY_PRESS;
    QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &press, &result);
    QCOMPARE(spy.count(), raised ? 1 : 0);
}

QTEST_MAIN(TestSystemHotKey)
#include "tst_systemhotkey.moc"
