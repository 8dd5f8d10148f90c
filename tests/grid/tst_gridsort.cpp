#include "grid/gridsort.h"
#include "grid/printlayout.h"
#include "grid/textorder.h"
#include "tests/support/gridtext.h"
#include "tests/support/testplatform.h"

#include <QCollator>
#include <QScopeGuard>
#include <QTest>

class TestGridSort : public QObject
{
    Q_OBJECT
private slots:
    void rankedText_data();
    void rankedText();
    void sortRows_data();
    void sortRows();
    void orderIsIcusRootOrder();
};

void TestGridSort::rankedText_data()
{
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain key, every cell bracketed") << QStringList{"T|U", "b|a"} << 1 << "a[b][a]";
    QTest::newRow("date month/day/yy") << QStringList{"D|x", "12/31/05|x"} << 0 << "2005/12/31[12/31/05][x]";
    QTest::newRow("four-digit year: the whole year")
        << QStringList{"D", "12/31/2005"} << 0 << "2005/12/31[12/31/2005]";
    QTest::newRow("date form drops what follows the year")
        << QStringList{"D", "01/02/03 late"} << 0 << "2003/01/02[01/02/03 late]";
    QTest::newRow("calendar pick without leading zeros") << QStringList{"D", "1/5/06"} << 0 << "2006/01/05[1/5/06]";
    QTest::newRow("calendar pick m/d/yyyy") << QStringList{"D", "12/8/2026"} << 0 << "2026/12/08[12/8/2026]";
    QTest::newRow("current date m.d.yyyy") << QStringList{"D", "1.5.2027"} << 0 << "2027/01/05[1.5.2027]";
    QTest::newRow("current date mm.dd.yyyy") << QStringList{"D", "01.05.2027"} << 0 << "2027/01/05[01.05.2027]";
    QTest::newRow("date then time") << QStringList{"D", "12.8.2026 14:30"} << 0 << "2026/12/08[12.8.2026 14:30]";
    QTest::newRow("two-digit year 68 is 2068") << QStringList{"D", "1/1/68"} << 0 << "2068/01/01[1/1/68]";
    QTest::newRow("two-digit year 69 is 1969") << QStringList{"D", "1/1/69"} << 0 << "1969/01/01[1/1/69]";
    QTest::newRow("mixed separators: text") << QStringList{"D", "1/5.2026"} << 0 << "1/5.2026[1/5.2026]";
    QTest::newRow("three-digit year: text") << QStringList{"D", "1/5/202"} << 0 << "1/5/202[1/5/202]";
    QTest::newRow("five-digit year: text") << QStringList{"D", "1.5.20261"} << 0 << "1.5.20261[1.5.20261]";
    QTest::newRow("one-digit year: text") << QStringList{"D", "1.5.6"} << 0 << "1.5.6[1.5.6]";
    QTest::newRow("month 13: text") << QStringList{"D", "13.5.2026"} << 0 << "13.5.2026[13.5.2026]";
    QTest::newRow("day 0: text") << QStringList{"D", "1/0/2026"} << 0 << "1/0/2026[1/0/2026]";
    QTest::newRow("a decimal number: text") << QStringList{"D", "12.5"} << 0 << "12.5[12.5]";
    QTest::newRow("slashes alone make the old date form") << QStringList{"D", "ab/cd/"} << 0 << "/ab/cd[ab/cd/]";
    QTest::newRow("no date in the old places: old form") << QStringList{"D", "13/40/99"} << 0 << "99/13/40[13/40/99]";
    QTest::newRow("empty key") << QStringList{"A|B", "|y"} << 0 << "[][y]";
    QTest::newRow("brackets in cells stay") << QStringList{"A|B", "a[1]|]"} << 1 << "][a[1]][]]";
    const QString shown(PrintLayout::kMaxShownChars, u'x');
    QTest::newRow("a huge cell: only its shown part")
        << QStringList{"A|B", shown + "yyyy|z"} << 0 << shown + '[' + shown + "][z]";
}

void TestGridSort::rankedText()
{
    QFETCH(QStringList, cells);
    QFETCH(int, column);
    QTEST(GridSort::sortText(grid(cells), column, 1), "text");
}

void TestGridSort::sortRows_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("sorted");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("title row alone") << QStringList{"T|U"} << 0 << true << QStringList{"T|U"};
    QTest::newRow("one data row") << QStringList{"T|U", "b|a"} << 1 << true << QStringList{"T|U", "b|a"};
    QTest::newRow("numbers sort as text") << QStringList{"N", "9", "10"} << 0 << true << QStringList{"N", "10", "9"};
    QTest::newRow("dates by year, month, day")
        << QStringList{"D", "01/05/06", "12/31/05", "03/01/06"} << 0 << true
        << QStringList{"D", "12/31/05", "01/05/06", "03/01/06"};
    QTest::newRow("four-digit years by the whole year")
        << QStringList{"D", "01/05/2007", "12/31/2005"} << 0 << true << QStringList{"D", "12/31/2005", "01/05/2007"};
    QTest::newRow("dates without leading zeros by date")
        << QStringList{"D", "1/5/06", "10/01/05", "2/1/06"} << 0 << true << QStringList{"D", "10/01/05", "1/5/06", "2/1/06"};
    QTest::newRow("calendar picks across the month's tenth day")
        << QStringList{"D", "12/10/2026", "12/8/2026", "12/9/2026"} << 0 << true
        << QStringList{"D", "12/8/2026", "12/9/2026", "12/10/2026"};
    QTest::newRow("every form the board writes, mixed")
        << QStringList{"D|R", "1.5.2027|a", "12/10/2026|b", "01/04/27|c", "12.09.2026|d", "12/8/26|e", "Asap|f", "|g"}
        << 0 << true
        << QStringList{"D|R", "|g", "12/8/26|e", "12.09.2026|d", "12/10/2026|b", "01/04/27|c", "1.5.2027|a", "Asap|f"};
    QTest::newRow("one day in two forms: the cells decide")
        << QStringList{"D|R", "12/8/2026|b", "12.08.2026|a"} << 0 << true
        << QStringList{"D|R", "12.08.2026|a", "12/8/2026|b"};
    QTest::newRow("equal keys: cells from column 0 on")
        << QStringList{"A|K", "x|b", "w|a", "v|b"} << 1 << true << QStringList{"A|K", "w|a", "v|b", "x|b"};
    QTest::newRow("case ignored") << QStringList{"F", "Banana", "apple", "APPLE"} << 0 << true
                                  << QStringList{"F", "apple", "APPLE", "Banana"};
    QTest::newRow("blank keys and blank cells")
        << QStringList{"A|B", "x|", "|y", " a|"} << 0 << true << QStringList{"A|B", " a|", "|y", "x|"};
    QTest::newRow("bracketed cells keep texts and columns")
        << QStringList{"A|B|C", "z]|q[|]", "a[1]|x|[y", "m|[]|"} << 0 << true
        << QStringList{"A|B|C", "a[1]|x|[y", "m|[]|", "z]|q[|]"};
    QTest::newRow("sorting by the last column") << QStringList{"A|B", "1|b", "2|a"} << 1 << true
                                                << QStringList{"A|B", "2|a", "1|b"};
    QTest::newRow("a number before its longer numbers")
        << QStringList{"N", "10", "2", "1"} << 0 << true << QStringList{"N", "1", "10", "2"};
    QTest::newRow("blank keys before dates and words")
        << QStringList{"D|E", "Asap|x", "12/09/26|x", "|x"} << 0 << true << QStringList{"D|E", "|x", "12/09/26|x", "Asap|x"};
    QTest::newRow("an accent counts only between equal letters")
        << QStringList{"N", "eb", "\u00e9a", "Ea"} << 0 << true << QStringList{"N", "Ea", "\u00e9a", "eb"};
    QTest::newRow("blanks, punctuation, digits, letters")
        << QStringList{"N", "a", "1", "-", "~", " "} << 0 << true << QStringList{"N", " ", "-", "~", "1", "a"};
    QTest::newRow("ligatures and sharp s as their letters")
        << QStringList{"N", "st", "\u00df", "sr", "af", "\u00c6", "ad"} << 0 << true
        << QStringList{"N", "ad", "\u00c6", "af", "sr", "\u00df", "st"};
    QTest::newRow("characters no grid file holds: after all others")
        << QStringList{"N", "\u0416", "z", "\u00ff"} << 0 << true << QStringList{"N", "\u00ff", "z", "\u0416"};
    QTest::newRow("no column yet") << QStringList{"A", "b", "a"} << -1 << false << QStringList{"A", "b", "a"};
    QTest::newRow("column gone") << QStringList{"A|B", "b|1", "a|2"} << 2 << false << QStringList{"A|B", "b|1", "a|2"};
}

void TestGridSort::sortRows()
{
    QFETCH(QStringList, before);
    QFETCH(int, column);
    QFETCH(bool, sorted);
    QFETCH(QStringList, after);
    // One shared schedule: the same order whatever a workstation's locale.
    const QLocale previous;
    const auto restore = qScopeGuard([&previous] { QLocale::setDefault(previous); });
    for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale::c(),
                                  QLocale(QLocale::Swedish, QLocale::Sweden), QLocale(QLocale::Turkish, QLocale::Turkey)}) {
        QLocale::setDefault(locale);
        GridData g = grid(before);
        QCOMPARE(GridSort::sortRows(g, column), sorted);
        QCOMPARE(rows(g), after);
        // A second sort by the same column changes nothing.
        GridSort::sortRows(g, column);
        QCOMPARE(rows(g), after);
    }
    // Each row's colour goes with it. A last column numbers the rows as
    // they were; it orders only rows that are equal in every other cell,
    // which stay in their order anyway.
    GridData g = grid(before);
    if (column < 0 || column >= g.colCount())
        return;
    const int mark = g.colCount();
    g.setSize(mark + 1, g.rowCount());
    for (int r = 1; r < g.rowCount(); ++r) {
        g.setCell(mark, r, QStringLiteral("%1").arg(r, 3, 10, QChar(u'0')));
        g.setRowColor(r, r % 12);
    }
    GridSort::sortRows(g, column);
    for (int r = 1; r < g.rowCount(); ++r) {
        const int was = g.cell(mark, r).toInt();
        QCOMPARE(g.rowColor(r), was % 12);
    }
}

// The board's own order is ICU's root collation without case, as a Linux
// board always sorted: checked against ICU for every character a grid file
// can hold, alone and before a letter (expansions such as "\u00e6" = "ae").
void TestGridSort::orderIsIcusRootOrder()
{
    if (const QString why = TestPlatform::whyNoReferenceCollator(); !why.isEmpty())
        QSKIP(qPrintable(why));
    QStringList texts;
    const QString cp1252Extras = QStringLiteral(
        "\u20ac\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\u017d\u2018\u2019"
        "\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a\u0153\u017e\u0178");
    QString chars = cp1252Extras;
    for (char16_t c = 1; c < 0x100; ++c) {
        if (c < 0x80 || c >= 0xA0)
            chars += QChar(c);
    }
    for (const QChar c : std::as_const(chars)) {
        texts << QString(c) << QString(c) + u'e' << QString(c) + u'T' << QString(c) + u"s1";
    }
    QCollator icu(QLocale(QLocale::English, QLocale::UnitedStates));
    icu.setCaseSensitivity(Qt::CaseInsensitive);
    QList<QByteArray> keys;
    for (const QString& t : std::as_const(texts))
        keys.append(TextOrder::sortKey(t));
    int mismatches = 0;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        for (qsizetype j = 0; j < texts.size(); ++j) {
            const int ours = keys.at(i) < keys.at(j) ? -1 : (keys.at(j) < keys.at(i) ? 1 : 0);
            const int theirs = icu.compare(texts.at(i), texts.at(j));
            if (ours != (theirs > 0) - (theirs < 0) && ++mismatches <= 5)
                qWarning("%s against %s: %d, ICU %d", qPrintable(texts.at(i)), qPrintable(texts.at(j)), ours, theirs);
        }
    }
    QCOMPARE(mismatches, 0);
}

QTEST_GUILESS_MAIN(TestGridSort)
#include "tst_gridsort.moc"
