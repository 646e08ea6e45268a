#pragma once

#include <QObject>

namespace transcast
{

class MainWindow;

// Ends the window on SIGTERM (logout, shutdown), SIGHUP or Ctrl-C the way a
// user would after pressing Stop: a running job is stopped as the Stop button
// stops it (its row reads "Stop" and its file is closed, playable), a preview
// is stopped, an add is let finish, open boxes are answered with their
// cancel; then the window closes as on a normal close, settings saved, and the
// program quits with 128 plus the signal's number.
class InterruptCloser : public QObject
{
    Q_OBJECT
public:
    explicit InterruptCloser(MainWindow& window);

    // Further signals while the window is ending change nothing: a stopped
    // job's file is never cut short.
    void closeOn(int signalNumber);

private:
    void closeWhenIdle();

    MainWindow& m_window;
    int m_signal = 0;
};

} // namespace transcast
