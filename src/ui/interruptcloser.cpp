#include "ui/interruptcloser.h"

#include <QApplication>
#include <QDialog>
#include <QThread>
#include <QTimer>

#include "ui/mainwindow.h"

namespace transcast
{

namespace
{

constexpr int kPollMs = 50;

// Closes the open boxes, dialogs and menus as Escape would; true when there
// was one. Each returns to the call that opened it once its loop runs again.
bool closeOpenBoxes()
{
    bool closed = false;
    for (int open = 0; open < 8; ++open) {
        QWidget* shown = QApplication::activePopupWidget();
        if (!shown)
            shown = QApplication::activeModalWidget();
        if (!shown)
            break;
        closed = true;
        // A message box without an Escape button ignores a close.
        if (auto* dialog = qobject_cast<QDialog*>(shown))
            dialog->reject();
        else
            shown->close();
    }
    return closed;
}

} // namespace

InterruptCloser::InterruptCloser(QObject* parent) : QObject(parent) {}

InterruptCloser::InterruptCloser(MainWindow& window) : QObject(&window)
{
    watch(window);
}

void InterruptCloser::watch(MainWindow& window)
{
    m_window = &window;
}

void InterruptCloser::closeOn(int signalNumber)
{
    if (m_signal != 0)
        return;
    m_signal = signalNumber;
    m_questionOpen = QApplication::activeModalWidget() != nullptr;
    m_sinceSignal.start();
    closeWhenIdle();
}

void InterruptCloser::retry()
{
    QTimer::singleShot(kPollMs, this, &InterruptCloser::closeWhenIdle);
}

void InterruptCloser::closeWhenIdle()
{
    const bool boxesWereOpen = closeOpenBoxes();
    if (!m_window) {
        retry();
        return;
    }
    Controller& controller = m_window->controller();
    if (!m_told) {
        m_told = true;
        controller.endWithoutTheUser(m_questionOpen);
    }
    const BusyState& busy = controller.busy();
    if (busy.isConverting())
        m_window->dispatch(QStringLiteral("stopconverter"));
    if (busy.isPlaying())
        m_window->dispatch(QStringLiteral("stopplay"));
    if (busy.isBusy() || controller.sources().isAdding() || controller.batch().encodersRunning()) {
        retry();
        return;
    }
    // Level 0: the main loop has not started yet (the start handles
    // events in a call of its own); above 1: a loop of its own runs, which
    // returns once its box has been closed.
    const int level = QThread::currentThread()->loopLevel();
    const bool mainLoopAlone = !boxesWereOpen && level == 1;
    const bool waitedLongEnough = level > 1 && m_sinceSignal.elapsed() >= kLongestLoopWaitMs;
    if (!mainLoopAlone && !waitedLongEnough) {
        retry();
        return;
    }
    m_window->close();
    QCoreApplication::exit(128 + m_signal);
}

} // namespace transcast
