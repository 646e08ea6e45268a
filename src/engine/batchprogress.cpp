#include "engine/batchprogress.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QElapsedTimer>
#include <QStringList>

#include "common/textutil.h"

namespace transcast
{

namespace
{
constexpr int kScale = 10000;
} // namespace

BatchProgress::BatchProgress(Clock clock) : m_clock(std::move(clock))
{
    if (!m_clock) {
        m_clock = [] {
            static QElapsedTimer timer = [] {
                QElapsedTimer started;
                started.start();
                return started;
            }();
            return timer.elapsed();
        };
    }
}

qint64 BatchProgress::now() const
{
    return m_clock();
}

void BatchProgress::begin()
{
    m_begin = now();
    m_end = m_begin;
    m_running = true;
    m_jobs.clear();
    m_pending.clear();
    m_startedCount = 0;
    m_converted = 0;
    m_stopped = 0;
    m_failedNames.clear();
}

void BatchProgress::setPending(const QVector<double>& seconds)
{
    m_pending = seconds;
}

void BatchProgress::started(quint64 key, double seconds)
{
    Job job;
    job.ordinal = ++m_startedCount;
    job.seconds = seconds;
    m_jobs.insert(key, job);
}

void BatchProgress::progressed(quint64 key, int value)
{
    const auto job = m_jobs.find(key);
    if (job != m_jobs.end() && job->running)
        job->value = qMax(job->value, qBound(0, value, kScale));
}

void BatchProgress::ended(quint64 key, Outcome outcome, const QString& name)
{
    const auto job = m_jobs.find(key);
    if (job == m_jobs.end() || !job->running)
        return;
    job->running = false;
    job->outcome = outcome;
    switch (outcome) {
    case Outcome::Converted:
        ++m_converted;
        break;
    case Outcome::Failed:
        m_failedNames << name;
        break;
    case Outcome::Stopped:
        ++m_stopped;
        break;
    }
}

void BatchProgress::end()
{
    if (!m_running)
        return;
    m_end = now();
    m_running = false;
}

qint64 BatchProgress::elapsedMs() const
{
    return (m_running ? now() : m_end) - m_begin;
}

double BatchProgress::weight(double seconds, double average) const
{
    return seconds > 0 ? seconds : average;
}

void BatchProgress::amounts(double& done, double& left) const
{
    double known = 0;
    int knownCount = 0;
    for (const Job& job : m_jobs) {
        if (job.seconds > 0) {
            known += job.seconds;
            ++knownCount;
        }
    }
    for (const double seconds : m_pending) {
        if (seconds > 0) {
            known += seconds;
            ++knownCount;
        }
    }
    const double average = knownCount > 0 ? known / knownCount : 1;
    done = 0;
    left = 0;
    for (const Job& job : m_jobs) {
        const double length = weight(job.seconds, average);
        // A failed or stopped job did the part it reached; the rest of it
        // is no longer to do.
        const double part = !job.running && job.outcome == Outcome::Converted
                                ? length
                                : length * job.value / kScale;
        done += part;
        if (job.running)
            left += length - part;
    }
    for (const double seconds : m_pending)
        left += weight(seconds, average);
}

qint64 BatchProgress::secondsLeft() const
{
    const qint64 elapsed = elapsedMs();
    double done = 0;
    double left = 0;
    amounts(done, left);
    if (elapsed < kEstimateAfterMs || done <= 0)
        return -1;
    const double speed = done / elapsed; // source seconds per millisecond
    return static_cast<qint64>(std::ceil(left / speed / 1000.0));
}

int BatchProgress::value() const
{
    double done = 0;
    double left = 0;
    amounts(done, left);
    if (done + left <= 0)
        return 0;
    return qBound(0, static_cast<int>(done * kScale / (done + left)), kScale);
}

QString BatchProgress::line() const
{
    std::vector<int> running;
    for (const Job& job : m_jobs) {
        if (job.running)
            running.push_back(job.ordinal);
    }
    std::sort(running.begin(), running.end());
    QString jobs;
    if (running.empty()) { // between two jobs
        jobs = QString::number(qMin(m_startedCount + 1, qMax(total(), 1)));
    } else if (running.back() - running.front() + 1 == static_cast<int>(running.size())) {
        jobs = running.size() == 1
                   ? QString::number(running.front())
                   : QStringLiteral("%1\u2013%2").arg(running.front()).arg(running.back());
    } else {
        // A job that started earlier still runs after later ones ended: a
        // range would count the ended ones among the running.
        QStringList ordinals;
        for (int ordinal : running)
            ordinals << QString::number(ordinal);
        jobs = ordinals.join(QStringLiteral(", "));
    }
    const qint64 seconds = secondsLeft();
    const QString estimate = seconds < 0
                                 ? QStringLiteral("estimating\u2026")
                                 : QStringLiteral("about %1 left").arg(secondsToClock(seconds));
    return QStringLiteral("Converting %1 of %2 \u00b7 %3 elapsed \u00b7 %4")
        .arg(jobs)
        .arg(total())
        .arg(secondsToClock(elapsedMs() / 1000), estimate);
}

QString BatchProgress::summary() const
{
    QString text =
        QStringLiteral("%1 converted, %2 failed").arg(m_converted).arg(m_failedNames.size());
    if (m_stopped > 0)
        text += QStringLiteral(", %1 stopped").arg(m_stopped);
    return text + QStringLiteral(" in ") + secondsToClock(elapsedMs() / 1000);
}

} // namespace transcast
