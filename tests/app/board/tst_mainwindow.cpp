#include "app/dialogs/backupsdialog.h"
#include "app/desktop/messageboxes.h"
#include "app/desktop/persistentform.h"
#include "app/desktop/soundplayer.h"
#include "app/desktop/trayicon.h"
#include "app/dialogs/datetimedialog.h"
#include "app/dialogs/helpbrowser.h"
#include "app/dialogs/helpwindow.h"
#include "app/dialogs/listdialog.h"
#include "app/dialogs/preferencesdialog.h"
#include "app/sortprint/gridsortprintdialog.h"
#include "coord/updatesession.h"
#include "gridview/gridview.h"
#include "store/filestamp.h"
#include "store/gridstore.h"
#include "store/inifile.h"
#include "store/textfile.h"
#include "store/userplacement.h"
#include "tests/app/board/boardfixture.h"
#include "widgets/boardstyle.h"
#include "widgets/colorvalue.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QImage>
#include <QGuiApplication>
#include <QLabel>
#include <QLibrary>
#include <QLineEdit>
#include <QShortcut>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QAction>
#include <QFontDatabase>
#include <QTest>
#include <QScrollBar>
#include <QTableWidget>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QRgb kProbeColor = qRgb(255, 0, 255);

bool shows(const QImage& picture, QRgb color)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == color)
                return true;
    return false;
}

// Tells whether anything opened a FIFO for reading while it watched. A
// reader blocked in open() is let go with an end of file, so a board that
// reads the FIFO fails the test instead of hanging it.
class FifoWatch
{
public:
    explicit FifoWatch(const QString& path) : m_path(QFile::encodeName(path)), m_thread([this] { run(); }) {}
    ~FifoWatch() { stop(); }
    bool stop()
    {
        m_stopping = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_opened;
    }

private:
    void run()
    {
        while (!m_stopping) {
            // Opening for writing without waiting works only while a reader has it open.
            if (const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK); fd >= 0) {
                m_opened = true;
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    QByteArray m_path;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_opened{false};
    std::thread m_thread;
};

} // namespace

// The main window's frame: start-up checks, first activation, the toolbar
// layout, privileges, and what Quit and close write.
class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void requiredFiles_data();
    void requiredFiles();
    void firstActivationRunsOnce();
    void soundModuleLoadedWithTheFirstSound();
    void printModuleLoadedWithTheFirstPrint_data();
    void printModuleLoadedWithTheFirstPrint();
    void captionFromTitleLine_data();
    void captionFromTitleLine();
    void badPreferenceLineFallsBack_data();
    void badPreferenceLineFallsBack();
    void settingsFileNotRead_data();
    void settingsFileNotRead();
    void placedFromParmAndLeftAsRead_data();
    void placedFromParmAndLeftAsRead();
    void toolbarAnchoredRight_data();
    void toolbarAnchoredRight();
    void privileges_data();
    void privileges();
    void closeWritesPreferencesAndUsers();
    void closeKeepsWhatOthersSaved();
    void closeWithoutChangesWritesNothing();
    void dialogsWaitForFirstUse();
    void lateDialogShowsCurrentPreferences_data();
    void lateDialogShowsCurrentPreferences();
    void keptDateTimeOptionsCountBeforeFirstUse_data();
    void keptDateTimeOptionsCountBeforeFirstUse();
    void normalEndWritesDateTimeSectionUnopened_data();
    void normalEndWritesDateTimeSectionUnopened();
    void closeReportsWhatItCouldNotSave();
    void okWritesExactlyTheDialog();
    void closeBackupOnNamedComputer();
    void rowHeightArrows_data();
    void rowHeightArrows();
    void okAppliesAndSavesTheDialog();
    void boxesAndDialogOnTheDesktopCentre();
    void fontStyleFlag_data();
    void fontStyleFlag();
    void fontDialogOpensOnTheGridsFace_data();
    void fontDialogOpensOnTheGridsFace();
    void hourlyBackupOnNamedComputer_data();
    void hourlyBackupOnNamedComputer();
    void trayHidesAndClicksBringBack_data();
    void trayHidesAndClicksBringBack();
    void backupsWindowRestores_data();
    void backupsWindowRestores();
    void helpCoversEveryGesture_data();
    void helpCoversEveryGesture();
    void helpWindowLinksAndSearch();
    void helpReadsNothingElse_data();
    void helpReadsNothingElse();
    void helpFileThatCannotBeShown_data();
    void helpFileThatCannotBeShown();
    void undoKeysBelongToTheBoard();
};

void TestMainWindow::requiredFiles_data()
{
    QTest::addColumn<QStringList>("missing");
    QTest::addColumn<QString>("message");
    const QString restore = QStringLiteral("\rRestore this file or reinstall the program.");
    QTest::newRow("parm") << QStringList{"gsystem/parm.scd"}
                          << QStringLiteral("The preferences file is missing! (parm.scd)") + restore;
    QTest::newRow("parm and sgrid: only the first") << QStringList{"gsystem/sgrid.scd", "gsystem/parm.scd"}
                                                    << QStringLiteral("The preferences file is missing! (parm.scd)") + restore;
    QTest::newRow("sgrid") << QStringList{"gsystem/sgrid.scd"}
                           << QStringLiteral("The grid schedule file is missing! (sgrid.scd)") + restore;
    QTest::newRow("bsgrid") << QStringList{"gsystem/bsgrid.scd", "users/users.scd"}
                            << QStringLiteral("The backup schedule file is missing! (bsgrid.scd)") + restore;
    QTest::newRow("users") << QStringList{"users/users.scd"}
                           << QStringLiteral("The Users backup file is missing! (users.scd)") + restore;
    QTest::newRow("none") << QStringList{} << QString();
}

void TestMainWindow::requiredFiles()
{
    QFETCH(QStringList, missing);
    QFETCH(QString, message);
    TestFolder folder;
    folder.copyInstallationData();
    for (const QString& m : missing)
        QVERIFY(QFile::remove(folder.path(m)));
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    if (message.isEmpty()) {
        QVERIFY(ws.window);
        QVERIFY(ws.fake.messages.shown.isEmpty());
        return;
    }
    QVERIFY(!ws.window);
    QCOMPARE(ws.fake.messages.texts(), QStringList{message});
    QCOMPARE(ws.fake.messages.shown[0].kind, MessageKind::Error);
}

// The lines of this process's mappings that name `what`.
static qsizetype mappedLines(const char* what)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) ? maps.readAll().count(what) : -1;
}

void TestMainWindow::soundModuleLoadedWithTheFirstSound()
{
    // Qt Multimedia comes with the sound module: not at start, and not for a
    // sound whose file is missing, but with the first one that can play. It
    // is loaded from a copy of its own, as the printing module is.
    const auto multimediaLoaded = [] { return mappedLines("libQt6Multimedia") > 0; };
    QVERIFY(!multimediaLoaded());
    QTemporaryDir dir;
    SoundPlayer player;
    player.play(dir.filePath(QStringLiteral("missing.wav")));
    QVERIFY(!multimediaLoaded());
    QFile wave(dir.filePath(QStringLiteral("alarm.wav")));
    QVERIFY(wave.open(QIODevice::WriteOnly));
    wave.write("RIFF");
    wave.close();
    player.play(wave.fileName());
    QVERIFY(multimediaLoaded());
}

void TestMainWindow::printModuleLoadedWithTheFirstPrint_data()
{
    QTest::addColumn<QString>("module");    // where it is at the start
    QTest::addColumn<QString>("later");     // what happens to it before the first opening
    QTest::addColumn<QString>("message");   // what the board says; none: the dialog opens
    QTest::newRow("missing") << "" << "" << "is missing from";
    QTest::newRow("missing, put in later") << "" << "put in" << "";
    QTest::newRow("replaced while the board ran") << "copy" << "replaced" << "";
    QTest::newRow("another build's") << "sound module" << "" << "belongs to another build of SchedBoard";
    QTest::newRow("a FIFO") << "fifo" << "" << "is not a module";
    QTest::newRow("cut short") << "copy" << "cut short" << "is cut short";
    QTest::newRow("written over once loaded") << "copy" << "written over" << "";
    // Last: the first row to load the module beside the program.
    QTest::newRow("beside the program") << "beside" << "" << "";
}

void TestMainWindow::printModuleLoadedWithTheFirstPrint()
{
    QFETCH(QString, module);
    QFETCH(QString, later);
    QFETCH(QString, message);
    TestFolder folder;
    folder.copyInstallationData();
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    const QString name = QFileInfo(printModuleFile()).fileName();
    QString file = folder.path("program/") + name;
    QVERIFY(QDir().mkpath(folder.path("program")));
    if (module == u"copy")
        QVERIFY(QFile::copy(printModuleFile(), file));
    else if (module == u"sound module")
        QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + u'/'
                                + QFileInfo(printModuleFile()).fileName().replace(QStringLiteral("print"),
                                                                                  QStringLiteral("sound")),
                            file));
    else if (module == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0666), 0);
    else if (module == u"beside")
        file = printModuleFile();
    // Loaded at the first opening, not at start, from a copy of its own
    // (the lines of its mappings).
    const auto copiesMapped = [] { return mappedLines("memfd:schedboard-module"); };
    const qsizetype mappedBefore = copiesMapped();
    ws->setSortPrintMaker(printModuleMaker(file));
    if (later == u"put in")
        QVERIFY(QFile::copy(printModuleFile(), file));
    else if (later == u"replaced")
        folder.writeFile("program/" + name, folder.readFile("program/" + name) + "x");
    else if (later == u"cut short")   // a copy still going on
        folder.writeFile("program/" + name, folder.readFile("program/" + name).left(200000));
    if (module == u"beside") {
        // Its own copy of the file layer knows the data folder: it does not
        // read the grid through a link swapped in for gsystem either.
        QVERIFY(QDir().rename(folder.path("gsystem"), folder.path("elsewhere")));
        QVERIFY(QFile::link(folder.path("elsewhere"), folder.path("gsystem")));
    }

    QAction* print = ws->findChild<QAction*>(QStringLiteral("PrintSortGrid1"));
    print->trigger();
    auto* dialog = ws->findChild<QDialog*>(QStringLiteral("Form7"));
    const QList<FakeMessages::Shown>& shown = ws.fake.messages.shown;
    if (message.isEmpty()) {
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(copiesMapped() > mappedBefore);
        const bool linkRefused = std::any_of(shown.cbegin(), shown.cend(), [](const FakeMessages::Shown& m) {
            return m.text.contains(QStringLiteral("is a link"));
        });
        QCOMPARE(linkRefused, module == u"beside");
        dialog->reject();
        if (later == u"written over") {
            // A plain cp of another build onto the file, in place: the board
            // runs on from its copy.
            QFile over(file);
            QVERIFY(over.open(QIODevice::ReadWrite));
            QVERIFY(over.write(QByteArray(over.size(), '\xCC')) == over.size());
            over.close();
            print->trigger();
            QVERIFY(dialog->isVisible());
            dialog->reject();
        }
        return;
    }
    // A message and no dialog, each time it is asked for.
    QVERIFY(!dialog);
    print->trigger();
    QCOMPARE(shown.size(), 2);
    QVERIFY2(shown[1].text.startsWith(QStringLiteral("\"Grid Sort / Print\" cannot be opened")), qPrintable(shown[1].text));
    QVERIFY2(shown[1].text.contains(message), qPrintable(shown[1].text));
    // Only another build's module was loaded, to be asked what it is.
    QCOMPARE(copiesMapped() > mappedBefore, module == u"sound module");
    // Put right while the board runs, it is loaded at the next opening.
    QFile::remove(file);
    QVERIFY(QFile::copy(printModuleFile(), file));
    print->trigger();
    dialog = ws->findChild<QDialog*>(QStringLiteral("Form7"));
    QVERIFY(dialog && dialog->isVisible());
    dialog->reject();
}

void TestMainWindow::firstActivationRunsOnce()
{
    TestFolder folder;
    folder.copyInstallationData();
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    QVERIFY(ws->isActivated());
    const int height = ws->board().prefs.rowHeight;
    QStringList parm = TextFile::read(folder.path("gsystem/parm.scd")).value;
    parm[2] = QString::number(height + 7);
    folder.writeFile("gsystem/parm.scd", TextFile::joinLines(parm));
    folder.writeFile("users/users.scd", "nobody[2]\r\n");
    ws->onActivated();
    QCOMPARE(ws->board().prefs.rowHeight, height);
    QVERIFY(board::updateGroupShown(ws));

    // The button bar's menu opens the sort and print dialog.
    ws->findChild<QAction*>(QStringLiteral("PrintSortGrid1"))->trigger();
    QVERIFY(board::sortPrintDialog(ws)->isVisible());
    board::sortPrintDialog(ws)->closeWithoutEffect();
}

void TestMainWindow::captionFromTitleLine_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("caption");
    QTest::newRow("title") << QStringLiteral("Dock 7") << QStringLiteral("Dock 7");
    QTest::newRow("two characters") << QStringLiteral("D7") << QStringLiteral("D7");
    QTest::newRow("one character ignored") << QStringLiteral("D") << QStringLiteral("RYX");
    QTest::newRow("empty ignored") << QString() << QStringLiteral("RYX");
}

void TestMainWindow::captionFromTitleLine()
{
    QFETCH(QString, title);
    QFETCH(QString, caption);
    TestFolder folder;
    folder.copyInstallationData();
    QStringList parm = TextFile::read(folder.path("gsystem/parm.scd")).value;
    parm[11] = title;
    folder.writeFile("gsystem/parm.scd", TextFile::joinLines(parm));
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    QCOMPARE(ws->windowTitle(), caption);
}

void TestMainWindow::badPreferenceLineFallsBack_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");   // empty with line 0: the file cut after line 2
    QTest::addColumn<QString>("logon");
    QTest::addColumn<int>("level");

    QTest::newRow("row height, administrator") << 3 << "abc" << "jim" << 2;
    QTest::newRow("row height, level 0") << 3 << "abc" << "bob" << 0;
    QTest::newRow("font size, level 1") << 5 << "eight" << "ann" << 1;
    QTest::newRow("print size, level 0") << 14 << "" << "bob" << 0;
    QTest::newRow("cut short, administrator") << 0 << "" << "jim" << 2;
    QTest::newRow("cut short, level 0") << 0 << "" << "bob" << 0;
}

// A bad line of parm.scd takes its default; the lines after it, the user
// list and the privileges all still apply, and "OK" keeps the user list.
void TestMainWindow::badPreferenceLineFallsBack()
{
    QFETCH(int, line);
    QFETCH(QString, text);
    QFETCH(QString, logon);
    QFETCH(int, level);

    TestFolder folder;
    folder.copyInstallationData();
    QStringList parm = TextFile::read(folder.path("gsystem/parm.scd")).value;
    parm[11] = QStringLiteral("Night Shift");
    if (line > 0)
        parm[line - 1] = text;
    else
        parm = parm.mid(0, 2);
    folder.writeFile("gsystem/parm.scd", TextFile::joinLines(parm));
    const QByteArray users = "jim[2]\r\nann[1]\r\nbob[0]\r\n";
    folder.writeFile("users/users.scd", users);

    Workstation ws(folder, QStringLiteral("PC1"), logon);
    QVERIFY(ws->isActivated());
    QCOMPARE(ws->windowTitle(), line > 0 ? QStringLiteral("Night Shift") : QStringLiteral("RYX"));
    QCOMPARE(board::updateGroupShown(ws), level >= 1);
    QCOMPARE(board::prefsShown(ws), level >= 2);
    QCOMPARE(ws->board().prefs.rowHeight, Preferences().rowHeight);
    QCOMPARE(board::preferencesDialog(ws)->userLines(), (QStringList{"jim[2]", "ann[1]", "bob[0]"}));

    board::preferencesDialog(ws)->findChild<QPushButton*>(QStringLiteral("SpeedButton4"))->click();
    QVERIFY(ws.fake.messages.shown.isEmpty());
    QCOMPARE(folder.readFile("users/users.scd"), users);
    const QStringList written = TextFile::read(folder.path("gsystem/parm.scd")).value;
    QCOMPARE(written.size(), 14);
    QCOMPARE(written[2], QString::number(Preferences().rowHeight));
    Preferences reread;
    QVERIFY(readParmLines(written, reread));
    QVERIFY(ws->close());
    QCOMPARE(folder.readFile("users/users.scd"), users);
}

void TestMainWindow::settingsFileNotRead_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("oversize");   // else a link to a good copy, put there after the start
    QTest::newRow("parm.scd a link") << "gsystem/parm.scd" << false;
    QTest::newRow("users.scd over its cap") << "users/users.scd" << true;
    QTest::newRow("users.scd a link") << "users/users.scd" << false;
}

// A settings file that cannot be read is never written over with what the
// board holds instead; parm.scd is tried again at the next activation.
void TestMainWindow::settingsFileNotRead()
{
    QFETCH(QString, file);
    QFETCH(bool, oversize);

    TestFolder folder;
    folder.copyInstallationData();
    QStringList parm = TextFile::read(folder.path("gsystem/parm.scd")).value;
    parm[11] = QStringLiteral("Night Shift");
    folder.writeFile("gsystem/parm.scd", TextFile::joinLines(parm));
    folder.writeFile("users/users.scd", "jim[2]\r\n");
    const QString path = folder.path(file);
    const QByteArray good = folder.readFile(file);

    FakeWorkstation fake(QStringLiteral("PC1"), QStringLiteral("jim"));
    std::unique_ptr<MainWindow> w = MainWindow::create(folder.folder(), fake.services());
    QVERIFY(w);
    if (oversize) {
        folder.writeFile(file, good + QByteArray(TextFile::kListFileCap, ' '));
    } else {
        folder.writeFile("good.copy", good);
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::link(folder.path("good.copy"), path));
    }
    const QByteArray before = folder.readFile(file);
    w->onActivated();

    const bool usersFile = file.startsWith(u"users");
    QCOMPARE(w->isActivated(), usersFile);
    QCOMPARE(board::prefsShown(w), !usersFile);
    QCOMPARE(w->windowTitle(), usersFile ? QStringLiteral("Night Shift") : QStringLiteral("RYX"));
    QCOMPARE(fake.messages.shown.size(), usersFile ? 1 : 0);
    if (usersFile)
        QVERIFY(fake.messages.texts()[0].contains(QStringLiteral("users.scd")));

    board::preferencesDialog(w)->setUserLines({QStringLiteral("typed[2]")});
    w->board().prefs.timeOut = !w->board().prefs.timeOut;
    QCOMPARE(w->savePreferences().ok(), usersFile);
    QCOMPARE(QFileInfo(path).isSymLink(), !oversize);
    QCOMPARE(folder.readFile(file), before);
    if (usersFile) {
        QVERIFY(w->close());
        QCOMPARE(folder.readFile(file), before);
        QCOMPARE(QFileInfo(path).isSymLink(), !oversize);
        return;
    }
    // parm.scd mended: the next activation applies it; the privileges stay.
    QVERIFY(QFile::remove(path));
    folder.writeFile(file, good);
    w->onActivated();
    QVERIFY(w->isActivated());
    QCOMPARE(w->windowTitle(), QStringLiteral("Night Shift"));
    QVERIFY(board::prefsShown(w));
}

void TestMainWindow::placedFromParmAndLeftAsRead_data()
{
    QTest::addColumn<QString>("number");        // lines 2, 3, 5 and 14
    QTest::addColumn<QList<int>>("geometry");   // lines 8..11: width, height, top, left
    QTest::addColumn<QRect>("placed");          // null: anywhere usable
    QTest::addColumn<int>("rowHeight");
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<QRect>("own");             // the user's own place; null: none

    QTest::newRow("as saved") << "9" << QList<int>{799, 572, 70, 1} << QRect(1, 70, 799, 572) << 9 << 9 << QRect();
    // The test screen is 800 pixels wide: this place sticks out on the right.
    QTest::newRow("saved partly off the screen")
        << "9" << QList<int>{799, 572, 70, 70} << QRect(1, 70, 799, 572) << 9 << 9 << QRect();
    // The resize of a shown window must not overwrite the position before the move.
    QTest::newRow("as saved, another size")
        << "9" << QList<int>{780, 460, 7, 5} << QRect(5, 7, 780, 460) << 9 << 9 << QRect();
    QTest::newRow("INT_MAX") << "2147483647" << QList<int>{INT_MAX, INT_MAX, INT_MAX, INT_MAX} << QRect() << 200
                             << 96 << QRect();
    QTest::newRow("INT_MIN") << "-2147483648" << QList<int>{INT_MIN, INT_MIN, INT_MIN, INT_MIN} << QRect() << 1
                             << 8 << QRect();
    QTest::newRow("negative") << "-7" << QList<int>{-800, -600, -70, -90} << QRect() << 1 << 8 << QRect();
    QTest::newRow("zero") << "0" << QList<int>{0, 0, 0, 0} << QRect() << 1 << 8 << QRect();
    // The user's own place wins over parm.scd's, which stays as it was.
    QTest::newRow("own place") << "9" << QList<int>{799, 572, 0, 0} << QRect(12, 9, 780, 460) << 9 << 9
                               << QRect(12, 9, 780, 460);
    QTest::newRow("own place off the screens")
        << "9" << QList<int>{799, 572, 0, 0} << QRect() << 9 << 9 << QRect(-50000, 90000, 780, 460);
}

// The window is shown before its first activation, as at start-up, so its
// resize and move events run while it is placed.
void TestMainWindow::placedFromParmAndLeftAsRead()
{
    QFETCH(QString, number);
    QFETCH(QList<int>, geometry);
    QFETCH(QRect, placed);
    QFETCH(int, rowHeight);
    QFETCH(int, pointSize);
    QFETCH(QRect, own);

    TestFolder folder;
    folder.copyInstallationData();
    QTemporaryDir home;
    const QString ownFile = QDir(home.path()).filePath(QStringLiteral("config/window.ini"));
    if (!own.isNull())
        QVERIFY(UserPlacement::save(ownFile, folder.folder().root(), own).ok());
    QStringList parm = TextFile::read(folder.path("gsystem/parm.scd")).value;
    for (int line : {2, 3, 5, 14})
        parm[line - 1] = number;
    for (int i = 0; i < 4; ++i)
        parm[7 + i] = QString::number(geometry[i]);
    const QByteArray file = TextFile::joinLines(parm);
    folder.writeFile("gsystem/parm.scd", file);

    FakeWorkstation fake(QStringLiteral("PC1"), QStringLiteral("jim"));
    fake.userSettingsFile = ownFile;
    std::unique_ptr<MainWindow> w = MainWindow::create(folder.folder(), fake.services());
    QVERIFY(w);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    w->onActivated();
    QVERIFY(w->isActivated());

    const QRect now(w->pos(), w->size());
    if (!placed.isNull())
        QCOMPARE(now, placed);
    QVERIFY(now.width() >= 770 && now.height() >= 450);
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        QVERIFY(now.width() <= std::max(770, area.width()) && now.height() <= std::max(450, area.height()));
        onScreen = onScreen || area.contains(now);
    }
    QVERIFY2(onScreen, qPrintable(QStringLiteral("placed at %1, %2").arg(now.x()).arg(now.y())));
    QCOMPARE(board::gridView(w)->gridRowHeight(), rowHeight);
    QCOMPARE(board::gridView(w)->font().pointSize(), pointSize);

    QVERIFY(w->close());
    QCOMPARE(folder.readFile("gsystem/parm.scd"), file);
    QVERIFY(fake.messages.shown.isEmpty());
    // The place is the user's own for the next start, of this folder's board
    // only; a window as wide as the screen counts as maximised and keeps none.
    if (now.width() < w->screen()->geometry().width())
        QCOMPARE(UserPlacement::load(ownFile, folder.folder().root()).value, now);
    QCOMPARE(UserPlacement::load(ownFile, home.path()).status, FileStatus::Missing);
}

void TestMainWindow::toolbarAnchoredRight_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("minimum") << 770;
    QTest::newRow("default") << 799;
    QTest::newRow("wide") << 1400;
}

void TestMainWindow::toolbarAnchoredRight()
{
    QFETCH(int, width);
    TestFolder folder;
    folder.copyInstallationData();
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    ws->show();
    ws->resize(width, 500);
    QTRY_COMPARE(ws->width(), width);
    auto* panel1 = ws->findChild<QFrame*>(QStringLiteral("Panel1"));
    QVERIFY(panel1);
    const int w = panel1->width();
    QCOMPARE(w, ws->width() - 2);
    auto left = [&](const char* name) { return ws->findChild<QFrame*>(QString::fromLatin1(name))->x(); };
    QCOMPARE(left("Panel6"), w - 290);
    QCOMPARE(left("Panel4"), w - 205);
    QCOMPARE(left("Panel3"), w - 120);
    QCOMPARE(left("Panel9"), w - 35);
    QCOMPARE(left("Panel5"), 32);
    QCOMPARE(left("Panel2"), 144);
    QCOMPARE(left("Panel7"), 228);
    QCOMPARE(board::button(ws, "SpeedButton17")->x(), 5);
    QCOMPARE(ws->findChild<QWidget*>(QStringLiteral("LED1"))->pos(), QPoint(121, 13));
    QCOMPARE(ws->findChild<QWidget*>(QStringLiteral("LED1"))->size(), QSize(12, 13));
}

void TestMainWindow::privileges_data()
{
    QTest::addColumn<QByteArray>("users");
    QTest::addColumn<int>("level");
    QTest::newRow("all") << QByteArray("All\r\n") << 2;
    QTest::newRow("level 1") << QByteArray("jim[1]\r\n") << 1;
    QTest::newRow("all but jim") << QByteArray("All\r\njim[0]\r\n") << 0;
    QTest::newRow("nobody") << QByteArray("ann[2]\r\n") << 0;
}

void TestMainWindow::privileges()
{
    QFETCH(QByteArray, users);
    QFETCH(int, level);
    TestFolder folder;
    folder.copyInstallationData();
    folder.writeFile("users/users.scd", users);
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    QCOMPARE(board::updateGroupShown(ws), level >= 1);
    QCOMPARE(board::prefsShown(ws), level >= 2);
    QCOMPARE(board::preferencesDialog(ws)->userLines(), TextFile::splitLines(QString::fromLatin1(users)));
    QCOMPARE(board::preferencesDialog(ws)->findChild<QPushButton*>(QStringLiteral("RestoreBackup"))->isEnabled(),
             level >= 2);
}

void TestMainWindow::closeWritesPreferencesAndUsers()
{
    TestFolder folder;
    folder.copyInstallationData();
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    // A print's font size and orientation, kept in the preferences.
    GridSortPrintDialog* sortPrint = board::sortPrintDialog(ws);
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("grid.pdf"));
    sortPrint->setPrinterFactory([pdf] {
        auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
        p->setOutputFormat(QPrinter::PdfFormat);
        p->setOutputFileName(pdf);
        return p;
    });
    ws.fake.messages.fallback = Answer::Yes;   // columns wider than the paper are fine here
    sortPrint->showOpen();
    sortPrint->showPrintPanel();
    sortPrint->findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->setChecked(true);
    sortPrint->findChild<QSpinBox*>(QStringLiteral("SpinEdit1"))->setValue(12);
    sortPrint->onPanelPrint();
    QVERIFY(QFile::exists(pdf));
    sortPrint->onCloseClicked();
    ws->move(120, 90);
    ws->resize(780, 500);
    board::preferencesDialog(ws)->setUserLines({QStringLiteral("All"), QStringLiteral("ann[1]")});
    QVERIFY(ws->close());
    const QStringList parm = TextFile::read(folder.path("gsystem/parm.scd")).value;
    QCOMPARE(parm.size(), 14);
    QCOMPARE(parm[0][10], QChar(u'1'));
    QCOMPARE(parm[7], QStringLiteral("780"));
    QCOMPARE(parm[8], QStringLiteral("500"));
    QCOMPARE(parm[9], QString::number(ws->y()));
    QCOMPARE(parm[10], QString::number(ws->x()));
    QCOMPARE(parm[13], QStringLiteral("12"));
    QCOMPARE(folder.readFile("users/users.scd"), QByteArray("All\r\nann[1]\r\n"));

    // The next start prints as the last print did.
    Workstation again(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    board::sortPrintDialog(again)->showOpen();
    QCOMPARE(board::sortPrintDialog(again)->findChild<QSpinBox*>(QStringLiteral("SpinEdit1"))->value(), 12);
    QVERIFY(board::sortPrintDialog(again)->findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->isChecked());
}

void TestMainWindow::closeKeepsWhatOthersSaved()
{
    TestFolder folder;
    folder.copyInstallationData();
    Workstation a(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    Workstation b(folder, QStringLiteral("PC2"), QStringLiteral("ann"));

    // An administrator on B changes the title, a flag and the user list and presses OK.
    b->board().prefs.title = QStringLiteral("Night Shift");
    b->board().prefs.centerData = true;
    board::preferencesDialog(b)->setUserLines({QStringLiteral("ann[2]"), QStringLiteral("jim[1]")});
    QVERIFY(b->savePreferences().ok());
    // A, started earlier, changed only its window and its grid-lines choice.
    a->resize(790, 480);
    a->board().prefs.gridLines = 3;
    QVERIFY(a->close());

    const QStringList parm = TextFile::read(folder.path("gsystem/parm.scd")).value;
    QCOMPARE(parm[11], QStringLiteral("Night Shift"));
    QCOMPARE(parm[0][7], QChar(u'1'));   // B's centring
    QCOMPARE(parm[0][8], QChar(u'3'));   // A's grid lines
    QCOMPARE(parm[7], QStringLiteral("790"));
    QCOMPARE(folder.readFile("users/users.scd"), QByteArray("ann[2]\r\njim[1]\r\n"));
}

void TestMainWindow::closeWithoutChangesWritesNothing()
{
    TestFolder folder;
    folder.copyInstallationData();
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    const FileResult<FileStamp> before = readFileStamp(folder.path("gsystem/parm.scd"));
    QVERIFY(before.ok());
    ReadOnlyGuard guard(folder.path("gsystem"));   // a read-only share is no reason for a box
    QVERIFY(ws->close());
    guard.release();
    const FileResult<FileStamp> after = readFileStamp(folder.path("gsystem/parm.scd"));
    QVERIFY(after.ok());
    QVERIFY(after.value == before.value);
    QVERIFY(ws.fake.messages.shown.isEmpty());
}

void TestMainWindow::dialogsWaitForFirstUse()
{
    TestFolder folder;
    folder.copyInstallationData();
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    auto noneMade = [&] {
        return !ws->findChild<QDialog*>() && !board::helpWindow(ws);
    };
    QVERIFY(noneMade());

    // A session that ends, as the time-out ends it, has no dialog to close
    // and makes none.
    board::updateButton(ws)->click();
    QCOMPARE(ws->board().session.state(), UpdateSession::State::Updating);
    board::sessionControl(ws).closeSessionBoxes();
    QVERIFY(board::sessionControl(ws).endSession());
    QCOMPARE(ws->board().session.state(), UpdateSession::State::Viewing);
    QVERIFY(noneMade());
    QVERIFY(ws.fake.messages.shown.isEmpty());

    // Once made, a dialog stays with what the user chose.
    GridSortPrintDialog* sortPrint = board::sortPrintDialog(ws);
    auto* size = sortPrint->findChild<QSpinBox*>(QStringLiteral("SpinEdit1"));
    size->setValue(size->value() + 1);
    const int chosen = size->value();
    ws->findChild<QAction*>(QStringLiteral("PrintSortGrid1"))->trigger();
    QCOMPARE(ws->findChildren<GridSortPrintDialog*>().size(), 1);
    QCOMPARE(size->value(), chosen);
    sortPrint->closeWithoutEffect();
    QVERIFY(ws->close());
}

void TestMainWindow::lateDialogShowsCurrentPreferences_data()
{
    QTest::addColumn<QString>("dialog");   // made after the change
    QTest::newRow("preferences: title and users as read") << "Form2";
    QTest::newRow("grid sort / print: print font size") << "Form7";
    QTest::newRow("backups over the preferences") << "Backups";
}

void TestMainWindow::lateDialogShowsCurrentPreferences()
{
    QFETCH(QString, dialog);
    TestFolder folder;
    folder.copyInstallationData();
    folder.writeFile(QStringLiteral("users/users.scd"), "jim[2]\r\nann[1]\r\n");
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    ws->board().prefs.title = QStringLiteral("Yard");
    ws->board().prefs.printFontSize = 11;
    const QStringList prefsBefore = parmLines(ws->board().prefs);

    if (dialog == u"Form2") {
        PreferencesDialog* prefs = board::preferencesDialog(ws);
        QCOMPARE(prefs->findChild<QLineEdit*>(QStringLiteral("Edit2"))->text(), QStringLiteral("Yard"));
        QCOMPARE(prefs->userLines(), (QStringList{"jim[2]", "ann[1]"}));
        QVERIFY(prefs->findChild<QPushButton*>(QStringLiteral("RestoreBackup"))->isEnabled());
    } else if (dialog == u"Form7") {
        GridSortPrintDialog* sortPrint = board::sortPrintDialog(ws);
        QCOMPARE(sortPrint->findChild<QSpinBox*>(QStringLiteral("SpinEdit1"))->value(), 11);
    } else {
        QVERIFY(board::backupsDialog(ws));
    }
    // Making a dialog whose controls write through changes no preference.
    QCOMPARE(parmLines(ws->board().prefs), prefsBefore);
    QVERIFY(ws->close());
}

void TestMainWindow::keptDateTimeOptionsCountBeforeFirstUse_data()
{
    QTest::addColumn<QString>("kept");      // the date and time dialog's section
    QTest::addColumn<bool>("militaryInParm");
    QTest::addColumn<bool>("military");
    QTest::addColumn<bool>("leadingZero");

    QTest::newRow("nothing kept") << "" << false << false << false;
    QTest::newRow("military kept") << "CheckBox2.Checked=TRUE" << false << true << false;
    QTest::newRow("leading zero kept") << "CheckBox1.Checked=TRUE" << false << false << true;
    QTest::newRow("kept off, parm on") << "CheckBox2.Checked=FALSE" << true << true << false;
    QTest::newRow("unreadable value") << "CheckBox2.Checked=maybe" << false << false << false;
}

void TestMainWindow::keptDateTimeOptionsCountBeforeFirstUse()
{
    QFETCH(QString, kept);
    QFETCH(bool, militaryInParm);
    QFETCH(bool, military);
    QFETCH(bool, leadingZero);
    TestFolder folder;
    folder.copyInstallationData();
    if (militaryInParm) {
        Workstation writer(folder, QStringLiteral("PC2"), QStringLiteral("ann"));
        writer->board().prefs.militaryTime = true;
        QVERIFY(writer->savePreferences().ok());
    }
    const QString placement = PersistentForm::placementFile(folder.folder());
    QFile::remove(placement);
    if (!kept.isEmpty()) {
        QFile file(placement);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Form6]\r\n" + kept.toLatin1() + "\r\n");
    }
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    QVERIFY(!board::dialog<DateTimeDialog>(ws));
    QCOMPARE(ws->board().prefs.militaryTime, military);
    QCOMPARE(ws->board().prefs.leadingZero, leadingZero);

    // Made later, the dialog shows the same options and keeps them.
    ws->board().prefs.autoMenu = false;
    board::updateButton(ws)->click();
    int dateColumn = 1;
    while (dateColumn < ws->board().document.draft().colCount() && ws->board().document.draft().cell(dateColumn, 0) != u"Date")
        ++dateColumn;
    board::gridView(ws)->focusCell(dateColumn, 1);
    ColumnMenuPopup* menu = board::columnMenu(ws);
    board::interaction(ws).onGridMousePress(Qt::RightButton, QPoint(10, 10), Qt::NoModifier);
    board::interaction(ws).openChosenMenu(QPoint(10, 10));
    int item = -1;
    for (int i = 0; i < menu->count(); ++i) {
        if (menu->caption(i) == u"DATE/TIME")
            item = i;
    }
    QVERIFY(item >= 0);
    menu->trigger(item);
    auto* dateTime = board::dialog<DateTimeDialog>(ws);
    QVERIFY(dateTime);
    QCOMPARE(dateTime->findChild<QCheckBox*>(QStringLiteral("CheckBox2"))->isChecked(), military);
    QCOMPARE(dateTime->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->isChecked(), leadingZero);
    QCOMPARE(ws->board().prefs.militaryTime, military);
    QCOMPARE(ws->board().prefs.leadingZero, leadingZero);
    dateTime->closeWithoutEffect();
    QFile::remove(placement);
}

void TestMainWindow::normalEndWritesDateTimeSectionUnopened_data()
{
    QTest::addColumn<QByteArray>("before");   // the placement file; null: none
    QTest::addColumn<bool>("militaryInParm");
    QTest::addColumn<QByteArray>("after");

    const QByteArray allOff = "CheckBox1.Checked=FALSE\r\nCheckBox2.Checked=FALSE\r\n"
                              "CheckBox3.Checked=FALSE\r\nCheckBox4.Checked=FALSE\r\n";
    QTest::newRow("no file yet") << QByteArray() << false
                                 << "[Form6]\r\nTop=0\r\nLeft=0\r\nWidth=0\r\nHeight=0\r\n" + allOff;
    QTest::newRow("military time from parm.scd")
        << QByteArray() << true
        << QByteArray("[Form6]\r\nTop=0\r\nLeft=0\r\nWidth=0\r\nHeight=0\r\nCheckBox1.Checked=FALSE\r\n"
                      "CheckBox2.Checked=TRUE\r\nCheckBox3.Checked=FALSE\r\nCheckBox4.Checked=FALSE\r\n");
    // Kept as it was, other forms' sections and unknown keys too.
    const QByteArray kept = "[Other]\r\nTop=1\r\n[FORM6]\r\ntop=40\r\nLeft=30\r\nWidth=441\r\nHeight=300\r\n"
                            "CheckBox1.Checked=TRUE\r\ncheckbox2.checked=FALSE\r\nCheckBox3.Checked=TRUE\r\n"
                            "CheckBox4.Checked=FALSE\r\nColor=red\r\n";
    QTest::newRow("kept place and boxes") << kept << false << kept;
    QTest::newRow("kept box off, parm.scd on") << kept << true
        << QByteArray(kept).replace("checkbox2.checked=FALSE", "checkbox2.checked=TRUE");
}

void TestMainWindow::normalEndWritesDateTimeSectionUnopened()
{
    // "Date / Time" is made at its first use; a board that never opened it
    // still writes its section at a normal end, from what it holds.
    QFETCH(QByteArray, before);
    QFETCH(bool, militaryInParm);
    QFETCH(QByteArray, after);
    TestFolder folder;
    folder.copyInstallationData();
    if (militaryInParm) {
        Workstation writer(folder, QStringLiteral("PC2"), QStringLiteral("ann"));
        writer->board().prefs.militaryTime = true;
        QVERIFY(writer->savePreferences().ok());
    }
    const QString placement = PersistentForm::placementFile(folder.folder());
    QFile::remove(placement);
    if (!before.isNull())
        QVERIFY(writeRaw(placement, before));
    {
        // A board that ends otherwise (a crash, a kill) writes nothing.
        Workstation killed(folder, QStringLiteral("PC3"), QStringLiteral("bob"));
    }
    QCOMPARE(QFile::exists(placement), !before.isNull());

    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    QVERIFY(ws->close());
    QVERIFY(!board::dialog<DateTimeDialog>(ws));
    QCOMPARE(readAll(placement), after);
    QFile::remove(placement);
}

void TestMainWindow::closeReportsWhatItCouldNotSave()
{
    TestFolder folder;
    folder.copyInstallationData();
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    ws->board().prefs.gridLines = 2;
    ReadOnlyGuard guard(folder.path("gsystem"));
    if (!guard.isActive())
        QSKIP("this file system cannot make a folder read-only");
    QVERIFY(ws->close());
    guard.release();
    QCOMPARE(ws.fake.messages.shown.size(), 1);
    QCOMPARE(ws.fake.messages.shown[0].kind, MessageKind::Error);
    QVERIFY(ws.fake.messages.texts()[0].contains(QStringLiteral("parm.scd")));
}

void TestMainWindow::okWritesExactlyTheDialog()
{
    TestFolder folder;
    folder.copyInstallationData();
    Workstation a(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    Workstation b(folder, QStringLiteral("PC2"), QStringLiteral("ann"));
    b->board().prefs.title = QStringLiteral("Night Shift");
    QVERIFY(b->savePreferences().ok());
    board::preferencesDialog(a)->findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(QString());
    QVERIFY(a->savePreferences().ok());
    QCOMPARE(TextFile::read(folder.path("gsystem/parm.scd")).value[11], QStringLiteral("RYX Scheduling"));
}

void TestMainWindow::closeBackupOnNamedComputer()
{
    TestFolder folder;
    folder.copyInstallationData();
    Workstation other(folder, QStringLiteral("PC2"), QStringLiteral("ann"));
    Workstation named(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    for (MainWindow* w : {other.window.get(), named.window.get()}) {
        w->board().prefs.backup = Preferences::BackupClose;
        w->board().prefs.backupComputer = QStringLiteral("PC1");
    }
    QVERIFY(other->close());
    QVERIFY(QDir(folder.path("databkup")).entryList({"sgridbkup*.scd"}).isEmpty());
    QVERIFY(named->close());
    QCOMPARE(QDir(folder.path("databkup")).entryList({"sgridbkup*.scd"}),
             QStringList{"sgridbkup030726140509.scd"});
}

void TestMainWindow::rowHeightArrows_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("presses");   // u: SpeedButton7 (lower rows), d: SpeedButton14
    QTest::addColumn<int>("end");

    QTest::newRow("stops at one") << 2 << "uuu" << 1;
    QTest::newRow("back up from one") << 2 << "uuud" << 2;
    QTest::newRow("stops at 200") << 199 << "ddd" << 200;
    QTest::newRow("down from INT_MAX steps from 200") << INT_MAX << "u" << 199;
    QTest::newRow("up from INT_MIN steps from one") << INT_MIN << "d" << 2;
    // An arrow that cannot move leaves the line as the file had it.
    QTest::newRow("INT_MAX, higher") << INT_MAX << "d" << INT_MAX;
    QTest::newRow("INT_MIN, lower") << INT_MIN << "u" << INT_MIN;
    QTest::newRow("zero, lower") << 0 << "u" << 0;
}

void TestMainWindow::rowHeightArrows()
{
    QFETCH(int, start);
    QFETCH(QString, presses);
    QFETCH(int, end);

    TestFolder folder;
    folder.copyInstallationData();
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    auto* up = board::preferencesDialog(ws)->findChild<QToolButton*>(QStringLiteral("SpeedButton7"));
    auto* down = board::preferencesDialog(ws)->findChild<QToolButton*>(QStringLiteral("SpeedButton14"));
    ws->board().prefs.rowHeight = start;
    board::gridView(ws)->applyPreferences();
    for (QChar c : presses)
        (c == u'u' ? up : down)->click();
    QCOMPARE(ws->board().prefs.rowHeight, end);
    QCOMPARE(board::gridView(ws)->gridRowHeight(), ws->board().prefs.clampedRowHeight());
}

void TestMainWindow::okAppliesAndSavesTheDialog()
{
    TestFolder folder;
    folder.copyInstallationData();
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    PreferencesDialog* dialog = board::preferencesDialog(ws);
    dialog->findChild<QRadioButton*>(QStringLiteral("RadioButton3"))->setChecked(true);
    dialog->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->setChecked(true);
    dialog->findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setEditText(QStringLiteral("45"));
    dialog->findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(QStringLiteral("Yard"));
    dialog->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->setPlainText(QStringLiteral("All\nann[0]"));
    dialog->findChild<QPushButton*>(QStringLiteral("SpeedButton4"))->click();

    QCOMPARE(board::gridView(ws)->lineWidth(), 3);
    QCOMPARE(ws->windowTitle(), QStringLiteral("Yard"));
    const QStringList parm = TextFile::read(folder.path("gsystem/parm.scd")).value;
    QCOMPARE(parm[0][8], QChar(u'3'));
    QCOMPARE(parm[0][7], QChar(u'1'));
    QCOMPARE(parm[1], QStringLiteral("45"));
    QCOMPARE(parm[11], QStringLiteral("Yard"));
    QCOMPARE(folder.readFile("users/users.scd"), QByteArray("All\r\nann[0]\r\n"));
    QVERIFY(ws.fake.messages.shown.isEmpty());

    // Escape does not close the dialog: "OK" is the only way out.
    dialog->show();
    QTest::keyClick(dialog, Qt::Key_Escape);
    QVERIFY(dialog->isVisible());
    dialog->findChild<QPushButton*>(QStringLiteral("SpeedButton4"))->click();
    QVERIFY(!dialog->isVisible());
}

void TestMainWindow::boxesAndDialogOnTheDesktopCentre()
{
    TestFolder folder;
    folder.copyInstallationData();
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    ws->show();
    ws->move(0, 0);   // the board away from the middle
    const QPoint centre = QGuiApplication::primaryScreen()->geometry().center();

    // Every caption of the preferences fits with the fonts this desktop has.
    PreferencesDialog* dialog = board::preferencesDialog(ws);
    dialog->show();
    QVERIFY((dialog->frameGeometry().center() - centre).manhattanLength() <= 2);
    QVERIFY(dialog->width() >= 321 && dialog->height() >= 357);
    for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
        QVERIFY2(b->width() >= b->minimumSizeHint().width(), qPrintable(b->text()));
    for (QLabel* l : dialog->findChildren<QLabel*>())
        QVERIFY2(l->width() >= l->minimumSizeHint().width(), qPrintable(l->text()));
    dialog->hide();

    // The real boxes: in the middle of the desktop, and closed as Escape
    // would close them when the session ends behind them.
    MessageBoxes boxes(ws.window.get());
    QPoint boxCentre;
    QTimer::singleShot(0, [&] {
        if (QWidget* box = QApplication::activeModalWidget())
            boxCentre = box->frameGeometry().center();
        boxes.closeAll();
    });
    QCOMPARE(boxes.askYesNoCancel(QStringLiteral("Question?"), {0, 33}), Answer::Cancel);
    QVERIFY2((boxCentre - centre).manhattanLength() <= 2, qPrintable(QStringLiteral("%1,%2").arg(boxCentre.x()).arg(boxCentre.y())));
    QTimer::singleShot(0, [&] { boxes.closeAll(); });
    QVERIFY(!boxes.askYesNo(QStringLiteral("Question?"), {0, 33}));
    QTimer::singleShot(0, [&] { boxes.closeAll(); });
    QCOMPARE(boxes.inputText(QStringLiteral("Records"), QStringLiteral("How many?"), QStringLiteral("1")), std::nullopt);
}

void TestMainWindow::fontStyleFlag_data()
{
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<QChar>("flag");
    QTest::newRow("regular") << false << false << QChar(u'0');
    QTest::newRow("bold") << true << false << QChar(u'1');
    QTest::newRow("bold italic") << true << true << QChar(u'0');
    QTest::newRow("italic") << false << true << QChar(u'0');
}

void TestMainWindow::fontStyleFlag()
{
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(QChar, flag);
    TestFolder folder;
    folder.copyInstallationData();
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    const int before = board::gridView(ws)->colWidth(2);
    QFont font(QStringLiteral("DejaVu Sans"), 14);
    font.setBold(bold);
    font.setItalic(italic);
    board::preferencesDialog(ws)->applyFont(font, 255);
    QCOMPARE(parmLines(ws->board().prefs)[0][15], flag);
    // Verdana's stand-in picked where Verdana is not installed: the shared
    // preferences keep the name the Windows workstations draw.
    if (!QFontDatabase::families().contains(QStringLiteral("Verdana")))
        QCOMPARE(ws->board().prefs.fontName, QStringLiteral("Verdana"));
    QCOMPARE(ws->board().prefs.fontColor, 255);
    QVERIFY(board::gridView(ws)->colWidth(2) > before);   // the widths follow the bigger font at once
}

// "Grid Font Parameters" opens on the face and style the grid shows, so
// that OK without a change stores what was there.
void TestMainWindow::fontDialogOpensOnTheGridsFace_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::newRow("Verdana") << QStringLiteral("Verdana") << false << false;
    QTest::newRow("Verdana bold") << QStringLiteral("Verdana") << true << false;
    QTest::newRow("Verdana italic") << QStringLiteral("Verdana") << false << true;
    QTest::newRow("Arial bold italic") << QStringLiteral("Arial") << true << true;
    QTest::newRow("an installed face") << QStringLiteral("DejaVu Serif") << false << false;
}

void TestMainWindow::fontDialogOpensOnTheGridsFace()
{
    QFETCH(QString, family);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    Preferences prefs;
    prefs.fontName = family;
    prefs.bold = bold;
    prefs.italic = italic;
    const QFont start = PreferencesDialog::fontDialogStart(prefs);
    QCOMPARE(start.family(), BoardStyle::installedFamily(family));
    QCOMPARE(BoardStyle::storedFamily(start.family()), family);
    if (!QFontDatabase::families().contains(start.family()))
        QSKIP("Neither the face nor a stand-in is installed here");
    QVERIFY2(QFontDatabase::styles(start.family()).contains(start.styleName()), qPrintable(start.styleName()));
    // The style the dialog selects, and so returns on OK.
    const QFont selected = QFontDatabase::font(start.family(), start.styleName(), 8);
    QCOMPARE(selected.italic(), italic);
    QCOMPARE(selected.bold(), bold);
}

void TestMainWindow::hourlyBackupOnNamedComputer_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("computer");
    QTest::addColumn<bool>("backup");
    QTest::newRow("hourly here") << int(Preferences::BackupHourly) << QStringLiteral("PC1") << true;
    QTest::newRow("hourly elsewhere") << int(Preferences::BackupHourly) << QStringLiteral("PC2") << false;
    QTest::newRow("close choice") << int(Preferences::BackupClose) << QStringLiteral("PC1") << false;
}

void TestMainWindow::hourlyBackupOnNamedComputer()
{
    QFETCH(int, choice);
    QFETCH(QString, computer);
    QFETCH(bool, backup);
    TestFolder folder;
    folder.copyInstallationData();
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    QVERIFY(board::timer(ws, 4)->isActive());
    QCOMPARE(board::timer(ws, 4)->interval(), 3600 * 1000);
    ws->board().prefs.backup = choice;
    ws->board().prefs.backupComputer = computer;
    board::sessionControl(ws).onBackupTick();
    QCOMPARE(QDir(folder.path("databkup")).entryList({"sgridbkup*.scd"}).size(), backup ? 1 : 0);
}

void TestMainWindow::trayHidesAndClicksBringBack_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("maximised");
    QTest::addColumn<bool>("back");
    QTest::newRow("left") << int(QSystemTrayIcon::Trigger) << false << true;
    QTest::newRow("right") << int(QSystemTrayIcon::Context) << false << true;
    QTest::newRow("left, maximised") << int(QSystemTrayIcon::Trigger) << true << true;
    QTest::newRow("middle") << int(QSystemTrayIcon::MiddleClick) << false << false;
    // Its first click has already brought the window back.
    QTest::newRow("double click alone") << int(QSystemTrayIcon::DoubleClick) << false << false;
    QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown) << false << false;
}

void TestMainWindow::trayHidesAndClicksBringBack()
{
    QFETCH(int, reason);
    QFETCH(bool, maximised);
    QFETCH(bool, back);
    TestFolder folder;
    folder.copyInstallationData();
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    if (maximised)
        ws->showMaximized();
    else
        ws->show();
    QCoreApplication::processEvents();   // the deferred icon set-up

    auto* icon = ws->findChild<QSystemTrayIcon*>(QStringLiteral("TrayIcon1"));
    QVERIFY(icon);
    QVERIFY(!icon->icon().isNull());
    QVERIFY(icon->toolTip().isEmpty());
    QVERIFY(!icon->contextMenu());

    board::button(ws, "SpeedButton9")->click();
    // Offscreen has no notification area: minimised, never lost.
    QCOMPARE(QSystemTrayIcon::isSystemTrayAvailable(), false);
    QVERIFY(ws->isMinimized());
    QVERIFY(ws->isVisible());

    emit icon->activated(QSystemTrayIcon::ActivationReason(reason));
    QCOMPARE(!ws->isMinimized(), back);
    QVERIFY(ws->isVisible());
    QCOMPARE(ws->isMaximized(), maximised && back);
    // The icon stays for the whole run.
    QCOMPARE(ws->findChild<QSystemTrayIcon*>(QStringLiteral("TrayIcon1")), icon);
}

void TestMainWindow::undoKeysBelongToTheBoard()
{
    TestFolder folder;
    folder.copyInstallationData();
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    // Application shortcuts: while another program is active, the keys are its own.
    QCOMPARE(board::undoShortcut(ws)->key(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    QCOMPARE(board::redoShortcut(ws)->key(), QKeySequence(Qt::CTRL | Qt::Key_Y));
    QCOMPARE(board::undoShortcut(ws)->context(), Qt::ApplicationShortcut);
    QCOMPARE(board::redoShortcut(ws)->context(), Qt::ApplicationShortcut);
    QVERIFY(ws.fake.messages.shown.isEmpty());
}

void TestMainWindow::backupsWindowRestores_data()
{
    QTest::addColumn<QString>("pick");        // the list row selected before "Restore"
    QTest::addColumn<int>("answer");          // to the question
    QTest::addColumn<bool>("otherUpdating");
    QTest::addColumn<QString>("shownCell");   // the restored grid's cell 1,1, or "" when nothing changed
    QTest::newRow("newest, Yes") << "0" << int(Answer::Yes) << false << "Tuesday's";
    QTest::newRow("older, Yes") << "1" << int(Answer::Yes) << false << "Monday's";
    QTest::newRow("No keeps the schedule") << "0" << int(Answer::No) << false << "";
    QTest::newRow("another workstation updates") << "0" << int(Answer::Yes) << true << "";
    QTest::newRow("unreadable backup") << "2" << int(Answer::Yes) << false << "";
}

void TestMainWindow::backupsWindowRestores()
{
    QFETCH(QString, pick);
    QFETCH(int, answer);
    QFETCH(bool, otherUpdating);
    QFETCH(QString, shownCell);
    TestFolder folder;
    folder.copyInstallationData();
    for (const QString& name : QDir(folder.path("databkup")).entryList(QDir::Files))
        QFile::remove(folder.path("databkup/" + name));
    GridStore store(folder.folder());
    GridData monday = TestFolder::sampleGrid();
    monday.setCell(1, 1, QStringLiteral("Monday's"));
    GridData tuesday = monday;
    tuesday.setCell(1, 1, QStringLiteral("Tuesday's"));
    tuesday.setRowColor(1, 3);
    QVERIFY(store.backupGrid(monday, QDateTime(QDate(2026, 3, 2), QTime(17, 0, 0)), BackupKind::Close).ok());
    QVERIFY(store.backupGrid(tuesday, QDateTime(QDate(2026, 3, 3), QTime(9, 30, 5)), BackupKind::Update).ok());
    folder.writeFile("databkup/sgridbkup010126080000.scd", "nonsense\r\n");
    Workstation a(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    Workstation b(folder, QStringLiteral("PC2"), QStringLiteral("ann"));
    if (otherUpdating)
        QCOMPARE(b->board().session.pressUpdate().kind, UpdateSession::StartResult::Started);
    const GridData before = a->board().document.draft();

    BackupsDialog* dialog = board::backupsDialog(a);
    dialog->show();
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Backups"));
    auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("backupList"));
    QCOMPARE(list->topLevelItemCount(), 3);
    QStringList rows;
    for (int i = 0; i < 3; ++i)
        rows << list->topLevelItem(i)->text(0) + u' ' + list->topLevelItem(i)->text(1) + u' '
                    + list->topLevelItem(i)->text(2);
    QCOMPARE(rows, (QStringList{"3/3/2026 09:30:05 Update", "3/2/2026 17:00:00 Close",
                                "1/1/2026 08:00:00 Cannot be read"}));
    // The newest is selected and previewed, colours included.
    QCOMPARE(list->currentItem(), list->topLevelItem(0));
    auto* preview = dialog->findChild<QTableWidget*>(QStringLiteral("backupPreview"));
    QCOMPARE(preview->item(0, 1)->text(), QStringLiteral("Tuesday's"));
    QCOMPARE(preview->item(0, 1)->background().color(), colorFromValue(ColorCodes::fillValue(ColorCodes::Yellow)));
    QCOMPARE(preview->item(1, 1)->background().color(), colorFromValue(ColorCodes::fillValue(ColorCodes::Red)));
    QVERIFY(preview->item(2, 1)->background().style() == Qt::NoBrush);
    QCOMPARE(preview->horizontalHeaderItem(2)->text(), QStringLiteral("Product"));

    list->setCurrentItem(list->topLevelItem(pick.toInt()));
    auto* restore = dialog->findChild<QPushButton*>(QStringLiteral("restoreButton"));
    QCOMPARE(restore->isEnabled(), pick != u"2");
    a.fake.messages.answers = {Answer(answer)};
    QTest::mouseClick(restore, Qt::LeftButton);
    if (pick == u"2") {
        QVERIFY(a.fake.messages.questions.isEmpty());
        QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("previewNote"))->text().contains(u"cannot be read"));
    } else {
        QCOMPARE(a.fake.messages.questions.value(0),
                 pick == u"0" ? QStringLiteral("Restore the schedule of 3/3/2026 09:30:05? "
                                               "The schedule it replaces is kept as a backup.")
                              : QStringLiteral("Restore the schedule of 3/2/2026 17:00:00? "
                                               "The schedule it replaces is kept as a backup."));
    }
    if (shownCell.isEmpty()) {
        QCOMPARE(a->board().document.draft(), before);
        QCOMPARE(QDir(folder.path("databkup")).entryList(QDir::Files).size(), 3);
        if (otherUpdating)
            QVERIFY(a.fake.messages.texts().value(0).startsWith(u"System busy (update in progress)."));
        return;
    }
    QVERIFY(!dialog->isVisible());
    QCOMPARE(a->board().document.draft().cell(1, 1), shownCell);
    QCOMPARE(board::gridView(a)->model()->data(board::gridView(a)->model()->index(1, 1)).toString(), shownCell);
    QCOMPARE(QDir(folder.path("databkup")).entryList(QDir::Files).size(), 4);
    (void)b->board().session.poll();
    QCOMPARE(b->board().document.draft(), a->board().document.draft());
    QVERIFY(a.fake.messages.shown.isEmpty());
}

// The installed help names every gesture and button, each where a reader
// of its part finds it.
void TestMainWindow::helpCoversEveryGesture_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ownLine");   // a row of the toolbar table
    for (const char* t : {"Right-click on a cell, during a session", "Ctrl + right-click on a cell",
                          "Shift + right-click on a cell", "Right-click on the toolbar", "Beep on any updates",
                          "Print / Sort Grid", "Column Data Setup", "Fixed Column Data Setup", "UPDATE OFF",
                          "Save as PDF", "Restore"})
        QTest::newRow(t) << QString::fromLatin1(t) << false;
    for (const char* button : {"? (help)", "UPDATE", "Lamp", "Cancel", "Editing", "List", "Prefs", "Quit", "Tray"})
        QTest::newRow(button) << QString::fromLatin1(button) << true;
}

void TestMainWindow::helpCoversEveryGesture()
{
    QFETCH(QString, text);
    QFETCH(bool, ownLine);
    TestFolder folder;
    folder.copyInstallationData();
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    QTest::mouseClick(board::button(ws, "SpeedButton17"), Qt::LeftButton);
    HelpWindow* help = board::helpWindow(ws);
    QVERIFY(help && help->isVisible());
    QVERIFY(help->windowTitle().contains(QStringLiteral("Help")));
    QVERIFY(ws.fake.messages.shown.isEmpty());
    // Each table cell comes out of the document as a line of its own.
    const QString shown = help->browser()->toPlainText();
    QVERIFY2(ownLine ? shown.split(u'\n').contains(text) : shown.contains(text), qPrintable(text));
}

void TestMainWindow::helpWindowLinksAndSearch()
{
    TestFolder folder;
    folder.copyInstallationData();
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    ws->onHelpClicked();
    HelpWindow* help = board::helpWindow(ws);
    help->resize(500, 300);
    QVERIFY(QTest::qWaitForWindowExposed(help));
    QScrollBar* bar = help->browser()->verticalScrollBar();
    QCOMPARE(bar->value(), 0);
    // A link within the page goes there.
    help->followLink(QUrl(QStringLiteral("#backups")));
    const int backups = bar->value();
    QVERIFY(backups > 200);
    help->followLink(QUrl(QStringLiteral("#top")));
    QVERIFY(bar->value() < 20);   // the heading, below the page's margin
    // A link to a file is not followed, and says so.
    const QString source = help->browser()->toHtml();
    help->followLink(QUrl(QStringLiteral("gsystem/parm.scd")));
    help->followLink(QUrl::fromLocalFile(folder.path("users/users.scd")));
    QCOMPARE(help->status(), QStringLiteral("This link leads outside the help."));
    QCOMPARE(help->browser()->toHtml(), source);
    QVERIFY(help->browser()->document()->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("gsystem/icon.ico"))).toByteArray().isEmpty());

    // Enter in the search field finds the next place, then from the top again.
    auto* search = help->findChild<QLineEdit*>(QStringLiteral("helpSearch"));
    QTest::keyClicks(search, QStringLiteral("print dialog"));
    QTest::keyClick(search, Qt::Key_Return);
    QCOMPARE(help->browser()->textCursor().selectedText().toLower(), QStringLiteral("print dialog"));
    const int first = help->browser()->textCursor().position();
    QTest::keyClick(search, Qt::Key_Return);
    QCOMPARE(help->status(), QStringLiteral("From the top"));
    QCOMPARE(help->browser()->textCursor().position(), first);
    search->clear();
    QTest::keyClicks(search, QStringLiteral("no such words here"));
    QTest::keyClick(search, Qt::Key_Return);
    QCOMPARE(help->status(), QStringLiteral("Not found"));
    QVERIFY(!help->browser()->textCursor().hasSelection());
    // Esc closes it.
    QTest::keyClick(help->browser(), Qt::Key_Escape);
    QVERIFY(!help->isVisible());
}

void TestMainWindow::helpReadsNothingElse_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("relative");
    QTest::newRow("image, absolute") << int(QTextDocument::ImageResource) << false;
    QTest::newRow("style sheet, relative") << int(QTextDocument::StyleSheetResource) << true;
}

void TestMainWindow::helpReadsNothingElse()
{
    QFETCH(int, type);
    QFETCH(bool, relative);
    QTemporaryDir dir;
    const QString outside = dir.filePath(QStringLiteral("secret.txt"));
    QVERIFY(writeRaw(outside, "secret"));
    HelpBrowser browser;
    const QUrl name = relative ? QUrl(QDir::current().relativeFilePath(outside)) : QUrl::fromLocalFile(outside);
    // What the help's layout would get for <img src> or <link href>.
    QCOMPARE(browser.document()->resource(type, name).toByteArray(), QByteArray());
}

void TestMainWindow::helpFileThatCannotBeShown_data()
{
    QTest::addColumn<QByteArray>("content");   // "<none>": no file, "<folder>": a folder in its place
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("caption");
    QTest::newRow("missing") << QByteArray("<none>") << "cannot be read" << "Help";
    QTest::newRow("a folder") << QByteArray("<folder>") << "cannot be read" << "Help";
    QTest::newRow("too large") << QByteArray(HelpWindow::kMaxHelpBytes + 1, 'x') << "cannot be read" << "Help";
    QTest::newRow("plain text") << QByteArray("Call Ann on 12.\r\n") << "Call Ann on 12." << "Help";
    QTest::newRow("a title without the word")
        << QByteArray("<html><head><title>Board</title></head><body>Caf\xe9</body></html>") << "Caf\u00e9"
        << "Help - Board";
    QTest::newRow("markup in the title is text")
        << QByteArray("<title>Help [*] &lt;b&gt; <img src=\"%PROBE%\"></title><p>x") << "x"
        << "Help [*] <b> <img src=\"%PROBE%\">";

    // Anybody on the share can write the help: what it names is never read
    // (%PROBE% is a picture outside the folder, %FIFO% a FIFO that would
    // hang the board), and no nesting or size reaches Qt's layout.
    QTest::newRow("a picture outside the folder")
        << QByteArray("<p>before<img src=\"%PROBE%\">after <img src=\"file://%PROBE%\"></p>") << "beforeafter"
        << "Help";
    QTest::newRow("a FIFO as a picture") << QByteArray("<p>x<img src=\"%FIFO%\">y</p>") << "xy" << "Help";
    QTest::newRow("a FIFO as a style sheet")
        << QByteArray("<link rel=stylesheet href=\"%FIFO%\"><style>@import url(%FIFO%);</style><p>styled</p>")
        << "styled" << "Help";
    QTest::newRow("a FIFO as a background")
        << QByteArray("<body background=\"%FIFO%\"><table background=\"%FIFO%\"><tr>"
                      "<td background=\"%FIFO%\" style=\"background-image:url(%FIFO%)\">cell</table>")
        << "cell" << "Help";
    QTest::newRow("5,000 nested tables")
        << QByteArray("<table><tr><td>").repeated(5000) + "deep" << "shown as plain text" << "Help";
    QTest::newRow("2,000 nested tables")
        << QByteArray("<table><tr><td>x").repeated(2000) << "shown as plain text" << "Help";
    QByteArray flat = "<table>" + QByteArray("<tr><td>cell</td><td>more</td></tr>\n").repeated(116000);
    QVERIFY(flat.size() <= HelpWindow::kMaxHelpBytes);
    QTest::newRow("a flat table of 4 MB") << flat << "cell\tmore" << "Help";
}

void TestMainWindow::helpFileThatCannotBeShown()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, shown);
    QFETCH(QString, caption);
    TestFolder folder;
    folder.copyInstallationData();
    QVERIFY(QFile::remove(folder.path("Help.chm")));
    if (content == "<folder>")
        QVERIFY(QDir().mkpath(folder.path("Help.chm")));
    QTemporaryDir outside;
    const QString probe = outside.filePath(QStringLiteral("probe.png"));
    QImage probeImage(40, 40, QImage::Format_RGB32);
    probeImage.fill(kProbeColor);
    QVERIFY(probeImage.save(probe));
    const QString fifo = outside.filePath(QStringLiteral("fifo"));
    QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    content.replace("%PROBE%", QFile::encodeName(probe)).replace("%FIFO%", QFile::encodeName(fifo));
    caption.replace(QStringLiteral("%PROBE%"), probe);
    if (content == "<folder>")
        QVERIFY(QDir().mkpath(folder.path("Help.chm")));
    else if (content != "<none>")
        folder.writeFile("Help.chm", content);
    Workstation ws(folder, QStringLiteral("PC1"), QStringLiteral("jim"));
    FifoWatch watch(fifo);
    ws->onHelpClicked();
    HelpWindow* help = board::helpWindow(ws);
    QVERIFY(help->isVisible());
    // Laid out and painted as a user would see it.
    const QImage painted = help->browser()->viewport()->grab().toImage();
    QVERIFY2(!watch.stop(), "the help opened the FIFO");
    QVERIFY2(!shows(painted, kProbeColor), "the help shows the picture outside the folder");
    QVERIFY(help->windowHandle());
    QCOMPARE(help->windowHandle()->title(), caption);
    QVERIFY2(board::helpWindow(ws)->browser()->toPlainText().contains(shown),
             qPrintable(board::helpWindow(ws)->browser()->toPlainText()));
    QVERIFY(ws.fake.messages.shown.isEmpty());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
