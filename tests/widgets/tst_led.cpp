#include "widgets/led.h"

#include <QSignalSpy>
#include <QTest>

class TestLed : public QObject
{
    Q_OBJECT

private slots:
    void defaults();
    void keepsItsSize_data();
    void keepsItsSize();
    void changeState_data();
    void changeState();
    void pictures_data();
    void pictures();
    void propertiesByName();
};

void TestLed::defaults()
{
    Led led;
    QCOMPARE(led.isLit(), false);
    QCOMPARE(led.color(), Led::lcRed);
    QCOMPARE(led.size(), QSize(12, 13));
    QCOMPARE(led.objectName(), QStringLiteral("LED1"));
}

void TestLed::keepsItsSize_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("resize") << "resize";
    QTest::newRow("setGeometry") << "setGeometry";
    QTest::newRow("setFixedSize") << "setFixedSize";
    QTest::newRow("setMinimumSize") << "setMinimumSize";
    QTest::newRow("shrink") << "shrink";
}

void TestLed::keepsItsSize()
{
    QFETCH(QString, how);
    QWidget parent;
    Led led(&parent);
    led.move(121, 13);
    parent.show();
    if (how == u"resize")
        led.resize(50, 40);
    else if (how == u"setGeometry")
        led.setGeometry(3, 4, 30, 30);
    else if (how == u"setFixedSize")
        led.setFixedSize(40, 20);
    else if (how == u"setMinimumSize")
        led.setMinimumSize(20, 20);
    else
        led.resize(2, 2);
    QCOMPARE(led.size(), QSize(12, 13));
    QCOMPARE(led.width(), Led::kWidth);
    QCOMPARE(led.height(), Led::kHeight);
}

void TestLed::changeState_data()
{
    // A list of steps "lit:1", "color:2", "enabled:0" and the number of
    // stateChanged signals they must raise together.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("expected");
    QTest::newRow("lit on") << QStringList{"lit:1"} << 1;
    QTest::newRow("lit unchanged") << QStringList{"lit:0"} << 0;
    QTest::newRow("lit on twice") << QStringList{"lit:1", "lit:1"} << 1;
    QTest::newRow("lit on and off") << QStringList{"lit:1", "lit:0"} << 2;
    QTest::newRow("color green") << QStringList{"color:1"} << 1;
    QTest::newRow("color unchanged") << QStringList{"color:0"} << 0;
    QTest::newRow("color yellow twice") << QStringList{"color:2", "color:2"} << 1;
    QTest::newRow("disabled") << QStringList{"enabled:0"} << 1;
    QTest::newRow("enabled unchanged") << QStringList{"enabled:1"} << 0;
    QTest::newRow("disabled and enabled") << QStringList{"enabled:0", "enabled:1"} << 2;
}

void TestLed::changeState()
{
    QFETCH(QStringList, steps);
    QFETCH(int, expected);
    Led led;
    QSignalSpy spy(&led, &Led::stateChanged);
    for (const QString& step : steps) {
        const QStringList parts = step.split(u':');
        const int value = parts[1].toInt();
        if (parts[0] == u"lit")
            led.setLit(value != 0);
        else if (parts[0] == u"color")
            led.setColor(Led::LedColor(value));
        else
            led.setEnabled(value != 0);
    }
    QCOMPARE(spy.count(), expected);
}

void TestLed::pictures_data()
{
    QTest::addColumn<bool>("lit");
    QTest::addColumn<int>("color");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QPoint>("cell");
    QTest::addColumn<QColor>("inside");
    QTest::addColumn<QColor>("rim");

    const QColor background(10, 20, 30);
    const QColor rim(64, 64, 64);
    QTest::newRow("red unlit") << false << 0 << true << QPoint(0, 0) << QColor(128, 0, 0) << rim;
    QTest::newRow("red lit") << true << 0 << true << QPoint(1, 0) << QColor(255, 0, 0) << rim;
    QTest::newRow("green unlit") << false << 1 << true << QPoint(0, 1) << QColor(0, 112, 0) << rim;
    QTest::newRow("green lit") << true << 1 << true << QPoint(1, 1) << QColor(0, 255, 0) << rim;
    QTest::newRow("yellow unlit") << false << 2 << true << QPoint(0, 2) << QColor(128, 128, 0) << rim;
    QTest::newRow("yellow lit") << true << 2 << true << QPoint(1, 2) << QColor(255, 255, 0) << rim;
    QTest::newRow("disabled lit") << true << 0 << false << QPoint(0, 3) << background << QColor(160, 160, 160);
    QTest::newRow("disabled yellow") << false << 2 << false << QPoint(0, 3) << background << QColor(160, 160, 160);
}

void TestLed::pictures()
{
    QFETCH(bool, lit);
    QFETCH(int, color);
    QFETCH(bool, enabled);
    QFETCH(QPoint, cell);
    QFETCH(QColor, inside);
    QFETCH(QColor, rim);

    const QColor background(10, 20, 30);
    QWidget parent;
    parent.resize(40, 40);
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, background);
    parent.setPalette(pal);
    parent.setAutoFillBackground(true);
    Led led(&parent);
    led.move(5, 7);
    led.setColor(Led::LedColor(color));
    led.setLit(lit);
    led.setEnabled(enabled);
    QCOMPARE(led.pictureCell(), cell);

    const QImage image = parent.grab().toImage();
    auto at = [&](int x, int y) { return QColor(image.pixel(5 + x, 7 + y)); };
    QCOMPARE(at(7, 8), inside);
    QCOMPARE(at(0, 6), rim);
    // The picture's background is transparent: the parent shows through.
    QCOMPARE(at(0, 12), background);
    QCOMPARE(at(11, 0), background);
    if (lit && enabled)
        QCOMPARE(at(4, 4), QColor(Qt::white));
    else
        QVERIFY(at(4, 4) != QColor(Qt::white));
}

void TestLed::propertiesByName()
{
    Led led;
    QSignalSpy spy(&led, &Led::stateChanged);
    QVERIFY(led.setProperty("Lit", true));
    QVERIFY(led.setProperty("Color", QVariant::fromValue(Led::lcYellow)));
    QCOMPARE(led.property("Lit").toBool(), true);
    QCOMPARE(led.property("Color").value<Led::LedColor>(), Led::lcYellow);
    QCOMPARE(spy.count(), 2);
}

QTEST_MAIN(TestLed)
#include "tst_led.moc"
