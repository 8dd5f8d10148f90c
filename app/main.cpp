#include "app/desktop/application.h"
#include "app/board/mainwindow.h"
#include "app/desktop/checkreport.h"
#include "app/desktop/fontreadahead.h"
#include "app/desktop/messageboxes.h"
#include "app/desktop/soundplayer.h"
#include "app/desktop/terminationwatcher.h"
#include "coord/sharecheck.h"
#include "coord/updatesession.h"
#include "store/datafolder.h"
#include "store/installation.h"

#include <QByteArrayView>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#include <algorithm>
#include <initializer_list>

namespace {

void describeOptions(QCommandLineParser& options)
{
    options.setApplicationDescription(QStringLiteral("A scheduling board shared through a data folder."));
    options.addHelpOption();
    options.addVersionOption();
    options.addPositionalArgument(QStringLiteral("folder"),
        QStringLiteral("The shared data folder. Without it: the executable's folder, or for an "
                       "installed board ~/SchedBoard, copied from the sample at the first start."),
        QStringLiteral("[folder]"));
    options.addOption({QStringLiteral("check"),
                       QStringLiteral("Check the data folder and the share it is on (its folders and files, writing, "
                                      "locks, listings, the file server's clock, leftover files, links), print what "
                                      "was found and exit: 0 when all is well, 1 otherwise.")});
    // The second process the check asks whether it sees the check's lock.
    QCommandLineOption probe(QStringLiteral("check-probe"), QStringLiteral("Whether <file> is locked elsewhere."),
                             QStringLiteral("file"));
    probe.setFlags(QCommandLineOption::HiddenFromHelp);
    options.addOption(probe);
}

bool hasArgument(int argc, char** argv, std::initializer_list<QByteArrayView> names)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView arg(argv[i]);
        for (const QByteArrayView name : names)
            if (arg == name)
                return true;
    }
    return false;
}

// --help and --version answer on the terminal, also where no display is.
bool asksForText(int argc, char** argv)
{
    return hasArgument(argc, argv, {"-h", "--help", "-?", "--help-all", "-v", "--version"});
}

int runLockProbe(int argc, char** argv)
{
    QCoreApplication core(argc, argv);
    QCommandLineParser options;
    describeOptions(options);
    options.process(core);
    QTextStream(stdout) << ShareCheck::probeAnswer(options.value(QStringLiteral("check-probe"))) << '\n';
    return 0;
}

// An administrator's check of a share; on Linux it needs no display.
int runShareCheck(int argc, char** argv)
{
    const std::unique_ptr<QCoreApplication> app = CheckReport::createApplication(argc, argv);
    app->setApplicationName(QStringLiteral("SchedBoard"));
    app->setApplicationVersion(QStringLiteral(SCHEDBOARD_VERSION));
    QCommandLineParser options;
    describeOptions(options);
    if (!options.parse(QCoreApplication::arguments())) {
        CheckReport::show(options.errorText() + u'\n');
        return 1;
    }
    // Only an existing folder is checked: none is made from the sample here.
    const FileResult<Installation::Choice> chosen = Installation::chooseDataFolder(
        options.positionalArguments(), QCoreApplication::applicationDirPath(), QDir::homePath());
    const Installation::Choice& choice = chosen.value;
    QString error = chosen.message;
    if (error.isEmpty() && !QFileInfo(choice.folder).isDir())
        error = QStringLiteral("There is no data folder at '%1' yet.").arg(QDir::toNativeSeparators(choice.folder));
    if (!error.isEmpty()) {
        CheckReport::show(error + u'\n');
        return 1;
    }
    const SystemClock clock;
    ShareCheck check(DataFolder(choice.folder), clock);
    const QList<ShareCheck::Finding> findings = check.run();
    CheckReport::show(ShareCheck::reportText(choice.folder, findings));
    return ShareCheck::allOk(findings) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (asksForText(argc, argv)) {
        QCoreApplication core(argc, argv);
        core.setApplicationVersion(QStringLiteral(SCHEDBOARD_VERSION));
        QCommandLineParser options;
        describeOptions(options);
        // Qt knows "-?" on Windows only; it asks for the help everywhere.
        QStringList arguments = core.arguments();
        std::replace(arguments.begin(), arguments.end(), QStringLiteral("-?"), QStringLiteral("--help"));
        options.process(arguments);   // prints and exits
        return 0;
    }
    if (hasArgument(argc, argv, {"--check-probe"}))
        return runLockProbe(argc, argv);
    if (hasArgument(argc, argv, {"--check"}))
        return runShareCheck(argc, argv);

    // Read on a second thread while the application connects to the display.
    FontReadAhead fonts;
    Application app(argc, argv);
    app.setApplicationName(QStringLiteral("SchedBoard"));
    app.setApplicationVersion(QStringLiteral(SCHEDBOARD_VERSION));

    SystemIdentity identity;
    SystemClock clock;
    MessageBoxes messages;

    // A start from a desktop icon has no arguments: the parser, whose code
    // a start would otherwise map, is left alone then.
    QStringList folderArguments;
    if (app.arguments().size() > 1) {
        // Started from the desktop nobody sees the terminal: say it in a box.
        QCommandLineParser options;
        describeOptions(options);
        if (!options.parse(app.arguments())) {
            messages.show(MessageKind::Error, options.errorText(), {});
            return 1;
        }
        folderArguments = options.positionalArguments();
    }

    const FileResult<Installation::Choice> chosen = Installation::chooseDataFolder(
        folderArguments, QCoreApplication::applicationDirPath(), QDir::homePath());
    if (!chosen.ok()) {
        messages.show(MessageKind::Error, chosen.message, {});
        return 1;
    }
    const Installation::Choice& choice = chosen.value;
    if (!choice.sample.isEmpty()) {
        const Installation::SeedResult seeded = Installation::seedFolder(choice.sample, choice.folder);
        if (!seeded.ok()) {
            messages.show(MessageKind::Error, seeded.message, {});
            return 1;
        }
    }
    const QString dataFolder = choice.folder;
    QDir::setCurrent(dataFolder);
    SoundPlayer sounds;
    const Services services{&identity, &clock, &messages, &sounds,
                            QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
                                .filePath(QStringLiteral("window.ini"))};

    fonts.wait();   // the window lays out text at once
    std::unique_ptr<MainWindow> window = MainWindow::create(DataFolder(dataFolder), services);
    if (!window)
        return 1;
    messages.setParent(window.get());

    // SIGTERM or SIGHUP: the desktop session ends and nobody can answer.
    TerminationWatcher watcher;
    QObject::connect(&watcher, &TerminationWatcher::terminationRequested, window.get(), [&] {
        window->endOfDesktopSession(false);
        window->close();
        app.quit();
    });

    // A running update is saved, or its edits kept in a backup, however the
    // process ends: a quit that bypassed the window's close, or the display
    // gone.
    UpdateSession& session = window->board().session;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, window.get(), [&session] { session.shutdownWithoutAnswer(); });
    watcher.setSaveAtForcedExit([&session] { session.shutdownWithoutAnswer(); });
    app.setFailureNotice([&messages](const QString& text) { messages.show(MessageKind::Error, text, kCentralOffset); });

    window->show();
    window->onActivated();
    return app.exec();
}
