#include "cli/interruptwatcher.h"

#include <csignal>
#include <cstdlib>

#include <QSocketNotifier>

#include <sys/signalfd.h>
#include <unistd.h>

namespace transcast
{

namespace
{
sigset_t interruptSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    return set;
}
} // namespace

void InterruptWatcher::blockInterrupts()
{
    const sigset_t set = interruptSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void InterruptWatcher::dieOfInterrupt()
{
    std::signal(SIGINT, SIG_DFL);
    const sigset_t set = interruptSet();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    std::raise(SIGINT);
    std::_Exit(128 + SIGINT); // not reached: the default action ends the process
}

InterruptWatcher::InterruptWatcher(QObject* parent) : QObject(parent)
{
    const sigset_t set = interruptSet();
    m_fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_fd < 0) {
        // Without the descriptor Ctrl-C would stay pending for ever: let it
        // end the program the ordinary way instead.
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        return;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InterruptWatcher::readSignal);
}

InterruptWatcher::~InterruptWatcher()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

void InterruptWatcher::readSignal()
{
    signalfd_siginfo info;
    bool got = false;
    while (::read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        got = true;
    if (got)
        emit interrupted();
}

} // namespace transcast
