#pragma once

#include <QObject>

// Turns the end of the desktop session by signal (SIGTERM, SIGHUP) into a
// Qt signal on the GUI thread, so the board can save before it ends.
class TerminationWatcher : public QObject
{
    Q_OBJECT
public:
    explicit TerminationWatcher(QObject* parent = nullptr);
    ~TerminationWatcher() override;

signals:
    void terminationRequested();

private:
    void onReadable();
    struct Private;
    Private* d = nullptr;
};
