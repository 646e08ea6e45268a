#include "sources/probequeue.h"

#include <algorithm>
#include <memory>

#include <QEventLoop>
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

void ProbeQueue::run(const QStringList& paths, const std::function<void(const Outcome&)>& deliver,
                     int width, int timeoutMs)
{
    const int count = static_cast<int>(paths.size());
    if (count == 0)
        return;
    if (width <= 0)
        width = defaultWidth();
    width = std::min(width, count);

    struct Slot {
        std::unique_ptr<ProbeWorker> probe;
        std::unique_ptr<QTimer> timer;
        int index = -1;
    };
    std::vector<Slot> workers(static_cast<size_t>(width));
    std::vector<Outcome> outcomes(static_cast<size_t>(count));
    std::vector<bool> ended(static_cast<size_t>(count), false);
    int next = 0;      // the next path to start
    int delivered = 0; // paths handed over, in order
    bool delivering = false;
    QEventLoop loop;

    // Hands over every ended path whose predecessors are all handed over.
    // `deliver` may run an event loop of its own (a message box), in which
    // more probes end: they are handed over by the outer call, in order.
    const auto flush = [&] {
        if (delivering)
            return;
        delivering = true;
        while (delivered < count && ended[static_cast<size_t>(delivered)]) {
            Outcome outcome = std::move(outcomes[static_cast<size_t>(delivered)]);
            ++delivered;
            deliver(outcome);
        }
        delivering = false;
        if (delivered == count)
            loop.quit();
    };
    const auto startNext = [&](Slot& slot) {
        if (next >= count)
            return;
        slot.index = next++;
        slot.probe->probe(paths[slot.index]);
        slot.timer->start(timeoutMs);
    };

    for (Slot& slot : workers) {
        slot.probe = std::make_unique<ProbeWorker>(m_encoderPath, m_workFolder);
        slot.timer = std::make_unique<QTimer>();
        slot.timer->setSingleShot(true);
        ProbeWorker* probe = slot.probe.get();
        connect(slot.timer.get(), &QTimer::timeout, probe,
                [probe, timeoutMs] { probe->timeOut(timeoutMs); });
        connect(probe, &ProbeWorker::finished, this, [&, probe] {
            Slot& own = *std::find_if(workers.begin(), workers.end(),
                                      [probe](const Slot& s) { return s.probe.get() == probe; });
            own.timer->stop();
            const auto at = static_cast<size_t>(own.index);
            outcomes[at] = {paths[own.index], probe->result(), probe->failureReason(),
                            probe->encoderStartFailed() ? probe->encoderStartError() : QString()};
            ended[at] = true;
            own.index = -1;
            startNext(own);
            flush();
        });
    }
    for (Slot& slot : workers)
        startNext(slot);
    if (delivered < count)
        loop.exec();
}

} // namespace transcast
