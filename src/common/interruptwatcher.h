#pragma once

#include <QObject>

class QSocketNotifier;

namespace transcast
{

// Ctrl-C (SIGINT), a polite end (SIGTERM: logout, shutdown, kill) and a
// closed terminal (SIGHUP) as events of the main loop, so that the program
// can stop a running job the way the Stop button does before it ends.
//
// A handler writes each signal's number into a pipe that the watcher reads;
// nothing is blocked, so the programs we start (an encoder, a file manager)
// get the signals as anywhere else. A signal the program was started with
// ignored (nohup, a background job of a script) stays ignored. A terminal
// sends SIGINT to its whole foreground group: the encoders are therefore
// started in a process group of their own (ManagedProcess), so that they
// end only when the program stops them, and then end cleanly.
class InterruptWatcher : public QObject
{
    Q_OBJECT
public:
    // Call first in main(); from then on the signals wait for a watcher.
    static void catchInterrupts();
    // Ends the program as the unhandled signal would (status 128 + number).
    [[noreturn]] static void dieOf(int signalNumber);
    // "SIGTERM" and the like.
    static QString signalName(int signalNumber);

    explicit InterruptWatcher(QObject* parent = nullptr);
    ~InterruptWatcher() override;

signals:
    void interrupted(int signalNumber);

private:
    void readSignals();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace transcast
