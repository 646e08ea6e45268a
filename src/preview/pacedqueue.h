#pragma once

#include <deque>
#include <functional>

#include <QObject>
#include <QTimer>

namespace transcast
{

// Runs the preview's steps one after another on the main thread, where a
// step may ask for a pause before anything else of the preview runs (to let
// a seek settle, or to space the display updates).
//
// A pause does not block: the event loop keeps running, so the window
// repaints and the player keeps reporting. What the preview is asked to do
// during a pause waits and then runs in the order it arrived, after the
// paused step's own continuation, the same order a sleep on the main thread
// would give without freezing the window.
class PacedQueue : public QObject
{
    Q_OBJECT
public:
    using Step = std::function<void()>;

    explicit PacedQueue(QObject* parent = nullptr);

    // Runs the step now when nothing waits, else queues it.
    void post(Step step);
    // For a running step: nothing queued runs for `milliseconds`; then
    // `next` (when given) runs first, then the queue in order.
    void pauseThen(int milliseconds, Step next = {});

    bool isPaused() const { return m_pause.isActive(); }
    int waiting() const { return static_cast<int>(m_steps.size()); }

private:
    void drain();

    std::deque<Step> m_steps;
    QTimer m_pause;
};

} // namespace transcast
