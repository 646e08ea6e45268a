#pragma once

#include <memory>
#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>

#include "sources/probereportparser.h"

class QTimer;

namespace transcast
{

class ProbeWorker;

// Probes many files at once, one encoder per core, and hands the results over
// in the order the files were given: adding a folder of two hundred clips
// waits on one probe per core instead of one after the other, while the rows
// still appear in name order. Runs on the main thread and never waits: start
// returns at once, the results arrive as signals.
class ProbeQueue : public QObject
{
    Q_OBJECT
public:
    struct Outcome {
        QString path;
        ProbeResult result;
        QString failureReason; // why a file without a result got none
        QString startError;    // the encoder itself could not be started
    };

    ProbeQueue(QString encoderPath, QString workFolder, QObject* parent = nullptr);
    ~ProbeQueue() override;

    // How many probes run at once: TRANSCAST_PROBES when it holds a positive
    // number (the benchmarks compare 1 with the default), else one per core.
    static int defaultWidth();

    // Starts probing every path, at most `width` at a time (0:
    // defaultWidth()), and returns at once. `delivered` is emitted for each
    // path in the order given, as soon as it and all the earlier ones have
    // ended; `finished` follows the last one (for no paths, from the event
    // loop). A probe that runs longer than timeoutMs is killed and delivered
    // without a result. Not to be started again while it runs.
    void start(const QStringList& paths, int width = 0, int timeoutMs = 60000);
    bool isRunning() const { return m_running; }

signals:
    // A slot may open a message box, in which more probes end: those are
    // delivered after the slot returns, still in order.
    void delivered(const transcast::ProbeQueue::Outcome& outcome);
    void finished();

private:
    struct Slot {
        std::unique_ptr<ProbeWorker> probe;
        std::unique_ptr<QTimer> timer;
        int index = -1;
    };
    void startNext(Slot& slot);
    void probeEnded(Slot& slot);
    void flush();

    QString m_encoderPath;
    QString m_workFolder;
    QStringList m_paths;
    std::vector<Slot> m_slots;
    std::vector<Outcome> m_outcomes;
    std::vector<bool> m_ended;
    int m_timeoutMs = 0;
    int m_next = 0;      // the next path to start
    int m_delivered = 0; // paths handed over, in order
    bool m_delivering = false;
    bool m_running = false;
};

} // namespace transcast
