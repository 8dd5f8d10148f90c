#include "store/listfile.h"
#include "tests/support/testfolder.h"
#include "tests/support/testplatform.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cerrno>

namespace {
const QString kList = QStringLiteral("gsystem/lists.scd");
}

class TestListFile : public QObject
{
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void unreadableIsNotMissing();
    void sort_data();
    void sort();
    void writeSortsAndReplaces_data();
    void writeSortsAndReplaces();
    void failedWriteIsNeverSaved_data();
    void failedWriteIsNeverSaved();
};

void TestListFile::read_data()
{
    QTest::addColumn<QByteArray>("bytes");   // "<none>": no file; "<dir>": a folder in its place
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("missing");
    QTest::addColumn<QStringList>("records");

    QTest::newRow("missing: an empty list") << QByteArray("<none>") << true << true << QStringList();
    QTest::newRow("a folder is no list file") << QByteArray("<dir>") << true << true << QStringList();
    QTest::newRow("empty file") << QByteArray() << true << false << QStringList();
    QTest::newRow("sorted on reading, case ignored")
        << QByteArray("[b]~x~\r\n[A]\r\n[c]\r\n[a]\r\n") << true << false << QStringList{"[A]", "[a]", "[b]~x~", "[c]"};
    QTest::newRow("LF only, no final break") << QByteArray("[b]\n[a]") << true << false << QStringList{"[a]", "[b]"};
    QTest::newRow("an empty line is a record") << QByteArray("[x]\r\n\r\n[y]\r\n") << true << false
                                               << QStringList{"", "[x]", "[y]"};
    QTest::newRow("Windows-1252") << QByteArray("[Caf\xe9][Red]~\x80 5~\r\n") << true << false
                                  << QStringList{QString::fromUtf8("[Café][Red]~€ 5~")};
    QTest::newRow("exactly the cap") << QByteArray(TextFile::kListFileCap, 'x') << true << false
                                     << QStringList{QString(TextFile::kListFileCap, u'x')};
    QTest::newRow("over the cap: unreadable, not missing")
        << QByteArray(TextFile::kListFileCap + 1, 'x') << false << false << QStringList();
}

void TestListFile::read()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);
    QFETCH(bool, missing);
    QFETCH(QStringList, records);

    TestFolder tf;
    if (bytes == "<dir>")
        QVERIFY(QDir().mkpath(tf.path(kList)));
    else if (bytes != "<none>")
        tf.writeFile(kList, bytes);
    const ListFile::ReadResult r = ListFile::read(tf.folder());
    QCOMPARE(r.okOrMissing(), ok);
    QCOMPARE(r.status == FileStatus::Missing, missing);
    QCOMPARE(r.value, records);
    QCOMPARE(r.message, r.ok() ? QString() : QStringLiteral("Can't read 'lists.scd'."));
    QCOMPARE(r.reason.isEmpty(), r.ok());
}

void TestListFile::unreadableIsNotMissing()
{
    if (const QString why = TestPlatform::whyOwnerReadsAnyway(); !why.isEmpty())
        QSKIP(qPrintable(why));
    TestFolder tf;
    tf.writeFile(kList, "[a]\r\n");
    QVERIFY(QFile::setPermissions(tf.path(kList), QFile::WriteOwner));
    const ListFile::ReadResult r = ListFile::read(tf.folder());
    QFile::setPermissions(tf.path(kList), QFile::ReadOwner | QFile::WriteOwner);
    QVERIFY(!r.okOrMissing());
    QCOMPARE(r.status, FileStatus::Refused);
    QVERIFY(!r.reason.isEmpty());
}

void TestListFile::sort_data()
{
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("case ignored") << QStringList{"[b]", "[C]", "[a]"} << QStringList{"[a]", "[b]", "[C]"};
    QTest::newRow("case ties: capitals first, whatever the order given")
        << QStringList{"[load]", "[Load]", "[LOAD]"} << QStringList{"[LOAD]", "[Load]", "[load]"};
    QTest::newRow("prefix first") << QStringList{"[ab]", "[a"} << QStringList{"[a", "[ab]"};
    QTest::newRow("empty record first") << QStringList{"[a]", ""} << QStringList{"", "[a]"};
    QTest::newRow("brackets before letters, tildes after")
        << QStringList{"~x", "a", "[a]"} << QStringList{"[a]", "a", "~x"};
}

void TestListFile::sort()
{
    QFETCH(QStringList, records);
    QFETCH(QStringList, expected);
    ListFile::sort(records);
    QCOMPARE(records, expected);
    std::reverse(records.begin(), records.end());
    ListFile::sort(records);
    QCOMPARE(records, expected);
}

void TestListFile::writeSortsAndReplaces_data()
{
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("sorted, CR LF") << QStringList{"[b]~2~", "[A][Red]~1~"} << QByteArray("[A][Red]~1~\r\n[b]~2~\r\n");
    QTest::newRow("no records: an empty file") << QStringList() << QByteArray();
    QTest::newRow("empty records kept") << QStringList{"[x]", ""} << QByteArray("\r\n[x]\r\n");
    QTest::newRow("Windows-1252, ? for what it cannot hold")
        << QStringList{QString::fromUtf8("[Café]~€~~ж~")} << QByteArray("[Caf\xe9]~\x80~~?~\r\n");
}

void TestListFile::writeSortsAndReplaces()
{
    QFETCH(QStringList, records);
    QFETCH(QByteArray, bytes);
    TestFolder tf;
    tf.writeFile(kList, "[old]\r\n[older]\r\n");
    const TextFile::WriteResult w = ListFile::write(tf.folder(), records);
    QVERIFY2(w.ok(), qPrintable(w.reason));
    QCOMPARE(tf.readFile(kList), bytes);
}

void TestListFile::failedWriteIsNeverSaved_data()
{
    QTest::addColumn<int>("step");   // -1: no fault, the list is too large
    QTest::addColumn<QStringList>("records");

    const QStringList small{"[new]~A~"};
    QTest::newRow("create") << int(TextFile::Step::Create) << small;
    QTest::newRow("write") << int(TextFile::Step::Write) << small;
    QTest::newRow("sync") << int(TextFile::Step::Sync) << small;
    QTest::newRow("close") << int(TextFile::Step::Close) << small;
    QTest::newRow("rename") << int(TextFile::Step::Rename) << small;
    QTest::newRow("larger than can be read back")
        << -1 << QStringList{QString(int(TextFile::kListFileCap) - 1, u'x')};
}

void TestListFile::failedWriteIsNeverSaved()
{
    QFETCH(int, step);
    QFETCH(QStringList, records);
    TestFolder tf;
    const QByteArray old("[old]\r\n");
    tf.writeFile(kList, old);
    if (step >= 0)
        TextFile::setFaultHook([step](TextFile::Step s, const QString&) { return int(s) == step ? ENOSPC : 0; });
    const TextFile::WriteResult w = ListFile::write(tf.folder(), records);
    TextFile::setFaultHook({});
    QVERIFY(!w.ok());
    QVERIFY(!w.reason.isEmpty());
    QCOMPARE(w.message, QStringLiteral("Could not save lists.scd:\r") + w.reason);
    QCOMPARE(w.status, step >= 0 ? FileStatus::Failed : FileStatus::TooLarge);
    QCOMPARE(tf.readFile(kList), old);
    QCOMPARE(QDir(tf.path(QStringLiteral("gsystem"))).entryList(QDir::Files), QStringList{"lists.scd"});
}

QTEST_GUILESS_MAIN(TestListFile)
#include "tst_listfile.moc"
