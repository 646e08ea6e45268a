#include "common/interruptwatcher.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

namespace transcast
{

namespace
{

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The pipe the handler writes to: one byte, the signal's number, per signal.
int signalPipe[2] = {-1, -1};

void onSignal(int signalNumber)
{
    // The interrupted code may be about to read errno (a failed read() in
    // the middle of its check): the write below must not change it.
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    const ssize_t written = ::write(signalPipe[1], &number, 1);
    (void)written; // a full pipe already holds enough to stop
    errno = savedErrno;
}

} // namespace

void InterruptWatcher::catchInterrupts()
{
    if (signalPipe[0] >= 0 || ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    sigset_t set;
    sigemptyset(&set);
    for (const int signalNumber : kSignals) {
        struct sigaction current;
        if (sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler == SIG_IGN)
            continue;
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(signalNumber, &action, nullptr);
        sigaddset(&set, signalNumber);
    }
    // A caller that blocked them would keep them from us for ever.
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
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
    if (signalPipe[0] < 0)
        return;
    m_notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InterruptWatcher::readSignals);
}

InterruptWatcher::~InterruptWatcher() = default;

void InterruptWatcher::readSignals()
{
    unsigned char numbers[16];
    ssize_t got;
    while ((got = ::read(signalPipe[0], numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < got; ++i)
            emit interrupted(numbers[i]);
    }
}

} // namespace transcast
