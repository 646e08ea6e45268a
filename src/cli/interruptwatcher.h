#pragma once

#include <QObject>

class QSocketNotifier;

namespace transcast
{

// Ctrl-C as an event of the main loop.
//
// A terminal sends SIGINT to the whole foreground group: the CLI, the
// encoder and its ffmpeg. Were the encoder to die of it first, its row
// would read "Failed" and the next row would start before the CLI could
// stop the batch. So the CLI blocks SIGINT before anything else (every
// thread and every child inherits the blocked mask, and neither
// register.dat nor ffmpeg unblocks it) and reads it from a signalfd; the
// encoder then ends only when the batch stops it.
class InterruptWatcher : public QObject
{
    Q_OBJECT
public:
    // Call first in main(), before any thread or child exists.
    static void blockInterrupts();
    // Ends the program as an unhandled Ctrl-C would (status 128 + SIGINT).
    [[noreturn]] static void dieOfInterrupt();

    explicit InterruptWatcher(QObject* parent = nullptr);
    ~InterruptWatcher() override;

signals:
    void interrupted();

private:
    void readSignal();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace transcast
