#include "common/interruptwatcher.h"

#include <csignal>
#include <cstdlib>

#include <QProcess>
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
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}
} // namespace

void InterruptWatcher::blockInterrupts()
{
    const sigset_t set = interruptSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void InterruptWatcher::dieOf(int signalNumber)
{
    std::signal(signalNumber, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signalNumber);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    std::raise(signalNumber);
    std::_Exit(128 + signalNumber); // not reached: the default action ends the process
}

void InterruptWatcher::detachFromTerminal(QProcess& process)
{
    // Runs in the child between fork and exec: async-signal-safe calls only.
    process.setChildProcessModifier([] {
        setpgid(0, 0);
        sigset_t none;
        sigemptyset(&none);
        pthread_sigmask(SIG_SETMASK, &none, nullptr);
    });
}

QString InterruptWatcher::signalName(int signalNumber)
{
    switch (signalNumber) {
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QStringLiteral("signal %1").arg(signalNumber);
    }
}

InterruptWatcher::InterruptWatcher(QObject* parent) : QObject(parent)
{
    const sigset_t set = interruptSet();
    m_fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_fd < 0) {
        // Without the descriptor the signals would stay pending for ever: let
        // them end the program the ordinary way instead.
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
    while (::read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        emit interrupted(static_cast<int>(info.ssi_signo));
}

} // namespace transcast
