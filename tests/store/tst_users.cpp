#include "base/preferences.h"
#include "store/textfile.h"
#include "tests/support/testfolder.h"

#include <QTest>

class TestUsers : public QObject
{
    Q_OBJECT
private slots:
    void level_data();
    void level();
    void levelFromFile_data();
    void levelFromFile();
};

void TestUsers::level_data()
{
    QTest::addColumn<QStringList>("users");
    QTest::addColumn<QString>("logon");
    QTest::addColumn<int>("level");

    const int none = Privilege::None;
    const int update = Privilege::Update;
    const int all = Privilege::All;

    QTest::newRow("own line level 1") << QStringList{"Jim[1]"} << "Jim" << update;
    QTest::newRow("own line level 2") << QStringList{"Ann[0]", "Jim[2]"} << "Jim" << all;
    QTest::newRow("own line level 0") << QStringList{"Jim[0]"} << "Jim" << none;
    QTest::newRow("no line, no All") << QStringList{"Ann[2]", "Bob[1]"} << "Jim" << none;
    QTest::newRow("empty list") << QStringList{} << "Jim" << none;
    QTest::newRow("All, own line 0") << QStringList{"All", "Jim[0]"} << "Jim" << none;
    QTest::newRow("All, no own line") << QStringList{"All", "Jim[0]"} << "Ann" << all;
    QTest::newRow("all lower case") << QStringList{"Bob[1]", "all"} << "Ann" << all;
    QTest::newRow("ALL does not count") << QStringList{"ALL", "Bob[1]"} << "Ann" << none;
    QTest::newRow("All after own line") << QStringList{"Jim[1]", "All"} << "Jim" << update;
    QTest::newRow("All inside a word") << QStringList{"Marshall[1]"} << "Ann" << all;
    QTest::newRow("Marshall himself") << QStringList{"Marshall[1]"} << "Marshall" << update;
    QTest::newRow("Allen counts as All") << QStringList{"Allen[0]"} << "Bob" << all;
    QTest::newRow("substring of a longer name") << QStringList{"Joan[2]"} << "Jo" << all;
    QTest::newRow("first line with a level decides") << QStringList{"Joan[2]", "Jo[1]"} << "Jo" << all;
    QTest::newRow("0 tested before 2") << QStringList{"Kim[0][2]"} << "Kim" << none;
    QTest::newRow("1 tested before 2") << QStringList{"Kim[2][1]"} << "Kim" << update;
    QTest::newRow("line without a level skipped") << QStringList{"Jim", "Jim[1]"} << "Jim" << update;
    QTest::newRow("unknown level skipped") << QStringList{"Jim[3]", "Jim[2]"} << "Jim" << all;
    QTest::newRow("unknown level only, All") << QStringList{"Jim[5]", "All"} << "Jim" << all;
    QTest::newRow("case-sensitive name") << QStringList{"Jim[1]"} << "jim" << none;
    QTest::newRow("case-sensitive name with All") << QStringList{"Jim[0]", "all"} << "jim" << all;
    QTest::newRow("blank lines and notes") << QStringList{"", "  ", "# yard staff", "Jim[1]", ""} << "Jim"
                                           << update;
    QTest::newRow("level far from name") << QStringList{"Jim  (night shift) [2]"} << "Jim" << all;
    QTest::newRow("empty logon matches nothing") << QStringList{"[1]", "Jim[2]"} << "" << none;
    QTest::newRow("empty logon with All") << QStringList{"All", "[0]"} << "" << all;
    QTest::newRow("dot is no wildcard") << QStringList{"axb[2]"} << "a.b" << none;
    QTest::newRow("bracket in the name") << QStringList{"x[1][2]"} << "x[1]" << update;
    QTest::newRow("windows-1252 name") << QStringList{"Jos\u00e9[2]", "Jose[0]"} << "Jos\u00e9" << all;
}

void TestUsers::level()
{
    QFETCH(QStringList, users);
    QFETCH(QString, logon);
    QFETCH(int, level);

    QCOMPARE(privilegeLevel(users, logon), level);
}

void TestUsers::levelFromFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("logon");
    QTest::addColumn<int>("level");

    QTest::newRow("crlf") << QByteArray("Ann[2]\r\nJim[1]\r\n") << "Jim" << int(Privilege::Update);
    QTest::newRow("lf only") << QByteArray("Ann[2]\nJim[0]\n") << "Jim" << int(Privilege::None);
    QTest::newRow("no final break") << QByteArray("All\r\nJim[1]") << "Jim" << int(Privilege::Update);
    QTest::newRow("windows-1252") << QByteArray("Jos\xe9[1]\r\n") << QString::fromUtf8("Jos\u00e9")
                                  << int(Privilege::Update);
    QTest::newRow("empty file") << QByteArray() << "Jim" << int(Privilege::None);
}

void TestUsers::levelFromFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, logon);
    QFETCH(int, level);

    TestFolder tf;
    tf.writeFile(QStringLiteral("users/users.scd"), file);
    const TextFile::ReadResult r = TextFile::read(tf.folder().users(QStringLiteral("users.scd")));
    QVERIFY(r.ok());
    QCOMPARE(privilegeLevel(r.value, logon), level);
}

QTEST_GUILESS_MAIN(TestUsers)
#include "tst_users.moc"
