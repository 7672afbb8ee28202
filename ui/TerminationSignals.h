#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGHUP and SIGINT (a logout, kill, Ctrl+C in the terminal) arrive as a Qt signal on the user-interface
// thread. The handler itself only writes the signal's number into a pipe, which is all a signal handler may safely
// do; a socket notifier on the other end of the pipe turns it into received() inside the event loop, modal dialogs'
// loops included.
namespace ui {

class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    // Installs the handlers; received() fires for each signal that arrives while the returned object lives.
    static TerminationSignals* install(QObject* parent);
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    explicit TerminationSignals(QObject* parent);
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace ui
