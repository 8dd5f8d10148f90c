#pragma once

#include <QObject>

#include <functional>

// Turns the end of the desktop session by signal (SIGTERM, SIGHUP) into a
// Qt signal on the GUI thread, so the board can save before it ends; and
// gives the board a last chance to save when the process is ended with no
// event at all.
class TerminationWatcher : public QObject
{
    Q_OBJECT
public:
    explicit TerminationWatcher(QObject* parent = nullptr);
    ~TerminationWatcher() override;

    // Qt's X11 layer ends the process with exit() when the display goes
    // away (the X server dies, a remote desktop ends): no event, no signal,
    // nobody to ask. `save` then runs from the process's exit, as long as
    // this watcher lives; only files may be touched, the display is gone.
    void setSaveAtForcedExit(std::function<void()> save);

signals:
    void terminationRequested();

private:
    void onReadable();
    static void runSaveAtForcedExit();
    struct Private;
    Private* d = nullptr;
};
