#include "grid/listrecord.h"
#include "grid/griddata.h"
#include "tests/support/fakeservices.h"
#include "tests/support/gridtext.h"

#include <QTest>

using ListRecord::PasteStatus;

namespace {

// Three data columns, row 1 Orange (2), row 2 Green (5).
const QStringList kThree{"Fix|T1|T2|T3", "f1|a|b|c", "f2|d|e|g"};
const QString kThreeColors = QStringLiteral("0 2 5");
const QStringList kTwo{"Fix|T1|T2", "f1|a|b", "f2|d|e"};

const QString kUnchanged = QStringLiteral("<clipboard unchanged>");
const QString kQuestion = QStringLiteral("-30,35 Use a column's cell data for\rthe list record description?");
const QString kPrompt = QStringLiteral("0,0 Enter column number for data's [description] field.");

} // namespace

class TestListRecord : public QObject
{
    Q_OBJECT

private slots:
    void paste_data();
    void paste();
    void colorWordTable();
    void preLine_data();
    void preLine();
    void createListRecords_data();
    void createListRecords();
};

void TestListRecord::paste_data()
{
    QTest::addColumn<QStringList>("layout");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("record");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("expectedColors");
    QTest::addColumn<QString>("warning");

    const QStringList same = kThree;
    const QString sameColors = kThreeColors;

    // Values and colours as written
    QTest::newRow("colour and two of three columns")
        << kThree << 1 << "[Load][Blue]~A~~B~" << QStringList{"Fix|T1|T2|T3", "f1|A|B|c", "f2|d|e|g"} << "0 4 5"
        << "";
    QTest::newRow("no colour: an empty pair skips, the colour stays")
        << kThree << 1 << "[Load]~~~B~" << QStringList{"Fix|T1|T2|T3", "f1|a|B|c", "f2|d|e|g"} << sameColors
        << "";
    QTest::newRow("one or two blanks empty a cell, [] keeps the colour")
        << kThree << 1 << "[Load][]~ ~~  ~" << QStringList{"Fix|T1|T2|T3", "f1|||c", "f2|d|e|g"} << sameColors
        << "";
    QTest::newRow("three blanks are written as they are")
        << kThree << 2 << "[Load]~   ~~ x ~" << QStringList{"Fix|T1|T2|T3", "f1|a|b|c", "f2|   | x |g"} << sameColors
        << "";
    QTest::newRow("the target row only")
        << kThree << 2 << "[Load][Red]~A~~B~~C~" << QStringList{"Fix|T1|T2|T3", "f1|a|b|c", "f2|A|B|C"} << "0 2 1"
        << "";
    QTest::newRow("colour without fields")
        << kThree << 1 << "[Only colour][Violet]" << same << "0 7 5" << "";

    // Colour words: every entry holding the word applies, the last one wins
    QTest::newRow("lower-case word") << kThree << 1 << "[Load][red]~A~"
        << QStringList{"Fix|T1|T2|T3", "f1|A|b|c", "f2|d|e|g"} << "0 1 5" << "";
    QTest::newRow("capitals match nothing") << kThree << 1 << "[Load][RED]~A~"
        << QStringList{"Fix|T1|T2|T3", "f1|A|b|c", "f2|d|e|g"} << sameColors << "";
    QTest::newRow("Clear") << kThree << 1 << "[Load][Clear]" << same << "0 10 5" << "";
    QTest::newRow("White") << kThree << 1 << "[Load][White]" << same << "0 10 5" << "";
    QTest::newRow("a letter of every entry ends on brown")
        << kThree << 1 << "[Load][e]~A~" << QStringList{"Fix|T1|T2|T3", "f1|A|b|c", "f2|d|e|g"} << "0 11 5"
        << "";
    QTest::newRow("Gr: Green, then Gray") << kThree << 1 << "[Load][Gr]" << same << "0 6 5" << "";
    QTest::newRow("Value:1 also matches the codes 10 and 11")
        << kThree << 1 << "[Load][Value:1]" << same << "0 11 5" << "";
    QTest::newRow("a whole entry") << kThree << 1 << "[Load][Clear   Value:10]" << same << "0 10 5"
        << "";
    QTest::newRow("unknown word") << kThree << 1 << "[Load][Pink]~A~"
        << QStringList{"Fix|T1|T2|T3", "f1|A|b|c", "f2|d|e|g"} << sameColors << "";
    QTest::newRow("colour field after the pairs, fields cut away")
        << kThree << 1 << "[Load]~A~~B~[Red]" << same << "0 1 5" << "";

    // Brackets inside the record
    QTest::newRow("text between pairs is ignored")
        << kThree << 1 << "[Load]~A~x~B~" << QStringList{"Fix|T1|T2|T3", "f1|A|B|c", "f2|d|e|g"} << sameColors
        << "";
    QTest::newRow("a ] in a value cuts the fields before it")
        << kThree << 1 << "[Load]~A]B~~C~" << same << sameColors << "";
    QTest::newRow("a [ in a value is kept")
        << kThree << 1 << "[Load]~A[B~~C~" << QStringList{"Fix|T1|T2|T3", "f1|A[B|C|c", "f2|d|e|g"} << sameColors
        << "";
    QTest::newRow("a [ between pairs moves where the value begins")
        << kThree << 1 << "[Load]~A~x[y~B~" << QStringList{"Fix|T1|T2|T3", "f1|A|y[B|c", "f2|d|e|g"} << sameColors
        << "";
    QTest::newRow("a ] before the pairs leaves them unread")
        << kThree << 1 << "[Load][x]a]~A~" << same << sameColors << "";
    QTest::newRow("a ] inside the description makes the colour a field")
        << kThree << 1 << "[[Lo]ad][Blue]~A~" << QStringList{"Fix|T1|T2|T3", "f1|Blue|b|c", "f2|d|e|g"}
        << sameColors << "";
    QTest::newRow("brackets the wrong way round still describe")
        << kThree << 1 << "]Load[~A~" << QStringList{"Fix|T1|T2|T3", "f1|[A|b|c", "f2|d|e|g"} << sameColors
        << "";
    QTest::newRow("only the first 10000 characters after the description")
        << kThree << 1 << "[L]~A~" + QString(9995, u'x') + "~B~"
        << QStringList{"Fix|T1|T2|T3", "f1|A|b|c", "f2|d|e|g"} << sameColors << "";
    QTest::newRow("10000 characters after the description are all read")
        << kThree << 1 << "[L]~A~" + QString(9994, u'x') + "~B~"
        << QStringList{"Fix|T1|T2|T3", "f1|A|B|c", "f2|d|e|g"} << sameColors << "";

    // Rejected and truncated records
    QTest::newRow("three tildes") << kThree << 1 << "[Load][Red]~A~B~" << same << sameColors
        << "Uneven number of tildes in 'List' record.";
    QTest::newRow("one tilde, no brackets: the tildes are counted first") << kThree << 1 << "Load~A" << same
        << sameColors << "Uneven number of tildes in 'List' record.";
    QTest::newRow("no brackets") << kThree << 1 << "Load~A~" << same << sameColors << "No description field in 'List' record.";
    QTest::newRow("no ]") << kThree << 1 << "[Load~A~" << same << sameColors << "No description field in 'List' record.";
    QTest::newRow("empty record") << kThree << 1 << "" << same << sameColors << "No description field in 'List' record.";
    QTest::newRow("more pairs than columns: colour and fitting columns stay")
        << kTwo << 1 << "[Load][Red]~A~~B~~C~" << QStringList{"Fix|T1|T2", "f1|A|B", "f2|d|e"} << "0 1 0"
        << "'List' record columns greater than grid columns - truncating.";
    QTest::newRow("a grid of the fixed column only") << QStringList{"Fix", "f1"} << 1 << "[Load][Blue]~A~"
        << QStringList{"Fix", "f1"} << "0 4" << "'List' record columns greater than grid columns - truncating.";
    QTest::newRow("an empty extra pair still truncates")
        << kTwo << 1 << "[Load]~A~~B~~~" << QStringList{"Fix|T1|T2", "f1|A|B", "f2|d|e"} << "0 0 0"
        << "'List' record columns greater than grid columns - truncating.";
    QTest::newRow("title row is no target") << kThree << 0 << "[Load][Red]~A~" << same << sameColors
        << "Click on a row first.";
    QTest::newRow("row beyond the grid") << kThree << 3 << "[Load][Red]~A~" << same << sameColors
        << "Click on a row first.";
}

void TestListRecord::paste()
{
    QFETCH(QStringList, layout);
    QFETCH(int, row);
    QFETCH(QString, record);
    QFETCH(QStringList, expected);
    QFETCH(QString, expectedColors);
    QFETCH(QString, warning);

    GridData g = grid(layout);
    if (layout == kThree)
        setColors(g, kThreeColors);
    const GridData before = g;
    const ListRecord::PasteResult result = ListRecord::paste(record, g, row);
    QCOMPARE(rows(g), expected);
    QCOMPARE(colors(g), expectedColors);
    QCOMPARE(ListRecord::warning(result.status), warning);
    QCOMPARE(result.changed, !(g == before));
}

void TestListRecord::colorWordTable()
{
    // Other workstations search the same 24 entries in the same order.
    const QStringList& t = ListRecord::colorWordTable();
    QCOMPARE(t.size(), 24);
    QCOMPARE(t.first(), "Red     Value:1");
    QCOMPARE(t[10], "Clear   Value:10");
    QCOMPARE(t.last(), "brown   Value:11");
    QList<int> codes;
    for (const QString& e : t)
        codes.append(ListRecord::entryCode(e));
    const QList<int> half{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 11};
    QCOMPARE(codes, half + half);
}

void TestListRecord::preLine_data()
{
    QTest::addColumn<QStringList>("layout");
    QTest::addColumn<QString>("expected");

    QTest::newRow("three columns") << QStringList{"Fix|OSC|Trailer|Product", "f|a|b|c"}
                                   << "[description][color]~OSC~~Trailer~~Product~";
    QTest::newRow("fixed column only") << QStringList{"Fix", "f"} << "[description][color]";
    QTest::newRow("empty title") << QStringList{"Fix|A||C", "f|a|b|c"} << "[description][color]~A~~~~C~";
}

void TestListRecord::preLine()
{
    QFETCH(QStringList, layout);
    QFETCH(QString, expected);
    GridData g = grid(layout);
    QCOMPARE(ListRecord::preLine(g), expected);

    // The template pastes the titles back into a row, the colour untouched.
    const ListRecord::PasteResult pasted = ListRecord::paste(expected, g, 1);
    QCOMPARE(pasted.status, PasteStatus::Pasted);
    for (int c = 1; c < g.colCount(); ++c) {
        const QString title = g.cell(c, 0);
        QCOMPARE(g.cell(c, 1), title.isEmpty() ? grid(layout).cell(c, 1) : title);
    }
    QCOMPARE(g.rowColor(1), 0);
}

void TestListRecord::createListRecords_data()
{
    QTest::addColumn<QStringList>("layout");
    QTest::addColumn<QString>("colorCodes");
    QTest::addColumn<QString>("answer");   // Yes, No, Cancel
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("expectedQuestions");

    const QStringList layout{"Fix|Trailer|Product", "f1|T-1|Coil", "f2|T-2|", "f3||Wood"};
    const QString colors = QStringLiteral("0 0 1 0");
    const QString literal = QStringLiteral("[description][]~T-1~~Coil~\r\n"
                                           "[description][Red]~T-2~~~\r\n"
                                           "[description][]~~~Wood~\r\n");
    const QStringList asked{kQuestion};
    const QStringList askedNumber{kQuestion, kPrompt};

    QTest::newRow("No: literal descriptions") << layout << colors << "No" << QStringList() << literal << asked;
    QTest::newRow("Yes 1: the fixed column")
        << layout << colors << "Yes" << QStringList{"1"}
        << "[f1][]~T-1~~Coil~\r\n[f2][Red]~T-2~~~\r\n[f3][]~~~Wood~\r\n" << askedNumber;
    QTest::newRow("Yes 2: the first data column")
        << layout << colors << "Yes" << QStringList{"2"}
        << "[T-1][]~T-1~~Coil~\r\n[T-2][Red]~T-2~~~\r\n[][]~~~Wood~\r\n" << askedNumber;
    QTest::newRow("Yes with blanks around the number")
        << layout << colors << "Yes" << QStringList{" 3 "}
        << "[Coil][]~T-1~~Coil~\r\n[][Red]~T-2~~~\r\n[Wood][]~~~Wood~\r\n" << askedNumber;
    QTest::newRow("Yes beyond the last column: empty descriptions")
        << layout << colors << "Yes" << QStringList{"4"}
        << "[][]~T-1~~Coil~\r\n[][Red]~T-2~~~\r\n[][]~~~Wood~\r\n" << askedNumber;
    QTest::newRow("Yes 0 stops") << layout << colors << "Yes" << QStringList{"0"} << kUnchanged << askedNumber;
    QTest::newRow("Yes, not a number: literal") << layout << colors << "Yes" << QStringList{"two"} << literal
                                                << askedNumber;
    QTest::newRow("Yes, number box cancelled: literal")
        << layout << colors << "Yes" << QStringList() << literal << askedNumber;
    QTest::newRow("Yes, number too large for an int: literal")
        << layout << colors << "Yes" << QStringList{"99999999999"} << literal << askedNumber;
    QTest::newRow("Cancel") << layout << colors << "Cancel" << QStringList() << kUnchanged << asked;
    QTest::newRow("no data rows: empty text, no question")
        << QStringList{"Fix|Trailer"} << "0" << "Cancel" << QStringList() << "" << QStringList();
    QTest::newRow("colour words of every code")
        << QStringList{"F|A", "|", "|", "|", "|", "|", "|", "|", "|", "|", "|", "|", "|"}
        << "0 1 2 3 4 5 6 7 8 9 10 11 0" << "No" << QStringList()
        << "[description][Red]~~\r\n[description][Orange]~~\r\n[description][Yellow]~~\r\n"
           "[description][Blue]~~\r\n[description][Green]~~\r\n[description][Gray]~~\r\n"
           "[description][Violet]~~\r\n[description][Beige]~~\r\n[description][Mask]~~\r\n"
           "[description][White]~~\r\n[description][Brown]~~\r\n[description][]~~\r\n"
        << asked;
}

void TestListRecord::createListRecords()
{
    QFETCH(QStringList, layout);
    QFETCH(QString, colorCodes);
    QFETCH(QString, answer);
    QFETCH(QStringList, inputs);
    QFETCH(QString, expected);
    QFETCH(QStringList, expectedQuestions);

    GridData g = grid(layout);
    setColors(g, colorCodes);
    FakeMessages messages;
    messages.answers = {answer == u"Yes" ? Answer::Yes : answer == u"No" ? Answer::No : Answer::Cancel};
    messages.inputs = inputs;

    const std::optional<QString> text = ListRecord::createListRecords(g, messages);
    QCOMPARE(text.value_or(kUnchanged), expected);
    QCOMPARE(questionTexts(messages), expectedQuestions);
    QVERIFY(messages.shown.isEmpty());

    // Pasted into an empty grid of the same shape, the records rebuild the
    // rows and their colours.
    if (text && !text->isEmpty() && answer == u"No") {
        const QStringList records = text->split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(records.size(), g.rowCount() - 1);
        GridData rebuilt(g.colCount(), g.rowCount());
        for (int r = 1; r < g.rowCount(); ++r) {
            rebuilt.setCell(0, r, g.cell(0, r));
            QCOMPARE(ListRecord::paste(records[r - 1], rebuilt, r).status, PasteStatus::Pasted);
        }
        for (int c = 0; c < g.colCount(); ++c)
            rebuilt.setCell(c, 0, g.cell(c, 0));
        QCOMPARE(rows(rebuilt), rows(g));
        QCOMPARE(colors(rebuilt), colors(g));
    }
}

QTEST_GUILESS_MAIN(TestListRecord)
#include "tst_listrecord.moc"
