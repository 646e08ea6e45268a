#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

namespace transcast
{

class MainWindow;

// Ends the window on SIGTERM (logout, shutdown), SIGHUP or Ctrl-C the way a
// user would after pressing Stop: a running job is stopped as the Stop button
// stops it (its row reads "Stop" and its file is closed, playable), a preview
// is stopped, an add is let finish, open boxes, dialogs and menus are closed
// as by Escape; then the window closes as on a normal close, settings saved,
// and the program quits with 128 plus the signal's number. A question open
// when the signal came is no answer (Controller::endWithoutTheUser): the
// kept job list stays for the next start.
//
// The window closes from the main loop only. A box runs a loop of its own,
// and so does the start's first show before the main loop runs: an exit
// asked from within such a loop would end that loop alone (or be forgotten
// before the main loop starts), and the code waiting on the box would go on
// after the close.
class InterruptCloser : public QObject
{
    Q_OBJECT
public:
    // Made before the window, so that a signal during the window's making
    // (a box it shows) is caught; the window is handed over once made.
    explicit InterruptCloser(QObject* parent = nullptr);
    explicit InterruptCloser(MainWindow& window);

    void watch(MainWindow& window);

    // Further signals while the window is ending change nothing: a stopped
    // job's file is never cut short.
    void closeOn(int signalNumber);

private:
    // Past this the window closes even from within a loop of its own.
    static constexpr int kLongestLoopWaitMs = 5000;

    void closeWhenIdle();
    void retry();

    QPointer<MainWindow> m_window;
    int m_signal = 0;
    bool m_questionOpen = false;
    bool m_told = false;
    QElapsedTimer m_sinceSignal;
};

} // namespace transcast
