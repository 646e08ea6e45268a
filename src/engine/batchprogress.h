#pragma once

#include <functional>

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

namespace transcast
{

// The whole batch at a glance: which of its jobs convert, how long it has
// run and about how long it will still take, and at its end what came of
// it. The batch tells it as jobs start, move and end; views read the texts.
//
// The estimate takes the lengths of the jobs still to do (the rest of the
// running ones and those not started) at the speed the batch has shown so
// far: seconds of source converted per second of the batch, all running
// jobs together. Until the batch has run kEstimateAfterMs and converted
// something there is no estimate, only "estimating…". A job of unknown
// length weighs as much as the average job of known length.
class BatchProgress
{
public:
    // Milliseconds on a clock that never goes back.
    using Clock = std::function<qint64()>;
    // The system's monotonic clock unless another is given (tests script it).
    explicit BatchProgress(Clock clock = Clock());

    enum class Outcome { Converted, Failed, Stopped };

    static constexpr qint64 kEstimateAfterMs = 3000;

    // A new batch starts now; what the last one held is forgotten.
    void begin();
    // The jobs of the batch not started yet, and their lengths in seconds
    // (0 for a length not known).
    void setPending(const QVector<double>& seconds);
    // The job known by `key` (the batch's choice: its row's identity, which
    // holds while rows come and go), `seconds` long (0: not known), starts.
    void started(quint64 key, double seconds);
    // Its position on the 0..10000 scale.
    void progressed(quint64 key, int value);
    // It ended; `name` names it in the summary when it failed.
    void ended(quint64 key, Outcome outcome, const QString& name);
    // The batch ended: the clock stops.
    void end();

    qint64 elapsedMs() const;
    // Seconds still to go, -1 while there is no estimate.
    qint64 secondsLeft() const;
    // The part of the batch's whole length done, 0..10000.
    int value() const;

    // The batch's jobs: those started and those still to start.
    int total() const { return m_startedCount + static_cast<int>(m_pending.size()); }
    const QStringList& failedNames() const { return m_failedNames; }

    // "Converting 3 of 12 · 00:04:10 elapsed · about 00:07:30 left", with
    // "3–4" when two or more run side by side and "estimating…" until there
    // is an estimate.
    QString line() const;
    // "12 converted, 1 failed in 00:11:40" (", 2 stopped" before " in " after
    // a stop).
    QString summary() const;

private:
    struct Job {
        int ordinal = 0; // 1 for the batch's first job
        double seconds = 0;
        int value = 0; // the furthest it got, 0..10000
        bool running = true;
        Outcome outcome = Outcome::Converted;
    };
    qint64 now() const;
    // A job's weight in seconds: its length, or the average known length.
    double weight(double seconds, double average) const;
    // The seconds done and still to do.
    void amounts(double& done, double& left) const;

    Clock m_clock;
    qint64 m_begin = 0;
    qint64 m_end = 0;
    bool m_running = false;
    QHash<quint64, Job> m_jobs;
    QVector<double> m_pending;
    int m_startedCount = 0;
    int m_converted = 0;
    int m_stopped = 0;
    QStringList m_failedNames;
};

} // namespace transcast
