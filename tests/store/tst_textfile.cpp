#include "store/textfile.h"
#include "store/filestamp.h"
#include "tests/support/testfolder.h"
#include "tests/support/testplatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <cerrno>

class TestTextFile : public QObject
{
    Q_OBJECT
private slots:
    void lineEnds_data();
    void lineEnds();
    void codepageRoundTrip();
    void unencodableBecomesQuestionMark_data();
    void unencodableBecomesQuestionMark();
    void writeReplacesWholeFile();
    void failedWriteKeepsOldFile();
    void everyFailingStepKeepsOldFile_data();
    void everyFailingStepKeepsOldFile();
    void fullDiskKeepsOldFile();
    void onlyRegularFilesAreData_data();
    void onlyRegularFilesAreData();
    void readsAreCapped();
    void permissions();
    void staleTemporariesRemoved();
};

void TestTextFile::lineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("lf only") << QByteArray("a\nb\n") << QStringList{"a", "b"};
    QTest::newRow("cr only") << QByteArray("a\rb\r") << QStringList{"a", "b"};
    QTest::newRow("no final break") << QByteArray("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("empty lines kept") << QByteArray("\r\n\r\nx\r\n\r\n") << QStringList{"", "", "x", ""};
    QTest::newRow("blanks kept") << QByteArray("  a \r\n") << QStringList{"  a "};
}

void TestTextFile::lineEnds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(TextFile::splitLines(TextFile::decode(bytes)), lines);
}

void TestTextFile::codepageRoundTrip()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n')
            all.append(char(b));
    const QString text = TextFile::decode(all);
    QCOMPARE(text.size(), all.size());
    QCOMPARE(text[0x80 - 2], QChar(0x20AC));   // the euro sign
    QCOMPARE(TextFile::encode(text), all);
    QVERIFY(TextFile::unencodable(text).isEmpty());
    QCOMPARE(TextFile::joinLines({QStringLiteral("Café"), QString()}), QByteArray("Caf\xe9\r\n\r\n"));
}

void TestTextFile::unencodableBecomesQuestionMark_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("encoded");
    QTest::addColumn<QStringList>("unencodable");   // what an editor names before it saves
    QTest::newRow("CJK") << QStringLiteral("a\u4e2db") << QByteArray("a?b") << QStringList{QStringLiteral("\u4e2d")};
    QTest::newRow("a pair is one character")
        << QString::fromUtf8("x\xF0\x9F\x98\x80y") << QByteArray("x?y") << QStringList{QString::fromUtf8("\xF0\x9F\x98\x80")};
    QTest::newRow("each once, in order")
        << QStringLiteral("\u2713ok\u2605\u2713") << QByteArray("?ok??")
        << QStringList{QStringLiteral("\u2713"), QStringLiteral("\u2605")};
    QTest::newRow("a question mark of its own is stored") << QStringLiteral("why?") << QByteArray("why?") << QStringList{};
    QTest::newRow("euro, curly quotes, accents are stored")
        << QStringLiteral("\u20ac \u201cCaf\u00e9\u201d") << QByteArray("\x80 \x93" "Caf\xe9\x94") << QStringList{};
    QTest::newRow("a lone surrogate") << QString(QChar(0xD800)) + u'a' << QByteArray("?a") << QStringList{QString(QChar(0xD800))};
}

void TestTextFile::unencodableBecomesQuestionMark()
{
    QFETCH(QString, text);
    QTEST(TextFile::encode(text), "encoded");
    QTEST(TextFile::unencodable(text), "unencodable");
}

void TestTextFile::writeReplacesWholeFile()
{
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("f.scd"));
    QVERIFY(TextFile::write(p, {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")}).ok());
    const TextFile::WriteResult w = TextFile::write(p, {QStringLiteral("x")});
    QVERIFY(w.ok());
    QCOMPARE(w.path, p);   // callers report where a file went
    QVERIFY(w.reason.isEmpty());
    QFile f(p);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("x\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"f.scd"});
}

void TestTextFile::failedWriteKeepsOldFile()
{
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("f.scd"));
    QVERIFY(TextFile::write(p, {QStringLiteral("old")}).ok());
    ReadOnlyGuard guard(dir.path());
    if (!guard.isActive())
        QSKIP("this file system cannot make a folder read-only");
    const TextFile::WriteResult w = TextFile::write(p, {QStringLiteral("new")});
    guard.release();
    QVERIFY(!w.ok());
    QVERIFY(!w.reason.isEmpty());
    QCOMPARE(w.status, FileStatus::Refused);   // a read-only folder refuses for permission
    QCOMPARE(w.message, QStringLiteral("Could not save f.scd:\r") + w.reason);
    QCOMPARE(TextFile::read(p).value, QStringList{"old"});
}

namespace {

QStringList leftovers(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.scd.*")}, QDir::Files | QDir::Hidden);
}

} // namespace

void TestTextFile::everyFailingStepKeepsOldFile_data()
{
    QTest::addColumn<TextFile::Step>("step");
    QTest::addColumn<int>("err");
    const std::pair<TextFile::Step, const char*> steps[] = {
        {TextFile::Step::Create, "create"}, {TextFile::Step::Write, "write"}, {TextFile::Step::Sync, "sync"},
        {TextFile::Step::Close, "close"}, {TextFile::Step::Rename, "rename"}};
    for (const auto& [step, name] : steps)
        for (const auto& [err, errName] : {std::pair{ENOSPC, "ENOSPC"}, {EIO, "EIO"}, {EACCES, "EACCES"}})
            QTest::addRow("%s %s", name, errName) << step << err;
}

void TestTextFile::everyFailingStepKeepsOldFile()
{
    QFETCH(TextFile::Step, step);
    QFETCH(int, err);
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("f.scd"));
    QVERIFY(TextFile::write(p, {QStringLiteral("old")}).ok());
    TextFile::setFaultHook([&](TextFile::Step s, const QString&) { return s == step ? err : 0; });
    const auto noHook = qScopeGuard([] { TextFile::setFaultHook({}); });
    const TextFile::WriteResult w = TextFile::write(p, {QStringLiteral("new"), QStringLiteral("longer")});
    QVERIFY(!w.ok());
    QCOMPARE(w.reason, qt_error_string(err));
    QCOMPARE(TextFile::read(p).value, QStringList{"old"});
    QCOMPARE(leftovers(dir.path()), QStringList());

    // A new file that fails is not there at all, under any of its names.
    const TextFile::WriteResult n = TextFile::writeNew(
        [&](int i) { return dir.filePath(QStringLiteral("n%1.scd").arg(i)); }, 3, "new\r\n");
    QVERIFY(!n.ok());
    QCOMPARE(n.reason, qt_error_string(err));
    QCOMPARE(n.message, QStringLiteral("Could not save n0.scd:\r") + n.reason);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"f.scd"});
}

void TestTextFile::fullDiskKeepsOldFile()
{
    // A real full file system: the flush of the last block fails where a
    // library may not look.
    const TestPlatform::SmallVolume volume(64);
    if (!volume.whyNot().isEmpty())
        QSKIP(qPrintable(volume.whyNot()));
    const QString mountPoint = volume.path();
    const QString p = QDir(mountPoint).filePath(QStringLiteral("sgrid.scd"));
    const QByteArray old(20000, 'o');
    QVERIFY(TextFile::writeBytes(p, old).ok());
    {
        QFile filler(QDir(mountPoint).filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        filler.write(QByteArray(64 * 1024, 'x'));   // fills what is left
    }
    for (const qsizetype size : {qsizetype(100), qsizetype(30000)}) {
        const TextFile::WriteResult w = TextFile::writeBytes(p, QByteArray(size, 'n'));
        QVERIFY(!w.ok());
        QVERIFY2(w.reason.contains(QStringLiteral("space")), qPrintable(w.reason));
        QCOMPARE(TextFile::readBytes(p, 1 << 20).value, old);
        QCOMPARE(leftovers(mountPoint), QStringList());
    }
}

void TestTextFile::onlyRegularFilesAreData_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("link to a file elsewhere") << QStringLiteral("link");
    QTest::newRow("dangling link") << QStringLiteral("dangling");
    QTest::newRow("fifo") << QStringLiteral("fifo");
    QTest::newRow("folder") << QStringLiteral("folder");
}

void TestTextFile::onlyRegularFilesAreData()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QTemporaryDir elsewhere;
    const QString outside = elsewhere.filePath(QStringLiteral("victim"));
    QVERIFY(TextFile::write(outside, {QStringLiteral("precious")}).ok());
    const QString p = dir.filePath(QStringLiteral("curuser.scd"));
    if (kind == u"link" || kind == u"dangling") {
        if (const QString why = TestPlatform::whyNoLinks(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QVERIFY(TestPlatform::makeLink(kind == u"link" ? outside : elsewhere.filePath(QStringLiteral("none")), p));
    } else if (kind == u"fifo") {
        if (const QString why = TestPlatform::whyNoFifos(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QVERIFY(TestPlatform::makeFifo(p));
    } else
        QVERIFY(QDir().mkdir(p));

    QElapsedTimer t;
    t.start();
    const TextFile::ReadResult r = TextFile::read(p);
    QVERIFY(!r.ok());
    QCOMPARE(r.status, FileStatus::Missing);
    QCOMPARE(r.message, QStringLiteral("curuser.scd: it is not a regular file"));
    const FileResult<TextFile::FileEnds> ends = TextFile::readEnds(p, 10, 10, 1000);
    QCOMPARE(ends.status, FileStatus::Missing);
    QCOMPARE(ends.message, r.message);
    QVERIFY(!TextFile::isRegularFile(p));
    const TextFile::WriteResult w = TextFile::write(p, {QStringLiteral("x")});
    QVERIFY(!w.ok());
    QVERIFY(w.message.contains(QStringLiteral("curuser.scd")));
    QVERIFY(t.elapsed() < 5000);   // a FIFO never blocks
    QCOMPARE(TextFile::read(outside).value, QStringList{"precious"});
    QVERIFY(!QFileInfo::exists(elsewhere.filePath(QStringLiteral("none"))));
    QCOMPARE(leftovers(dir.path()), QStringList());
}

void TestTextFile::readsAreCapped()
{
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("f.scd"));
    QVERIFY(TextFile::writeBytes(p, QByteArray(100, 'a')).ok());
    QVERIFY(TextFile::read(p, 100).ok());
    const TextFile::ReadResult over = TextFile::read(p, 99);
    QVERIFY(!over.ok());
    QCOMPARE(over.status, FileStatus::TooLarge);
    QCOMPARE(over.message, QStringLiteral("f.scd: it is larger than 99 bytes"));
    QVERIFY(over.value.isEmpty());
    QCOMPARE(TextFile::read(dir.filePath(QStringLiteral("none"))).status, FileStatus::Missing);

    // Reading only a file's ends is capped alike, however little it reads.
    QVERIFY(TextFile::writeBytes(p, QByteArray("0123456789").repeated(10)).ok());
    const FileResult<TextFile::FileEnds> ends = TextFile::readEnds(p, 4, 6, 100);
    QVERIFY(ends.ok());
    QCOMPARE(ends.value.head, QByteArray("0123"));
    QCOMPARE(ends.value.tail, QByteArray("456789"));
    QCOMPARE(ends.value.size, 100);
    QVERIFY(!ends.value.whole());
    const FileResult<TextFile::FileEnds> all = TextFile::readEnds(p, 1000, 1000, 100);
    QCOMPARE(all.value.head, QByteArray("0123456789").repeated(10));
    QCOMPARE(all.value.tail, all.value.head);
    QVERIFY(all.value.whole());
    const FileResult<TextFile::FileEnds> overCap = TextFile::readEnds(p, 4, 6, 99);
    QCOMPARE(overCap.status, FileStatus::TooLarge);
    QCOMPARE(overCap.message, QStringLiteral("f.scd: it is larger than 99 bytes"));
    QCOMPARE(TextFile::readEnds(dir.filePath(QStringLiteral("none")), 4, 6, 100).status, FileStatus::Missing);
}

void TestTextFile::permissions()
{
    if (const QString why = TestPlatform::whyNoModeBits(); !why.isEmpty())
        QSKIP(qPrintable(why));
    QTemporaryDir dir;
    const int oldMask = TestPlatform::setUmask(077);
    const auto restore = qScopeGuard([oldMask] { TestPlatform::setUmask(oldMask); });
    const auto mode = TestPlatform::modeBits;
    // Lock files must open for every account whatever the umask.
    const QString lock = dir.filePath(QStringLiteral("lockabc.scd"));
    QVERIFY(TextFile::writeBytes(lock, "lock\r\n", TextFile::Access::Everybody).ok());
    QCOMPARE(mode(lock), 0666);
    // A replaced data file keeps the permissions it had.
    const QString data = dir.filePath(QStringLiteral("parm.scd"));
    QVERIFY(TextFile::write(data, {QStringLiteral("1")}).ok());
    QCOMPARE(mode(data), 0600);
    QVERIFY(QFile::setPermissions(data, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup
                                            | QFile::ReadOther));
    QVERIFY(TextFile::write(data, {QStringLiteral("2")}).ok());
    QCOMPARE(mode(data), 0664);
}

void TestTextFile::staleTemporariesRemoved()
{
    QTemporaryDir dir;
    // Only this program's own temporaries go; a user's copy of a data file
    // is never taken for one, however it is named.
    const QStringList names{"sgrid.scd.sbtmpAb3dE9", "users.scd.sbtmpyoung1", "sgrid.scd.120724",
                            "users.scd.backup", "notes.txt.sbtmpAb3dE9", "sgrid.scd", "x.scd.sbtmp\u00e912345",
                            "Schedboard.ini.sbtmpPl4ce1"};
    for (const QString& n : names)
        QVERIFY(TextFile::write(dir.filePath(n), {n}).ok());
    const QDateTime old = QDateTime::currentDateTime().addSecs(-120);
    for (const char* n : {"sgrid.scd.sbtmpAb3dE9", "sgrid.scd.120724", "users.scd.backup", "notes.txt.sbtmpAb3dE9"}) {
        QFile f(dir.filePath(n));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    const QStringList group{dir.filePath(QStringLiteral("gclrsgrid.scd")), dir.filePath(QStringLiteral("FixedColumn.scd")),
                            dir.filePath(QStringLiteral("sgrid.scd"))};
    const FileResult<int> completed = TextFile::completeInterruptedWrite(group);
    QVERIFY2(completed.ok(), qPrintable(completed.message));
    QCOMPARE(completed.value, 1);   // the sbtmp one: its renames had begun
    QCOMPARE(TextFile::read(dir.filePath(QStringLiteral("sgrid.scd"))).value, QStringList{"sgrid.scd.sbtmpAb3dE9"});
    // Ages come from the stamps the file system gave, against a time taken
    // from one of them, never from this machine's clock.
    const qint64 writtenNs = [&] {
        return readFileStamp(dir.filePath(QStringLiteral("sgrid.scd.120724"))).value.writeTimeNs;
    }();
    QCOMPARE(TextFile::removeTemporaries(dir.path(), writtenNs).value, 0);   // the young one stays
    QStringList expected{"users.scd.sbtmpyoung1", "sgrid.scd.120724", "users.scd.backup", "notes.txt.sbtmpAb3dE9",
                         "sgrid.scd", "x.scd.sbtmp\u00e912345", "Schedboard.ini.sbtmpPl4ce1"};
    expected.sort(Qt::CaseInsensitive);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), expected);
    const FileResult<int> removed = TextFile::removeTemporaries(dir.path(), writtenNs + 1000LL * 1000 * 1000 * 3600);
    QVERIFY(removed.ok());
    QCOMPARE(removed.value, 2);
    // A folder that cannot be listed removes nothing, and says so.
    const FileResult<int> none = TextFile::removeTemporaries(dir.filePath(QStringLiteral("gone")), 0);
    QCOMPARE(none.status, FileStatus::Missing);
    QCOMPARE(none.value, 0);
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("Schedboard.ini.sbtmpPl4ce1"))));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("users.scd.sbtmpyoung1"))));
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
