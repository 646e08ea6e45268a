#include "preview/pacedqueue.h"

namespace transcast
{

PacedQueue::PacedQueue(QObject* parent) : QObject(parent)
{
    m_pause.setSingleShot(true);
    // A pause is at least as long as asked, as the sleep it stands for: a
    // coarse timer may end it up to a twentieth early.
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_pause, &QTimer::timeout, this, &PacedQueue::drain);
}

void PacedQueue::post(Step step)
{
    if (!isPaused() && m_steps.empty()) {
        step();
        return;
    }
    m_steps.push_back(std::move(step));
}

void PacedQueue::pauseThen(int milliseconds, Step next)
{
    if (next)
        m_steps.push_front(std::move(next));
    m_pause.start(milliseconds);
}

void PacedQueue::drain()
{
    while (!isPaused() && !m_steps.empty()) {
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        // A step may nest an event loop (a preview plays inside it): the
        // steps behind it then run from in there instead of waiting for it.
        if (!m_steps.empty())
            QMetaObject::invokeMethod(this, &PacedQueue::drain, Qt::QueuedConnection);
        step();
    }
}

} // namespace transcast
