#include "widgets/boardstyle.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QTest>
#include <QWidget>

#include <utility>

using BoardStyle::Look;
using RoleColours = QList<std::pair<int, QColor>>;   // role, colour in the active and inactive groups
Q_DECLARE_METATYPE(BoardStyle::Look)
Q_DECLARE_METATYPE(RoleColours)

class TestBoardStyle : public QObject
{
    Q_OBJECT

private slots:
    void looks_data();
    void looks();
    void fonts();
    void installedFamilies_data();
    void installedFamilies();
};

void TestBoardStyle::looks_data()
{
    QTest::addColumn<Look>("look");
    QTest::addColumn<RoleColours>("changed");
    QTest::addColumn<bool>("fillsBackground");
    const QColor navy(0, 0, 128);
    const QColor pale(248, 232, 168);
    QTest::newRow("board") << Look::Board << RoleColours{{QPalette::Window, QColor(231, 223, 173)}} << true;
    QTest::newRow("button bar edge") << Look::ButtonBarEdge << RoleColours{{QPalette::Window, QColor(225, 195, 120)}}
                                     << true;
    QTest::newRow("help panel") << Look::HelpPanel << RoleColours{{QPalette::Window, QColor(192, 176, 144)}} << true;
    QTest::newRow("help note") << Look::HelpNote
                               << RoleColours{{QPalette::Window, pale}, {QPalette::WindowText, navy}} << true;
    QTest::newRow("navy caption") << Look::NavyCaption << RoleColours{{QPalette::WindowText, navy}} << false;
    QTest::newRow("navy text") << Look::NavyText << RoleColours{{QPalette::Text, navy}} << false;
    QTest::newRow("pale cells") << Look::PaleCells << RoleColours{{QPalette::Base, pale}, {QPalette::Text, navy}}
                                << false;
    QTest::newRow("white cells") << Look::WhiteCells << RoleColours{{QPalette::Base, QColor(255, 255, 255)}} << false;
    QTest::newRow("navy button") << Look::NavyButton << RoleColours{{QPalette::ButtonText, navy}} << false;
}

// Each look sets its roles and leaves every other role of the widget's
// palette as it was, so a dialog keeps the desktop's colours elsewhere.
void TestBoardStyle::looks()
{
    QFETCH(Look, look);
    QFETCH(RoleColours, changed);
    QFETCH(bool, fillsBackground);

    QWidget w;
    QPalette base = w.palette();
    for (int role = 0; role < QPalette::NColorRoles; ++role)
        base.setColor(QPalette::ColorRole(role), QColor(1, 2, role));
    w.setPalette(base);
    BoardStyle::apply(&w, look);
    QCOMPARE(w.autoFillBackground(), fillsBackground);

    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const auto r = QPalette::ColorRole(role);
        QColor want(1, 2, role);
        for (const auto& [changedRole, colour] : changed) {
            if (changedRole == role)
                want = colour;
        }
        QCOMPARE(w.palette().color(QPalette::Active, r), want);
        QCOMPARE(w.palette().color(QPalette::Inactive, r), want);
        // A disabled button's caption is greyed, not navy.
        if (look == Look::NavyButton && r == QPalette::ButtonText)
            want = QColor(128, 128, 128);
        QCOMPARE(w.palette().color(QPalette::Disabled, r), want);
    }
}

void TestBoardStyle::fonts()
{
    // Points at 96 pixels per inch, rounded as the forms were drawn.
    QCOMPARE(BoardStyle::pixelsOfPoints(7), 9);
    QCOMPARE(BoardStyle::pixelsOfPoints(8), 11);
    QCOMPARE(BoardStyle::pixelsOfPoints(10), 13);
    QCOMPARE(BoardStyle::pixelsOfPoints(14), 19);

    QFont base(QStringLiteral("DejaVu Sans"), 20);
    base.setBold(true);
    const QFont f = BoardStyle::pixelFont(base, 9);
    QCOMPARE(f.pixelSize(), 9);
    QCOMPARE(f.family(), base.family());
    QVERIFY(f.bold());

    const QFont tray = BoardStyle::trayFont();
    QCOMPARE(tray.pixelSize(), 11);
    QCOMPARE(tray.family(), BoardStyle::installedFamily(QStringLiteral("Arial")));
}

// A family that is not installed is asked for by an installed stand-in, the
// face Qt's own search for the family would have drawn with.
void TestBoardStyle::installedFamilies_data()
{
    QTest::addColumn<QString>("family");
    QTest::newRow("Verdana") << QStringLiteral("Verdana");
    QTest::newRow("Arial, in another case") << QStringLiteral("ARIAL");
    QTest::newRow("Times New Roman") << QStringLiteral("Times New Roman");
    QTest::newRow("Courier New") << QStringLiteral("Courier New");
    QTest::newRow("installed itself") << QStringLiteral("DejaVu Sans");
    QTest::newRow("no stand-in known") << QStringLiteral("No Such Face");
    QTest::newRow("installed, no stand-in") << QStringLiteral("DejaVu Sans Mono");
}

void TestBoardStyle::installedFamilies()
{
    QFETCH(QString, family);
    const QString asked = BoardStyle::installedFamily(family);
    QVERIFY(asked == family || QFontDatabase::families().contains(asked));
    QCOMPARE(QFontInfo(QFont(asked)).family(), QFontInfo(QFont(family)).family());
    // Picked in the font dialog, which lists installed faces only, a face is
    // stored under a name that draws it again; a stand-in under the name it
    // stands in for.
    QCOMPARE(BoardStyle::installedFamily(BoardStyle::storedFamily(asked)), asked);
    if (asked != family)
        QCOMPARE(BoardStyle::storedFamily(asked).compare(family, Qt::CaseInsensitive), 0);
}

QTEST_MAIN(TestBoardStyle)
#include "tst_boardstyle.moc"
