#include "app/desktop/application.h"
#include "app/desktop/fontreadahead.h"

#include <QFontMetrics>

#include <QTest>

#include <stdexcept>

namespace {

// Fails in every event it is sent, as a broken handler would.
class FailingObject final : public QObject
{
public:
    bool throwStd = true;
    bool event(QEvent*) override
    {
        if (throwStd)
            throw std::runtime_error("cell out of range");
        throw 42;
    }
};

} // namespace

// An error that escapes an event handler: the board runs on, the error is
// logged every time and the user is told once.
class TestApplication : public QObject
{
    Q_OBJECT
private slots:
    void failureLoggedAndToldOnce();
    void fontsReadAheadOfTheApplication();
};

void TestApplication::failureLoggedAndToldOnce()
{
    auto* app = qobject_cast<Application*>(qApp);
    QVERIFY(app);
    QStringList told;
    app->setFailureNotice([&told](const QString& text) { told.append(text); });
    FailingObject failing;
    QEvent event(QEvent::User);

    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("cell out of range"));
    QVERIFY(!QCoreApplication::sendEvent(&failing, &event));
    // Told from the event loop, not inside the handler that failed.
    QVERIFY(told.isEmpty());
    failing.throwStd = false;
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("unknown error"));
    QVERIFY(!QCoreApplication::sendEvent(&failing, &event));
    QCoreApplication::processEvents();
    QCOMPARE(told, QStringList{Application::failureText(QStringLiteral("cell out of range"))});
}

// Started as the board starts: the font configuration read on a second
// thread while the application is made.
FontReadAhead* readAhead = nullptr;

void TestApplication::fontsReadAheadOfTheApplication()
{
    readAhead->wait();
    readAhead->wait();
    QVERIFY(QFontMetrics(QFont()).horizontalAdvance(QStringLiteral("Trailer")) > 0);
    // One left running is waited for, not left to end the process.
    FontReadAhead abandoned;
}

int main(int argc, char** argv)
{
    FontReadAhead fonts;
    readAhead = &fonts;
    Application app(argc, argv);
    TestApplication test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
