#include "ui/interruptcloser.h"

#include <QApplication>
#include <QTimer>

#include "ui/mainwindow.h"

namespace transcast
{

namespace
{
constexpr int kPollMs = 50;
} // namespace

InterruptCloser::InterruptCloser(MainWindow& window) : QObject(&window), m_window(window) {}

void InterruptCloser::closeOn(int signalNumber)
{
    if (m_signal != 0)
        return;
    m_signal = signalNumber;
    closeWhenIdle();
}

void InterruptCloser::closeWhenIdle()
{
    Controller& controller = m_window.controller();
    const BusyState& busy = controller.busy();
    if (busy.isConverting())
        m_window.dispatch(QStringLiteral("stopconverter"));
    if (busy.isPlaying())
        m_window.dispatch(QStringLiteral("stopplay"));
    if (busy.isBusy() || controller.sources().isAdding() || controller.batch().encodersRunning()) {
        QTimer::singleShot(kPollMs, this, &InterruptCloser::closeWhenIdle);
        return;
    }
    // A box left open would hold its own loop; it is answered as by Escape.
    for (int open = 0; open < 8; ++open) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        modal->close();
    }
    m_window.close();
    QCoreApplication::exit(128 + m_signal);
}

} // namespace transcast
