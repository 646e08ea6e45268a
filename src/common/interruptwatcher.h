#pragma once

#include <QObject>

class QProcess;
class QSocketNotifier;

namespace transcast
{

// Ctrl-C (SIGINT), a polite end (SIGTERM: logout, shutdown, kill) and a
// closed terminal (SIGHUP) as events of the main loop, so that the program
// can stop a running job the way the Stop button does before it ends.
//
// The signals are blocked before anything else (every thread inherits the
// blocked mask) and read from a signalfd. A terminal sends SIGINT to its
// whole foreground group; the encoders are therefore started in a process
// group of their own (detachFromTerminal) and with nothing blocked, so that
// they end only when the program stops them, and then end cleanly.
class InterruptWatcher : public QObject
{
    Q_OBJECT
public:
    // Call first in main(), before any thread or child exists.
    static void blockInterrupts();
    // Ends the program as the unhandled signal would (status 128 + number).
    [[noreturn]] static void dieOf(int signalNumber);
    // Makes the process start outside the terminal's group, with no signal
    // blocked.
    static void detachFromTerminal(QProcess& process);
    // "SIGTERM" and the like.
    static QString signalName(int signalNumber);

    explicit InterruptWatcher(QObject* parent = nullptr);
    ~InterruptWatcher() override;

signals:
    void interrupted(int signalNumber);

private:
    void readSignal();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace transcast
