#pragma once

#include <QApplication>

#include <functional>

// The application object: an error escaping an event handler ends that
// handler, is logged, and the user is told once; the board runs on. Hints
// show at once and stay for ten seconds.
class Application : public QApplication
{
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // How the user is told of the first such error; shown from the event
    // loop, never from inside the handler that failed.
    void setFailureNotice(std::function<void(const QString&)> notice) { m_failureNotice = std::move(notice); }
    static QString failureText(const QString& reason);

private:
    void reportFailure(QObject* receiver, QEvent* event, const QString& reason);

    std::function<void(const QString&)> m_failureNotice;
    bool m_failureTold = false;
};
