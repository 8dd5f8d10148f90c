#include "grid/grideditor.h"
#include "grid/colorcodes.h"
#include "grid/griddata.h"
#include "grid/griddocument.h"
#include "base/preferences.h"
#include "tests/support/fakeservices.h"
#include "tests/support/gridtext.h"

#include <QTest>

using Command = GridEditor::Command;

namespace {

// A data grid of `dataRows` rows and `cols` columns, every cell filled.
GridData filled(int cols, int dataRows)
{
    GridData g(cols, dataRows + 1);
    for (int c = 0; c < cols; ++c) {
        g.setCell(c, 0, QStringLiteral("Title%1").arg(c));
        for (int r = 1; r <= dataRows; ++r)
            g.setCell(c, r, QStringLiteral("r%1c%2").arg(r).arg(c));
    }
    return g;
}

// The command whose menu caption, without its shortcut hint, is `name`.
std::optional<GridEditor::Command> command(const QString& name)
{
    for (int i = 0; i <= int(GridEditor::Command::AlternateColors); ++i) {
        const auto c = GridEditor::Command(i);
        if (GridEditor::caption(c).section(QStringLiteral("  "), 0, 0) == name)
            return c;
    }
    return std::nullopt;
}

int colorCode(const QString& caption)
{
    for (int code = 1; code <= ColorCodes::Brown; ++code)
        if (ColorCodes::menuCaption(code) == caption)
            return code;
    return 0;
}

QString focus(const GridEditor& e)
{
    const auto f = e.focused();
    return f ? QStringLiteral("%1,%2").arg(f->x()).arg(f->y()) : QStringLiteral("none");
}

Preferences prefsFrom(const QString& flags)
{
    Preferences p;
    p.askBeforeDeleting = flags.contains(QLatin1String("ask"));
    p.clearColorWhenClearCell = flags.contains(QLatin1String("clearcolor"));
    p.autoMenu = flags.contains(QLatin1String("auto"));
    return p;
}

// Runs one script step: "sel C R", "clear", a command caption ("Delete Row")
// or a colour item ("Color Red").
GridEditor::Outcome step(GridEditor& e, const QString& s)
{
    if (s.startsWith(QLatin1String("sel "))) {
        const QStringList p = s.split(u' ');
        e.selectCell(p[1].toInt(), p[2].toInt());
        return {};
    }
    if (s == u"clear") {
        e.clearSelection();
        return {};
    }
    if (const int code = colorCode(s))
        return e.colorCommand(code);
    const auto c = command(s);
    if (!c)
        qFatal("unknown script step %s", qPrintable(s));
    return e.run(*c);
}

const QString kRow = QStringLiteral("I 0,33 Click on a row first.");
const QString kColumn = QStringLiteral("I 0,33 Click on a column first.");
const QString kCell = QStringLiteral("I 0,33 Click on a cell first.");
const QString kLimit = QStringLiteral("W 0,33 Maximum rows = 254. Row not appended. ");

const QStringList kAbc{"T|A|B|C", "1|a|b|c", "2|x|y|z"};
const QStringList kFive{"T|A|B", "1|a1|b1", "2|a2|b2", "3|a3|b3", "4|a4|b4", "5|a5|b5"};

} // namespace

class TestGridEditor : public QObject
{
    Q_OBJECT

private slots:
    void gridMenuChoice_data();
    void gridMenuChoice();
    void commands_data();
    void commands();
    void withoutFocusedCell_data();
    void withoutFocusedCell();
    void rowLimit_data();
    void rowLimit();
    void incrementColumnDigits_data();
    void incrementColumnDigits();
    void rowsAbove255_data();
    void rowsAbove255();
    void deleteBlankLinesKeepsOneRow_data();
    void deleteBlankLinesKeepsOneRow();
    void copyBufferAndPasteItems();
    void appendedRowStartsUncoloured_data();
    void appendedRowStartsUncoloured();
    void cellState();
    void operationsMenuLayout();
    void shortcuts_data();
    void shortcuts();
    void stepLabels_data();
    void stepLabels();
};

void TestGridEditor::commands_data()
{
    QTest::addColumn<QStringList>("layout");
    QTest::addColumn<QString>("colorsBefore");
    QTest::addColumn<QString>("prefs");
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("expectedGrid");
    QTest::addColumn<QString>("expectedColors");
    QTest::addColumn<QStringList>("expectedShown");
    QTest::addColumn<QStringList>("expectedQuestions");
    QTest::addColumn<QString>("expectedFocus");

    const QStringList none;

    // Copy and paste
    QTest::newRow("paste row takes texts and the lack of colour")
        << kAbc << "0 0 1" << "" << "" << QStringList{"sel 1 1", "Copy Row", "sel 2 2", "Paste Row"}
        << QStringList{"T|A|B|C", "1|a|b|c", "2|a|b|c"} << "0 0 0" << none << none << "none";
    QTest::newRow("paste row carries the copied colour")
        << kAbc << "0 4 0" << "" << "" << QStringList{"sel 3 1", "Copy Row", "sel 1 2", "Paste Row"}
        << QStringList{"T|A|B|C", "1|a|b|c", "2|a|b|c"} << "0 4 4" << none << none << "none";
    QTest::newRow("paste row after a column was added empties it")
        << kAbc << "" << "" << ""
        << QStringList{"sel 1 1", "Copy Row", "Add Column", "sel 4 2", "Paste Row"}
        << QStringList{"T|A|B|C|", "1|a|b|c|", "2|a|b|c|"} << "0 0 0" << none << none << "none";
    QTest::newRow("paste row after a column was deleted drops the surplus")
        << kAbc << "" << "" << ""
        << QStringList{"sel 1 1", "Copy Row", "sel 3 2", "Delete Column", "sel 1 2", "Paste Row"}
        << QStringList{"T|A|B", "1|a|b", "2|a|b"} << "0 0 0" << none << none << "none";
    QTest::newRow("paste row after copy cell without ~ empties the row")
        << kAbc << "0 0 5" << "" << "" << QStringList{"sel 2 1", "Copy Cell", "sel 1 2", "Paste Row"}
        << QStringList{"T|A|B|C", "1|a|b|c", "2|||"} << "0 0 0" << none << none << "none";
    QTest::newRow("a ~ in a copied cell splits the row")
        << QStringList{"T|A|B|C", "1|a~q|b|c", "2|x|y|z"} << "" << "" << ""
        << QStringList{"sel 1 1", "Copy Row", "sel 1 2", "Paste Row"}
        << QStringList{"T|A|B|C", "1|a~q|b|c", "2|a|q|b"} << "0 0 0" << none << none << "none";
    QTest::newRow("paste cell")
        << kAbc << "0 0 1" << "" << "" << QStringList{"sel 3 1", "Copy Cell", "sel 1 2", "Paste Cell"}
        << QStringList{"T|A|B|C", "1|a|b|c", "2|c|y|z"} << "0 0 1" << none << none << "none";

    // Adding and inserting
    QTest::newRow("add row appends an empty row")
        << kAbc << "0 1 2" << "" << "" << QStringList{"sel 1 1", "Add Row"}
        << QStringList{"T|A|B|C", "1|a|b|c", "2|x|y|z", "|||"} << "0 1 2 0" << none << none << "none";
    QTest::newRow("add row needs no focused cell")
        << kAbc << "" << "" << "" << QStringList{"Add Row"}
        << QStringList{"T|A|B|C", "1|a|b|c", "2|x|y|z", "|||"} << "0 0 0 0" << none << none << "none";
    QTest::newRow("add column appends an empty column")
        << kAbc << "" << "" << "" << QStringList{"sel 2 2", "Add Column"}
        << QStringList{"T|A|B|C|", "1|a|b|c|", "2|x|y|z|"} << "0 0 0" << none << none << "none";
    QTest::newRow("insert row moves colours with their rows")
        << kFive << "0 0 0 1 4 0" << "" << "" << QStringList{"sel 1 3", "Insert Row"}
        << QStringList{"T|A|B", "1|a1|b1", "2|a2|b2", "||", "3|a3|b3", "4|a4|b4", "5|a5|b5"}
        << "0 0 0 0 1 4 0" << none << none << "none";
    QTest::newRow("insert row on the last row")
        << kAbc << "0 3 7" << "" << "" << QStringList{"sel 1 2", "Insert Row"}
        << QStringList{"T|A|B|C", "1|a|b|c", "|||", "2|x|y|z"} << "0 3 0 7" << none << none << "none";
    QTest::newRow("insert column gets an empty title")
        << kAbc << "" << "" << "" << QStringList{"sel 2 1", "Insert Column"}
        << QStringList{"T|A||B|C", "1|a||b|c", "2|x||y|z"} << "0 0 0" << none << none << "none";
    QTest::newRow("insert cell shifts the target column only")
        << kFive << "0 0 2 0 0 0" << "" << "" << QStringList{"sel 2 2", "Insert Cell"}
        << QStringList{"T|A|B", "1|a1|b1", "2|a2|", "3|a3|b2", "4|a4|b3", "5|a5|b4", "||b5"}
        << "0 0 2 0 0 0 0" << none << none << "none";

    // Clearing
    QTest::newRow("clear row keeps the colour when the preference is off")
        << kAbc << "0 5 0" << "" << "Y" << QStringList{"sel 2 1", "Clear Row"}
        << QStringList{"T|A|B|C", "1|||", "2|x|y|z"} << "0 5 0" << none
        << QStringList{"30,35 Clear row '1'?"} << "none";
    QTest::newRow("clear row gives colour 10 when the preference is on")
        << kAbc << "0 5 0" << "clearcolor" << "Y" << QStringList{"sel 2 1", "Clear Row"}
        << QStringList{"T|A|B|C", "1|||", "2|x|y|z"} << "0 10 0" << none
        << QStringList{"30,35 Clear row '1'?"} << "none";
    QTest::newRow("clear row answered no")
        << kAbc << "0 5 0" << "clearcolor" << "N" << QStringList{"sel 2 1", "Clear Row"}
        << kAbc << "0 5 0" << none << QStringList{"30,35 Clear row '1'?"} << "2,1";
    QTest::newRow("clear column keeps the title and colours the focused row")
        << kAbc << "0 1 1" << "" << "Y" << QStringList{"sel 2 2", "Clear Column"}
        << QStringList{"T|A|B|C", "1|a||c", "2|x||z"} << "0 1 10" << none
        << QStringList{"30,35 Clear column 'B'?"} << "none";
    QTest::newRow("clear column answered no")
        << kAbc << "" << "" << "N" << QStringList{"sel 2 2", "Clear Column"}
        << kAbc << "0 0 0" << none << QStringList{"30,35 Clear column 'B'?"} << "2,2";
    QTest::newRow("clear cell never changes a colour")
        << kAbc << "0 1 0" << "clearcolor" << "" << QStringList{"sel 3 1", "Clear Cell"}
        << QStringList{"T|A|B|C", "1|a|b|", "2|x|y|z"} << "0 1 0" << none << none << "none";

    // Deleting
    QTest::newRow("delete row moves colours up")
        << kFive << "0 0 1 4 0 6" << "" << "" << QStringList{"sel 1 2", "Delete Row"}
        << QStringList{"T|A|B", "1|a1|b1", "3|a3|b3", "4|a4|b4", "5|a5|b5"} << "0 0 4 0 6" << none << none
        << "none";
    QTest::newRow("delete row asks when asked to")
        << kFive << "" << "ask" << "Y" << QStringList{"sel 1 5", "Delete Row"}
        << QStringList{"T|A|B", "1|a1|b1", "2|a2|b2", "3|a3|b3", "4|a4|b4"} << "0 0 0 0 0" << none
        << QStringList{"30,35 Delete row '5'?"} << "none";
    QTest::newRow("delete row answered no")
        << kFive << "0 1 2 3 4 5" << "ask" << "N" << QStringList{"sel 1 5", "Delete Row"}
        << kFive << "0 1 2 3 4 5" << none << QStringList{"30,35 Delete row '5'?"} << "1,5";
    QTest::newRow("delete row of the only data row")
        << QStringList{"T|A", "1|a"} << "" << "ask" << "Y" << QStringList{"sel 1 1", "Delete Row"}
        << QStringList{"T|A", "1|a"} << "0 0" << QStringList{"I 0,33 Can't delete all rows."} << none
        << "1,1";
    QTest::newRow("delete column with two columns")
        << QStringList{"T|A", "1|a"} << "" << "ask" << "Y" << QStringList{"sel 1 1", "Delete Column"}
        << QStringList{"T|A", "1|a"} << "0 0" << QStringList{"I 0,33 Can't delete all column."} << none
        << "1,1";
    QTest::newRow("delete column asks when asked to")
        << kAbc << "0 1 2" << "ask" << "Y" << QStringList{"sel 2 1", "Delete Column"}
        << QStringList{"T|A|C", "1|a|c", "2|x|z"} << "0 1 2" << none
        << QStringList{"30,33 Delete column 'B'?"} << "none";
    QTest::newRow("delete column answered no")
        << kAbc << "" << "ask" << "N" << QStringList{"sel 2 1", "Delete Column"}
        << kAbc << "0 0 0" << none << QStringList{"30,33 Delete column 'B'?"} << "2,1";
    QTest::newRow("delete cell shifts the target column up")
        << kFive << "0 1 0 0 0 2" << "" << "" << QStringList{"sel 2 2", "Delete Cell"}
        << QStringList{"T|A|B", "1|a1|b1", "2|a2|b3", "3|a3|b4", "4|a4|b5", "5|a5|"} << "0 1 0 0 0 2" << none
        << none << "none";
    QTest::newRow("delete cell on the last row")
        << kAbc << "" << "" << "" << QStringList{"sel 1 2", "Delete Cell"}
        << QStringList{"T|A|B|C", "1|a|b|c", "2||y|z"} << "0 0 0" << none << none << "none";
    QTest::newRow("delete blank lines keeps order and colours")
        << QStringList{"T|A|B", "|a|", "||", "|b|", "||", "x||"} << "0 1 4 5 6 7" << "" << ""
        << QStringList{"Delete Blank Lines"}
        << QStringList{"T|A|B", "|a|", "|b|", "x||"} << "0 1 5 7" << none << none << "none";
    QTest::newRow("delete blank lines without blanks")
        << kAbc << "0 1 2" << "" << "" << QStringList{"sel 1 1", "Delete Blank Lines"}
        << kAbc << "0 1 2" << none << none << "none";

    // Increment Column
    QTest::newRow("increment plain")
        << kFive << "" << "" << "YN" << QStringList{"sel 2 3", "Increment Column"}
        << QStringList{"T|A|B", "1|a1|1", "2|a2|2", "3|a3|3", "4|a4|4", "5|a5|5"} << "0 0 0 0 0 0" << none
        << QStringList{"30,33 Replace column data with incrementing numbers?", "30,33 Symmetrical numbers?"}
        << "2,3";
    QTest::newRow("increment answered no")
        << kFive << "" << "" << "N" << QStringList{"sel 2 3", "Increment Column"}
        << kFive << "0 0 0 0 0 0" << none
        << QStringList{"30,33 Replace column data with incrementing numbers?"} << "2,3";
    QTest::newRow("increment uses the target without a focused cell")
        << kFive << "" << "" << "YY" << QStringList{"sel 1 3", "clear", "Increment Column"}
        << QStringList{"T|A|B", "1|1|b1", "2|2|b2", "3|3|b3", "4|4|b4", "5|5|b5"} << "0 0 0 0 0 0" << none
        << QStringList{"30,33 Replace column data with incrementing numbers?", "30,33 Symmetrical numbers?"}
        << "none";
    QTest::newRow("increment before any selection fills the fixed column")
        << QStringList{"T|A", "x|a", "y|b"} << "" << "" << "YN" << QStringList{"Increment Column"}
        << QStringList{"T|A", "1|a", "2|b"} << "0 0 0" << none
        << QStringList{"30,33 Replace column data with incrementing numbers?", "30,33 Symmetrical numbers?"}
        << "none";
    QTest::newRow("increment on a single column grid")
        << QStringList{"T", "a", "b"} << "" << "" << "YY" << QStringList{"Increment Column"}
        << QStringList{"T", "a", "b"} << "0 0 0" << none
        << QStringList{"30,33 Replace column data with incrementing numbers?", "30,33 Symmetrical numbers?"}
        << "none";

    // Colours
    QTest::newRow("a new colour replaces the old one")
        << kAbc << "" << "" << "" << QStringList{"sel 1 1", "Color Red", "sel 2 1", "Color Blue"}
        << kAbc << "0 4 0" << none << none << "none";
    QTest::newRow("orange keeps the focus for a second colour")
        << kAbc << "" << "" << "" << QStringList{"sel 3 2", "Color Orange"}
        << kAbc << "0 0 2" << none << none << "3,2";
    QTest::newRow("orange then mask on the same row")
        << kAbc << "" << "" << "" << QStringList{"sel 3 2", "Color Orange", "Color Mask"}
        << kAbc << "0 0 9" << none << none << "none";
    QTest::newRow("color clear gives 10, not 0")
        << kAbc << "0 9 0" << "" << "" << QStringList{"sel 1 1", "Color Clear"}
        << kAbc << "0 10 0" << none << none << "none";
    QTest::newRow("alternate colours")
        << QStringList{"T|A", "1|a", "2|b", "3|c"} << "0 1 1 1" << "" << "" << QStringList{"Alternate Colors"}
        << QStringList{"T|A", "1|a", "2|b", "3|c"} << "0 4 10 4" << none << none << "none";
    QTest::newRow("alternate then clear grid colours")
        << QStringList{"T|A", "1|a", "2|b", "3|c"} << "" << "" << ""
        << QStringList{"sel 1 2", "Alternate Colors", "Clear Grid Colors"}
        << QStringList{"T|A", "1|a", "2|b", "3|c"} << "0 0 0 0" << none << none << "1,2";
}

void TestGridEditor::commands()
{
    QFETCH(QStringList, layout);
    QFETCH(QString, colorsBefore);
    QFETCH(QString, prefs);
    QFETCH(QString, answers);
    QFETCH(QStringList, script);

    GridDocument doc{grid(layout)};
    GridData& g = doc.draft();
    setColors(g, colorsBefore);
    const Preferences p = prefsFrom(prefs);
    FakeMessages m;
    for (QChar a : answers)
        m.answers.append(a == u'Y' ? Answer::Yes : Answer::No);
    GridEditor e(doc, p, m);
    for (const QString& s : script)
        step(e, s);

    QTEST(rows(g), "expectedGrid");
    QTEST(colors(g), "expectedColors");
    QTEST(shownTexts(m), "expectedShown");
    QTEST(questionTexts(m), "expectedQuestions");
    QTEST(focus(e), "expectedFocus");
}

void TestGridEditor::withoutFocusedCell_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("how");

    const std::pair<const char*, QString> cases[] = {
        {"Copy Row", kRow},         {"Copy Cell", kCell},      {"Paste Row", kRow},
        {"Paste Cell", kCell},      {"Insert Row", kRow},      {"Insert Column", kColumn},
        {"Insert Cell", kCell},     {"Clear Row", kRow},       {"Clear Column", kRow},
        {"Clear Cell", kCell},      {"Delete Row", kRow},      {"Delete Column", kColumn},
        {"Delete Cell", kCell},     {"Color Red", kRow},       {"Color Orange", kRow},
        {"Color Clear", kRow},      {"Color Mask", kRow},
    };
    for (const auto& [step, message] : cases) {
        QTest::addRow("%s never selected", step) << QString::fromLatin1(step) << message << 0;
        QTest::addRow("%s after clearing", step) << QString::fromLatin1(step) << message << 1;
        QTest::addRow("%s on a row that is gone", step) << QString::fromLatin1(step) << message << 2;
    }
}

void TestGridEditor::withoutFocusedCell()
{
    QFETCH(QString, step);
    QFETCH(QString, message);
    QFETCH(int, how);

    GridDocument doc{grid(kFive)};
    GridData& g = doc.draft();
    setColors(g, QStringLiteral("0 1 2 3 4 5"));
    const Preferences p = prefsFrom(QStringLiteral("ask clearcolor"));
    FakeMessages m;
    m.fallback = Answer::Yes;
    GridEditor e(doc, p, m);
    if (how == 1) {
        e.selectCell(1, 1);
        e.clearSelection();
    } else if (how == 2) {
        // The grid shrank (a reload) under a focus on its former last row.
        e.selectCell(1, 5);
        g.setSize(3, 4);
    }
    const GridData before = g;

    const GridEditor::Outcome out = ::step(e, step);

    QCOMPARE(shownTexts(m), QStringList{message});
    QVERIFY(m.questions.isEmpty());
    QVERIFY(out.focusToToolbar);
    QVERIFY(!out.changed);
    QVERIFY(g == before);
    QVERIFY(!e.pasteRowEnabled() && !e.pasteCellEnabled());
}

void TestGridEditor::rowLimit_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("dataRows");
    QTest::addColumn<bool>("appended");

    for (const char* step : {"Add Row", "Insert Row", "Insert Cell"}) {
        QTest::addRow("%s at 253 data rows", step) << QString::fromLatin1(step) << 253 << true;
        QTest::addRow("%s at 254 data rows", step) << QString::fromLatin1(step) << 254 << false;
        QTest::addRow("%s at 300 data rows", step) << QString::fromLatin1(step) << 300 << false;
    }
}

void TestGridEditor::rowLimit()
{
    QFETCH(QString, step);
    QFETCH(int, dataRows);
    QFETCH(bool, appended);

    GridDocument doc{filled(3, dataRows)};
    GridData& g = doc.draft();
    const Preferences p;
    FakeMessages m;
    GridEditor e(doc, p, m);
    e.selectCell(1, 100);
    const GridData before = g;

    ::step(e, step);
    if (appended) {
        QCOMPARE(g.rowCount(), 255);
        QVERIFY(m.shown.isEmpty());
        // The next one is refused.
        e.selectCell(1, 100);
        const GridData full = g;
        ::step(e, step);
        QVERIFY(g == full);
    } else {
        QVERIFY(g == before);
    }
    QCOMPARE(shownTexts(m), QStringList{kLimit});
}

void TestGridEditor::incrementColumnDigits_data()
{
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<bool>("symmetrical");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");

    QTest::newRow("10 rows") << 10 << true << "01" << "09";
    QTest::newRow("9 rows") << 9 << true << "1" << "8";
    QTest::newRow("100 rows") << 100 << true << "001" << "099";
    QTest::newRow("99 rows") << 99 << true << "01" << "98";
    QTest::newRow("255 rows") << 255 << true << "001" << "254";
    QTest::newRow("1000 rows") << 1000 << true << "0001" << "0999";
    QTest::newRow("100 rows plain") << 100 << false << "1" << "99";
}

void TestGridEditor::incrementColumnDigits()
{
    QFETCH(int, rowCount);
    QFETCH(bool, symmetrical);

    GridDocument doc{filled(4, rowCount - 1)};
    GridData& g = doc.draft();
    const Preferences p;
    FakeMessages m;
    m.answers = {Answer::Yes, symmetrical ? Answer::Yes : Answer::No};
    GridEditor e(doc, p, m);
    e.selectCell(3, 7);
    e.run(Command::IncrementColumn);

    QTEST(g.cell(3, 1), "first");
    QTEST(g.cell(3, rowCount - 1), "last");
    QCOMPARE(g.cell(3, 0), QStringLiteral("Title3"));
    QCOMPARE(g.cell(2, 1), QStringLiteral("r1c2"));
    QCOMPARE(g.rowCount(), rowCount);
}

void TestGridEditor::rowsAbove255_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<int>("rowCount");

    QTest::newRow("colour a row above 255") << QStringList{"sel 1 280", "Color Red"} << 300;
    QTest::newRow("orange on a row above 255") << QStringList{"sel 1 256", "Color Orange"} << 300;
    QTest::newRow("alternate colours") << QStringList{"Alternate Colors"} << 300;
    QTest::newRow("clear row with colour") << QStringList{"sel 1 299", "Clear Row"} << 300;
    QTest::newRow("clear column") << QStringList{"sel 1 270", "Clear Column"} << 300;
    QTest::newRow("delete row below 255") << QStringList{"sel 1 10", "Delete Row"} << 299;
    QTest::newRow("delete row above 255") << QStringList{"sel 1 290", "Delete Row"} << 299;
    QTest::newRow("delete row 255") << QStringList{"sel 1 255", "Delete Row"} << 299;
    QTest::newRow("paste a coloured row above 255")
        << QStringList{"sel 1 1", "Copy Row", "sel 1 260", "Paste Row"} << 300;
}

// Rows above 255 never take a colour, and the codes of lower rows stay
// with their rows whatever moves around them.
void TestGridEditor::rowsAbove255()
{
    QFETCH(QStringList, script);

    GridDocument doc{filled(3, 299)};
    GridData& g = doc.draft();
    for (int r = 1; r < GridData::kColorRows; ++r)
        g.setRowColor(r, 1 + r % 11);
    QStringList texts;
    for (int r = 0; r < 256; ++r)
        texts.append(g.cell(1, r));
    Preferences p;
    p.clearColorWhenClearCell = true;
    FakeMessages m;
    m.fallback = Answer::Yes;
    GridEditor e(doc, p, m);
    for (const QString& s : script)
        step(e, s);

    QTEST(g.rowCount(), "rowCount");
    for (int r = 256; r < g.rowCount() + 2; ++r)
        QCOMPARE(g.rowColor(r), 0);
    if (script.last() == u"Delete Row") {
        // Every code stays with its text; a row that came up from above 255
        // brings none.
        for (int r = 1; r < 256; ++r) {
            const int from = texts.indexOf(g.cell(1, r));
            QCOMPARE(g.rowColor(r), from > 0 ? 1 + from % 11 : 0);
        }
    } else if (script.last() == u"Alternate Colors") {
        QCOMPARE(g.rowColor(255), int(ColorCodes::Blue));
        QCOMPARE(g.rowColor(254), int(ColorCodes::Clear));
    } else {
        for (int r = 1; r < 256; ++r)
            QCOMPARE(g.rowColor(r), 1 + r % 11);
    }
}

void TestGridEditor::deleteBlankLinesKeepsOneRow_data()
{
    QTest::addColumn<QStringList>("layout");
    QTest::addColumn<QString>("colorsBefore");
    QTest::addColumn<QStringList>("expectedGrid");
    QTest::addColumn<QString>("expectedColors");

    QTest::newRow("all blank") << QStringList{"T|A|B", "||", "||", "||"} << "0 3 4 5"
                               << QStringList{"T|A|B", "||"} << "0 3";
    QTest::newRow("one blank row") << QStringList{"T|A|B", "||"} << "0 6" << QStringList{"T|A|B", "||"} << "0 6";
    QTest::newRow("title only") << QStringList{"T|A|B"} << "0" << QStringList{"T|A|B"} << "0";
    QTest::newRow("blank titles") << QStringList{"||", "||", "||"} << "0 1 2" << QStringList{"||", "||"} << "0 1";
    QTest::newRow("no blank rows") << QStringList{"T|A|B", "x||", "|y|"} << "0 2 3"
                                   << QStringList{"T|A|B", "x||", "|y|"} << "0 2 3";
}

void TestGridEditor::deleteBlankLinesKeepsOneRow()
{
    QFETCH(QStringList, layout);
    QFETCH(QString, colorsBefore);

    GridDocument doc{grid(layout)};
    GridData& g = doc.draft();
    setColors(g, colorsBefore);
    const Preferences p;
    FakeMessages m;
    GridEditor e(doc, p, m);
    e.selectCell(1, g.rowCount() - 1);
    const GridEditor::Outcome o = e.run(Command::DeleteBlankLines);
    // Whether or not a row went: selection cleared, widths, focus to the bar.
    QVERIFY(!e.focused());
    QVERIFY(o.recomputeWidths && o.focusToToolbar);

    QTEST(rows(g), "expectedGrid");
    QTEST(colors(g), "expectedColors");
    // Vacated indices carry no colour into rows added later.
    e.run(Command::AddRow);
    QCOMPARE(g.rowColor(g.rowCount() - 1), 0);
    QVERIFY(m.shown.isEmpty());
}

void TestGridEditor::copyBufferAndPasteItems()
{
    GridDocument doc{grid(kAbc)};
    GridData& g = doc.draft();
    setColors(g, QStringLiteral("0 7 0"));
    const Preferences p;
    FakeMessages m;
    GridEditor e(doc, p, m);
    QVERIFY(!e.pasteRowEnabled() && !e.pasteCellEnabled());
    QCOMPARE(e.copyBuffer(), QString());

    e.selectCell(2, 1);
    e.run(Command::CopyRow);
    QCOMPARE(e.copyBuffer(), QStringLiteral("a~b~c~"));
    QCOMPARE(e.bufferedColor(), 7);
    QVERIFY(e.pasteRowEnabled() && !e.pasteCellEnabled());
    QVERIFY(!e.focused());

    e.selectCell(3, 2);
    e.run(Command::CopyCell);
    QCOMPARE(e.copyBuffer(), QStringLiteral("z"));
    QCOMPARE(e.bufferedColor(), 7);   // only Copy Row records a colour
    QVERIFY(!e.pasteRowEnabled() && e.pasteCellEnabled());

    // A new session disables both items but the buffer survives it.
    e.disablePasteItems();
    QVERIFY(!e.pasteRowEnabled() && !e.pasteCellEnabled());
    QCOMPARE(e.copyBuffer(), QStringLiteral("z"));

    // Ctrl+P pastes a row even while its item is disabled.
    e.selectCell(1, 2);
    e.run(Command::PasteRow);
    QCOMPARE(rows(g), (QStringList{"T|A|B|C", "1|a|b|c", "2|||"}));
    QCOMPARE(g.rowColor(2), 7);

    // Copying an empty row gives empty values, not a shorter record.
    GridDocument blank{grid({"T|A|B", "||"})};
    GridEditor e2(blank, p, m);
    e2.selectCell(1, 1);
    e2.run(Command::CopyRow);
    QCOMPARE(e2.copyBuffer(), QStringLiteral("~~"));
    QVERIFY(m.shown.isEmpty());
}

void TestGridEditor::appendedRowStartsUncoloured_data()
{
    QTest::addColumn<QString>("step");
    QTest::newRow("add row") << "Add Row";
    QTest::newRow("insert cell") << "Insert Cell";
    QTest::newRow("insert row") << "Insert Row";
}

// A code left beyond the last row (by a larger grid before) never colours
// the row that is added there.
void TestGridEditor::appendedRowStartsUncoloured()
{
    QFETCH(QString, step);
    GridDocument doc{grid(kAbc)};
    GridData& g = doc.draft();
    setColors(g, QStringLiteral("0 0 0 5 6"));
    const Preferences p;
    FakeMessages m;
    GridEditor e(doc, p, m);
    e.selectCell(1, 2);
    ::step(e, step);
    QCOMPARE(g.rowCount(), 4);
    QCOMPARE(g.rowColor(3), 0);
}

void TestGridEditor::cellState()
{
    GridDocument doc{grid(kAbc)};
    const Preferences p;
    FakeMessages m;
    GridEditor e(doc, p, m);
    QCOMPARE(e.target(), QPoint(0, 0));
    QVERIFY(!e.focused());

    e.selectCell(2, 1);
    QCOMPARE(e.target(), QPoint(2, 1));
    QCOMPARE(e.focused(), std::optional<QPoint>(QPoint(2, 1)));

    e.clearSelection();
    QVERIFY(!e.focused());
    QCOMPARE(e.target(), QPoint(2, 1));
}

void TestGridEditor::operationsMenuLayout()
{
    const QList<GridEditor::MenuEntry> menu = GridEditor::operationsMenu();
    QStringList captions;
    QList<int> breaks;
    for (int i = 0; i < menu.size(); ++i) {
        captions.append(menu[i].caption);
        if (menu[i].columnBreak)
            breaks.append(i);
    }
    QCOMPARE(captions, (QStringList{
        "Copy Row  (Ctrl c)", "Copy Cell", "Paste Row  (Ctrl p)", "Paste Cell", "Add Row  (Ctrl a)",
        "Add Column", "Insert Row  (Ctrl i)", "Insert Column", "Insert Cell",
        "Color Clear", "Color Red", "Color Yellow", "Color Orange", "Color Blue", "Color Green", "Color Gray",
        "Color Violet", "Color Beige", "Color Brown", "Color Mask",
        "Clear Row", "Clear Column", "Clear Cell", "Delete Row  (Ctrl d)", "Delete Column", "Delete Cell",
        "Delete Blank Lines", "Increment Column", "Create List Records", "Clear Grid Colors",
        "Alternate Colors"}));
    QCOMPARE(breaks, (QList<int>{9, 20}));

    for (const GridEditor::MenuEntry& entry : menu) {
        switch (entry.kind) {
        case GridEditor::MenuEntry::CommandItem:
            QCOMPARE(GridEditor::caption(entry.command), entry.caption);
            break;
        case GridEditor::MenuEntry::ColorItem:
            QCOMPARE(ColorCodes::menuCaption(entry.colorCode), entry.caption);
            break;
        case GridEditor::MenuEntry::CreateListRecords:
            QCOMPARE(entry.caption, QStringLiteral("Create List Records"));
            break;
        }
    }
}

void TestGridEditor::shortcuts_data()
{
    QTest::addColumn<QChar>("key");
    QTest::addColumn<int>("command");
    QTest::newRow("A") << QChar(u'A') << int(Command::AddRow);
    QTest::newRow("c") << QChar(u'c') << int(Command::CopyRow);
    QTest::newRow("D") << QChar(u'D') << int(Command::DeleteRow);
    QTest::newRow("i") << QChar(u'i') << int(Command::InsertRow);
    QTest::newRow("P") << QChar(u'P') << int(Command::PasteRow);
    QTest::newRow("Z") << QChar(u'Z') << -1;
    QTest::newRow("V") << QChar(u'V') << -1;
}

void TestGridEditor::shortcuts()
{
    QFETCH(QChar, key);
    const auto c = GridEditor::shortcut(key);
    QTEST(c ? int(*c) : -1, "command");
}

void TestGridEditor::stepLabels_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QPoint>("focus");    // (-1, -1): nothing focused
    QTest::addColumn<QString>("label");
    QTest::newRow("column by its title") << "Delete Column" << QPoint(2, 1) << "Delete Column 'Title2'";
    QTest::newRow("untitled column by number") << "Clear Column" << QPoint(3, 2) << "Clear Column 3";
    QTest::newRow("row by its fixed text") << "Delete Row" << QPoint(1, 2) << "Delete Row 'r2c0'";
    QTest::newRow("row with blank fixed text") << "Insert Row" << QPoint(1, 3) << "Insert Row 3";
    QTest::newRow("cell command names the column") << "Paste Cell" << QPoint(1, 1) << "Paste Cell 'Title1'";
    QTest::newRow("grid command alone") << "Alternate Colors" << QPoint(2, 2) << "Alternate Colors";
    QTest::newRow("nothing focused") << "Delete Row" << QPoint(-1, -1) << "Delete Row";
}

void TestGridEditor::stepLabels()
{
    QFETCH(QString, command);
    QFETCH(QPoint, focus);
    GridDocument document{filled(4, 3)};
    GridData& grid = document.draft();
    grid.setCell(3, 0, QStringLiteral("  "));
    grid.setCell(0, 3, QString());
    Preferences prefs;
    FakeMessages messages;
    GridEditor editor(document, prefs, messages);
    if (focus.x() >= 0)
        editor.selectCell(focus.x(), focus.y());
    const auto c = ::command(command);
    QVERIFY(c);
    QTEST(editor.stepLabel(*c), "label");
}

void TestGridEditor::gridMenuChoice_data()
{
    QTest::addColumn<bool>("right");
    QTest::addColumn<bool>("updating");
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<int>("menu");
    QTest::newRow("left press") << false << true << false << false << true << int(GridMenu::None);
    QTest::newRow("outside a session") << true << false << true << true << true << int(GridMenu::Update);
    QTest::newRow("ctrl") << true << true << true << false << false << int(GridMenu::Operations);
    QTest::newRow("ctrl wins over shift") << true << true << true << true << true << int(GridMenu::Operations);
    QTest::newRow("shift") << true << true << false << true << false << int(GridMenu::Setup);
    QTest::newRow("plain, a cell focused") << true << true << false << false << true << int(GridMenu::Column);
    QTest::newRow("plain, nothing focused") << true << true << false << false << false
                                           << int(GridMenu::ClickColumnFirst);
}

void TestGridEditor::gridMenuChoice()
{
    QFETCH(bool, right);
    QFETCH(bool, updating);
    QFETCH(bool, ctrl);
    QFETCH(bool, shift);
    QFETCH(bool, focused);
    QTEST(int(chooseGridMenu(right, updating, ctrl, shift, focused)), "menu");
}

QTEST_GUILESS_MAIN(TestGridEditor)
#include "tst_grideditor.moc"
