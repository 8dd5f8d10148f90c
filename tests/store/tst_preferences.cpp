#include "base/preferences.h"
#include "store/sharedsettings.h"
#include "store/textfile.h"
#include "tests/support/testfolder.h"
#include "tests/support/testplatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <climits>

namespace {

// A parm.scd whose every value differs from the defaults.
QStringList goodFile()
{
    return {"10100011210000001", "15", "22", "Arial", "10", "255", "123",
            "800", "600", "40", "30", "My Board", "PC-7", "9"};
}

QStringList edited(QStringList lines, int line, const QString& text)
{
    lines[line - 1] = text;
    return lines;
}

// Options 1..8, then grid lines, backup, portrait, bold and option 17, as
// "10100011 2 1 0 0 1".
QString describe(const Preferences& p)
{
    QString s;
    for (bool b : {p.network, p.autoMenu, p.displayUser, p.leadingZero, p.militaryTime, p.askBeforeDeleting,
                   p.timeOut, p.centerData})
        s += b ? u'1' : u'0';
    return s + QStringLiteral(" %1 %2 %3 %4 %5")
                   .arg(p.gridLines)
                   .arg(p.backup)
                   .arg(int(p.portrait))
                   .arg(int(p.bold))
                   .arg(int(p.clearColorWhenClearCell));
}

Preferences fromDescription(const QString& d, const QString& flagText)
{
    Preferences p;
    bool* opts[] = {&p.network, &p.autoMenu, &p.displayUser, &p.leadingZero, &p.militaryTime,
                    &p.askBeforeDeleting, &p.timeOut, &p.centerData};
    for (int i = 0; i < 8; ++i)
        *opts[i] = d[i] == u'1';
    const QStringList rest = d.mid(9).split(u' ');
    p.gridLines = rest[0].toInt();
    p.backup = rest[1].toInt();
    p.portrait = rest[2] == u"1";
    p.bold = rest[3] == u"1";
    p.clearColorWhenClearCell = rest[4] == u"1";
    p.flagText = flagText;
    return p;
}

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT
private slots:
    void sharedSettingsTwoWorkstations();
    void userListNotReadIsNeverWritten_data();
    void userListNotReadIsNeverWritten();
    void flags_data();
    void flags();
    void wholeFile();
    void badLineFallsBack_data();
    void badLineFallsBack();
    void title_data();
    void title();

    void writtenFlags_data();
    void writtenFlags();
    void flagTextRoundTrip_data();
    void flagTextRoundTrip();
    void writtenLines();
    void fileRoundTrip();

    void merge_data();
    void merge();
    void mergeAfterSetup();

    void updateInterval_data();
    void updateInterval();
    void clampedNumbers_data();
    void clampedNumbers();
    void windowPlacement_data();
    void windowPlacement();
};

void TestPreferences::flags_data()
{
    QTest::addColumn<QString>("flagText");
    QTest::addColumn<QString>("applied");
    QTest::addColumn<QString>("held");   // the flag text kept for writing back

    QTest::newRow("network, display, time-out, centre, 2 px, clear colour")
        << "10100011210000001" << "10100011 2 1 0 0 1" << "10100011210000001";
    QTest::newRow("all off") << "00000000000000000" << "00000000 1 1 0 0 0" << "00000000000000000";
    QTest::newRow("all on") << "11111111331111111" << "11111111 3 3 1 1 1" << "11111111331111111";
    QTest::newRow("hourly, portrait") << "01010100121000010" << "01010100 1 2 1 1 0" << "01010100121000010";
    QTest::newRow("only 1 is on") << "2yX-x0 T049a99992" << "00000000 1 1 0 0 0" << "2yX-x0 T049a99992";
    QTest::newRow("choices out of range") << "00000000400000000" << "00000000 1 1 0 0 0" << "00000000400000000";
    QTest::newRow("short") << "1" << "10000000 1 1 0 0 0" << "10000000000000000";
    QTest::newRow("short with choices") << "0000001131" << "00000011 3 1 0 0 0" << "00000011310000000";
    QTest::newRow("empty") << "" << "00000000 1 1 0 0 0" << "00000000000000000";
    QTest::newRow("unused positions") << "00000000110ABCD00" << "00000000 1 1 0 0 0" << "00000000110ABCD00";
    QTest::newRow("longer than 17") << "100000002100000112" << "10000000 2 1 0 1 1" << "100000002100000112";
}

void TestPreferences::flags()
{
    QFETCH(QString, flagText);
    QFETCH(QString, applied);
    QFETCH(QString, held);

    Preferences p;
    QVERIFY(readParmLines(edited(goodFile(), 1, flagText), p));
    QCOMPARE(describe(p), applied);
    QCOMPARE(p.flagText, held);
}

void TestPreferences::wholeFile()
{
    Preferences p;
    QVERIFY(readParmLines(goodFile(), p));
    QCOMPARE(p.updateInterval, QStringLiteral("15"));
    QCOMPARE(p.rowHeight, 22);
    QCOMPARE(p.fontName, QStringLiteral("Arial"));
    QCOMPARE(p.fontSize, 10);
    QCOMPARE(p.fontColor, 255);
    QCOMPARE(p.fixedColor, Preferences::kFixedColor);   // line 7 is never read back
    QCOMPARE(p.width, 800);
    QCOMPARE(p.height, 600);
    QCOMPARE(p.top, 40);
    QCOMPARE(p.left, 30);
    QCOMPARE(p.title, QStringLiteral("My Board"));
    QCOMPARE(p.backupComputer, QStringLiteral("PC-7"));
    QCOMPARE(p.printFontSize, 9.0);

    // Surplus lines are ignored; negative and blank-padded numbers read.
    QStringList more = goodFile() << "extra" << "lines";
    more[9] = QStringLiteral(" -5 ");
    Preferences q;
    QVERIFY(readParmLines(more, q));
    QCOMPARE(q.top, -5);
    QCOMPARE(q.printFontSize, 9.0);
}

void TestPreferences::badLineFallsBack_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QList<int>>("fellBack");   // the lines whose value took its default

    const QStringList good = goodFile();
    const QList<int> all{1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14};
    auto from = [&](int first) {
        QList<int> l;
        for (int n : all)
            if (n >= first)
                l.append(n);
        return l;
    };
    QTest::newRow("complete") << good << QList<int>{};
    QTest::newRow("empty file") << QStringList{} << all;
    QTest::newRow("flags only") << good.mid(0, 1) << from(2);
    QTest::newRow("2 lines") << good.mid(0, 2) << from(3);
    QTest::newRow("11 lines") << good.mid(0, 11) << from(12);
    QTest::newRow("13 lines") << good.mid(0, 13) << from(14);
    QTest::newRow("interval is free text") << edited(good, 2, "soon") << QList<int>{};
    QTest::newRow("row height letters") << edited(good, 3, "abc") << QList<int>{3};
    QTest::newRow("font size fraction") << edited(good, 5, "10.5") << QList<int>{5};
    QTest::newRow("font colour hex") << edited(good, 6, "0xFF") << QList<int>{6};
    QTest::newRow("fixed colour not read") << edited(good, 7, "junk") << QList<int>{};
    QTest::newRow("width empty") << edited(good, 8, "") << QList<int>{8};
    QTest::newRow("height overflow") << edited(good, 9, "99999999999") << QList<int>{9};
    QTest::newRow("left letters") << edited(good, 11, "x") << QList<int>{11};
    QTest::newRow("print size letters") << edited(good, 14, "seven") << QList<int>{14};
    QTest::newRow("print size empty") << edited(good, 14, "") << QList<int>{14};
    QTest::newRow("two bad lines") << edited(edited(good, 3, "abc"), 10, "top") << QList<int>{3, 10};
    QTest::newRow("every number bad")
        << QStringList{good[0], good[1], "a", good[3], "b", "c", "d", "e", "f", "g", "h", good[11], good[12], "i"}
        << QList<int>{3, 5, 6, 8, 9, 10, 11, 14};
}

void TestPreferences::badLineFallsBack()
{
    QFETCH(QStringList, lines);
    QFETCH(QList<int>, fellBack);

    const Preferences d;
    Preferences p;
    QCOMPARE(readParmLines(lines, p), fellBack.isEmpty());
    const QStringList good = goodFile();
    auto applied = [&](int line) { return !fellBack.contains(line); };

    QCOMPARE(p.network, applied(1));
    QCOMPARE(p.gridLines, applied(1) ? 2 : d.gridLines);
    QCOMPARE(p.updateInterval, applied(2) ? lines[1] : d.updateInterval);
    QCOMPARE(p.rowHeight, applied(3) ? 22 : d.rowHeight);
    QCOMPARE(p.fontName, applied(4) ? good[3] : d.fontName);
    QCOMPARE(p.fontSize, applied(5) ? 10 : d.fontSize);
    QCOMPARE(p.fontColor, applied(6) ? 255 : d.fontColor);
    QCOMPARE(p.fixedColor, d.fixedColor);
    QCOMPARE(p.width, applied(8) ? 800 : d.width);
    QCOMPARE(p.height, applied(9) ? 600 : d.height);
    QCOMPARE(p.top, applied(10) ? 40 : d.top);
    QCOMPARE(p.left, applied(11) ? 30 : d.left);
    QCOMPARE(p.title, applied(12) ? good[11] : d.title);
    QCOMPARE(p.backupComputer, applied(13) ? good[12] : d.backupComputer);
    QCOMPARE(p.printFontSize, applied(14) ? 9.0 : d.printFontSize);
    // Boldness comes with line 1, whatever the later lines hold.
    Preferences b;
    QStringList l = lines;
    if (!l.isEmpty())
        l[0] = QStringLiteral("00000000110000010");
    readParmLines(l, b);
    QCOMPARE(b.bold, !l.isEmpty());

    // What "OK" writes next reads back whole: the bad lines are mended.
    Preferences again;
    QVERIFY(readParmLines(parmLines(p), again));
    QCOMPARE(parmLines(again), parmLines(p));
}

void TestPreferences::title_data()
{
    QTest::addColumn<QString>("line12");
    QTest::addColumn<QString>("title");     // "" keeps the form's caption
    QTest::addColumn<QString>("written");

    QTest::newRow("normal") << "Dispatch Board" << "Dispatch Board" << "Dispatch Board";
    QTest::newRow("two characters") << "AB" << "AB" << "AB";
    QTest::newRow("one character ignored") << "X" << "" << "RYX Scheduling";
    QTest::newRow("one blank ignored") << " " << "" << "RYX Scheduling";
    QTest::newRow("empty ignored") << "" << "" << "RYX Scheduling";
    QTest::newRow("blanks kept") << "  Yard  " << "  Yard  " << "  Yard  ";
    QTest::newRow("windows-1252") << "D\u00e9p\u00f4t \u20ac" << "D\u00e9p\u00f4t \u20ac" << "D\u00e9p\u00f4t \u20ac";
}

void TestPreferences::title()
{
    QFETCH(QString, line12);
    QFETCH(QString, title);
    QFETCH(QString, written);

    Preferences p;
    QVERIFY(readParmLines(edited(goodFile(), 12, line12), p));
    QCOMPARE(p.title, title);
    QCOMPARE(parmLines(p).at(11), written);
}

void TestPreferences::writtenFlags_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("heldFlags");
    QTest::addColumn<QString>("written");

    QTest::newRow("network, display, time-out, centre, 2 px, clear colour")
        << "10100011 2 1 0 0 1" << "00000000000000000" << "10100011210000001";
    QTest::newRow("everything on") << "11111111 3 3 1 1 1" << "00000000000000000" << "11111111331000011";
    QTest::newRow("everything off") << "00000000 1 1 0 0 0" << "11111111331111111" << "00000000110111100";
    QTest::newRow("hourly, portrait, bold") << "00000000 1 2 1 1 0" << "00000000000000000" << "00000000121000010";
    QTest::newRow("unused kept as read") << "00000000 1 1 0 0 0" << "00000000110ABCD00" << "00000000110ABCD00";
    QTest::newRow("short held text") << "01000000 2 3 0 0 0" << "1" << "01000000230000000";
    QTest::newRow("empty held text") << "00000000 1 1 0 0 1" << "" << "00000000110000001";
    QTest::newRow("longer held text") << "10000000 1 1 0 0 0" << "00000000110000000XYZ"
                                      << "10000000110000000XYZ";
}

void TestPreferences::writtenFlags()
{
    QFETCH(QString, state);
    QFETCH(QString, heldFlags);
    QFETCH(QString, written);

    const QStringList lines = parmLines(fromDescription(state, heldFlags));
    QCOMPARE(lines.size(), Preferences::kLineCount);
    QCOMPARE(lines.first(), written);
}

void TestPreferences::flagTextRoundTrip_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("written");

    QTest::newRow("full") << "10100011210000001" << "10100011210000001";
    QTest::newRow("three characters") << "101" << "10100000110000000";
    QTest::newRow("sixteen characters") << "0000000123000001" << "00000001230000010";
    QTest::newRow("empty") << "" << "00000000110000000";
    QTest::newRow("choices out of range") << "00000000000000000" << "00000000110000000";
    QTest::newRow("odd characters become 0") << "xx1-----21?WXYZ?1" << "00100000210WXYZ01";
}

void TestPreferences::flagTextRoundTrip()
{
    QFETCH(QString, read);
    QFETCH(QString, written);

    Preferences p;
    QVERIFY(readParmLines(edited(goodFile(), 1, read), p));
    QCOMPARE(parmLines(p).first(), written);
}

void TestPreferences::writtenLines()
{
    Preferences p;
    p.updateInterval = QStringLiteral("abc");   // typed: written as typed
    p.rowHeight = 17;
    p.fontName = QStringLiteral("Courier New");
    p.fontSize = 12;
    p.fontColor = 0x00FF8040;
    p.width = 1024;
    p.height = 700;
    p.top = -8;
    p.left = 0;
    p.backupComputer = QStringLiteral("YARD-PC");
    p.printFontSize = 8.5;
    const QStringList expected{"00000000110000000", "abc", "17", "Courier New", "12", "16744512", "11393254",
                               "1024", "700", "-8", "0", "RYX Scheduling", "YARD-PC", "8.5"};
    QCOMPARE(parmLines(p), expected);

    p.printFontSize = 7;
    QCOMPARE(parmLines(p).last(), QStringLiteral("7"));
}

void TestPreferences::fileRoundTrip()
{
    TestFolder tf;
    const QString path = tf.folder().gsystem(QStringLiteral("parm.scd"));
    tf.writeFile(QStringLiteral("gsystem/parm.scd"), TextFile::joinLines(goodFile()));
    Preferences p;
    QVERIFY(readParmLines(TextFile::read(path).value, p));
    QVERIFY(TextFile::write(path, parmLines(p)).ok());
    QCOMPARE(tf.readFile(QStringLiteral("gsystem/parm.scd")),
             TextFile::joinLines(edited(goodFile(), 7, QStringLiteral("11393254"))));

    // The default file of a fresh installation reads back unchanged.
    tf.writeFile(QStringLiteral("gsystem/parm.scd"), TestFolder::defaultParm());
    Preferences d;
    QVERIFY(readParmLines(TextFile::read(path).value, d));
    QCOMPARE(TextFile::joinLines(parmLines(d)), TestFolder::defaultParm());
}

void TestPreferences::merge_data()
{
    QTest::addColumn<QStringList>("base");
    QTest::addColumn<QStringList>("mine");
    QTest::addColumn<QStringList>("current");
    QTest::addColumn<QStringList>("merged");

    const QStringList b = goodFile();
    const QStringList theirs = edited(edited(b, 12, "Their Title"), 3, "30");

    QTest::newRow("unchanged here: the file as it stands") << b << b << theirs << theirs;
    QTest::newRow("changed here only") << b << edited(b, 5, "14") << b << edited(b, 5, "14");
    QTest::newRow("different lines changed")
        << b << edited(b, 5, "14") << theirs << edited(theirs, 5, "14");
    QTest::newRow("same line changed: this workstation's")
        << b << edited(b, 12, "Mine") << theirs << edited(theirs, 12, "Mine");
    QTest::newRow("changed back here counts as unchanged")
        << b << b << edited(b, 13, "") << edited(b, 13, "");
    QTest::newRow("file gone") << b << edited(b, 2, "60") << QStringList{} << edited(b, 2, "60");
    QTest::newRow("file cut short")
        << b << edited(b, 14, "12") << theirs.mid(0, 5) << edited(edited(b, 3, "30"), 14, "12");

    const QString f0 = QStringLiteral("00000000110000000");
    QTest::newRow("flags: each position on its own")
        << edited(b, 1, f0) << edited(b, 1, "10000000110000000") << edited(b, 1, "00000010110000001")
        << edited(b, 1, "10000010110000001");
    QTest::newRow("flags: switched off there")
        << edited(b, 1, "00000010110000000") << edited(b, 1, "00000010110000000") << edited(b, 1, f0)
        << edited(b, 1, f0);
    QTest::newRow("flags: same position both ways")
        << edited(b, 1, f0) << edited(b, 1, "00000000310000000") << edited(b, 1, "00000000210000000")
        << edited(b, 1, "00000000310000000");
    QTest::newRow("flags: unused positions follow the file")
        << edited(b, 1, f0) << edited(b, 1, f0) << edited(b, 1, "00000000110ABCD00")
        << edited(b, 1, "00000000110ABCD00");
    QTest::newRow("flags: short texts")
        << edited(b, 1, "1") << edited(b, 1, "10000000110000000") << edited(b, 1, "1000001")
        << edited(b, 1, "10000010110000000");
    QTest::newRow("flags: longer text in the file")
        << edited(b, 1, f0) << edited(b, 1, "10000000110000000") << edited(b, 1, "00000000110000000XY")
        << edited(b, 1, "10000000110000000XY");
}

void TestPreferences::merge()
{
    QFETCH(QStringList, base);
    QFETCH(QStringList, mine);
    QFETCH(QStringList, current);
    QFETCH(QStringList, merged);

    QCOMPARE(mergeParmLines(base, mine, current), merged);
}

// Two workstations read the same file; the other one closes first having
// changed the title and a flag, then this one closes having changed another.
void TestPreferences::mergeAfterSetup()
{
    const QStringList file = parmLines([] {
        Preferences p;
        readParmLines(goodFile(), p);
        return p;
    }());

    Preferences other;
    QVERIFY(readParmLines(file, other));
    other.title = QStringLiteral("Yard Two");
    other.centerData = false;
    const QStringList afterOther = parmLines(other);

    Preferences mine;
    QVERIFY(readParmLines(file, mine));
    mine.timeOut = false;
    mine.width = 1000;
    const QStringList written = mergeParmLines(file, parmLines(mine), afterOther);

    Preferences result;
    QVERIFY(readParmLines(written, result));
    QCOMPARE(result.title, QStringLiteral("Yard Two"));
    QVERIFY(!result.centerData);
    QVERIFY(!result.timeOut);
    QVERIFY(result.network);
    QCOMPARE(result.width, 1000);
    QCOMPARE(result.gridLines, 2);
}

void TestPreferences::updateInterval_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("ms");   // -1: not a usable interval

    QTest::newRow("5") << "5" << 5000;
    QTest::newRow("60") << "60" << 60000;
    QTest::newRow("blanks") << " 15 " << 15000;
    QTest::newRow("an hour") << "3600" << 3600000;
    QTest::newRow("over an hour") << "3601" << 3600000;
    QTest::newRow("a day") << "86400" << 3600000;
    QTest::newRow("INT_MAX") << "2147483647" << 3600000;
    QTest::newRow("huge") << "99999999999" << 3600000;
    QTest::newRow("zero") << "0" << -1;
    QTest::newRow("negative") << "-5" << -1;
    QTest::newRow("INT_MIN") << "-2147483648" << -1;
    QTest::newRow("letters") << "ten" << -1;
    QTest::newRow("fraction") << "2.5" << -1;
    QTest::newRow("empty") << "" << -1;
}

void TestPreferences::updateInterval()
{
    QFETCH(QString, text);
    QFETCH(int, ms);

    Preferences p;
    p.updateInterval = text;
    int out = 1234;
    QCOMPARE(p.updateIntervalMs(out), ms >= 0);
    QCOMPARE(out, ms >= 0 ? ms : 1234);
}

// Row height (line 3), font size (line 5) and print font size (line 14):
// used clamped, written back as read.
void TestPreferences::clampedNumbers_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("used");

    QTest::newRow("row height") << 3 << "22" << 22.0;
    QTest::newRow("row height 1") << 3 << "1" << 1.0;
    QTest::newRow("row height 200") << 3 << "200" << 200.0;
    QTest::newRow("row height 201") << 3 << "201" << 200.0;
    QTest::newRow("row height zero") << 3 << "0" << 1.0;
    QTest::newRow("row height negative") << 3 << "-5" << 1.0;
    QTest::newRow("row height INT_MAX") << 3 << "2147483647" << 200.0;
    QTest::newRow("row height INT_MIN") << 3 << "-2147483648" << 1.0;

    QTest::newRow("font size") << 5 << "10" << 10.0;
    QTest::newRow("font size 1") << 5 << "1" << 1.0;
    QTest::newRow("font size 96") << 5 << "96" << 96.0;
    QTest::newRow("font size 97") << 5 << "97" << 96.0;
    QTest::newRow("font size zero: the default") << 5 << "0" << 8.0;
    QTest::newRow("font size negative: the default") << 5 << "-3" << 8.0;
    QTest::newRow("font size INT_MAX") << 5 << "2147483647" << 96.0;
    QTest::newRow("font size INT_MIN") << 5 << "-2147483648" << 8.0;

    QTest::newRow("print size") << 14 << "8.5" << 8.5;
    QTest::newRow("print size 7") << 14 << "7" << 7.0;
    QTest::newRow("print size 14") << 14 << "14" << 14.0;
    QTest::newRow("print size below 7") << 14 << "6.5" << 7.0;
    QTest::newRow("print size above 14") << 14 << "14.5" << 14.0;
    QTest::newRow("print size zero") << 14 << "0" << 7.0;
    QTest::newRow("print size negative") << 14 << "-3" << 7.0;
    QTest::newRow("print size huge") << 14 << "1e+308" << 14.0;
    QTest::newRow("print size huge negative") << 14 << "-1e+308" << 7.0;
    QTest::newRow("print size inf") << 14 << "inf" << 14.0;
    QTest::newRow("print size -inf") << 14 << "-inf" << 7.0;
    QTest::newRow("print size nan") << 14 << "nan" << 7.0;
}

void TestPreferences::clampedNumbers()
{
    QFETCH(int, line);
    QFETCH(QString, text);
    QFETCH(double, used);

    const QStringList file = edited(goodFile(), line, text);
    Preferences p;
    QVERIFY(readParmLines(file, p));
    switch (line) {
    case 3:
        QCOMPARE(p.clampedRowHeight(), int(used));
        break;
    case 5:
        QCOMPARE(p.clampedFontSize(), int(used));
        break;
    default:
        QCOMPARE(p.clampedPrintFontSize(), used);
    }
    QCOMPARE(parmLines(p).at(line - 1), text);
}

void TestPreferences::windowPlacement_data()
{
    QTest::addColumn<QList<QRect>>("screens");   // available areas
    QTest::addColumn<QList<int>>("geometry");    // lines 8..11: width, height, top, left
    QTest::addColumn<QRect>("placed");

    const QList<QRect> one{QRect(0, 0, 1920, 1040)};
    QTest::newRow("as saved") << one << QList<int>{800, 600, 70, 90} << QRect(90, 70, 800, 600);
    QTest::newRow("at the top left corner") << one << QList<int>{800, 600, 0, 0} << QRect(0, 0, 800, 600);
    // Partly off the screen is off it: the place may be another
    // workstation's, whose screen is larger.
    QTest::newRow("mostly off the right, title bar grabbable")
        << one << QList<int>{800, 600, 100, 1820} << QRect(1120, 100, 800, 600);
    QTest::newRow("one pixel off the right") << one << QList<int>{800, 600, 100, 1121} << QRect(1120, 100, 800, 600);
    QTest::newRow("flush with the right edge") << one << QList<int>{800, 600, 100, 1120} << QRect(1120, 100, 800, 600);
    QTest::newRow("bottom off the screen") << one << QList<int>{800, 600, 500, 90} << QRect(90, 440, 800, 600);
    QTest::newRow("off the right and the bottom")
        << one << QList<int>{800, 600, 900, 1500} << QRect(1120, 440, 800, 600);
    QTest::newRow("negative place") << one << QList<int>{800, 600, -20, -30} << QRect(0, 0, 800, 600);
    QTest::newRow("wider than the screen, placed off it")
        << one << QList<int>{2500, 600, 100, 300} << QRect(0, 100, 1920, 600);
    QTest::newRow("too little left to grab on the right")
        << one << QList<int>{800, 600, 100, 1821} << QRect(1120, 100, 800, 600);
    QTest::newRow("too little left to grab on the left")
        << one << QList<int>{800, 600, 100, -701} << QRect(0, 100, 800, 600);
    QTest::newRow("title bar above the screen") << one << QList<int>{800, 600, -1, 90} << QRect(90, 0, 800, 600);
    QTest::newRow("title bar below the bottom")
        << one << QList<int>{800, 600, 1011, 90} << QRect(90, 440, 800, 600);
    QTest::newRow("larger than the screen") << one << QList<int>{3000, 2000, 10, 10} << QRect(0, 0, 1920, 1040);
    QTest::newRow("below the minimum") << one << QList<int>{100, 100, 10, 10} << QRect(10, 10, 770, 450);
    QTest::newRow("zero") << one << QList<int>{0, 0, 0, 0} << QRect(0, 0, 770, 450);
    QTest::newRow("negative") << one << QList<int>{-800, -600, -70, -90} << QRect(0, 0, 770, 450);
    QTest::newRow("INT_MAX") << one << QList<int>{INT_MAX, INT_MAX, INT_MAX, INT_MAX} << QRect(0, 0, 1920, 1040);
    QTest::newRow("INT_MIN") << one << QList<int>{INT_MIN, INT_MIN, INT_MIN, INT_MIN} << QRect(0, 0, 770, 450);
    QTest::newRow("INT_MAX size, INT_MIN place")
        << one << QList<int>{INT_MAX, INT_MAX, INT_MIN, INT_MIN} << QRect(0, 0, 1920, 1040);

    QTest::newRow("below a panel at the top")
        << QList<QRect>{QRect(0, 30, 1920, 1050)} << QList<int>{800, 600, 10, 90} << QRect(90, 30, 800, 600);
    QTest::newRow("screen smaller than the minimum")
        << QList<QRect>{QRect(0, 0, 640, 480)} << QList<int>{800, 600, 0, 0} << QRect(0, 0, 770, 480);
    QTest::newRow("no screens") << QList<QRect>{} << QList<int>{800, 600, 70, 90} << QRect(0, 0, 770, 450);
    QTest::newRow("empty screen areas ignored")
        << QList<QRect>{QRect(), QRect(5000, 5000, 0, 0), QRect(0, 0, 1024, 768)} << QList<int>{800, 600, 5000, 5000}
        << QRect(224, 168, 800, 600);

    const QList<QRect> two{QRect(-1280, 0, 1280, 1024), QRect(0, 0, 1920, 1040)};
    QTest::newRow("two screens: on the left one") << two << QList<int>{800, 600, 100, -1200} << QRect(-1200, 100, 800, 600);
    QTest::newRow("two screens: across both") << two << QList<int>{800, 600, 100, -400} << QRect(-400, 100, 800, 600);
    QTest::newRow("two screens: as wide as both") << two << QList<int>{5000, 900, 0, -1280} << QRect(-1280, 0, 3200, 900);
    QTest::newRow("two screens: beyond the left one")
        << two << QList<int>{800, 600, 100, -9000} << QRect(-1280, 100, 800, 600);
    QTest::newRow("two screens: beyond the right one")
        << two << QList<int>{800, 600, 100, 9000} << QRect(1120, 100, 800, 600);
    QTest::newRow("two screens: below the left one")
        << two << QList<int>{800, 600, 1030, -1000} << QRect(-1000, 424, 800, 600);
    QTest::newRow("two screens: across both, off the shorter one's bottom")
        << two << QList<int>{800, 600, 430, -400} << QRect(0, 430, 800, 600);
    QTest::newRow("two screens: off the right one, shrunk to it")
        << two << QList<int>{2500, 900, 100, 500} << QRect(0, 100, 1920, 900);
    QTest::newRow("two screens: INT_MIN place")
        << two << QList<int>{800, 600, INT_MIN, INT_MIN} << QRect(-1280, 0, 800, 600);
}

void TestPreferences::windowPlacement()
{
    QFETCH(QList<QRect>, screens);
    QFETCH(QList<int>, geometry);
    QFETCH(QRect, placed);

    Preferences p;
    p.width = geometry[0];
    p.height = geometry[1];
    p.top = geometry[2];
    p.left = geometry[3];
    const WindowPlacement placement = placeWindow(p, screens, QSize(770, 450));
    QCOMPARE(placement.placed, placed);

    // Standing where it was placed, the window keeps the file's numbers;
    // moved or resized, it remembers where it is.
    Preferences after = p;
    rememberWindowGeometry(after, placed, placement);
    QCOMPARE(parmLines(after), parmLines(p));
    rememberWindowGeometry(after, placed.adjusted(5, 0, 5, 1), placement);
    QCOMPARE(after.left, placed.x() + 5);
    QCOMPARE(after.top, placed.y());
    QCOMPARE(after.width, placed.width());
    QCOMPARE(after.height, placed.height() + 1);
    rememberWindowGeometry(after, placed, placement);
    QCOMPARE(parmLines(after), parmLines(p));
}

void TestPreferences::sharedSettingsTwoWorkstations()
{
    TestFolder tf;
    tf.writeMinimalData();
    Preferences pa, pb;
    SharedSettings a(tf.folder(), pa), b(tf.folder(), pb);
    QVERIFY(a.loadPreferences().ok() && b.loadPreferences().ok());
    const QStringList users = a.loadUsers().value;
    QCOMPARE(b.loadUsers().value, users);

    // Nothing changed: a close leaves both files alone.
    const QByteArray parm = tf.readFile(QStringLiteral("gsystem/parm.scd"));
    QVERIFY(a.saveAtClose(users).isEmpty());
    QCOMPARE(tf.readFile(QStringLiteral("gsystem/parm.scd")), parm);

    // B saves a title with "OK"; A, closing later, keeps it and adds its own flag.
    pb.title = QStringLiteral("Yard B");
    QVERIFY(b.save(users).ok());
    pa.timeOut = !pa.timeOut;
    QVERIFY(a.saveAtClose(users + QStringList{QStringLiteral("ann[1]")}).isEmpty());
    Preferences reread;
    QVERIFY(readParmLines(TextFile::read(tf.path(QStringLiteral("gsystem/parm.scd"))).value, reread));
    QCOMPARE(reread.title, QStringLiteral("Yard B"));
    QCOMPARE(reread.timeOut, pa.timeOut);
    QCOMPARE(TextFile::read(tf.path(QStringLiteral("users/users.scd"))).value.last(), QStringLiteral("ann[1]"));

    // A write that fails is returned, not dropped.
    pa.centerData = !pa.centerData;
    ReadOnlyGuard guard(tf.path(QStringLiteral("gsystem")));
    if (!guard.isActive())
        QSKIP("cannot make a folder read-only here");
    const QList<TextFile::WriteResult> failed = a.saveAtClose(users);
    QCOMPARE(failed.size(), 1);
    QVERIFY(failed[0].message.contains(QStringLiteral("parm.scd")));
}

// users.scd that could not be read (or was never read) shows as an empty
// list: neither "OK" nor a close may write that list over the file.
void TestPreferences::userListNotReadIsNeverWritten_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("never loaded") << "never";
    QTest::newRow("a link") << "link";
    QTest::newRow("a folder") << "folder";
    QTest::newRow("over the size cap") << "large";
}

void TestPreferences::userListNotReadIsNeverWritten()
{
    QFETCH(QString, kind);
    TestFolder tf;
    tf.writeMinimalData();
    const QString users = tf.path(QStringLiteral("users/users.scd"));
    const QByteArray list = "jim[2]\r\nann[1]\r\n";
    const QString real = tf.path(QStringLiteral("users.real"));
    QFile::remove(users);
    if (kind == u"link") {
        if (const QString why = TestPlatform::whyNoLinks(); !why.isEmpty())
            QSKIP(qPrintable(why));
        tf.writeFile(QStringLiteral("users.real"), list);
        QVERIFY(TestPlatform::makeLink(real, users));
    } else if (kind == u"folder") {
        QVERIFY(QDir().mkpath(users));
    } else {
        QByteArray bytes = list;
        if (kind == u"large")
            bytes += QByteArray(TextFile::kListFileCap, 'x');
        tf.writeFile(QStringLiteral("users/users.scd"), bytes);
    }
    const QFileInfo before(users);
    const QByteArray beforeBytes = before.isFile() ? tf.readFile(QStringLiteral("users/users.scd")) : QByteArray();

    Preferences p;
    SharedSettings s(tf.folder(), p);
    QVERIFY(s.loadPreferences().ok());
    if (kind != u"never") {
        const TextFile::ReadResult read = s.loadUsers();
        QVERIFY(!read.ok());
        QVERIFY(read.value.isEmpty());
        QVERIFY2(read.message.startsWith(QStringLiteral("users.scd: ")), qPrintable(read.message));
    }
    QVERIFY(!s.usersLoaded());

    p.title = QStringLiteral("Saved");
    QVERIFY(s.save({}).ok());
    QVERIFY(s.saveAtClose({QStringLiteral("typed[2]")}).isEmpty());
    QCOMPARE(TextFile::read(tf.path(QStringLiteral("gsystem/parm.scd"))).value[11], QStringLiteral("Saved"));
    const QFileInfo after(users);
    QCOMPARE(after.isSymLink(), before.isSymLink());
    QCOMPARE(after.isDir(), before.isDir());
    if (before.isFile())
        QCOMPARE(tf.readFile(QStringLiteral("users/users.scd")), beforeBytes);
    if (kind == u"link")
        QCOMPARE(tf.readFile(QStringLiteral("users.real")), list);

    // Readable again: loaded, and saved from then on.
    if (after.isDir())
        QVERIFY(QDir(users).removeRecursively());
    else
        QFile::remove(users);
    tf.writeFile(QStringLiteral("users/users.scd"), list);
    QCOMPARE(s.loadUsers().value, (QStringList{"jim[2]", "ann[1]"}));
    QVERIFY(s.usersLoaded());
    QVERIFY(s.save({QStringLiteral("jim[2]")}).ok());
    QCOMPARE(tf.readFile(QStringLiteral("users/users.scd")), QByteArray("jim[2]\r\n"));
}

QTEST_GUILESS_MAIN(TestPreferences)
#include "tst_preferences.moc"
