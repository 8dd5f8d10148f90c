#include "store/helppage.h"
#include "store/textfile.h"

#include <QFile>
#include <QTest>

// The help file as the board shows it: what of its HTML is kept, how the
// help's usual slips are taken, and what happens beyond the bounds.
class TestHelpPage : public QObject
{
    Q_OBJECT
private slots:
    void structure_data();
    void structure();
    void title_data();
    void title();
    void bounds_data();
    void bounds();
    void installedHelp();
};

namespace {

// A page written out line by line: "h2: text", "p: text", "li>1 2.: text",
// "pre: text", "hr", "| cell | !header |" for table rows. In the text *x*
// is bold, _x_ italic, `x` code, [x](link) a link, {#name} a place and
// "/" a line break.
QString runsText(const QList<HelpPage::Run>& runs)
{
    QString out;
    for (const HelpPage::Run& r : runs) {
        QString t = r.text;
        t.replace(QChar(QChar::LineSeparator), u'/');
        if (r.style & HelpPage::Code)
            t = u'`' + t + u'`';
        if (r.style & HelpPage::Italic)
            t = u'_' + t + u'_';
        if (r.style & HelpPage::Bold)
            t = u'*' + t + u'*';
        if (!r.link.isEmpty())
            t = u'[' + t + QStringLiteral("](") + r.link + u')';
        for (const QString& a : r.anchors)
            t = QStringLiteral("{#") + a + u'}' + t;
        out += t;
    }
    return out;
}

QString paragraphLine(const HelpPage::Paragraph& p)
{
    const QString indent = p.indent > 0 ? QStringLiteral(">%1").arg(p.indent) : QString();
    switch (p.kind) {
    case HelpPage::Kind::Heading: return QStringLiteral("h%1: ").arg(p.level) + runsText(p.runs);
    case HelpPage::Kind::ListItem: return QStringLiteral("li%1 %2: ").arg(indent, p.marker) + runsText(p.runs);
    case HelpPage::Kind::Preformatted: return QStringLiteral("pre: ") + runsText(p.runs);
    case HelpPage::Kind::Rule: return QStringLiteral("hr");
    case HelpPage::Kind::Text: break;
    }
    return QStringLiteral("p%1: ").arg(indent) + runsText(p.runs);
}

QStringList outline(const HelpPage& page)
{
    QStringList lines;
    for (const HelpPage::Block& b : page.blocks) {
        if (!b.isTable) {
            lines << paragraphLine(b.paragraph);
            continue;
        }
        for (const QList<HelpPage::Cell>& row : b.table.rows) {
            QString line = QStringLiteral("|");
            for (const HelpPage::Cell& cell : row) {
                QStringList texts;
                for (const HelpPage::Paragraph& p : cell.paragraphs)
                    texts << (p.kind == HelpPage::Kind::Text ? runsText(p.runs) : paragraphLine(p));
                line += u' ' + (cell.header ? QStringLiteral("!") : QString()) + texts.join(QStringLiteral(" / "))
                    + QStringLiteral(" |");
            }
            lines << line;
        }
    }
    return lines;
}

QString repeated(const char* piece, int times)
{
    return QString::fromLatin1(piece).repeated(times);
}

} // namespace

void TestHelpPage::structure_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QStringList>("outline");

    QTest::newRow("headings and paragraphs, blanks as one")
        << QStringLiteral("<html><body><h1>Board</h1>\n<p>One\n  grid,\tone   board.</p><p></p><h2> Toolbar </h2>Loose text")
        << QStringList{"h1: Board", "p: One grid, one board.", "h2: Toolbar", "p: Loose text"};
    QTest::newRow("character references")
        << QStringLiteral("<p>a &amp; b &lt;c&gt; &middot; &#233;&#xE9;&#x1F600; &hellip;&nbsp;x &bogus; &amp &#; &#0;</p>")
        << QStringList{QString::fromUtf8("p: a & b <c> \u00b7 \u00e9\u00e9\U0001F600 \u2026\u00a0x &bogus; &amp &#; \uFFFD")};
    QTest::newRow("inline styles, nested and left open")
        << QStringLiteral("<p>a <b>bold <i>both</i></b> <code>ls</code> <strong>open<p>next</p>")
        << QStringList{"p: a *bold **_both_* `ls` *open*", "p: next"};
    QTest::newRow("links: places and web addresses only")
        << QStringLiteral("<p><a href=\"#busy\">Busy</a> <a href='https://example.org/x'>web</a> "
                          "<a href=\"gsystem/parm.scd\">file</a> <a href=\"file:///etc/passwd\">abs</a> "
                          "<a href=\"javascript:x()\">js</a> <a href=\"#\">empty</a></p>")
        << QStringList{"p: [Busy](#busy) [web](https://example.org/x) file abs js empty"};
    QTest::newRow("places: ids and link names")
        << QStringLiteral("<h2 id=\"toolbar\">Toolbar</h2><a name=\"x\"></a><p>After <span id=s>span</span></p>")
        << QStringList{"h2: {#toolbar}Toolbar", "p: {#x}After {#s}span"};
    QTest::newRow("lists: items left open, numbers, nesting")
        << QStringLiteral("<ul><li>one<li>two<ol><li>first<li>second</ol>after</ul><p>end")
        << QStringList{QString::fromUtf8("li>1 \u2022: one"), QString::fromUtf8("li>1 \u2022: two"),
                       "li>2 1.: first", "li>2 2.: second", "p>1: after", "p: end"};
    QTest::newRow("preformatted text keeps its blanks and lines")
        << QStringLiteral("<pre>\nls  -l\n\tx</pre><p>a<br>b<br/>  c</p>")
        << QStringList{QString::fromUtf8("pre: `ls  -l/\tx`"), "p: a/b/c"};
    QTest::newRow("rules and quotes")
        << QStringLiteral("<p>a</p><hr><blockquote>quoted</blockquote><dl><dt>Term<dd>Meaning</dl>")
        << QStringList{"p: a", "hr", "p>1: quoted", "p: *Term*", "p>1: Meaning"};
    QTest::newRow("a table: header cells, cells left open, blanks between")
        << QStringLiteral("<table>\n <tr><th>Button</th> <th>What</th></tr>\n"
                          " <tr><td>UPDATE<td>Starts <b>it</b><tr><td>Lamp</table><p>after")
        << QStringList{"| !Button | !What |", "| UPDATE | Starts *it* |", "| Lamp |", "p: after"};
    QTest::newRow("a table in a cell comes as lines of that cell")
        << QStringLiteral("<table><tr><td>a</td><td><table><tr><td>x<td>y<tr><td>z</table>b</td></tr></table>")
        << QStringList{"| a | x\ty / z / b |"};
    QTest::newRow("text of a table outside its cells comes before it")
        << QStringLiteral("<table>stray<tr><td>cell</td></tr></table>")
        << QStringList{"p: stray", "| cell |"};
    QTest::newRow("rows and cells outside a table are paragraphs")
        << QStringLiteral("<td>one</td><tr>two")
        << QStringList{"p: one", "p: two"};
    QTest::newRow("pictures, styles and scripts leave nothing")
        << QStringLiteral("<head><style>body{background:url(/dev/zero)}</style><link rel=stylesheet href=x.css>"
                          "<script>if (a<b) alert('<p>no</p>')</script></head>"
                          "<body background=\"/tmp/p.png\"><p style=\"background-image:url(a.png)\">"
                          "<img src=\"/etc/picture.png\" alt=\"pic\">text<object data=x>inside</object></p>"
                          "<iframe src=\"/dev/zero\"></iframe><svg><image href=\"/tmp/x.png\"/></svg></body>")
        << QStringList{"p: text"};
    QTest::newRow("comments, declarations and stray marks")
        << QStringLiteral("<!DOCTYPE html><!-- <p>hidden</p> --><?xml x?><p>1 < 2 <> 3 </ > <3</p>")
        << QStringList{"p: 1 < 2 <> 3 <3"};
    QTest::newRow("cut short inside a tag or comment")
        << QStringLiteral("<p>kept</p><p title=\"never closed>lost")
        << QStringList{"p: kept"};
    QTest::newRow("a comment that never ends")
        << QStringLiteral("<p>kept<!-- and the rest")
        << QStringList{"p: kept"};
    QTest::newRow("upper-case tags and attributes")
        << QStringLiteral("<H2 ID=Top>Up</H2><P>Text <A HREF=#Top>top</A></P>")
        << QStringList{"h2: {#Top}Up", "p: Text [top](#Top)"};
    QTest::newRow("plain text without tags") << QStringLiteral("Call Ann\r\non 12.\r\n")
                                             << QStringList{"p: Call Ann on 12."};
    QTest::newRow("nothing") << QString() << QStringList();
}

void TestHelpPage::structure()
{
    QFETCH(QString, html);
    QFETCH(QStringList, outline);
    const HelpPage page = HelpPage::parse(html);
    QVERIFY2(!page.tooComplex, qPrintable(page.reason));
    QCOMPARE(::outline(page), outline);
}

void TestHelpPage::title_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("title");
    QTest::newRow("title") << QStringLiteral("<title> RYX &amp; Co\n Help </title><p>x") << QStringLiteral("RYX & Co Help");
    QTest::newRow("markup in a title is text")
        << QStringLiteral("<title><b>Help</b> <img src=x></title>") << QStringLiteral("<b>Help</b> <img src=x>");
    QTest::newRow("only the first") << QStringLiteral("<title>One</title><title>Two</title>") << QStringLiteral("One");
    QTest::newRow("a title that never ends") << QStringLiteral("<title>Help") << QStringLiteral("Help");
    QTest::newRow("cut") << QStringLiteral("<title>") + repeated("x", 5000) + QStringLiteral("</title>")
                         << repeated("x", int(HelpPage::kMaxTitle));
    QTest::newRow("none") << QStringLiteral("<p>Help</p>") << QString();
}

void TestHelpPage::title()
{
    QFETCH(QString, html);
    QFETCH(QString, title);
    const HelpPage page = HelpPage::parse(html);
    QCOMPARE(page.title, title);
    QVERIFY(!page.blocks.isEmpty() || !html.contains(QStringLiteral("<p>")));
}

void TestHelpPage::bounds_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<bool>("tooComplex");
    QTest::addColumn<QString>("reason");   // a part of it
    QTest::addColumn<QString>("shown");    // a part of the plain text, or of the first cell or paragraph

    // The attacks: Qt's own layout crashed on the first, took minutes on
    // the second and twenty seconds on the third.
    QTest::newRow("5,000 nested tables") << repeated("<table><tr><td>", 5000) + QStringLiteral("deep")
                                         << true << QStringLiteral("deep") << QStringLiteral("deep");
    QTest::newRow("2,000 nested tables") << repeated("<table><tr><td>x", 2000) << true << QStringLiteral("deep")
                                         << QStringLiteral("x\nx\nx");
    QTest::newRow("a flat table of 4 MB")
        << QStringLiteral("<table>") + repeated("<tr><td>cell</td><td>more</td></tr>\n", 110000)
        << true << QStringLiteral("cells") << QStringLiteral("cell\tmore\ncell\tmore");
    QTest::newRow("nested lists") << repeated("<ul><li>", 3000) << true << QStringLiteral("deep") << QString();
    QTest::newRow("nested bold") << repeated("<b>", 3000) + QStringLiteral("x") << true << QStringLiteral("deep")
                                 << QStringLiteral("x");
    QTest::newRow("too many elements") << repeated("<br>", HelpPage::kMaxElements + 1) << true
                                       << QStringLiteral("elements") << QString();
    QTest::newRow("too much text") << QStringLiteral("<p>") + repeated("word ", int(HelpPage::kMaxText / 5) + 1)
                                   << true << QStringLiteral("characters") << QStringLiteral("word word");
    QTest::newRow("a wide row makes every row wide")
        << QStringLiteral("<table>") + repeated("<tr><td>r", 200) + repeated("<td>c", 30) << true
        << QStringLiteral("cells") << QStringLiteral("r\nr");
    QTest::newRow("too many cells over several tables")
        << repeated("<table><tr><td>a<td>b</table>", HelpPage::kMaxCells / 2 + 1) << true << QStringLiteral("cells")
        << QStringLiteral("a\tb");
    QTest::newRow("plain text is cut")
        << repeated("<b>", 20) + repeated("x", int(HelpPage::kMaxPlainText) * 2) << true << QStringLiteral("deep")
        << repeated("x", 1000);

    // What lies just within them is laid out.
    QTest::newRow("nesting at the bound") << repeated("<div>", HelpPage::kMaxDepth) + QStringLiteral("deep") << false
                                          << QString() << QStringLiteral("deep");
    QTest::newRow("cells at the bound")
        << QStringLiteral("<table>") + repeated("<tr><td>a<td>b", HelpPage::kMaxCells / 2) << false << QString()
        << QStringLiteral("a");
    QTest::newRow("tables in cells at the bound")
        << repeated("<table><tr><td>x", HelpPage::kMaxDepth / 3) << false << QString() << QStringLiteral("x");
}

void TestHelpPage::bounds()
{
    QFETCH(QString, html);
    QFETCH(bool, tooComplex);
    QFETCH(QString, reason);
    QFETCH(QString, shown);
    const HelpPage page = HelpPage::parse(html);
    QCOMPARE(page.tooComplex, tooComplex);
    QVERIFY2(page.reason.contains(reason), qPrintable(page.reason));
    if (tooComplex) {
        QVERIFY(page.blocks.isEmpty());
        QVERIFY(page.plainText.size() <= HelpPage::kMaxPlainText + 1);
        QVERIFY2(page.plainText.contains(shown), qPrintable(page.plainText.left(200)));
        // Lines are broken, however long the help's paragraphs: one line of
        // megabytes would take the layout seconds.
        for (const QString& line : page.plainText.split(u'\n'))
            QVERIFY2(line.size() <= 4001, qPrintable(QString::number(line.size())));
        return;
    }
    QVERIFY(!page.blocks.isEmpty());
    const HelpPage::Block& first = page.blocks.first();
    const HelpPage::Paragraph& p = first.isTable ? first.table.rows.first().first().paragraphs.first() : first.paragraph;
    QVERIFY2(p.text().contains(shown), qPrintable(p.text()));
    int cells = 0;
    for (const HelpPage::Block& b : page.blocks)
        cells += int(b.table.rows.size()) * b.table.columns;
    QVERIFY(cells <= HelpPage::kMaxCells);
}

void TestHelpPage::installedHelp()
{
    QFile file(QStringLiteral(SB_SOURCE_DIR "/data/Help.chm"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const HelpPage page = HelpPage::parse(TextFile::decode(file.readAll()));
    QVERIFY2(!page.tooComplex, qPrintable(page.reason));
    QCOMPARE(page.title, QStringLiteral("RYX Scheduling - Help"));
    const QStringList lines = outline(page);
    QCOMPARE(lines.first(), QStringLiteral("h1: {#top}RYX Scheduling board"));
    QVERIFY(lines.contains(QStringLiteral("| !Button | !What it does |")));
    // Every place a link of the help leads to is there.
    QStringList places;
    QStringList links;
    const auto collect = [&](const HelpPage::Paragraph& p) {
        for (const HelpPage::Run& r : p.runs) {
            places += r.anchors;
            if (!r.link.isEmpty())
                links << r.link.mid(1);
        }
    };
    for (const HelpPage::Block& b : page.blocks) {
        collect(b.paragraph);
        for (const QList<HelpPage::Cell>& row : b.table.rows)
            for (const HelpPage::Cell& cell : row)
                for (const HelpPage::Paragraph& p : cell.paragraphs)
                    collect(p);
    }
    QVERIFY(links.size() >= 11);
    for (const QString& link : std::as_const(links))
        QVERIFY2(places.contains(link), qPrintable(link));
}

QTEST_GUILESS_MAIN(TestHelpPage)
#include "tst_helppage.moc"
