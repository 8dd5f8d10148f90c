#include "coord/changewatch.h"
#include "coord/folderwatch.h"
#include "coord/updatesession.h"
#include "base/preferences.h"
#include "grid/griddata.h"
#include "store/gridstore.h"
#include "store/textfile.h"
#include "tests/support/fakeservices.h"
#include "tests/support/station.h"
#include "tests/support/testplatform.h"
#include "tests/support/testfolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Inside a second under load; the latency itself is measured by the benchmark.
constexpr int kReportMs = 900;
// Long enough for a change to have been reported had it been.
constexpr int kQuietMs = 3 * ChangeWatch::kSettleMs;

} // namespace

class TestChangeWatch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void othersSaveWakesViewer_data();
    void othersSaveWakesViewer();
    void burstAsksForFewPolls();
    void lockHolderIsNeverWoken();
    void stoppedPollingStaysStopped();
    void unwatchableFolderLeavesThePoll();
    void folderGoneEndsItsWatch_data();
    void folderGoneEndsItsWatch();

private:
    std::unique_ptr<TestFolder> m_tf;
    std::unique_ptr<Station> m_viewer;
    std::unique_ptr<Station> m_writer;
};

void TestChangeWatch::init()
{
    m_tf = std::make_unique<TestFolder>();
    m_tf->writeMinimalData();
    m_viewer = std::make_unique<Station>(m_tf->folder(), QStringLiteral("PC-A"), QStringLiteral("anna"),
                                         QStringLiteral("60"));
    m_writer = std::make_unique<Station>(m_tf->folder(), QStringLiteral("PC-B"), QStringLiteral("ben"),
                                         QStringLiteral("60"));
    QVERIFY(m_viewer->session.startUp().ok());
    QVERIFY(m_writer->session.startUp().ok());
}

void TestChangeWatch::cleanup()
{
    m_viewer.reset();
    m_writer.reset();
    m_tf.reset();
}

void TestChangeWatch::othersSaveWakesViewer_data()
{
    QTest::addColumn<int>("saves");
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("one save") << 1 << false;
    // The grid file was replaced by the first save: its watch must follow.
    QTest::newRow("second save after a replace") << 2 << false;
    // Another program writing into the grid file itself: no file is created
    // or renamed in the folder.
    QTest::newRow("grid written in place") << 2 << true;
}

void TestChangeWatch::othersSaveWakesViewer()
{
    QFETCH(int, saves);
    QFETCH(bool, inPlace);
    ChangeWatch watch(m_tf->folder(), m_viewer->session);
    QVERIFY(watch.watching());
    QSignalSpy due(&watch, &ChangeWatch::pollDue);
    for (int i = 0; i < saves; ++i) {
        if (inPlace) {
            m_writer->grid.setCell(2, 1, QStringLiteral("T-%1").arg(i));
            QFile file(m_tf->path(QStringLiteral("gsystem/sgrid.scd")));
            QVERIFY(file.open(QIODevice::ReadWrite));
            const QByteArray bytes = GridStore::gridBytes(m_writer->grid);
            QVERIFY(file.write(bytes) == bytes.size() && file.resize(bytes.size()));
        } else {
            QCOMPARE(m_writer->session.pressUpdate().kind, UpdateSession::StartResult::Started);
            m_writer->grid.setCell(2, 1, QStringLiteral("T-%1").arg(i));
            QVERIFY(m_writer->session.releaseUpdate().saved);
        }
        due.clear();
        QVERIFY(due.wait(kReportMs));
        const UpdateSession::PollResult r = m_viewer->session.poll();
        QVERIFY(r.reloaded);
        QCOMPARE(m_viewer->grid.cell(2, 1), QStringLiteral("T-%1").arg(i));
        // Letting the settle run out before the next save.
        QTest::qWait(kQuietMs);
    }
}

void TestChangeWatch::burstAsksForFewPolls()
{
    ChangeWatch watch(m_tf->folder(), m_viewer->session);
    QSignalSpy due(&watch, &ChangeWatch::pollDue);
    GridStore writer(m_tf->folder());
    GridData grid = TestFolder::sampleGrid();
    QElapsedTimer burst;
    burst.start();
    for (int i = 0; i < 20; ++i) {
        grid.setCell(1, 1, QString::number(i));
        QVERIFY(writer.saveGrid(QStringLiteral("sgrid.scd"), grid).ok());
        QCoreApplication::processEvents();
    }
    const qint64 burstMs = burst.elapsed();
    QTest::qWait(kQuietMs);
    QVERIFY(!due.isEmpty());
    // Sixty renames and temporaries: one poll per settle period at most.
    QVERIFY2(due.size() <= burstMs / ChangeWatch::kSettleMs + 2,
             qPrintable(QStringLiteral("%1 polls in %2 ms").arg(due.size()).arg(burstMs)));
    QVERIFY(m_viewer->session.poll().reloaded);
    QCOMPARE(m_viewer->grid.cell(1, 1), QStringLiteral("19"));
}

void TestChangeWatch::lockHolderIsNeverWoken()
{
    ChangeWatch watch(m_tf->folder(), m_viewer->session);
    QSignalSpy due(&watch, &ChangeWatch::pollDue);
    QCOMPARE(m_viewer->session.pressUpdate().kind, UpdateSession::StartResult::Started);
    // Its own press wrote curuser.scd and the snapshot; another writer
    // changes a shared file meanwhile.
    QVERIFY(TextFile::write(m_tf->path(QStringLiteral("gsystem/lists.scd")), {QStringLiteral("x")}).ok());
    m_viewer->grid.setCell(1, 2, QStringLiteral("own"));
    QTest::qWait(kQuietMs);
    QCOMPARE(due.size(), 0);

    // Its own save may wake it once the lock is gone, but reloads nothing.
    QVERIFY(m_viewer->session.releaseUpdate().saved);
    QTest::qWait(kQuietMs);
    QVERIFY(due.size() <= 1);
    QVERIFY(!m_viewer->session.poll().reloaded);
    QCOMPARE(m_viewer->grid.cell(1, 2), QStringLiteral("own"));
}

void TestChangeWatch::stoppedPollingStaysStopped()
{
    m_viewer->prefs.network = false;
    QCOMPARE(m_viewer->session.pressUpdate().kind, UpdateSession::StartResult::Started);
    QVERIFY(m_viewer->session.releaseUpdate().saved);
    QCOMPARE(m_viewer->session.pollInterval(), 0);
    ChangeWatch watch(m_tf->folder(), m_viewer->session);
    QSignalSpy due(&watch, &ChangeWatch::pollDue);
    QCOMPARE(m_writer->session.pressUpdate().kind, UpdateSession::StartResult::Started);
    QVERIFY(m_writer->session.releaseUpdate().saved);
    QTest::qWait(kQuietMs);
    QCOMPARE(due.size(), 0);
}

void TestChangeWatch::unwatchableFolderLeavesThePoll()
{
    ChangeWatch watch(DataFolder(m_tf->path(QStringLiteral("no such folder"))), m_viewer->session);
    QVERIFY(!watch.watching());
    QCOMPARE(m_viewer->session.pollInterval(), UpdateSession::kStartPollMs);
    QVERIFY(m_viewer->session.pollTimer().isActive());
}

void TestChangeWatch::folderGoneEndsItsWatch_data()
{
    QTest::addColumn<bool>("renamed");
    QTest::newRow("removed") << false;
    QTest::newRow("renamed away") << true;
}

void TestChangeWatch::folderGoneEndsItsWatch()
{
    QFETCH(bool, renamed);
    if (const QString why = TestPlatform::whyNoRemovingWatchedFolders(); !renamed && !why.isEmpty())
        QSKIP(qPrintable(why));
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("watched")));
    const QString folder = root.filePath(QStringLiteral("watched"));
    FolderWatch watch;
    QVERIFY(watch.add(folder));
    QVERIFY(!watch.add(root.filePath(QStringLiteral("missing"))));
    QVERIFY(watch.watching());
    QSignalSpy changed(&watch, &FolderWatch::changed);
    if (renamed)
        QVERIFY(QDir(root.path()).rename(QStringLiteral("watched"), QStringLiteral("elsewhere")));
    else
        QVERIFY(QDir(folder).removeRecursively());
    QTRY_VERIFY(!watch.watching());
    // Nothing is reported from where it went, after the report that may end
    // the watch.
    const QString elsewhere = root.filePath(renamed ? QStringLiteral("elsewhere/%1") : QStringLiteral("%1"));
    QVERIFY(TextFile::write(elsewhere.arg(1), {QStringLiteral("x")}).ok());
    QTest::qWait(kQuietMs);
    changed.clear();
    QVERIFY(TextFile::write(elsewhere.arg(2), {QStringLiteral("x")}).ok());
    QTest::qWait(kQuietMs);
    QCOMPARE(changed.size(), 0);
}

QTEST_GUILESS_MAIN(TestChangeWatch)
#include "tst_changewatch.moc"
