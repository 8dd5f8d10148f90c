#include "app/application.h"
#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "app/soundplayer.h"
#include "app/terminationwatcher.h"
#include "store/datafolder.h"

#include <QDir>

int main(int argc, char** argv)
{
    Application app(argc, argv);
    app.setApplicationName(QStringLiteral("SchedBoard"));

    // The data folder is the executable's folder, shared by every workstation.
    const QString dataFolder = QCoreApplication::applicationDirPath();
    QDir::setCurrent(dataFolder);

    SystemIdentity identity;
    SystemClock clock;
    MessageBoxes messages;
    SoundPlayer sounds;
    const Services services{&identity, &clock, &messages, &sounds};

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

    window->show();
    window->FormActivate();
    const int code = app.exec();
    return code;
}
