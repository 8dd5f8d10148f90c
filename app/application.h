#pragma once

#include <QApplication>

// The application object: an error escaping an event handler ends that
// handler silently and the board runs on; hints show at once and stay for
// ten seconds.
class Application : public QApplication
{
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
