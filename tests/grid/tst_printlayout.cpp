#include "grid/colorcodes.h"
#include "grid/griddata.h"
#include "grid/printlayout.h"

#include <QTest>

using namespace PrintLayout;

class TestPrintLayout : public QObject
{
    Q_OBJECT
private slots:
    void bands_data();
    void bands();
    void fitsThePageWidth_data();
    void fitsThePageWidth();
    void picksRows_data();
    void picksRows();
    void paperOfTheLocale_data();
    void paperOfTheLocale();
    void scaleIsWholeAndPositive_data();
    void scaleIsWholeAndPositive();
    void pages_data();
    void pages();
    void cellRectangles();
    void wrapping_data();
    void wrapping();
    void shownWidths_data();
    void shownWidths();
    void filledLengths_data();
    void filledLengths();
    void rowTints_data();
    void rowTints();
};

namespace {
QString bandText(const QList<Band>& bands)
{
    QStringList out;
    for (const Band& b : bands)
        out.append(QStringLiteral("%1-%2").arg(b.left).arg(b.right));
    return out.join(u' ');
}

// "first-last" data rows of every page, pages separated by blanks.
QString pageText(const QList<PlacedRow>& rows)
{
    QStringList pages;
    int first = -1;
    int last = -1;
    for (const PlacedRow& r : rows) {
        if (r.row == 0) {
            if (first > 0)
                pages.append(QStringLiteral("%1-%2").arg(first).arg(last));
            first = -1;
            continue;
        }
        if (first < 0)
            first = r.row;
        last = r.row;
    }
    if (first > 0)
        pages.append(QStringLiteral("%1-%2").arg(first).arg(last));
    return pages.join(u' ');
}
}

void TestPrintLayout::bands_data()
{
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<QString>("bands");
    // Columns whose text ends within this many printer pixels at scale 6.
    QTest::addColumn<int>("printableWidth");
    QTest::addColumn<int>("across");
    QTest::newRow("one pixel between columns") << QList<int>{10, 20, 30} << "0-10 11-31 32-62" << 4000 << 3;
    QTest::newRow("default width") << QList<int>{30} << "0-30" << 4000 << 1;
    QTest::newRow("none") << QList<int>{} << "" << 4000 << 0;
    QTest::newRow("negative and oversized widths bounded")
        << QList<int>{-5, 20000, 1} << "0-0 1-10001 10002-10003" << 4000 << 1;
    // The text of column 2 ends at (62 - 3) * 6 = 354.
    QTest::newRow("last text ends at the edge") << QList<int>{10, 20, 30} << "0-10 11-31 32-62" << 354 << 3;
    QTest::newRow("last column cut at the edge") << QList<int>{10, 20, 30} << "0-10 11-31 32-62" << 353 << 2;
    QTest::newRow("columns left off wholly") << QList<int>{10, 20, 30} << "0-10 11-31 32-62" << 100 << 1;
    QTest::newRow("not even the first") << QList<int>{10, 20, 30} << "0-10 11-31 32-62" << 41 << 0;
    QTest::newRow("no printable width known") << QList<int>{10, 20, 30} << "0-10 11-31 32-62" << 0 << 3;
    // Narrower than the gap: its text would end left of where it starts.
    QTest::newRow("empty column starting past the edge")
        << QList<int>{10, 200, 0} << "0-10 11-211 212-212" << 1260 << 2;
}

void TestPrintLayout::bands()
{
    QFETCH(QList<int>, widths);
    QFETCH(int, printableWidth);
    const QList<Band> bands = columnBands(widths);
    QTEST(bandText(bands), "bands");
    QTEST(columnsAcross(bands, 6, printableWidth), "across");
}

void TestPrintLayout::fitsThePageWidth_data()
{
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<int>("available");
    QTest::addColumn<QList<int>>("fitted");
    // 3 + 2 gaps fill 5 + 2; the edges fall at their share, so nothing is lost.
    QTest::newRow("grown in proportion") << QList<int>{10, 20, 30} << 122 << QList<int>{20, 40, 60};
    QTest::newRow("grown, rounding spread") << QList<int>{1, 1, 1} << 12 << QList<int>{3, 3, 4};
    QTest::newRow("already filling") << QList<int>{10, 20} << 31 << QList<int>{10, 20};
    // The wide note gives way first; the narrow columns keep their text.
    QTest::newRow("widest shrink to a common width") << QList<int>{40, 500, 30, 300} << 403
                                                      << QList<int>{40, 165, 30, 165};
    QTest::newRow("common width, pixels left over") << QList<int>{40, 500, 30, 300} << 404
                                                    << QList<int>{40, 166, 30, 165};
    QTest::newRow("empty columns stay empty") << QList<int>{0, 10, 0} << 24 << QList<int>{0, 22, 0};
    QTest::newRow("oversized width bounded first") << QList<int>{20000, 10} << 1001 << QList<int>{990, 10};
    QTest::newRow("all empty: as given") << QList<int>{0, 0} << 500 << QList<int>{0, 0};
    QTest::newRow("no room for the gaps: as given") << QList<int>{5, 5, 5} << 2 << QList<int>{5, 5, 5};
}

void TestPrintLayout::fitsThePageWidth()
{
    QFETCH(QList<int>, widths);
    QFETCH(int, available);
    QFETCH(QList<int>, fitted);
    const QList<int> got = fitWidths(widths, available);
    QCOMPARE(got, fitted);
    // Fitted, the last band ends at the available width, and every column
    // prints whole across a page that wide.
    if (got != widths || (!widths.isEmpty() && columnBands(widths).last().right == available)) {
        const QList<Band> b = columnBands(got);
        QCOMPARE(b.last().right, available);
        QCOMPARE(columnsAcross(b, 6, available * 6), int(got.size()));
    }
}

void TestPrintLayout::picksRows_data()
{
    QTest::addColumn<QList<int>>("picked");
    QTest::addColumn<QStringList>("rows");   // first cells, the title first
    QTest::addColumn<QList<int>>("colours");
    QTest::newRow("none: the title row alone") << QList<int>{} << QStringList{"Trailer"} << QList<int>{0};
    QTest::newRow("in the grid's order, with colours")
        << QList<int>{3, 1} << QStringList{"Trailer", "T-1", "T-3"} << QList<int>{0, 4, 7};
    QTest::newRow("repeats, the title and rows past the end ignored")
        << QList<int>{2, 2, 0, -1, 4, 9} << QStringList{"Trailer", "T-2"} << QList<int>{0, 0};
}

void TestPrintLayout::picksRows()
{
    QFETCH(QList<int>, picked);
    QFETCH(QStringList, rows);
    QFETCH(QList<int>, colours);
    GridData g(2, 4);
    for (int r = 0; r < 4; ++r) {
        g.setCell(0, r, r == 0 ? QStringLiteral("Trailer") : QStringLiteral("T-%1").arg(r));
        g.setCell(1, r, QStringLiteral("p%1").arg(r));
    }
    g.setRowColor(1, 4);
    g.setRowColor(3, 7);
    const GridData got = pickRows(g, picked);
    QCOMPARE(got.column(0).toList(), rows);
    QList<int> codes;
    for (int r = 0; r < got.rowCount(); ++r)
        codes.append(got.rowColor(r));
    QCOMPARE(codes, colours);
}

void TestPrintLayout::paperOfTheLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("letter");
    QTest::newRow("en_US") << "en_US" << true;
    QTest::newRow("en_CA") << "en_CA" << true;
    QTest::newRow("fr_CA") << "fr_CA" << true;
    QTest::newRow("es_MX") << "es_MX" << true;
    QTest::newRow("en_PH") << "en_PH" << true;
    QTest::newRow("en_GB") << "en_GB" << false;
    QTest::newRow("de_DE") << "de_DE" << false;
    QTest::newRow("C") << "C" << false;
}

void TestPrintLayout::paperOfTheLocale()
{
    QFETCH(QString, locale);
    QTEST(localPaper(QLocale(locale)) == Paper::Letter, "letter");
}

void TestPrintLayout::scaleIsWholeAndPositive_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("ppi");
    QTest::addColumn<int>("scale");
    QTest::newRow("600 over 96") << 600 << 96 << 6;
    QTest::newRow("300 over 96") << 300 << 96 << 3;
    QTest::newRow("150 over 192 would be 0") << 150 << 192 << 1;
    QTest::newRow("no printer resolution") << 0 << 96 << 1;
    QTest::newRow("no screen resolution") << 600 << 0 << 1;
    QTest::newRow("absurd resolution bounded") << 1000000 << 1 << kMaxScale;
}

void TestPrintLayout::scaleIsWholeAndPositive()
{
    QFETCH(int, dpi);
    QFETCH(int, ppi);
    QTEST(scale(dpi, ppi), "scale");
}

void TestPrintLayout::pages_data()
{
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<int>("rowHeight");
    QTest::addColumn<bool>("portrait");
    QTest::addColumn<int>("scaleY");
    QTest::addColumn<int>("printableHeight");
    QTest::addColumn<QString>("pages");
    QTest::addColumn<int>("pageCount");
    QTest::newRow("title row alone") << 1 << 13 << true << 6 << 0 << "" << 1;
    QTest::newRow("portrait, 13 pixels") << 155 << 13 << true << 6 << 0 << "1-77 78-154" << 2;
    QTest::newRow("portrait, one row over") << 156 << 13 << true << 6 << 0 << "1-77 78-154 155-155" << 3;
    QTest::newRow("landscape, 13 pixels") << 111 << 13 << false << 6 << 0 << "1-55 56-110" << 2;
    QTest::newRow("portrait, 25 pixels") << 83 << 25 << true << 1 << 0 << "1-41 42-82" << 2;
    QTest::newRow("page that holds the limit: unchanged") << 155 << 13 << true << 6 << 6720 << "1-77 78-154" << 2;
    // (13 + 14 r + 20) * 6 <= 3000 for r up to 33.
    QTest::newRow("page shorter than the limit") << 70 << 13 << true << 6 << 3000 << "1-33 34-66 67-69" << 3;
    QTest::newRow("page with room for no row: one a page") << 4 << 13 << true << 6 << 100 << "1-1 2-2 3-3" << 3;
}

void TestPrintLayout::pages()
{
    QFETCH(int, rowCount);
    QFETCH(int, rowHeight);
    QFETCH(bool, portrait);
    QFETCH(int, scaleY);
    QFETCH(int, printableHeight);
    QFETCH(int, pageCount);
    const QList<PlacedRow> rows = placeRows(rowCount, {rowHeight, portrait, scaleY, printableHeight});
    QTEST(pageText(rows), "pages");

    // Every row once, in order; every page opens with the title row, the
    // first underlined, the repeated ones bold too; the first data row under
    // a repeated title sits where row 1 sits on the first page.
    int next = 1;
    int page = -1;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const PlacedRow& r = rows.at(i);
        if (r.row == 0) {
            ++page;
            QCOMPARE(r.page, page);
            QCOMPARE(r.top, 0);
            QCOMPARE(r.bottom, rowHeight);
            QCOMPARE(r.style, page == 0 ? Style::Underlined : Style::BoldUnderlined);
            continue;
        }
        QCOMPARE(r.row, next++);
        QCOMPARE(r.page, page);
        QCOMPARE(r.style, Style::Plain);
        QCOMPARE(r.bottom - r.top, rowHeight);
        const PlacedRow& previous = rows.at(i - 1);
        QCOMPARE(r.top, previous.bottom + 1);
        QVERIFY(r.bottom <= pageLimit(portrait));
    }
    QCOMPARE(next, rowCount);
    QCOMPARE(page + 1, pageCount);
}

void TestPrintLayout::cellRectangles()
{
    const QList<Band> bands = columnBands({100, 40});
    const QList<PlacedRow> rows = placeRows(2, {13, true, 6, 0});
    // 20 pixels of top offset, scaled: 120 dots.
    QCOMPARE(cellRect(bands[0], rows[0], 6, 6), QRect(0, 120, 97 * 6, 13 * 6));
    QCOMPARE(cellRect(bands[1], rows[1], 6, 6), QRect(101 * 6, (14 + 20) * 6, 37 * 6, 13 * 6));
    // A column narrower than the gap leaves an empty rectangle, not a negative one.
    QCOMPARE(cellRect(Band{10, 12}, rows[0], 2, 2).width(), 0);
}

void TestPrintLayout::wrapping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("maxLines");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<double>("charWidth");   // a text's width is its characters' sum, rounded
    // Every character is 10 wide.
    QTest::newRow("fits") << "alpha beta" << 100 << 0 << QStringList{"alpha beta"} << 10.0;
    QTest::newRow("breaks at a blank") << "alpha beta gamma" << 100 << 0 << QStringList{"alpha beta", "gamma"} << 10.0;
    QTest::newRow("long word kept whole") << "extraordinary day" << 50 << 0 << QStringList{"extraordinary", "day"}
                                          << 10.0;
    QTest::newRow("inner blanks kept") << "a  b" << 100 << 0 << QStringList{"a  b"} << 10.0;
    QTest::newRow("trailing blank kept") << "ab " << 100 << 0 << QStringList{"ab "} << 10.0;
    QTest::newRow("only the blank at the break dropped") << "ab  cd" << 30 << 0 << QStringList{"ab ", "cd"} << 10.0;
    QTest::newRow("empty") << "" << 100 << 0 << QStringList{} << 10.0;
    QTest::newRow("no room at all") << "ab cd" << 0 << 0 << QStringList{"ab", "cd"} << 10.0;
    QTest::newRow("first lines only") << "a b c d e f" << 30 << 2 << QStringList{"a b", "c d"} << 10.0;
    QTest::newRow("fewer lines than allowed") << "a b c" << 30 << 5 << QStringList{"a b", "c"} << 10.0;
    // Laid out no further than asked: a few hundred characters measured.
    QTest::newRow("huge text, first lines only")
        << QStringLiteral("word ").repeated(400000) << 100 << 2 << QStringList{"word word", "word word"} << 10.0;
    // Long lines cost what their words do, not the square of it.
    const QString line = QStringLiteral("ab ").repeated(333).chopped(1);
    QTest::newRow("long lines") << QStringLiteral("ab ").repeated(5000) << 10000 << 0
                                << QList<QString>(15, line) + QStringList{QStringLiteral("ab ").repeated(5)} << 10.0;
    QTest::newRow("long lines, first two only") << QStringLiteral("ab ").repeated(5000) << 10000 << 2
                                                << QStringList{line, line} << 10.0;
    QTest::newRow("one giant word") << QString(40000, u'x') << 1000 << 0 << QStringList{QString(40000, u'x')} << 10.0;
    QTest::newRow("a giant word between short ones") << "a " + QString(40000, u'x') + " b" << 100 << 0
                                                     << QStringList{"a", QString(40000, u'x'), "b"} << 10.0;
    QTest::newRow("a run of blanks") << "a" + QString(50, u' ') + "b" << 100 << 0
                                     << QStringList{"a" + QString(9, u' '), QString(10, u' '), QString(10, u' '),
                                                    QString(10, u' '), QString(7, u' ') + "b"}
                                     << 10.0;
    QTest::newRow("only blanks") << QString(30, u' ') << 100 << 0
                                 << QStringList{QString(10, u' '), QString(10, u' '), QString(8, u' ')} << 10.0;
    QTest::newRow("leading blanks") << "  lead" << 30 << 0 << QStringList{" ", "lead"} << 10.0;
    // Each part rounded up: summed, 32 words would pass 1000; measured whole they fit.
    QTest::newRow("widths that do not add up")
        << QStringLiteral("ab ").repeated(300) << 1000 << 0
        << QList<QString>(9, QStringLiteral("ab ").repeated(32).chopped(1)) + QStringList{QStringLiteral("ab ").repeated(12)}
        << 10.5;
}

void TestPrintLayout::wrapping()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(int, maxLines);
    QFETCH(double, charWidth);
    qint64 measured = 0;
    const QStringList lines = wrapWords(text, width, [&measured, charWidth](QStringView s) {
        measured += s.size();
        return qRound(double(s.size()) * charWidth);
    }, maxLines);
    QTEST(lines, "lines");
    qint64 laidOut = 0;
    for (const QString& l : lines)
        laidOut += l.size() + 1;
    QVERIFY2(measured <= 1000 + 8 * laidOut, qPrintable(QString::number(measured)));
}

void TestPrintLayout::shownWidths_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cap");
    QTest::addColumn<int>("width");
    QTest::addColumn<qint64>("measuredAtMost");   // characters, over all calls
    QTest::addColumn<qsizetype>("shownSize");
    // Every character is 10 wide, except the zero-width space.
    const QString smile = QStringLiteral("\U0001F600");
    QTest::newRow("short text, whole") << "Trailer" << 10000 << 70 << qint64(7) << qsizetype(7);
    QTest::newRow("empty") << "" << 10000 << 0 << qint64(0) << qsizetype(0);
    QTest::newRow("under the cap, exact") << QString(999, u'a') << 10000 << 9990 << qint64(999) << qsizetype(999);
    QTest::newRow("longer, under the cap, exact")
        << QString(3000, u'a') << 40000 << 30000 << qint64(1024 + 3000) << qsizetype(3000);
    QTest::newRow("at the cap") << QString(1000, u'a') << 10000 << 10000 << qint64(1000) << qsizetype(1000);
    // 12 MB of text: only the first thousand characters are looked at.
    QTest::newRow("huge text, capped") << QString(6000000, u'a') << 10000 << 10000 << qint64(1024)
                                       << kMaxShownChars;
    QTest::newRow("huge text of invisible characters, measured up to what can be shown")
        << QString(6000000, QChar(0x200B)) << 10000 << 0 << qint64(1024 + 4096 + 16384 + kMaxShownChars)
        << kMaxShownChars;
    QTest::newRow("surrogate pair at a prefix's end kept whole")
        << QString(1023, u'a') + smile + QString(5000, u'b') << 100000 << 60250 << qint64(1025 + 4100 + 6025)
        << qsizetype(6025);
    QTest::newRow("surrogate pair at the shown end kept whole")
        << QString(kMaxShownChars - 1, u'a') + smile + u'b' << 1000000 << 400010
        << qint64(1024 + 4096 + 16384 + kMaxShownChars + 1) << kMaxShownChars + 1;
}

void TestPrintLayout::shownWidths()
{
    QFETCH(QString, text);
    QFETCH(int, cap);
    QFETCH(qint64, measuredAtMost);
    qint64 measured = 0;
    bool splitPair = false;
    const int width = shownWidth(text, cap, [&](QStringView s) {
        measured += s.size();
        splitPair |= !s.isEmpty() && s.back().isHighSurrogate();
        return int(s.count(QChar(0x200B)) == s.size() ? 0 : s.size() * 10);
    });
    QTEST(width, "width");
    QVERIFY2(measured <= measuredAtMost, qPrintable(QString::number(measured)));
    QVERIFY(!splitPair);
    const QString shown = shownPart(text);
    QTEST(shown.size(), "shownSize");
    QVERIFY(text.startsWith(shown));
}

void TestPrintLayout::filledLengths_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<qsizetype>("whole");   // texts up to this long are laid out whole
    QTest::addColumn<qsizetype>("length");
    // Every character is 10 wide, except the zero-width space.
    QTest::newRow("short text, whole however narrow") << QString(1024, u'a') << 10 << kWholeMeasured << qsizetype(1024);
    QTest::newRow("long text, first prefix fills") << QString(6000000, u'a') << 5000 << kWholeMeasured
                                                   << qsizetype(1024);
    QTest::newRow("long text, second prefix fills") << QString(6000000, u'a') << 20000 << kWholeMeasured
                                                    << qsizetype(4096);
    QTest::newRow("no width") << QString(2000, u'a') << 0 << kWholeMeasured << qsizetype(1024);
    QTest::newRow("long text narrower than the width") << QString(3000, u'a') << 100000 << kWholeMeasured
                                                       << qsizetype(3000);
    QTest::newRow("invisible characters: up to what can be shown")
        << QString(6000000, QChar(0x200B)) << 100 << kWholeMeasured << kMaxShownChars;
    QTest::newRow("surrogate pair kept whole") << QString(1023, u'a') + QStringLiteral("\U0001F600") + QString(5000, u'b')
                                               << 100 << kWholeMeasured << qsizetype(1025);
    // A printed line several papers wide: drawn as far as the paper's edge.
    QTest::newRow("short prefixes, second fills") << QString(2000, u'a') << 2000 << qsizetype(64) << qsizetype(256);
    QTest::newRow("short prefixes, a short text whole") << QString(64, u'a') << 10 << qsizetype(64) << qsizetype(64);
    QTest::newRow("short prefixes, text narrower than the width") << QString(300, u'a') << 100000 << qsizetype(64)
                                                                  << qsizetype(300);
}

void TestPrintLayout::filledLengths()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(qsizetype, whole);
    const qsizetype length = filledLength(text, width, [](QStringView s) {
        return int(s.count(QChar(0x200B)) == s.size() ? 0 : s.size() * 10);
    }, whole);
    QTEST(length, "length");
}

void TestPrintLayout::rowTints_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("filled");
    QTest::newRow("none") << 0 << false;
    for (int code : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11})
        QTest::newRow(qPrintable(ColorCodes::menuCaption(code))) << code << true;
    QTest::newRow("Clear: the window's colour, on paper none") << 10 << false;
    QTest::newRow("unknown") << 12 << false;
}

void TestPrintLayout::rowTints()
{
    QFETCH(int, code);
    QFETCH(bool, filled);
    const int tint = PrintLayout::rowTint(code);
    QCOMPARE(tint >= 0, filled);
    if (!filled)
        return;
    // Black text stays legible however a grey-scale printer shades it.
    QVERIFY2(PrintLayout::greyOf(tint) >= PrintLayout::kMinTintGrey, qPrintable(QString::number(tint, 16)));
    // Still its own colour: no channel darker, and the strongest channel
    // of the colour still the strongest of its tint.
    const int value = ColorCodes::fillValue(code);
    const auto channels = [](int v) { return QList<int>{ColorCodes::red(v), ColorCodes::green(v), ColorCodes::blue(v)}; };
    const QList<int> from = channels(value);
    const QList<int> to = channels(tint);
    for (int i = 0; i < 3; ++i)
        QVERIFY(to[i] >= from[i] && to[i] <= 255);
    const auto strongest = [](const QList<int>& c) { return std::max_element(c.begin(), c.end()) - c.begin(); };
    QCOMPARE(to[strongest(from)], *std::max_element(to.begin(), to.end()));
    // Tints of different colours stay apart.
    for (int other = 1; other <= 11; ++other)
        if (other != code && other != 10)
            QVERIFY(PrintLayout::rowTint(other) != tint);
}

QTEST_GUILESS_MAIN(TestPrintLayout)
#include "tst_printlayout.moc"
