#include "store/inifile.h"
#include "store/placementfile.h"
#include "store/textfile.h"
#include "store/userplacement.h"
#include "tests/support/testfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <climits>
#include <optional>

using PlacementFile::Numbers;

Q_DECLARE_METATYPE(PlacementFile::Numbers)
Q_DECLARE_METATYPE(std::optional<QVariant>)

namespace {

const QRect kScreen(0, 0, 1024, 768);

} // namespace

class TestPlacementFile : public QObject
{
    Q_OBJECT
private slots:
    void init() { TextFile::setFaultHook({}); }
    void cleanup() { TextFile::setFaultHook({}); }

    void applicationTitle_data();
    void applicationTitle();
    void reading_data();
    void reading();
    void writing_data();
    void writing();
    void writeFailures_data();
    void writeFailures();
    void placeForm_data();
    void placeForm();
    void numbersToWrite_data();
    void numbersToWrite();
    void propertyText_data();
    void propertyText();
    void persistedNames_data();
    void persistedNames();
    void fixedFormRoundTrip();
    void userPlacement_data();
    void userPlacement();
    void csvFolderKeptBesidePlace();
};

void TestPlacementFile::applicationTitle_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << "SchedBoard" << "Schedboard";
    QTest::newRow("up to the first dot") << "sched.board.exe" << "sched";
    QTest::newRow("first kept, rest lowered") << "ABC.EXE" << "Abc";
    QTest::newRow("folders dropped") << "/opt/board/SchedBoard" << "Schedboard";
    QTest::newRow("beyond ASCII") << QStringLiteral("ÄÖÜ.exe") << QStringLiteral("Äöü");
    QTest::newRow("first lower stays lower") << "sCHED" << "sched";
    QTest::newRow("nothing before the dot") << ".board" << "";
}

void TestPlacementFile::applicationTitle()
{
    QFETCH(QString, executable);
    QFETCH(QString, title);
    QCOMPARE(PlacementFile::applicationTitle(executable), title);
    QCOMPARE(PlacementFile::path(QStringLiteral("/data"), executable), QStringLiteral("/data/") + title + ".ini");
}

void TestPlacementFile::reading_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");   // null: not there
    QTest::addColumn<int>("number");

    const QByteArray file = "[Form6]\r\nTop=120\r\nLeft = -30 \r\nCheckBox1.Checked=TRUE\r\n"
                            "[Other]\r\nWidth=7\r\n";
    QTest::newRow("exact") << file << "Form6" << "Top" << "120" << 120;
    QTest::newRow("section ignoring case") << file << "FORM6" << "Top" << "120" << 120;
    QTest::newRow("key ignoring case") << file << "Form6" << "tOP" << "120" << 120;
    QTest::newRow("trimmed, negative") << file << "Form6" << "Left" << "-30" << -30;
    QTest::newRow("key of another section") << file << "Form6" << "Width" << QString() << 0;
    QTest::newRow("no such section") << file << "Form2" << "Top" << QString() << 0;
    QTest::newRow("text is no number") << file << "Form6" << "CheckBox1.Checked" << "TRUE" << 0;
    QTest::newRow("LF only") << QByteArray("[a]\nk=1\n") << "a" << "k" << "1" << 1;
    QTest::newRow("lone CR") << QByteArray("[a]\rk=1") << "a" << "k" << "1" << 1;
    QTest::newRow("malformed lines skipped")
        << QByteArray("junk\r\n[a\r\n=5\r\n[a]\r\nnoequals\r\n k =2\r\n") << "a" << "k" << "2" << 2;
    QTest::newRow("unclosed header is no section")
        << QByteArray("[a]\r\n[b\r\nk=3\r\n") << "a" << "k" << "3" << 3;
    QTest::newRow("before any section") << QByteArray("k=1\r\n[a]\r\n") << "a" << "k" << QString() << 0;
    QTest::newRow("first section wins")
        << QByteArray("[a]\r\nk=1\r\n[A]\r\nk=2\r\n") << "a" << "k" << "1" << 1;
    QTest::newRow("first key wins") << QByteArray("[a]\r\nK=1\r\nk=2\r\n") << "a" << "k" << "1" << 1;
    QTest::newRow("trailing garbage") << QByteArray("[a]\r\nk=12abc\r\n") << "a" << "k" << "12abc" << 0;
    QTest::newRow("over int") << QByteArray("[a]\r\nk=99999999999\r\n") << "a" << "k" << "99999999999" << 0;
    QTest::newRow("empty value") << QByteArray("[a]\r\nk=\r\n") << "a" << "k" << "" << 0;
    QTest::newRow("value holds '='") << QByteArray("[a]\r\nk=x=y\r\n") << "a" << "k" << "x=y" << 0;
    QTest::newRow("Windows-1252") << QByteArray("[a]\r\nk=caf\xe9\r\n") << "a" << "k" << QStringLiteral("café") << 0;
}

void TestPlacementFile::reading()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(int, number);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Schedboard.ini"));
    QVERIFY(writeRaw(path, content));
    const FileResult<IniFile> read = IniFile::read(path);
    QCOMPARE(read.status, FileStatus::Ok);
    const IniFile& ini = read.value;
    QCOMPARE(ini.contains(section, key), !value.isNull());
    QCOMPARE(ini.value(section, key, QStringLiteral("<none>")), value.isNull() ? QStringLiteral("<none>") : value);
    QCOMPARE(ini.intValue(section, key, 0), number);
}

void TestPlacementFile::writing_data()
{
    QTest::addColumn<QByteArray>("content");   // null: no file
    QTest::addColumn<QStringList>("sets");     // section, key, value; ...
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("new file") << QByteArray() << QStringList{"Form6", "Top", "5", "Form6", "Left", "7"}
                              << QByteArray("[Form6]\r\nTop=5\r\nLeft=7\r\n");
    QTest::newRow("other sections byte for byte")
        << QByteArray("; kept\r\n[Other]\r\n  odd = \x81\x9d spaced  \r\n\r\n[Form6]\r\nTop=1\r\n[Z]\r\nTop=1\r\n")
        << QStringList{"Form6", "Top", "9"}
        << QByteArray("; kept\r\n[Other]\r\n  odd = \x81\x9d spaced  \r\n\r\n[Form6]\r\nTop=9\r\n[Z]\r\nTop=1\r\n");
    QTest::newRow("names matched ignoring case keep their spelling")
        << QByteArray("[form6]\r\nTOP=1\r\n") << QStringList{"Form6", "Top", "2"}
        << QByteArray("[form6]\r\nTOP=2\r\n");
    QTest::newRow("same value leaves the line alone")
        << QByteArray("[Form6]\r\n Top = 5 \r\n") << QStringList{"Form6", "Top", "5"}
        << QByteArray("[Form6]\r\n Top = 5 \r\n");
    QTest::newRow("new key after the section's last entry")
        << QByteArray("[Form6]\r\nTop=1\r\n\r\n[B]\r\n") << QStringList{"form6", "Left", "3"}
        << QByteArray("[Form6]\r\nTop=1\r\nLeft=3\r\n\r\n[B]\r\n");
    QTest::newRow("new key in an empty section")
        << QByteArray("[Form6]\r\n[B]\r\n") << QStringList{"Form6", "Left", "3"}
        << QByteArray("[Form6]\r\nLeft=3\r\n[B]\r\n");
    QTest::newRow("new section at the end, LF lines become CR LF")
        << QByteArray("[A]\nk=1") << QStringList{"Form6", "Top", "4"}
        << QByteArray("[A]\r\nk=1\r\n[Form6]\r\nTop=4\r\n");
    QTest::newRow("malformed lines kept")
        << QByteArray("junk\r\n[Form6\r\n[Form6]\r\nnoequals\r\n") << QStringList{"Form6", "Top", "4"}
        << QByteArray("junk\r\n[Form6\r\n[Form6]\r\nTop=4\r\nnoequals\r\n");
    QTest::newRow("line breaks in a value cannot add entries")
        << QByteArray() << QStringList{"Form6", "Edit1.Text", "a\r\nTop=0"}
        << QByteArray("[Form6]\r\nEdit1.Text=a  Top=0\r\n");
    QTest::newRow("a character 1252 lacks")
        << QByteArray() << QStringList{"F", "Edit1.Text", QStringLiteral("€→")}
        << QByteArray("[F]\r\nEdit1.Text=\x80?\r\n");
}

void TestPlacementFile::writing()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, sets);
    QFETCH(QByteArray, expected);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Schedboard.ini"));
    if (!content.isNull())
        QVERIFY(writeRaw(path, content));
    IniFile ini = IniFile::read(path).value;
    for (qsizetype i = 0; i + 2 < sets.size(); i += 3)
        ini.setValue(sets[i], sets[i + 1], sets[i + 2]);
    QVERIFY(ini.write().ok());
    QCOMPARE(readAll(path), expected);
    // What was written reads back.
    const IniFile again = IniFile::read(path).value;
    for (qsizetype i = 0; i + 2 < sets.size(); i += 3) {
        QString v = sets[i + 2];
        if (!v.contains(u'\n'))
            QCOMPARE(again.value(sets[i], sets[i + 1]), TextFile::decode(TextFile::encode(v)));
    }
}

void TestPlacementFile::writeFailures_data()
{
    QTest::addColumn<int>("fault");          // a failing write step, -1 none
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("change");
    QTest::addColumn<bool>("ok");

    const QByteArray file = "[Other]\r\nx=1\r\n[Form6]\r\nTop=1\r\n";
    QTest::newRow("disk full on write") << int(TextFile::Step::Write) << file << true << false;
    QTest::newRow("sync fails") << int(TextFile::Step::Sync) << file << true << false;
    QTest::newRow("rename fails") << int(TextFile::Step::Rename) << file << true << false;
    QTest::newRow("no file, create fails") << int(TextFile::Step::Create) << QByteArray() << true << false;
    // Replacing it would lose its other sections.
    QTest::newRow("too large to read") << -1 << (file + QByteArray(TextFile::kSmallFileCap, ';')) << true << false;
    QTest::newRow("unchanged is not rewritten") << int(TextFile::Step::Create) << file << false << true;
}

void TestPlacementFile::writeFailures()
{
    QFETCH(int, fault);
    QFETCH(QByteArray, content);
    QFETCH(bool, change);
    QFETCH(bool, ok);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Schedboard.ini"));
    if (!content.isNull())
        QVERIFY(writeRaw(path, content));
    IniFile ini = IniFile::read(path).value;
    if (change)
        ini.setInt(QStringLiteral("Form6"), QStringLiteral("Top"), 2);
    else
        ini.setInt(QStringLiteral("Form6"), QStringLiteral("Top"), 1);
    if (fault >= 0)
        TextFile::setFaultHook([fault](TextFile::Step s, const QString&) { return int(s) == fault ? ENOSPC : 0; });
    const TextFile::WriteResult r = ini.write();
    TextFile::setFaultHook({});
    QCOMPARE(r.ok(), ok);
    QCOMPARE(r.path, path);
    if (!ok)
        QVERIFY(!r.reason.isEmpty());
    QCOMPARE(readAll(path), content.isNull() ? QByteArray("<missing>") : content);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), content.isNull() ? QStringList() : QStringList{"Schedboard.ini"});
}

void TestPlacementFile::placeForm_data()
{
    QTest::addColumn<Numbers>("stored");
    QTest::addColumn<QRect>("current");
    QTest::addColumn<bool>("resizable");
    QTest::addColumn<QRect>("placed");
    QTest::addColumn<bool>("move");

    const QRect design(200, 150, 300, 250);
    QTest::newRow("nothing stored") << Numbers{} << design << true << design << false;
    QTest::newRow("all four") << Numbers{40, 60, 400, 350} << design << true << QRect(60, 40, 400, 350) << true;
    QTest::newRow("0 never applied") << Numbers{0, 60, 0, 350} << design << true << QRect(60, 150, 300, 350) << true;
    QTest::newRow("size alone") << Numbers{0, 0, 400, 0} << design << true << QRect(200, 150, 400, 250) << false;
    QTest::newRow("fixed size ignores width and height")
        << Numbers{40, 60, 900, 700} << design << false << QRect(60, 40, 300, 250) << true;
    QTest::newRow("fixed size, size alone") << Numbers{0, 0, 900, 700} << design << false << design << false;
    QTest::newRow("negative extent ignored")
        << Numbers{40, 60, -5, -5} << design << true << QRect(60, 40, 300, 250) << true;
    QTest::newRow("off to the left: into the screen")
        << Numbers{40, -5000, 0, 0} << design << true << QRect(0, 40, 300, 250) << true;
    QTest::newRow("title bar below the screen")
        << Numbers{760, 60, 0, 0} << design << true << QRect(60, 518, 300, 250) << true;
    // The file is shared: a place another workstation's screens allowed
    // comes wholly onto this one.
    QTest::newRow("partly off but grabbable stays")
        << Numbers{40, 900, 0, 0} << design << true << QRect(724, 40, 300, 250) << true;
    QTest::newRow("larger than the screen")
        << Numbers{10, 10, 5000, 5000} << design << true << QRect(0, 0, 1024, 768) << true;
    QTest::newRow("fixed size off the right edge")
        << Numbers{5, 900, 0, 0} << QRect(0, 0, 701, 400) << false << QRect(323, 5, 701, 400) << true;
    QTest::newRow("off the bottom") << Numbers{700, 60, 0, 0} << design << true << QRect(60, 518, 300, 250) << true;
    QTest::newRow("negative place") << Numbers{-30, -40, 0, 0} << design << true << QRect(0, 0, 300, 250) << true;
    QTest::newRow("stored size off the right and bottom")
        << Numbers{600, 900, 400, 300} << design << true << QRect(624, 468, 400, 300) << true;
    // A fixed size cannot shrink: its top left corner comes onto the screen.
    QTest::newRow("fixed size larger than the screen")
        << Numbers{20, 20, 0, 0} << QRect(0, 0, 1200, 900) << false << QRect(0, 0, 1200, 900) << true;
    QTest::newRow("below the minimum") << Numbers{10, 10, 20, 20} << design << true << QRect(10, 10, 100, 80) << true;
    QTest::newRow("extremes") << Numbers{INT_MIN, INT_MAX, INT_MAX, INT_MAX} << design << true
                              << QRect(0, 0, 1024, 768) << true;
}

void TestPlacementFile::placeForm()
{
    QFETCH(Numbers, stored);
    QFETCH(QRect, current);
    QFETCH(bool, resizable);
    QFETCH(QRect, placed);
    QFETCH(bool, move);
    const PlacementFile::FormPlacement p = PlacementFile::placeForm(stored, current, resizable, {kScreen}, QSize(100, 80));
    QCOMPARE(p.rect, placed);
    QCOMPARE(p.move, move);
}

void TestPlacementFile::numbersToWrite_data()
{
    QTest::addColumn<Numbers>("stored");
    QTest::addColumn<QRect>("placed");
    QTest::addColumn<QRect>("now");
    QTest::addColumn<bool>("resizable");
    QTest::addColumn<Numbers>("written");

    const QRect placed(0, 40, 300, 250);
    QTest::newRow("nothing stored: the form's own") << Numbers{} << placed << placed << true << Numbers{40, 0, 300, 250};
    QTest::newRow("left where placed: as stored")
        << Numbers{40, -5000, 310, 260} << placed << placed << true << Numbers{40, -5000, 310, 260};
    QTest::newRow("moved by the user") << Numbers{40, -5000, 310, 260} << placed << QRect(70, 90, 300, 250) << true
                                       << Numbers{90, 70, 310, 260};
    QTest::newRow("resized by the user") << Numbers{40, -5000, 310, 260} << placed << QRect(0, 40, 500, 250) << true
                                         << Numbers{40, -5000, 500, 260};
    // Even where the program changed the form's fixed size meanwhile.
    QTest::newRow("fixed size: stored size back unchanged")
        << Numbers{40, 60, 900, 700} << placed << QRect(70, 90, 320, 260) << false << Numbers{90, 70, 900, 700};
    QTest::newRow("fixed size, none stored: its own")
        << Numbers{40, 60, 0, 0} << placed << placed << false << Numbers{40, 60, 300, 250};
}

void TestPlacementFile::numbersToWrite()
{
    QFETCH(Numbers, stored);
    QFETCH(QRect, placed);
    QFETCH(QRect, now);
    QFETCH(bool, resizable);
    QFETCH(Numbers, written);
    const Numbers n = PlacementFile::numbersToWrite(stored, placed, now, resizable);
    QCOMPARE(n.top, written.top);
    QCOMPARE(n.left, written.left);
    QCOMPARE(n.width, written.width);
    QCOMPARE(n.height, written.height);
}

void TestPlacementFile::propertyText_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");             // what the value stores
    QTest::addColumn<QString>("read");             // a text read back
    QTest::addColumn<std::optional<QVariant>>("restored");

    QTest::newRow("true") << QVariant(false) << "FALSE" << "TRUE" << std::optional<QVariant>(true);
    QTest::newRow("false") << QVariant(true) << "TRUE" << "FALSE" << std::optional<QVariant>(false);
    QTest::newRow("lower-case true changes nothing") << QVariant(false) << "FALSE" << "true" << std::optional<QVariant>();
    QTest::newRow("1 is no boolean") << QVariant(false) << "FALSE" << "1" << std::optional<QVariant>();
    QTest::newRow("integer") << QVariant(-3) << "-3" << "42" << std::optional<QVariant>(42);
    QTest::newRow("integer garbage") << QVariant(7) << "7" << "4x" << std::optional<QVariant>();
    QTest::newRow("integer over range") << QVariant(7) << "7" << "4294967296" << std::optional<QVariant>();
    QTest::newRow("text") << QVariant(QStringLiteral("a b")) << "a b" << "c:\\x" << std::optional<QVariant>(QStringLiteral("c:\\x"));
    QTest::newRow("floating point not stored") << QVariant(1.5) << "" << "2.5" << std::optional<QVariant>();
    QTest::newRow("no value not stored") << QVariant() << "" << "TRUE" << std::optional<QVariant>();
}

void TestPlacementFile::propertyText()
{
    QFETCH(QVariant, value);
    QFETCH(QString, text);
    QFETCH(QString, read);
    QFETCH(std::optional<QVariant>, restored);
    QCOMPARE(PlacementFile::propertyToText(value), text);
    const std::optional<QVariant> got = PlacementFile::textToProperty(value, read);
    QCOMPARE(got.has_value(), restored.has_value());
    if (got) {
        QCOMPARE(got->typeId(), value.typeId());
        QCOMPARE(*got, *restored);
    }
}

void TestPlacementFile::persistedNames_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("property");
    QTest::addColumn<bool>("kept");

    const QStringList standard = PlacementFile::persistedPropertyNames();
    QTest::newRow("Checked") << standard << "QCheckBox" << "Checked" << true;
    QTest::newRow("ignoring case") << standard << "QCheckBox" << "checked" << true;
    QTest::newRow("Text") << standard << "QLineEdit" << "Text" << true;
    QTest::newRow("a caption is not kept") << standard << "QCheckBox" << "Caption" << false;
    QTest::newRow("Enabled is not kept") << standard << "QCheckBox" << "Enabled" << false;
    const QStringList qualified{"QSpinBox.Value"};
    QTest::newRow("class and name") << qualified << "qspinbox" << "VALUE" << true;
    QTest::newRow("other class") << qualified << "QSlider" << "Value" << false;
}

void TestPlacementFile::persistedNames()
{
    QFETCH(QStringList, names);
    QFETCH(QString, className);
    QFETCH(QString, property);
    QFETCH(bool, kept);
    QCOMPARE(PlacementFile::isPersistedProperty(names, className, property), kept);
}

void TestPlacementFile::fixedFormRoundTrip()
{
    // A fixed-size dialog never takes a hand-edited size, and leaves it in
    // the file for the workstations that wrote it.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Schedboard.ini"));
    QVERIFY(writeRaw(path, "[FORM6]\r\nTop=0\r\nLeft=garbage\r\nWidth=9000\r\nHeight=30\r\n"));
    const Numbers stored = PlacementFile::readNumbers(IniFile::read(path).value, QStringLiteral("Form6"));
    QCOMPARE(stored, (Numbers{0, 0, 9000, 30}));
    const QRect design(100, 100, 320, 240);
    const PlacementFile::FormPlacement p = PlacementFile::placeForm(stored, design, false, {kScreen}, QSize());
    QCOMPARE(p.rect, design);
    QVERIFY(!p.move);

    IniFile ini = IniFile::read(path).value;
    PlacementFile::writeNumbers(ini, QStringLiteral("Form6"),
                                PlacementFile::numbersToWrite(stored, p.rect, QRect(120, 80, 320, 240), false));
    QVERIFY(ini.write().ok());
    QCOMPARE(readAll(path), QByteArray("[FORM6]\r\nTop=80\r\nLeft=120\r\nWidth=9000\r\nHeight=30\r\n"));
}

void TestPlacementFile::userPlacement_data()
{
    // The board's section as saved, with one key's line then replaced.
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QRect>("loaded");   // null: none
    QTest::addColumn<FileStatus>("status");
    const QRect saved(-40, 30, 800, 500);
    const FileStatus ok = FileStatus::Ok;
    const FileStatus malformed = FileStatus::Malformed;
    QTest::newRow("as saved") << "" << "" << saved << ok;
    QTest::newRow("hand-edited number") << "Left" << "15" << QRect(15, 30, 800, 500) << ok;
    QTest::newRow("not a number") << "Top" << "7x" << QRect() << malformed;
    QTest::newRow("empty") << "Width" << "" << QRect() << malformed;
    QTest::newRow("zero size") << "Height" << "0" << QRect() << malformed;
    QTest::newRow("beyond any desktop") << "Left" << "2147483647" << QRect() << malformed;
    QTest::newRow("beyond int") << "Top" << "99999999999" << QRect() << malformed;
}

void TestPlacementFile::userPlacement()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QRect, loaded);
    QTemporaryDir home;
    QTemporaryDir board;
    QTemporaryDir otherBoard;
    // The settings' folder is made when missing.
    const QString file = QDir(home.path()).filePath(QStringLiteral("config/SchedBoard/window.ini"));
    QCOMPARE(UserPlacement::load(file, board.path()).status, FileStatus::Missing);
    QVERIFY(UserPlacement::save(file, otherBoard.path(), QRect(1, 2, 300, 400)).ok());
    QCOMPARE(UserPlacement::load(file, board.path()).status, FileStatus::Missing);   // no section of its own
    QVERIFY(UserPlacement::save(file, board.path(), QRect(-40, 30, 800, 500)).ok());
    if (!key.isEmpty()) {
        IniFile ini = IniFile::read(file).value;
        QString section;
        for (const QByteArray& line : ini.bytes().split('\n'))
            if (line.startsWith("[Board ") && ini.value(QString::fromLatin1(line.trimmed().mid(1).chopped(1)),
                                                          QStringLiteral("Width")) == QLatin1String("800"))
                section = QString::fromLatin1(line.trimmed().mid(1).chopped(1));
        QVERIFY(!section.isEmpty());
        ini.setValue(section, key, value);
        QVERIFY(ini.write().ok());
    }
    const FileResult<QRect> own = UserPlacement::load(file, board.path());
    QTEST(own.status, "status");
    if (own.ok())
        QCOMPARE(own.value, loaded);
    else
        QVERIFY2(own.message.startsWith(QStringLiteral("window.ini: ")), qPrintable(own.message));
    // Each board's place is its own.
    QCOMPARE(UserPlacement::load(file, otherBoard.path()).value, QRect(1, 2, 300, 400));
    // No settings file, or nothing to keep: nothing kept, and said so.
    QVERIFY(!UserPlacement::load(QString(), board.path()).ok());
    QVERIFY(!UserPlacement::save(QString(), board.path(), QRect(0, 0, 10, 10)).ok());
    QVERIFY(!UserPlacement::save(file, board.path(), QRect()).ok());
}

void TestPlacementFile::csvFolderKeptBesidePlace()
{
    QTemporaryDir home;
    QTemporaryDir board;
    QTemporaryDir otherBoard;
    const QString file = QDir(home.path()).filePath(QStringLiteral("config/SchedBoard/window.ini"));
    const QString kept = QDir(home.path()).filePath(QStringLiteral("sheets"));
    QVERIFY(QDir().mkpath(kept));
    QCOMPARE(UserPlacement::csvFolder(file, board.path()), QString());
    QVERIFY(UserPlacement::save(file, board.path(), QRect(5, 6, 700, 500)).ok());
    QVERIFY(UserPlacement::saveCsvFolder(file, board.path(), kept).ok());
    QCOMPARE(UserPlacement::csvFolder(file, board.path()), kept);
    QCOMPARE(UserPlacement::load(file, board.path()).value, QRect(5, 6, 700, 500));
    QCOMPARE(UserPlacement::csvFolder(file, otherBoard.path()), QString());
    // A folder since removed is no place to start from.
    QVERIFY(QDir(kept).removeRecursively());
    QCOMPARE(UserPlacement::csvFolder(file, board.path()), QString());
    QVERIFY(!UserPlacement::saveCsvFolder(QString(), board.path(), kept).ok());
}

QTEST_GUILESS_MAIN(TestPlacementFile)
#include "tst_placementfile.moc"
