#pragma once

// How late a 10 ms repeating timer of the event loop fires: a window that
// keeps its timers is a window that answers. Shared by the benchmarks that
// watch the window while it works.

#include <algorithm>
#include <vector>

#include <QElapsedTimer>
#include <QTimer>

// The lateness of each tick from start() to stop(), in ms.
class LatenessProbe
{
public:
    void start()
    {
        m_clock.start();
        m_last = 0;
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const double now = m_clock.nsecsElapsed() / 1e6;
            m_lateness.push_back(std::max(0.0, now - m_last - 10.0));
            m_last = now;
        });
        m_timer.start(10);
    }
    void stop() { m_timer.stop(); }
    double percentile(double p)
    {
        if (m_lateness.empty())
            return -1;
        std::sort(m_lateness.begin(), m_lateness.end());
        return m_lateness[static_cast<size_t>(p * (m_lateness.size() - 1))];
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_last = 0;
    std::vector<double> m_lateness;
};
