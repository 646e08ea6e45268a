#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>

#include "preview/pacedqueue.h"

using namespace transcast;

namespace
{

void waitUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

} // namespace

// A pause lets the event loop run (a timer fires meanwhile) while the input
// that arrives waits, then runs after the paused step's continuation, in the
// order it came: the order a blocking sleep gives, without the freeze.
TEST(PacedQueue, PauseKeepsTheLoopRunningAndLaterInputWaitsItsTurn)
{
    PacedQueue queue;
    QStringList order;
    QElapsedTimer clock;
    clock.start();
    qint64 continuedAt = -1;
    queue.post([&] {
        order << "first";
        queue.pauseThen(200, [&] {
            order << "continuation";
            continuedAt = clock.elapsed();
        });
    });
    EXPECT_EQ(order, QStringList{"first"}) << "an idle queue runs a step at once";
    queue.post([&] { order << "second"; });
    QTimer::singleShot(40, [&] {
        order << "timer";
        queue.post([&] { order << "third"; });
    });
    waitUntil([&] { return order.size() == 5; });
    EXPECT_EQ(order, (QStringList{"first", "timer", "continuation", "second", "third"}));
    EXPECT_GE(continuedAt, 190);
    EXPECT_FALSE(queue.isPaused());
    EXPECT_EQ(queue.waiting(), 0);
}

// A waiting step that nests an event loop (a preview playing) must not hold
// up the steps queued behind it: one of them is what ends the nested loop.
TEST(PacedQueue, NestedLoopInAStepDoesNotBlockTheStepsBehindIt)
{
    PacedQueue queue;
    bool nestedReturned = false;
    bool released = false;
    queue.post([&] { queue.pauseThen(30); });
    queue.post([&] {
        QEventLoop nested;
        QTimer guard;
        QObject::connect(&guard, &QTimer::timeout, &nested, [&] {
            if (released)
                nested.quit();
        });
        guard.start(5);
        QTimer::singleShot(3000, &nested, &QEventLoop::quit);
        nested.exec();
        nestedReturned = released;
    });
    queue.post([&] { released = true; });
    waitUntil([&] { return nestedReturned; });
    EXPECT_TRUE(nestedReturned);
}
