#include "coord/updatesession.h"
#include "tests/app/board/boardfixture.h"

#include <QGuiApplication>
#include <QShortcut>
#include <QTest>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>

// Against a real X server (run under Xvfb): a running board, in or out of an
// update session, holds no key of the desktop, so a second client can still
// grab Ctrl + Z with any lock state; the board's undo is its own shortcut.
class TestDesktopKeys : public QObject
{
    Q_OBJECT
private slots:
    void boardLeavesCtrlZFree_data();
    void boardLeavesCtrlZFree();
};

void TestDesktopKeys::boardLeavesCtrlZFree_data()
{
    QTest::addColumn<bool>("updating");
    QTest::addColumn<int>("lockMask");
    for (bool updating : {false, true}) {
        const char* s = updating ? "updating" : "viewing";
        QTest::addRow("%s plain", s) << updating << 0;
        QTest::addRow("%s CapsLock", s) << updating << int(XCB_MOD_MASK_LOCK);
        QTest::addRow("%s NumLock", s) << updating << int(XCB_MOD_MASK_2);
        QTest::addRow("%s both locks", s) << updating << int(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2);
    }
}

void TestDesktopKeys::boardLeavesCtrlZFree()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    QFETCH(bool, updating);
    QFETCH(int, lockMask);

    TestFolder folder;
    folder.copyInstallationData();
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    QVERIFY(ws.window);
    ws->show();
    QVERIFY(QTest::qWaitForWindowExposed(ws.window.get()));
    if (updating)
        QCOMPARE(ws->board().session.pressUpdate().kind, UpdateSession::StartResult::Started);
    QCoreApplication::processEvents();

    const auto undo = ws->findChildren<QShortcut*>();
    QVERIFY(std::any_of(undo.begin(), undo.end(), [](const QShortcut* s) {
        return s->key() == QKeySequence(Qt::CTRL | Qt::Key_Z) && s->context() == Qt::ApplicationShortcut;
    }));

    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    QVERIFY(other && !xcb_connection_has_error(other));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(other);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, 'z');
    const xcb_keycode_t z = codes ? codes[0] : XCB_NO_SYMBOL;
    std::free(codes);
    xcb_key_symbols_free(symbols);

    xcb_generic_error_t* error = nullptr;
    if (z != XCB_NO_SYMBOL) {
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(other, 1, root,
                                                              uint16_t(XCB_MOD_MASK_CONTROL | lockMask), z,
                                                              XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        error = xcb_request_check(other, cookie);
    }
    const bool granted = z != XCB_NO_SYMBOL && !error;
    std::free(error);
    xcb_disconnect(other);
    QVERIFY2(granted, "Ctrl+Z is held by someone else");
}

QTEST_MAIN(TestDesktopKeys)
#include "tst_desktopkeys.moc"
