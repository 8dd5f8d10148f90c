#include "app/application.h"
#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "app/soundplayer.h"
#include "app/terminationwatcher.h"
#include "coord/updatesession.h"
#include "store/datafolder.h"
#include "store/installation.h"

#include <QByteArrayView>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>

#include <cstdlib>
#include <utility>

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
}

// --help and --version answer on the terminal, also where no display is.
bool asksForText(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all" || arg == "-v" || arg == "--version")
            return true;
    }
    return false;
}

// Qt's X11 layer ends the process with exit() when the display goes away
// (the X server dies, a remote desktop ends): no event, no signal, nobody to
// ask. A running update is then saved from an exit handler, or its edits
// kept in a backup, as at a logout; only files are touched, the display is gone.
UpdateSession* g_sessionAtExit = nullptr;

void saveAtExit()
{
    if (UpdateSession* session = std::exchange(g_sessionAtExit, nullptr))
        session->shutdownWithoutAnswer();
}

} // namespace

int main(int argc, char** argv)
{
    if (asksForText(argc, argv)) {
        QCoreApplication core(argc, argv);
        core.setApplicationVersion(QStringLiteral(SCHEDBOARD_VERSION));
        QCommandLineParser options;
        describeOptions(options);
        options.process(core);   // prints and exits
        return 0;
    }

    Application app(argc, argv);
    app.setApplicationName(QStringLiteral("SchedBoard"));
    app.setApplicationVersion(QStringLiteral(SCHEDBOARD_VERSION));

    SystemIdentity identity;
    SystemClock clock;
    MessageBoxes messages;

    // Started from the desktop nobody sees the terminal: say it in a box.
    QCommandLineParser options;
    describeOptions(options);
    if (!options.parse(app.arguments())) {
        messages.show(MessageKind::Error, options.errorText(), {});
        return 1;
    }

    const Installation::Choice choice = Installation::chooseDataFolder(
        options.positionalArguments(), QCoreApplication::applicationDirPath(), QDir::homePath());
    if (!choice.error.isEmpty()) {
        messages.show(MessageKind::Error, choice.error, {});
        return 1;
    }
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

    g_sessionAtExit = &window->board().session;
    std::atexit(saveAtExit);

    window->show();
    window->onActivated();
    const int code = app.exec();
    g_sessionAtExit = nullptr;
    return code;
}
