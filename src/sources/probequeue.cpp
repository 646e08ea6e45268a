#include "sources/probequeue.h"

#include <algorithm>

#include <QThread>
#include <QTimer>

#include "common/textutil.h"
#include "sources/probeworker.h"

namespace transcast
{

ProbeQueue::ProbeQueue(QString encoderPath, QString workFolder, QObject* parent)
    : QObject(parent), m_encoderPath(std::move(encoderPath)), m_workFolder(std::move(workFolder))
{
}

ProbeQueue::~ProbeQueue() = default;

int ProbeQueue::defaultWidth()
{
    const auto configured = parseInt32(qEnvironmentVariable("TRANSCAST_PROBES"));
    if (configured && *configured > 0)
        return *configured;
    return std::max(1, QThread::idealThreadCount());
}

void ProbeQueue::start(const QStringList& paths, int width, int timeoutMs)
{
    Q_ASSERT(!m_running);
    const int count = static_cast<int>(paths.size());
    m_running = true;
    m_paths = paths;
    m_timeoutMs = timeoutMs;
    m_next = 0;
    m_delivered = 0;
    m_outcomes.assign(static_cast<size_t>(count), Outcome());
    m_ended.assign(static_cast<size_t>(count), false);
    m_slots.clear();
    if (count == 0) {
        QTimer::singleShot(0, this, &ProbeQueue::flush);
        return;
    }
    if (width <= 0)
        width = defaultWidth();
    m_slots.resize(static_cast<size_t>(std::min(width, count)));
    for (Slot& slot : m_slots) {
        slot.probe = std::make_unique<ProbeWorker>(m_encoderPath, m_workFolder);
        slot.timer = std::make_unique<QTimer>();
        slot.timer->setSingleShot(true);
        ProbeWorker* probe = slot.probe.get();
        connect(slot.timer.get(), &QTimer::timeout, probe,
                [probe, timeoutMs] { probe->timeOut(timeoutMs); });
        // The slots do not move once made: the vector is not resized while
        // the queue runs.
        connect(probe, &ProbeWorker::finished, this, [this, &slot] { probeEnded(slot); });
    }
    for (Slot& slot : m_slots)
        startNext(slot);
}

void ProbeQueue::startNext(Slot& slot)
{
    if (m_next >= m_paths.size())
        return;
    slot.index = m_next++;
    slot.probe->probe(m_paths[slot.index]);
    slot.timer->start(m_timeoutMs);
}

void ProbeQueue::probeEnded(Slot& slot)
{
    slot.timer->stop();
    const ProbeWorker& probe = *slot.probe;
    const auto at = static_cast<size_t>(slot.index);
    m_outcomes[at] = {m_paths[slot.index], probe.result(), probe.failureReason(),
                      probe.encoderStartFailed() ? probe.encoderStartError() : QString()};
    m_ended[at] = true;
    slot.index = -1;
    startNext(slot);
    flush();
}

// Hands over every ended path whose predecessors are all handed over. A
// delivery that opens a message box lets more probes end meanwhile; they
// wait for the delivery under way, which hands them over after it.
void ProbeQueue::flush()
{
    if (m_delivering || !m_running)
        return;
    m_delivering = true;
    const int count = static_cast<int>(m_paths.size());
    while (m_delivered < count && m_ended[static_cast<size_t>(m_delivered)]) {
        const Outcome outcome = std::move(m_outcomes[static_cast<size_t>(m_delivered)]);
        ++m_delivered;
        emit delivered(outcome);
    }
    m_delivering = false;
    if (m_delivered == count) {
        m_running = false;
        emit finished();
    }
}

} // namespace transcast
